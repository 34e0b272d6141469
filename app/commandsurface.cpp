#include "commandsurface.h"

#include "icons.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

using namespace Qt::StringLiterals;

// Exported by QtGui, declared only for its documentation.
Q_GUI_EXPORT void qt_set_sequence_auto_mnemonic(bool on);

namespace {

QAction *item(QMenu *menu, const QString &caption, const QString &name, const QKeySequence &keys = {},
              const QIcon &icon = {})
{
    auto *a = menu->addAction(icon, caption);
    a->setObjectName(name);
    if (!keys.isEmpty())
        a->setShortcut(keys);
    return a;
}

QAction *checkItem(QMenu *menu, const QString &caption, const QString &name)
{
    auto *a = item(menu, caption, name);
    a->setCheckable(true);
    return a;
}

QMenu *submenu(QMenu *menu, const QString &caption, const QString &name)
{
    QMenu *m = menu->addMenu(caption);
    m->setObjectName(name);
    m->menuAction()->setObjectName(name);
    return m;
}

// A toolbar button: the command's own action when the button runs a menu
// command, so menu, button and pop-up menu share one QAction.
QAction *addButton(CommandSurface &s, QList<QAction *> &items, QToolBar *bar, const QString &key, QAction *action,
                const QString &description, const QString &toolTip)
{
    bar->addAction(action);
    action->setStatusTip(description);
    action->setToolTip(toolTip);
    action->setProperty("buttonKey", key);
    items.append(action);
    s.button.insert(key, action);
    return action;
}

// A button with no menu item of its own.
QAction *ownButton(CommandSurface &s, QList<QAction *> &items, QToolBar *bar, const QString &key,
                   const QString &description, const QString &toolTip, bool checkable = false)
{
    auto *a = new QAction(kalamora::commandIcon(key), description, bar);
    a->setObjectName(u"btn"_s + QString(key).remove(u' '));
    a->setCheckable(checkable);
    return addButton(s, items, bar, key, a, description, toolTip);
}

void separator(QList<QAction *> &items, QToolBar *bar)
{
    items.append(bar->addSeparator());
}

} // namespace

CommandSurface::CommandSurface(QMainWindow *window)
{
    using kalamora::commandIcon;
    // Alt and a menu's underlined letter open that menu, whatever the
    // desktop's theme says about mnemonics; set before any menu exists.
    qt_set_sequence_auto_mnemonic(true);
    QMenuBar *bar = window->menuBar();

    mnuFile = bar->addMenu(u"&File"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuFileNew = item(mnuFile, u"&New"_s, u"mnuFileNew"_s, QKeySequence::New, commandIcon(u"New"_s));
    mnuFileOpen = item(mnuFile, u"&Open..."_s, u"mnuFileOpen"_s, QKeySequence::Open, commandIcon(u"Open"_s));
    mnuFile->addSeparator();
    mnuFileSave = item(mnuFile, u"&Save..."_s, u"mnuFileSave"_s, QKeySequence::Save, commandIcon(u"Save"_s));
    mnuFileSaveAs = item(mnuFile, u"Save &As..."_s, u"mnuFileSaveAs"_s, QKeySequence::SaveAs,
                         commandIcon(u"SaveAs"_s));
    mnuFileSaveHtml = item(mnuFile, u"Save As HTML"_s, u"mnuFileSaveHtml"_s, {}, commandIcon(u"SaveHtml"_s));
    mnuFileExportPdf = item(mnuFile, u"Export As PDF..."_s, u"mnuFileExportPdf"_s);
    mnuFile->addSeparator();
    mnuFileImportUnicode = item(mnuFile, u"&Import Unicode Text..."_s, u"mnuFileImportUnicode"_s, {},
                                commandIcon(u"ImportUnicode"_s));
    mnuFileExportUnicode = item(mnuFile, u"&Export As Unicode Text..."_s, u"mnuFileExportUnicode"_s, {},
                                commandIcon(u"ExportUnicode"_s));
    mnuFile->addSeparator();
    mnuFilePrintSetup = item(mnuFile, u"Print Se&tup..."_s, u"mnuFilePrintSetup"_s);
    mnuFilePrint = item(mnuFile, u"&Print..."_s, u"mnuFilePrint"_s, QKeySequence::Print, commandIcon(u"Print"_s));
    mnuFilePageSetup = item(mnuFile, u"Page Set&up..."_s, u"mnuFilePageSetup"_s, {}, commandIcon(u"PageSetup"_s));
    mnuFile->addSeparator();
    mnuFileRecent = submenu(mnuFile, u"&Recent Files"_s, u"mnuFileRecent"_s);
    for (int i = 0; i < 4; ++i) {
        QAction *a = mnuFileRecent->addAction(QString());
        a->setObjectName(u"mnuRecentFile%1"_s.arg(i));
        a->setVisible(false);
        mnuRecentFile.append(a);
    }
    mnuFile->addSeparator();
    mnuFileExit = item(mnuFile, u"E&xit"_s, u"mnuFileExit"_s, QKeySequence(u"Alt+F4"_s), commandIcon(u"Exit"_s));

    mnuEdit = bar->addMenu(u"&Edit"_s);
    mnuEdit->setObjectName(u"mnuEdit"_s);
    mnuEditUndo = item(mnuEdit, u"&Undo Last Action"_s, u"mnuEditUndo"_s, QKeySequence::Undo, commandIcon(u"Undo"_s));
    mnuEdit->addSeparator();
    // Cut, copy and paste reach the document as key strokes (its own key
    // handling prepares the clipboard); the menu shows the keys only.
    mnuEditCut = item(mnuEdit, u"Cu&t"_s, u"mnuEditCut"_s, {}, commandIcon(u"Cut"_s));
    mnuEditCopy = item(mnuEdit, u"&Copy"_s, u"mnuEditCopy"_s, {}, commandIcon(u"Copy"_s));
    mnuEditPaste = item(mnuEdit, u"&Paste"_s, u"mnuEditPaste"_s, {}, commandIcon(u"Paste"_s));
    for (auto [a, k] : {std::pair{mnuEditCut, u"Ctrl+X"_s}, {mnuEditCopy, u"Ctrl+C"_s}, {mnuEditPaste, u"Ctrl+V"_s}})
        a->setText(a->text() + u'\t' + QKeySequence(k).toString(QKeySequence::NativeText));
    mnuEditSelectAll = item(mnuEdit, u"&Select All"_s, u"mnuEditSelectAll"_s, QKeySequence::SelectAll,
                            commandIcon(u"SelectAll"_s));
    mnuEditClear = item(mnuEdit, u"C&lear Selection"_s, u"mnuEditClear"_s, {}, commandIcon(u"Clear"_s));
    mnuEditCopyUnicode = item(mnuEdit, u"Copy As U&nicode"_s, u"mnuEditCopyUnicode"_s, QKeySequence(u"Ctrl+Shift+C"_s),
                              commandIcon(u"Copy"_s));
    mnuEdit->addSeparator();
    mnuEditFind = item(mnuEdit, u"&Find..."_s, u"mnuEditFind"_s, QKeySequence::Find, commandIcon(u"Find"_s));
    mnuEditReplace = item(mnuEdit, u"Find && &Replace..."_s, u"mnuEditReplace"_s, QKeySequence(u"Ctrl+H"_s),
                          commandIcon(u"FindR"_s));
    mnuEdit->addSeparator();
    mnuEditEngNume = checkItem(mnuEdit, u"Use &English Numerals"_s, u"mnuEditEngNume"_s);
    mnuEditDot = checkItem(mnuEdit, u"Use '.' (&Dot) Instead of Purna Viram"_s, u"mnuEditDot"_s);

    mnuView = bar->addMenu(u"&View"_s);
    mnuView->setObjectName(u"mnuView"_s);
    mnuViewToolbars = checkItem(mnuView, u"&ToolBars"_s, u"mnuViewToolbars"_s);
    mnuViewLangBar = checkItem(mnuView, u"&Languages Bar"_s, u"mnuViewLangBar"_s);
    mnuViewStatusBar = checkItem(mnuView, u"&Status Bar"_s, u"mnuViewStatusBar"_s);
    // The bars' menu items toggle by hand (their handlers flip the checks).
    for (QAction *a : {mnuViewToolbars, mnuViewLangBar, mnuViewStatusBar})
        a->setChecked(true);
    mnuView->addSeparator();
    mnuViewKeyboard = item(mnuView, u"Romanised &Keyboard Layout..."_s, u"mnuViewKeyboard"_s, {},
                           commandIcon(u"KeyB"_s));
    mnuView->addSeparator();
    mnuViewZoom = submenu(mnuView, u"&Zoom Level"_s, u"mnuViewZoom"_s);
    const QString zoomCaptions[] = {u"&10 %"_s, u"&25 %"_s, u"&50 %"_s, u"1&00 %"_s,
                                    u"200 %"_s, u"&400 %"_s, u"&Fit Width"_s, u"Fit &Page"_s};
    for (int i = 0; i < 8; ++i)
        mnuZoom.append(checkItem(mnuViewZoom, zoomCaptions[i], u"mnuZoom%1"_s.arg(i)));
    mnuView->addSeparator();
    mnuViewPage = submenu(mnuView, u"&Page View"_s, u"mnuViewPage"_s);
    mnuViewEditor = checkItem(mnuViewPage, u"&Editor (Continuous)"_s, u"mnuViewEditor"_s);
    mnuViewPageView = checkItem(mnuViewPage, u"&Page View"_s, u"mnuViewPageView"_s);

    mnuInsert = bar->addMenu(u"&Insert"_s);
    mnuInsert->setObjectName(u"mnuInsert"_s);
    mnuInsertFile = item(mnuInsert, u"&File..."_s, u"mnuInsertFile"_s, {}, commandIcon(u"InsertFile"_s));
    mnuInsert->addSeparator();
    mnuInsertImageObject = item(mnuInsert, u"&Image As Object..."_s, u"mnuInsertImageObject"_s, {},
                                commandIcon(u"InsertImage"_s));
    mnuInsertImageChar = item(mnuInsert, u"Image As &Character..."_s, u"mnuInsertImageChar"_s);
    mnuInsert->addSeparator();
    mnuInsertObject = item(mnuInsert, u"&Object..."_s, u"mnuInsertObject"_s, {}, commandIcon(u"InsertObject"_s));
    mnuInsertObjectChar = item(mnuInsert, u"O&bject As Character..."_s, u"mnuInsertObjectChar"_s);
    mnuInsert->addSeparator();
    mnuInsertPageBreak = item(mnuInsert, u"&Page Break"_s, u"mnuInsertPageBreak"_s, QKeySequence(u"Ctrl+Return"_s),
                              commandIcon(u"PageBreak"_s));

    mnuLanguages = bar->addMenu(u"&Languages"_s);
    mnuLanguages->setObjectName(u"mnuLanguages"_s);
    mnuLangHindi = checkItem(mnuLanguages, u"&Hindi"_s, u"mnuLangHindi"_s);
    mnuLangEnglish = checkItem(mnuLanguages, u"&English"_s, u"mnuLangEnglish"_s);
    mnuLanguages->addSeparator();
    mnuLangLayout = submenu(mnuLanguages, u"Hindi &Layout"_s, u"mnuLangLayout"_s);
    mnuLayoutTav = checkItem(mnuLangLayout, u"&Tavrin Layout"_s, u"mnuLayoutTav"_s);
    mnuLayoutRem = checkItem(mnuLangLayout, u"&Remington Layout"_s, u"mnuLayoutRem"_s);
    mnuLayoutRom = checkItem(mnuLangLayout, u"R&omanised Layout"_s, u"mnuLayoutRom"_s);
    mnuLanguages->addSeparator();
    mnuLangDictionary = item(mnuLanguages, u"Dictionary"_s, u"mnuViewDictionary"_s, {},
                             commandIcon(u"Dictionary"_s));

    mnuFormat = bar->addMenu(u"F&ormat"_s);
    mnuFormat->setObjectName(u"mnuFormat"_s);
    mnuFormatFonts = item(mnuFormat, u"&Fonts..."_s, u"mnuFormatFonts"_s, {}, commandIcon(u"Fonts"_s));
    mnuFormat->addSeparator();
    mnuFormatImage = item(mnuFormat, u"&Image..."_s, u"mnuFormatImage"_s, {}, commandIcon(u"ImageAttr"_s));
    mnuFormatStyle = submenu(mnuFormat, u"Text &Style"_s, u"mnuFormatStyle"_s);
    mnuStyleBold = checkItem(mnuFormatStyle, u"&Bold"_s, u"mnuStyleBold"_s);
    mnuStyleItalic = checkItem(mnuFormatStyle, u"&Italic"_s, u"mnuStyleItalic"_s);
    mnuStyleUnderline = checkItem(mnuFormatStyle, u"&Underline"_s, u"mnuStyleUnderline"_s);
    mnuStyleStrike = checkItem(mnuFormatStyle, u"&Strikethru"_s, u"mnuStyleStrike"_s);
    mnuStyleBold->setShortcut(QKeySequence::Bold);
    mnuStyleItalic->setShortcut(QKeySequence::Italic);
    mnuStyleUnderline->setShortcut(QKeySequence::Underline);
    mnuFormatAlign = submenu(mnuFormat, u"&Alignment"_s, u"mnuFormatAlign"_s);
    mnuAlignLeft = checkItem(mnuFormatAlign, u"&Left Align"_s, u"mnuAlignLeft"_s);
    mnuAlignCenter = checkItem(mnuFormatAlign, u"&Center Align"_s, u"mnuAlignCenter"_s);
    mnuAlignRight = checkItem(mnuFormatAlign, u"&Right Align"_s, u"mnuAlignRight"_s);
    mnuAlignJustify = checkItem(mnuFormatAlign, u"&Justify"_s, u"mnuAlignJustify"_s);
    mnuFormat->addSeparator();
    mnuFormatColour = item(mnuFormat, u"Text &Colour..."_s, u"mnuFormatColour"_s, {}, commandIcon(u"Color"_s));
    mnuFormatBackColour = item(mnuFormat, u"&Text Background Color..."_s, u"mnuFormatBackColour"_s, {},
                               commandIcon(u"HighLight"_s));
    mnuFormat->addSeparator();
    mnuFormatTabs = submenu(mnuFormat, u"&Tabs"_s, u"mnuFormatTabs"_s);
    mnuTabLeft = checkItem(mnuFormatTabs, u"&Left Aligned Tab"_s, u"mnuTabLeft"_s);
    mnuTabRight = checkItem(mnuFormatTabs, u"&Right Aligned Tab"_s, u"mnuTabRight"_s);
    mnuTabDecimal = checkItem(mnuFormatTabs, u"&Decimal Tab"_s, u"mnuTabDecimal"_s);
    mnuTabCenter = checkItem(mnuFormatTabs, u"&Center Aligned Tab"_s, u"mnuTabCenter"_s);
    mnuTabLeft->setIcon(commandIcon(u"LTab"_s));
    mnuTabRight->setIcon(commandIcon(u"RTab"_s));
    mnuTabDecimal->setIcon(commandIcon(u"DTab"_s));
    mnuTabCenter->setIcon(commandIcon(u"CTab"_s));
    mnuFormatParagraph = item(mnuFormat, u"&Paragraph..."_s, u"mnuFormatParagraph"_s, {},
                              commandIcon(u"Paragraph"_s));

    mnuTable = bar->addMenu(u"&Table"_s);
    mnuTable->setObjectName(u"mnuTable"_s);
    mnuTableInsert = item(mnuTable, u"&Insert..."_s, u"mnuTableInsert"_s, {}, commandIcon(u"Table"_s));
    mnuTableAttributes = item(mnuTable, u"&Attributes..."_s, u"mnuTableAttributes"_s, {},
                              commandIcon(u"TableAttr"_s));
    mnuTableDelete = item(mnuTable, u"&Delete Lines"_s, u"mnuTableDelete"_s, {}, commandIcon(u"TableDelete"_s));
    mnuTableGrid = checkItem(mnuTable, u"&Grid Lines"_s, u"mnuTableGrid"_s);

    mnuWindow = bar->addMenu(u"&Window"_s);
    mnuWindow->setObjectName(u"mnuWindow"_s);
    mnuWindowCascade = item(mnuWindow, u"&Cascade"_s, u"mnuWindowCascade"_s);
    mnuWindowTileH = item(mnuWindow, u"Tile &Horizontal"_s, u"mnuWindowTileH"_s);
    mnuWindowTileV = item(mnuWindow, u"Tile &Vertical"_s, u"mnuWindowTileV"_s);
    mnuWindowArrange = item(mnuWindow, u"&Arrange Icons"_s, u"mnuWindowArrange"_s);

    mnuHelp = bar->addMenu(u"&Help"_s);
    mnuHelp->setObjectName(u"mnuHelp"_s);
    mnuHelpContents = item(mnuHelp, u"&Contents..."_s, u"mnuHelpContents"_s, QKeySequence::HelpContents,
                           commandIcon(u"Help"_s));
    mnuHelpSearch = item(mnuHelp, u"&Search For Help On..."_s, u"mnuHelpSearch"_s);
    mnuHelp->addSeparator();
    mnuHelpAbout = item(mnuHelp, u"&About Kalamora..."_s, u"mnuHelpAbout"_s, {}, commandIcon(u"About"_s));

    // The pop-up menu runs the main menus' commands; its items are actions
    // of their own because their captions and enabled states differ.
    mnuPopUp = new QMenu(u"&Popup"_s, window);
    mnuPopUp->setObjectName(u"mnuPopUp"_s);
    mnuPopCut = item(mnuPopUp, u"&Cut"_s, u"mnuPopCut"_s, {}, commandIcon(u"Cut"_s));
    mnuPopCopy = item(mnuPopUp, u"C&opy"_s, u"mnuPopCopy"_s, {}, commandIcon(u"Copy"_s));
    mnuPopPaste = item(mnuPopUp, u"&Paste"_s, u"mnuPopPaste"_s, {}, commandIcon(u"Paste"_s));
    mnuPopDelete = item(mnuPopUp, u"&Delete"_s, u"mnuPopDelete"_s, {}, commandIcon(u"Clear"_s));
    mnuPopUp->addSeparator();
    QMenu *popAlign = submenu(mnuPopUp, u"&Alignment"_s, u"mnuPopAlign"_s);
    mnuPopAlignLeft = checkItem(popAlign, u"&Left Align"_s, u"mnuPopAlignLeft"_s);
    mnuPopAlignCenter = checkItem(popAlign, u"&Center Align"_s, u"mnuPopAlignCenter"_s);
    mnuPopAlignRight = checkItem(popAlign, u"&Right Align"_s, u"mnuPopAlignRight"_s);
    mnuPopAlignJustify = checkItem(popAlign, u"&Justify Text"_s, u"mnuPopAlignJustify"_s);
    mnuPopUp->addSeparator();
    QMenu *popTable = submenu(mnuPopUp, u"&Table"_s, u"mnuPopTable"_s);
    mnuPopTableInsert = item(popTable, u"&Insert Table"_s, u"mnuPopTableInsert"_s, {}, commandIcon(u"Table"_s));
    mnuPopTableDelete = item(popTable, u"&Delete Table Line"_s, u"mnuPopTableDelete"_s);
    mnuPopTableAttributes = item(popTable, u"&Table Attributes"_s, u"mnuPopTableAttributes"_s);
    mnuPopTableGrid = item(popTable, u"&Grid Lines"_s, u"mnuPopTableGrid"_s);
    mnuPopUp->addSeparator();
    mnuPopInsertImage = item(mnuPopUp, u"I&nsert Image"_s, u"mnuPopInsertImage"_s, {}, commandIcon(u"InsertImage"_s));
    mnuPopFont = item(mnuPopUp, u"&Font..."_s, u"mnuPopFont"_s, {}, commandIcon(u"Fonts"_s));

    // Main toolbar. Positions matter: the program addresses buttons 13 to 15
    // and 19 to 22 by number, and enables 3 and up with a document.
    tbToolbar = window->addToolBar(u"Standard"_s);
    tbToolbar->setObjectName(u"tbToolbar"_s);
    QList<QAction *> &t = tbToolbarItems;
    addButton(*this, t, tbToolbar, u"New"_s, mnuFileNew, u"New File"_s, u"Make New Document"_s);
    addButton(*this, t, tbToolbar, u"Open"_s, mnuFileOpen, u"Open File"_s, u"Open Document"_s);
    addButton(*this, t, tbToolbar, u"Save"_s, mnuFileSave, u"Save File"_s, u"Save Document"_s);
    separator(t, tbToolbar);
    addButton(*this, t, tbToolbar, u"Print"_s, mnuFilePrint, u"Print File"_s, u"Print Document"_s);
    separator(t, tbToolbar);
    addButton(*this, t, tbToolbar, u"Cut"_s, mnuEditCut, u"Cut Text"_s, u"Cut Text"_s);
    addButton(*this, t, tbToolbar, u"Copy"_s, mnuEditCopy, u"Copy Text"_s, u"Copy Text"_s);
    addButton(*this, t, tbToolbar, u"Paste"_s, mnuEditPaste, u"Paste From Clipboard"_s, u"Paste Text"_s);
    separator(t, tbToolbar);
    addButton(*this, t, tbToolbar, u"Undo"_s, mnuEditUndo, u"Undo Last Action"_s, u"Undo Last Action"_s);
    separator(t, tbToolbar);
    ownButton(*this, t, tbToolbar, u"Bold"_s, u"Make Text Bold"_s, u"Make Text Bold"_s, true);
    ownButton(*this, t, tbToolbar, u"Italic"_s, u"Make Text Italic"_s, u"Make Text Italic"_s, true);
    ownButton(*this, t, tbToolbar, u"Underline"_s, u"Make Text Underlined"_s, u"Underline Text"_s, true);
    separator(t, tbToolbar);
    addButton(*this, t, tbToolbar, u"Color"_s, mnuFormatColour, u"Set Text Color"_s, u"Select Text Color"_s);
    separator(t, tbToolbar);
    ownButton(*this, t, tbToolbar, u"Align Left"_s, u"Align Left"_s, u"Align Left"_s, true);
    ownButton(*this, t, tbToolbar, u"Align Centre"_s, u"Align centre"_s, u"Align Centre"_s, true);
    ownButton(*this, t, tbToolbar, u"Align Right"_s, u"Align Right"_s, u"Align Right"_s, true);
    ownButton(*this, t, tbToolbar, u"Justify"_s, u"Justify Text"_s, u"Justify Text"_s, true);
    separator(t, tbToolbar);
    addButton(*this, t, tbToolbar, u"Find"_s, mnuEditFind, u"Find Phrase"_s, u"Find Text"_s);
    addButton(*this, t, tbToolbar, u"FindR"_s, mnuEditReplace, u"Find & Replace"_s, u"Find & Replace"_s);
    separator(t, tbToolbar);
    QAction *table = ownButton(*this, t, tbToolbar, u"Table"_s, u"Insert Table"_s, u"Insert Table"_s);
    tableDropDown = new QMenu(window);
    tableDropDown->setObjectName(u"tableDropDown"_s);
    tblOneByOne = item(tableDropDown, u"&1 col. x 1 row."_s, u"OneByOne"_s);
    tblTwoByTwo = item(tableDropDown, u"&2 cols. x 2 rows."_s, u"TwoByTwo"_s);
    tblThreeByThree = item(tableDropDown, u"&3 cols. x 2 rows."_s, u"ThreebyThree"_s);
    tblCustom = item(tableDropDown, u"&Custom...."_s, u"TableCustom"_s);
    table->setMenu(tableDropDown);
    if (auto *tb = qobject_cast<QToolButton *>(tbToolbar->widgetForAction(table)))
        tb->setPopupMode(QToolButton::MenuButtonPopup);
    separator(t, tbToolbar);
    ownButton(*this, t, tbToolbar, u"Email"_s, u"Email File"_s, u"Send E-mail"_s);
    separator(t, tbToolbar);
    addButton(*this, t, tbToolbar, u"Help"_s, mnuHelpContents, u"See help"_s, u"See Help"_s);
    addButton(*this, t, tbToolbar, u"KeyB"_s, mnuViewKeyboard, u"See Romanised Key Layout"_s, u"View Key Map"_s);

    // Formatting and view bar: 17 places, separators included. It starts
    // the second row, beside the language bar.
    window->addToolBarBreak();
    tbBar2 = window->addToolBar(u"Formatting"_s);
    tbBar2->setObjectName(u"tbBar2"_s);
    QList<QAction *> &b = tbBar2Items;
    addButton(*this, b, tbBar2, u"HighLight"_s, mnuFormatBackColour, u"Text Background"_s, u"Text Background"_s);
    separator(b, tbBar2);
    ownButton(*this, b, tbBar2, u"LTab"_s, u"Left-Aligned Tab"_s, u"Left-Aligned Tab"_s, true);
    ownButton(*this, b, tbBar2, u"RTab"_s, u"Right-Aligned Tab"_s, u"Right-Aligned Tab"_s, true);
    ownButton(*this, b, tbBar2, u"DTab"_s, u"Decimal Tab"_s, u"Decimal Tab"_s, true);
    ownButton(*this, b, tbBar2, u"CTab"_s, u"Center Tab"_s, u"Center Tab"_s, true);
    separator(b, tbBar2);
    ownButton(*this, b, tbBar2, u"PView"_s, u"Normal/Page View Toggle"_s, u"Normal/Page View Toggle"_s, true);
    separator(b, tbBar2);
    ownButton(*this, b, tbBar2, u"StrikeThru"_s, u"Strike Thru"_s, u"Strike Thru"_s, true);
    separator(b, tbBar2);
    ownButton(*this, b, tbBar2, u"PrintView"_s, u"Print Preview"_s, u"Print Preview"_s);
    separator(b, tbBar2);
    ownButton(*this, b, tbBar2, u"Dot"_s, u"Use ( . ) Full Stop."_s, u"Use ( . ) Full Stop."_s, true);
    ownButton(*this, b, tbBar2, u"Number"_s, u"Use English Numbers"_s, u"Use English Numbers"_s, true);
    separator(b, tbBar2);
    ownButton(*this, b, tbBar2, u"Dictionary"_s, u"Dictionary"_s, u"View Dictionary"_s);

    tbToolbar2 = window->addToolBar(u"Languages"_s);
    tbToolbar2->setObjectName(u"tbToolbar2"_s);
}

QList<QMenu *> CommandSurface::documentMenus() const
{
    return {mnuFormat, mnuEdit, mnuWindow, mnuTable, mnuInsert, mnuView, mnuLanguages};
}
