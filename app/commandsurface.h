#pragma once

#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QMenuBar;
class QObject;
class QToolBar;
class QToolButton;

namespace kalamora {

// The main window's commands. Each has one QAction in the ActionRegistry;
// menus, toolbars and the pop-up menu show that action or follow it.
enum class Cmd : std::uint8_t {
    // File
    FileNew, FileOpen, FileSave, FileSaveAs, FileSaveHtml, FileExportPdf, FileImportUnicode, FileExportUnicode,
    FilePrintSetup, FilePrint, FilePageSetup, FileExit,
    // Edit
    EditUndo, EditCut, EditCopy, EditPaste, EditSelectAll, EditClear, EditCopyUnicode, EditFind, EditReplace,
    EditEngNume, EditDot,
    // View
    ViewToolbars, ViewLangBar, ViewStatusBar, ViewKeyboard, Zoom10, Zoom25, Zoom50, Zoom100, Zoom200, Zoom400,
    ZoomFitWidth, ZoomFitPage, ViewEditor, ViewPageView,
    // Insert
    InsertFile, InsertImageObject, InsertImageChar, InsertObject, InsertObjectChar, InsertPageBreak,
    // Languages
    LangHindi, LangEnglish, LayoutTav, LayoutRem, LayoutRom, LangDictionary,
    // Format
    FormatFonts, FormatImage, StyleBold, StyleItalic, StyleUnderline, StyleStrike, AlignLeft, AlignCenter,
    AlignRight, AlignJustify, FormatColour, FormatBackColour, TabLeft, TabRight, TabDecimal, TabCenter,
    FormatParagraph,
    // Table
    TableInsert, TableAttributes, TableDelete, TableGrid,
    // Window
    WindowCascade, WindowTileH, WindowTileV, WindowArrange,
    // Help
    HelpContents, HelpSearch, HelpAbout,
    // The document's pop-up menu
    PopCut, PopCopy, PopPaste, PopDelete, PopAlignLeft, PopAlignCenter, PopAlignRight, PopAlignJustify,
    PopTableInsert, PopTableDelete, PopTableAttributes, PopTableGrid, PopInsertImage, PopFont,
    // Toolbar buttons with no menu item: the table button and its drop-down, the
    // view toggle, print preview and mail
    TableButton, TblOneByOne, TblTwoByTwo, TblThreeByThree, TblCustom, PageViewToggle, PrintPreview, Email,

    Count
};

// The alignment command of a paragraph alignment code as the text control
// reports it (0 left, 1 right, 2 centre, 3 justified).
constexpr Cmd alignCommand(int code)
{
    constexpr Cmd byCode[4] = {Cmd::AlignLeft, Cmd::AlignRight, Cmd::AlignCenter, Cmd::AlignJustify};
    return code >= 0 && code < 4 ? byCode[code] : Cmd::AlignLeft;
}

// One QAction per command. Looking up a command that has no action throws
// std::out_of_range, so a mistake cannot hand back (or store) a null.
class ActionRegistry {
public:
    QAction *operator[](Cmd id) const;
    bool contains(Cmd id) const;
    // Registers `action` as the command's; a second action for one command throws.
    QAction *add(Cmd id, QAction *action);
    // Makes the commands exclusive checks: checking one unchecks the others.
    QActionGroup *exclusive(std::initializer_list<Cmd> ids, QObject *parent) const;

private:
    std::array<QAction *, std::size_t(Cmd::Count)> m_actions{};
};

// A place on a toolbar: a command and the key its button goes by (tests and
// icons use the key), or a separator when key is null. The toolbars are
// tables of these, so a button's number is its 1-based index in the table.
struct ToolbarSlot {
    Cmd id;
    const char16_t *key;
    const char16_t *statusTip;
    const char16_t *toolTip;
    bool checkable;
    bool isSeparator() const { return key == nullptr; }
};

// The buttons of both toolbars by key. An unknown key throws
// std::out_of_range instead of answering null.
class ToolbarButtons {
public:
    explicit ToolbarButtons(const ActionRegistry &actions)
        : m_actions(actions)
    {
    }
    QAction *operator[](QStringView key) const;
    Cmd id(QStringView key) const;

private:
    const ActionRegistry &m_actions;
};

// Every menu item and toolbar button of the main window. Each command is one
// QAction, shared by its menu item, its toolbar button and the pop-up menu;
// the main window connects the actions to their handlers and keeps their
// enabled and checked states.
struct CommandSurface {
    explicit CommandSurface(QMainWindow *window);
    CommandSurface(const CommandSurface &) = delete;
    CommandSurface &operator=(const CommandSurface &) = delete;

    // The commands by id; the named members below are the same actions,
    // kept for the code and tests that still reach them by name.
    ActionRegistry actions;
    QAction *action(Cmd id) const { return actions[id]; }

    // The toolbars' layouts, position by position (separators count).
    static std::span<const ToolbarSlot> standardBar();
    static std::span<const ToolbarSlot> formattingBar();

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
    ToolbarButtons button{actions}; // key -> action, both toolbars
    QList<QAction *> tbToolbarItems;  // in order, separators included
    QList<QAction *> tbBar2Items;
    QMenu *tableDropDown;
    QAction *tblOneByOne, *tblTwoByTwo, *tblThreeByThree, *tblCustom;

    // The menus that exist only while a document is open.
    QList<QMenu *> documentMenus() const;

    QAction *tbToolbarButton(int position) const { return tbToolbarItems.value(position - 1); }
    QAction *tbBar2Button(int position) const { return tbBar2Items.value(position - 1); }
};

} // namespace kalamora
