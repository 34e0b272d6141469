#pragma once

#include <QHash>
#include <QList>
#include <QString>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;

// Every menu item and toolbar button of the main window. Each command is one
// QAction, shared by its menu item, its toolbar button and the pop-up menu;
// the main window connects the actions to their handlers and keeps their
// enabled and checked states.
struct CommandSurface {
    explicit CommandSurface(QMainWindow *window);

    // File
    QMenu *mnuFile;
    QAction *mnuFileNew, *mnuFileOpen, *mnuFileSave, *mnuFileSaveAs, *mnuFileSaveHtml, *mnuFileExportPdf;
    QAction *mnuFileImportUnicode, *mnuFileExportUnicode;
    QAction *mnuFilePrintSetup, *mnuFilePrint, *mnuFilePageSetup;
    QMenu *mnuFileRecent;
    QList<QAction *> mnuRecentFile; // four items
    QAction *mnuFileExit;

    // Edit
    QMenu *mnuEdit;
    QAction *mnuEditUndo, *mnuEditCut, *mnuEditCopy, *mnuEditPaste, *mnuEditSelectAll, *mnuEditClear;
    QAction *mnuEditCopyUnicode;
    QAction *mnuEditFind, *mnuEditReplace, *mnuEditEngNume, *mnuEditDot;

    // View
    QMenu *mnuView;
    QAction *mnuViewToolbars, *mnuViewLangBar, *mnuViewStatusBar, *mnuViewKeyboard;
    QMenu *mnuViewZoom;
    QList<QAction *> mnuZoom; // 10, 25, 50, 100, 200, 400 %, Fit Width, Fit Page
    QMenu *mnuViewPage;
    QAction *mnuViewEditor, *mnuViewPageView;

    // Insert
    QMenu *mnuInsert;
    QAction *mnuInsertFile, *mnuInsertImageObject, *mnuInsertImageChar, *mnuInsertObject, *mnuInsertObjectChar,
        *mnuInsertPageBreak;

    // Languages
    QMenu *mnuLanguages;
    QAction *mnuLangHindi, *mnuLangEnglish;
    QMenu *mnuLangLayout;
    QAction *mnuLayoutTav, *mnuLayoutRem, *mnuLayoutRom;
    QAction *mnuLangDictionary;

    // Format
    QMenu *mnuFormat;
    QAction *mnuFormatFonts, *mnuFormatImage;
    QMenu *mnuFormatStyle;
    QAction *mnuStyleBold, *mnuStyleItalic, *mnuStyleUnderline, *mnuStyleStrike;
    QMenu *mnuFormatAlign;
    QAction *mnuAlignLeft, *mnuAlignCenter, *mnuAlignRight, *mnuAlignJustify;
    QAction *mnuFormatColour, *mnuFormatBackColour;
    QMenu *mnuFormatTabs;
    QAction *mnuTabLeft, *mnuTabRight, *mnuTabDecimal, *mnuTabCenter;
    QAction *mnuFormatParagraph;

    // Table
    QMenu *mnuTable;
    QAction *mnuTableInsert, *mnuTableAttributes, *mnuTableDelete, *mnuTableGrid;

    // Window
    QMenu *mnuWindow;
    QAction *mnuWindowCascade, *mnuWindowTileH, *mnuWindowTileV, *mnuWindowArrange;

    // Help
    QMenu *mnuHelp;
    QAction *mnuHelpContents, *mnuHelpSearch, *mnuHelpAbout;

    // The document's pop-up menu
    QMenu *mnuPopUp;
    QAction *mnuPopCut, *mnuPopCopy, *mnuPopPaste, *mnuPopDelete;
    QAction *mnuPopAlignLeft, *mnuPopAlignCenter, *mnuPopAlignRight, *mnuPopAlignJustify;
    QAction *mnuPopTableInsert, *mnuPopTableDelete, *mnuPopTableAttributes, *mnuPopTableGrid;
    QAction *mnuPopInsertImage, *mnuPopFont;

    // Toolbars. Buttons are addressed by key ("Bold") and, where the program
    // addresses them by number, by their 1-based position (separators count).
    QToolBar *tbToolbar, *tbBar2, *tbToolbar2;
    QHash<QString, QAction *> button; // key -> action, both toolbars
    QList<QAction *> tbToolbarItems;  // in order, separators included
    QList<QAction *> tbBar2Items;
    QMenu *tableDropDown;
    QAction *tblOneByOne, *tblTwoByTwo, *tblThreeByThree, *tblCustom;

    // The menus that exist only while a document is open.
    QList<QMenu *> documentMenus() const;

    QAction *tbToolbarButton(int position) const { return tbToolbarItems.value(position - 1); }
    QAction *tbBar2Button(int position) const { return tbBar2Items.value(position - 1); }
};
