#include "app/commandsurface.h"

#include "app/icons.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

#include <stdexcept>
#include <string>

using namespace Qt::StringLiterals;

// Exported by QtGui, declared only for its documentation.
Q_GUI_EXPORT void qt_set_sequence_auto_mnemonic(bool on);

namespace kalamora {

namespace {

QAction *item(ActionRegistry &actions, Cmd id, QMenu *menu, const QString &caption, const QString &name,
              const QKeySequence &keys = {}, const QIcon &icon = {})
{
    auto *a = actions.add(id, menu->addAction(icon, caption));
    a->setObjectName(name);
    if (!keys.isEmpty())
        a->setShortcut(keys);
    return a;
}

QAction *checkItem(ActionRegistry &actions, Cmd id, QMenu *menu, const QString &caption, const QString &name)
{
    auto *a = item(actions, id, menu, caption, name);
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

// The toolbars, position by position. Buttons of a menu command show that
// command's action; the others get an action of their own.
constexpr ToolbarSlot Separator{Cmd::Count, nullptr, nullptr, nullptr, false};

constexpr ToolbarSlot StandardBar[] = {
    {Cmd::FileNew, u"New", u"New File", u"Make New Document", false},
    {Cmd::FileOpen, u"Open", u"Open File", u"Open Document", false},
    {Cmd::FileSave, u"Save", u"Save File", u"Save Document", false},
    Separator,
    {Cmd::FilePrint, u"Print", u"Print File", u"Print Document", false},
    Separator,
    {Cmd::EditCut, u"Cut", u"Cut Text", u"Cut Text", false},
    {Cmd::EditCopy, u"Copy", u"Copy Text", u"Copy Text", false},
    {Cmd::EditPaste, u"Paste", u"Paste From Clipboard", u"Paste Text", false},
    Separator,
    {Cmd::EditUndo, u"Undo", u"Undo Last Action", u"Undo Last Action", false},
    Separator,
    {Cmd::StyleBold, u"Bold", u"Make Text Bold", u"Make Text Bold", true},
    {Cmd::StyleItalic, u"Italic", u"Make Text Italic", u"Make Text Italic", true},
    {Cmd::StyleUnderline, u"Underline", u"Make Text Underlined", u"Underline Text", true},
    Separator,
    {Cmd::FormatColour, u"Color", u"Set Text Color", u"Select Text Color", false},
    Separator,
    {Cmd::AlignLeft, u"Align Left", u"Align Left", u"Align Left", true},
    {Cmd::AlignCenter, u"Align Centre", u"Align centre", u"Align Centre", true},
    {Cmd::AlignRight, u"Align Right", u"Align Right", u"Align Right", true},
    {Cmd::AlignJustify, u"Justify", u"Justify Text", u"Justify Text", true},
    Separator,
    {Cmd::EditFind, u"Find", u"Find Phrase", u"Find Text", false},
    {Cmd::EditReplace, u"FindR", u"Find & Replace", u"Find & Replace", false},
    Separator,
    {Cmd::TableButton, u"Table", u"Insert Table", u"Insert Table", false},
    Separator,
    {Cmd::Email, u"Email", u"Email File", u"Send E-mail", false},
    Separator,
    {Cmd::HelpContents, u"Help", u"See help", u"See Help", false},
    {Cmd::ViewKeyboard, u"KeyB", u"See Romanised Key Layout", u"View Key Map", false},
};

constexpr ToolbarSlot FormattingBar[] = {
    {Cmd::FormatBackColour, u"HighLight", u"Text Background", u"Text Background", false},
    Separator,
    {Cmd::TabLeft, u"LTab", u"Left-Aligned Tab", u"Left-Aligned Tab", true},
    {Cmd::TabRight, u"RTab", u"Right-Aligned Tab", u"Right-Aligned Tab", true},
    {Cmd::TabDecimal, u"DTab", u"Decimal Tab", u"Decimal Tab", true},
    {Cmd::TabCenter, u"CTab", u"Center Tab", u"Center Tab", true},
    Separator,
    {Cmd::PageViewToggle, u"PView", u"Normal/Page View Toggle", u"Normal/Page View Toggle", true},
    Separator,
    {Cmd::StyleStrike, u"StrikeThru", u"Strike Thru", u"Strike Thru", true},
    Separator,
    {Cmd::PrintPreview, u"PrintView", u"Print Preview", u"Print Preview", false},
    Separator,
    {Cmd::EditDot, u"Dot", u"Use ( . ) Full Stop.", u"Use ( . ) Full Stop.", true},
    {Cmd::EditEngNume, u"Number", u"Use English Numbers", u"Use English Numbers", true},
    Separator,
    {Cmd::LangDictionary, u"Dictionary", u"Dictionary", u"View Dictionary", false},
};

QString text(const char16_t *s)
{
    return QString::fromUtf16(s);
}

// Lays out a toolbar from its table; `items` gets its actions in order.
void fillToolbar(ActionRegistry &actions, QToolBar *bar, std::span<const ToolbarSlot> places, QList<QAction *> &items)
{
    for (const ToolbarSlot &slot : places) {
        if (slot.isSeparator()) {
            items.append(bar->addSeparator());
            continue;
        }
        const QString key = text(slot.key);
        QAction *a = actions.contains(slot.id) ? actions[slot.id] : nullptr;
        if (!a) {
            a = actions.add(slot.id, new QAction(text(slot.statusTip), bar));
            a->setObjectName(u"btn"_s + QString(key).remove(u' '));
        }
        if (a->icon().isNull()) {
            // The menu item keeps its plain look; the button gets a picture.
            a->setIcon(kalamora::commandIcon(key));
            a->setIconVisibleInMenu(false);
        }
        a->setCheckable(a->isCheckable() || slot.checkable);
        a->setStatusTip(text(slot.statusTip));
        a->setToolTip(text(slot.toolTip));
        bar->addAction(a);
        items.append(a);
    }
}

// A pop-up item with a caption of its own that runs `command` and shows its check.
void followCommand(QAction *item, QAction *command)
{
    item->setChecked(command->isChecked());
    QObject::connect(item, &QAction::triggered, command, [item, command] {
        command->trigger();
        item->setChecked(command->isChecked());
    });
    QObject::connect(command, &QAction::toggled, item, &QAction::setChecked);
}

} // namespace

CommandSurface::CommandSurface(QMainWindow *window)
{
    using kalamora::commandIcon;
    // Alt and a menu's underlined letter open that menu, whatever the
    // desktop's theme says about mnemonics; set before any menu exists.
    ::qt_set_sequence_auto_mnemonic(true);
    QMenuBar *bar = window->menuBar();

    mnuFile = bar->addMenu(u"&File"_s);
    mnuFile->setObjectName(u"mnuFile"_s);
    mnuFileNew = item(actions, Cmd::FileNew, mnuFile, u"&New"_s, u"mnuFileNew"_s, QKeySequence::New,
                      commandIcon(u"New"_s));
    mnuFileOpen = item(actions, Cmd::FileOpen, mnuFile, u"&Open..."_s, u"mnuFileOpen"_s, QKeySequence::Open,
                       commandIcon(u"Open"_s));
    mnuFile->addSeparator();
    mnuFileSave = item(actions, Cmd::FileSave, mnuFile, u"&Save..."_s, u"mnuFileSave"_s, QKeySequence::Save,
                       commandIcon(u"Save"_s));
    mnuFileSaveAs = item(actions, Cmd::FileSaveAs, mnuFile, u"Save &As..."_s, u"mnuFileSaveAs"_s, QKeySequence::SaveAs,
                         commandIcon(u"SaveAs"_s));
    mnuFileSaveHtml = item(actions, Cmd::FileSaveHtml, mnuFile, u"Save As HTML"_s, u"mnuFileSaveHtml"_s, {},
                           commandIcon(u"SaveHtml"_s));
    mnuFileExportPdf = item(actions, Cmd::FileExportPdf, mnuFile, u"Export As PDF..."_s, u"mnuFileExportPdf"_s);
    mnuFile->addSeparator();
    mnuFileImportUnicode = item(actions, Cmd::FileImportUnicode, mnuFile, u"&Import Unicode Text..."_s,
                                u"mnuFileImportUnicode"_s, {}, commandIcon(u"ImportUnicode"_s));
    mnuFileExportUnicode = item(actions, Cmd::FileExportUnicode, mnuFile, u"&Export As Unicode Text..."_s,
                                u"mnuFileExportUnicode"_s, {}, commandIcon(u"ExportUnicode"_s));
    mnuFile->addSeparator();
    mnuFilePrintSetup = item(actions, Cmd::FilePrintSetup, mnuFile, u"Print Se&tup..."_s, u"mnuFilePrintSetup"_s);
    mnuFilePrint = item(actions, Cmd::FilePrint, mnuFile, u"&Print..."_s, u"mnuFilePrint"_s, QKeySequence::Print,
                        commandIcon(u"Print"_s));
    mnuFilePageSetup = item(actions, Cmd::FilePageSetup, mnuFile, u"Page Set&up..."_s, u"mnuFilePageSetup"_s, {},
                            commandIcon(u"PageSetup"_s));
    mnuFile->addSeparator();
    mnuFileRecent = submenu(mnuFile, u"&Recent Files"_s, u"mnuFileRecent"_s);
    for (int i = 0; i < 4; ++i) {
        QAction *a = mnuFileRecent->addAction(QString());
        a->setObjectName(u"mnuRecentFile%1"_s.arg(i));
        a->setVisible(false);
        mnuRecentFile.append(a);
    }
    mnuFile->addSeparator();
    mnuFileExit = item(actions, Cmd::FileExit, mnuFile, u"E&xit"_s, u"mnuFileExit"_s, QKeySequence(u"Alt+F4"_s),
                       commandIcon(u"Exit"_s));

    mnuEdit = bar->addMenu(u"&Edit"_s);
    mnuEdit->setObjectName(u"mnuEdit"_s);
    mnuEditUndo = item(actions, Cmd::EditUndo, mnuEdit, u"&Undo Last Action"_s, u"mnuEditUndo"_s, QKeySequence::Undo,
                       commandIcon(u"Undo"_s));
    mnuEdit->addSeparator();
    // Cut, copy and paste reach the document as key strokes (its own key
    // handling prepares the clipboard); the menu shows the keys only.
    mnuEditCut = item(actions, Cmd::EditCut, mnuEdit, u"Cu&t"_s, u"mnuEditCut"_s, {}, commandIcon(u"Cut"_s));
    mnuEditCopy = item(actions, Cmd::EditCopy, mnuEdit, u"&Copy"_s, u"mnuEditCopy"_s, {}, commandIcon(u"Copy"_s));
    mnuEditPaste = item(actions, Cmd::EditPaste, mnuEdit, u"&Paste"_s, u"mnuEditPaste"_s, {}, commandIcon(u"Paste"_s));
    for (auto [a, k] : {std::pair{mnuEditCut, u"Ctrl+X"_s}, {mnuEditCopy, u"Ctrl+C"_s}, {mnuEditPaste, u"Ctrl+V"_s}})
        a->setText(a->text() + u'\t' + QKeySequence(k).toString(QKeySequence::NativeText));
    mnuEditSelectAll = item(actions, Cmd::EditSelectAll, mnuEdit, u"&Select All"_s, u"mnuEditSelectAll"_s,
                            QKeySequence::SelectAll, commandIcon(u"SelectAll"_s));
    mnuEditClear = item(actions, Cmd::EditClear, mnuEdit, u"C&lear Selection"_s, u"mnuEditClear"_s, {},
                        commandIcon(u"Clear"_s));
    mnuEditCopyUnicode = item(actions, Cmd::EditCopyUnicode, mnuEdit, u"Copy As U&nicode"_s, u"mnuEditCopyUnicode"_s,
                              QKeySequence(u"Ctrl+Shift+C"_s), commandIcon(u"Copy"_s));
    mnuEdit->addSeparator();
    mnuEditFind = item(actions, Cmd::EditFind, mnuEdit, u"&Find..."_s, u"mnuEditFind"_s, QKeySequence::Find,
                       commandIcon(u"Find"_s));
    mnuEditReplace = item(actions, Cmd::EditReplace, mnuEdit, u"Find && &Replace..."_s, u"mnuEditReplace"_s,
                          QKeySequence(u"Ctrl+H"_s), commandIcon(u"FindR"_s));
    mnuEdit->addSeparator();
    mnuEditEngNume = checkItem(actions, Cmd::EditEngNume, mnuEdit, u"Use &English Numerals"_s, u"mnuEditEngNume"_s);
    mnuEditDot = checkItem(actions, Cmd::EditDot, mnuEdit, u"Use '.' (&Dot) Instead of Purna Viram"_s, u"mnuEditDot"_s);

    mnuView = bar->addMenu(u"&View"_s);
    mnuView->setObjectName(u"mnuView"_s);
    mnuViewToolbars = checkItem(actions, Cmd::ViewToolbars, mnuView, u"&ToolBars"_s, u"mnuViewToolbars"_s);
    mnuViewLangBar = checkItem(actions, Cmd::ViewLangBar, mnuView, u"&Languages Bar"_s, u"mnuViewLangBar"_s);
    mnuViewStatusBar = checkItem(actions, Cmd::ViewStatusBar, mnuView, u"&Status Bar"_s, u"mnuViewStatusBar"_s);
    // The bars' menu items toggle by hand (their handlers flip the checks).
    for (QAction *a : {mnuViewToolbars, mnuViewLangBar, mnuViewStatusBar})
        a->setChecked(true);
    mnuView->addSeparator();
    mnuViewKeyboard = item(actions, Cmd::ViewKeyboard, mnuView, u"Romanised &Keyboard Layout..."_s,
                           u"mnuViewKeyboard"_s, {}, commandIcon(u"KeyB"_s));
    mnuView->addSeparator();
    mnuViewZoom = submenu(mnuView, u"&Zoom Level"_s, u"mnuViewZoom"_s);
    const QString zoomCaptions[] = {u"&10 %"_s, u"&25 %"_s, u"&50 %"_s, u"1&00 %"_s,
                                    u"200 %"_s, u"&400 %"_s, u"&Fit Width"_s, u"Fit &Page"_s};
    const Cmd zoomIds[] = {Cmd::Zoom10,  Cmd::Zoom25,  Cmd::Zoom50,       Cmd::Zoom100,
                           Cmd::Zoom200, Cmd::Zoom400, Cmd::ZoomFitWidth, Cmd::ZoomFitPage};
    for (int i = 0; i < 8; ++i)
        mnuZoom.append(checkItem(actions, zoomIds[i], mnuViewZoom, zoomCaptions[i], u"mnuZoom%1"_s.arg(i)));
    mnuView->addSeparator();
    mnuViewPage = submenu(mnuView, u"&Page View"_s, u"mnuViewPage"_s);
    mnuViewEditor = checkItem(actions, Cmd::ViewEditor, mnuViewPage, u"&Editor (Continuous)"_s, u"mnuViewEditor"_s);
    mnuViewPageView = checkItem(actions, Cmd::ViewPageView, mnuViewPage, u"&Page View"_s, u"mnuViewPageView"_s);

    mnuInsert = bar->addMenu(u"&Insert"_s);
    mnuInsert->setObjectName(u"mnuInsert"_s);
    mnuInsertFile = item(actions, Cmd::InsertFile, mnuInsert, u"&File..."_s, u"mnuInsertFile"_s, {},
                         commandIcon(u"InsertFile"_s));
    mnuInsert->addSeparator();
    mnuInsertImageObject = item(actions, Cmd::InsertImageObject, mnuInsert, u"&Image As Object..."_s,
                                u"mnuInsertImageObject"_s, {}, commandIcon(u"InsertImage"_s));
    mnuInsertImageChar = item(actions, Cmd::InsertImageChar, mnuInsert, u"Image As &Character..."_s,
                              u"mnuInsertImageChar"_s);
    mnuInsert->addSeparator();
    mnuInsertObject = item(actions, Cmd::InsertObject, mnuInsert, u"&Object..."_s, u"mnuInsertObject"_s, {},
                           commandIcon(u"InsertObject"_s));
    mnuInsertObjectChar = item(actions, Cmd::InsertObjectChar, mnuInsert, u"O&bject As Character..."_s,
                               u"mnuInsertObjectChar"_s);
    mnuInsert->addSeparator();
    mnuInsertPageBreak = item(actions, Cmd::InsertPageBreak, mnuInsert, u"&Page Break"_s, u"mnuInsertPageBreak"_s,
                              QKeySequence(u"Ctrl+Return"_s), commandIcon(u"PageBreak"_s));

    mnuLanguages = bar->addMenu(u"&Languages"_s);
    mnuLanguages->setObjectName(u"mnuLanguages"_s);
    mnuLangHindi = checkItem(actions, Cmd::LangHindi, mnuLanguages, u"&Hindi"_s, u"mnuLangHindi"_s);
    mnuLangEnglish = checkItem(actions, Cmd::LangEnglish, mnuLanguages, u"&English"_s, u"mnuLangEnglish"_s);
    mnuLanguages->addSeparator();
    mnuLangLayout = submenu(mnuLanguages, u"Hindi &Layout"_s, u"mnuLangLayout"_s);
    mnuLayoutTav = checkItem(actions, Cmd::LayoutTav, mnuLangLayout, u"&Tavrin Layout"_s, u"mnuLayoutTav"_s);
    mnuLayoutRem = checkItem(actions, Cmd::LayoutRem, mnuLangLayout, u"&Remington Layout"_s, u"mnuLayoutRem"_s);
    mnuLayoutRom = checkItem(actions, Cmd::LayoutRom, mnuLangLayout, u"R&omanised Layout"_s, u"mnuLayoutRom"_s);
    mnuLanguages->addSeparator();
    mnuLangDictionary = item(actions, Cmd::LangDictionary, mnuLanguages, u"Dictionary"_s, u"mnuViewDictionary"_s, {},
                             commandIcon(u"Dictionary"_s));

    mnuFormat = bar->addMenu(u"F&ormat"_s);
    mnuFormat->setObjectName(u"mnuFormat"_s);
    mnuFormatFonts = item(actions, Cmd::FormatFonts, mnuFormat, u"&Fonts..."_s, u"mnuFormatFonts"_s, {},
                          commandIcon(u"Fonts"_s));
    mnuFormat->addSeparator();
    mnuFormatImage = item(actions, Cmd::FormatImage, mnuFormat, u"&Image..."_s, u"mnuFormatImage"_s, {},
                          commandIcon(u"ImageAttr"_s));
    mnuFormatStyle = submenu(mnuFormat, u"Text &Style"_s, u"mnuFormatStyle"_s);
    mnuStyleBold = checkItem(actions, Cmd::StyleBold, mnuFormatStyle, u"&Bold"_s, u"mnuStyleBold"_s);
    mnuStyleItalic = checkItem(actions, Cmd::StyleItalic, mnuFormatStyle, u"&Italic"_s, u"mnuStyleItalic"_s);
    mnuStyleUnderline = checkItem(actions, Cmd::StyleUnderline, mnuFormatStyle, u"&Underline"_s,
                                  u"mnuStyleUnderline"_s);
    mnuStyleStrike = checkItem(actions, Cmd::StyleStrike, mnuFormatStyle, u"&Strikethru"_s, u"mnuStyleStrike"_s);
    mnuStyleBold->setShortcut(QKeySequence::Bold);
    mnuStyleItalic->setShortcut(QKeySequence::Italic);
    mnuStyleUnderline->setShortcut(QKeySequence::Underline);
    mnuFormatAlign = submenu(mnuFormat, u"&Alignment"_s, u"mnuFormatAlign"_s);
    mnuAlignLeft = checkItem(actions, Cmd::AlignLeft, mnuFormatAlign, u"&Left Align"_s, u"mnuAlignLeft"_s);
    mnuAlignCenter = checkItem(actions, Cmd::AlignCenter, mnuFormatAlign, u"&Center Align"_s, u"mnuAlignCenter"_s);
    mnuAlignRight = checkItem(actions, Cmd::AlignRight, mnuFormatAlign, u"&Right Align"_s, u"mnuAlignRight"_s);
    mnuAlignJustify = checkItem(actions, Cmd::AlignJustify, mnuFormatAlign, u"&Justify"_s, u"mnuAlignJustify"_s);
    mnuFormat->addSeparator();
    mnuFormatColour = item(actions, Cmd::FormatColour, mnuFormat, u"Text &Colour..."_s, u"mnuFormatColour"_s, {},
                           commandIcon(u"Color"_s));
    mnuFormatBackColour = item(actions, Cmd::FormatBackColour, mnuFormat, u"&Text Background Color..."_s,
                               u"mnuFormatBackColour"_s, {}, commandIcon(u"HighLight"_s));
    mnuFormat->addSeparator();
    mnuFormatTabs = submenu(mnuFormat, u"&Tabs"_s, u"mnuFormatTabs"_s);
    mnuTabLeft = checkItem(actions, Cmd::TabLeft, mnuFormatTabs, u"&Left Aligned Tab"_s, u"mnuTabLeft"_s);
    mnuTabRight = checkItem(actions, Cmd::TabRight, mnuFormatTabs, u"&Right Aligned Tab"_s, u"mnuTabRight"_s);
    mnuTabDecimal = checkItem(actions, Cmd::TabDecimal, mnuFormatTabs, u"&Decimal Tab"_s, u"mnuTabDecimal"_s);
    mnuTabCenter = checkItem(actions, Cmd::TabCenter, mnuFormatTabs, u"&Center Aligned Tab"_s, u"mnuTabCenter"_s);
    mnuTabLeft->setIcon(commandIcon(u"LTab"_s));
    mnuTabRight->setIcon(commandIcon(u"RTab"_s));
    mnuTabDecimal->setIcon(commandIcon(u"DTab"_s));
    mnuTabCenter->setIcon(commandIcon(u"CTab"_s));
    mnuFormatParagraph = item(actions, Cmd::FormatParagraph, mnuFormat, u"&Paragraph..."_s, u"mnuFormatParagraph"_s, {},
                              commandIcon(u"Paragraph"_s));

    mnuTable = bar->addMenu(u"&Table"_s);
    mnuTable->setObjectName(u"mnuTable"_s);
    mnuTableInsert = item(actions, Cmd::TableInsert, mnuTable, u"&Insert..."_s, u"mnuTableInsert"_s, {},
                          commandIcon(u"Table"_s));
    mnuTableAttributes = item(actions, Cmd::TableAttributes, mnuTable, u"&Attributes..."_s, u"mnuTableAttributes"_s, {},
                              commandIcon(u"TableAttr"_s));
    mnuTableDelete = item(actions, Cmd::TableDelete, mnuTable, u"&Delete Lines"_s, u"mnuTableDelete"_s, {},
                          commandIcon(u"TableDelete"_s));
    mnuTableGrid = checkItem(actions, Cmd::TableGrid, mnuTable, u"&Grid Lines"_s, u"mnuTableGrid"_s);

    mnuWindow = bar->addMenu(u"&Window"_s);
    mnuWindow->setObjectName(u"mnuWindow"_s);
    mnuWindowCascade = item(actions, Cmd::WindowCascade, mnuWindow, u"&Cascade"_s, u"mnuWindowCascade"_s);
    mnuWindowTileH = item(actions, Cmd::WindowTileH, mnuWindow, u"Tile &Horizontal"_s, u"mnuWindowTileH"_s);
    mnuWindowTileV = item(actions, Cmd::WindowTileV, mnuWindow, u"Tile &Vertical"_s, u"mnuWindowTileV"_s);
    mnuWindowArrange = item(actions, Cmd::WindowArrange, mnuWindow, u"&Arrange Icons"_s, u"mnuWindowArrange"_s);

    mnuHelp = bar->addMenu(u"&Help"_s);
    mnuHelp->setObjectName(u"mnuHelp"_s);
    mnuHelpContents = item(actions, Cmd::HelpContents, mnuHelp, u"&Contents..."_s, u"mnuHelpContents"_s,
                           QKeySequence::HelpContents, commandIcon(u"Help"_s));
    mnuHelpSearch = item(actions, Cmd::HelpSearch, mnuHelp, u"&Search For Help On..."_s, u"mnuHelpSearch"_s);
    mnuHelp->addSeparator();
    mnuHelpAbout = item(actions, Cmd::HelpAbout, mnuHelp, u"&About Kalamora..."_s, u"mnuHelpAbout"_s, {},
                        commandIcon(u"About"_s));

    // The pop-up menu runs the main menus' commands; its items are actions
    // of their own because their captions and enabled states differ. Those
    // that only run a command follow it (see followCommand below).
    mnuPopUp = new QMenu(u"&Popup"_s, window);
    mnuPopUp->setObjectName(u"mnuPopUp"_s);
    mnuPopCut = item(actions, Cmd::PopCut, mnuPopUp, u"&Cut"_s, u"mnuPopCut"_s, {}, commandIcon(u"Cut"_s));
    mnuPopCopy = item(actions, Cmd::PopCopy, mnuPopUp, u"C&opy"_s, u"mnuPopCopy"_s, {}, commandIcon(u"Copy"_s));
    mnuPopPaste = item(actions, Cmd::PopPaste, mnuPopUp, u"&Paste"_s, u"mnuPopPaste"_s, {}, commandIcon(u"Paste"_s));
    mnuPopDelete = item(actions, Cmd::PopDelete, mnuPopUp, u"&Delete"_s, u"mnuPopDelete"_s, {},
                        commandIcon(u"Clear"_s));
    mnuPopUp->addSeparator();
    QMenu *popAlign = submenu(mnuPopUp, u"&Alignment"_s, u"mnuPopAlign"_s);
    mnuPopAlignLeft = checkItem(actions, Cmd::PopAlignLeft, popAlign, u"&Left Align"_s, u"mnuPopAlignLeft"_s);
    mnuPopAlignCenter = checkItem(actions, Cmd::PopAlignCenter, popAlign, u"&Center Align"_s, u"mnuPopAlignCenter"_s);
    mnuPopAlignRight = checkItem(actions, Cmd::PopAlignRight, popAlign, u"&Right Align"_s, u"mnuPopAlignRight"_s);
    mnuPopAlignJustify = checkItem(actions, Cmd::PopAlignJustify, popAlign, u"&Justify Text"_s,
                                   u"mnuPopAlignJustify"_s);
    mnuPopUp->addSeparator();
    QMenu *popTable = submenu(mnuPopUp, u"&Table"_s, u"mnuPopTable"_s);
    mnuPopTableInsert = item(actions, Cmd::PopTableInsert, popTable, u"&Insert Table"_s, u"mnuPopTableInsert"_s, {},
                             commandIcon(u"Table"_s));
    mnuPopTableDelete = item(actions, Cmd::PopTableDelete, popTable, u"&Delete Table Line"_s, u"mnuPopTableDelete"_s);
    mnuPopTableAttributes = item(actions, Cmd::PopTableAttributes, popTable, u"&Table Attributes"_s,
                                 u"mnuPopTableAttributes"_s);
    mnuPopTableGrid = item(actions, Cmd::PopTableGrid, popTable, u"&Grid Lines"_s, u"mnuPopTableGrid"_s);
    mnuPopUp->addSeparator();
    mnuPopInsertImage = item(actions, Cmd::PopInsertImage, mnuPopUp, u"I&nsert Image"_s, u"mnuPopInsertImage"_s, {},
                             commandIcon(u"InsertImage"_s));
    mnuPopFont = item(actions, Cmd::PopFont, mnuPopUp, u"&Font..."_s, u"mnuPopFont"_s, {}, commandIcon(u"Fonts"_s));

    // Exclusive choices: one check among each set.
    actions.exclusive({Cmd::AlignLeft, Cmd::AlignCenter, Cmd::AlignRight, Cmd::AlignJustify}, window);
    actions.exclusive({Cmd::TabLeft, Cmd::TabRight, Cmd::TabDecimal, Cmd::TabCenter}, window);
    actions.exclusive({Cmd::LangHindi, Cmd::LangEnglish}, window);
    actions.exclusive({Cmd::LayoutTav, Cmd::LayoutRem, Cmd::LayoutRom}, window);
    actions.exclusive({Cmd::ViewEditor, Cmd::ViewPageView}, window);
    actions.exclusive({Cmd::Zoom10, Cmd::Zoom25, Cmd::Zoom50, Cmd::Zoom100, Cmd::Zoom200, Cmd::Zoom400,
                       Cmd::ZoomFitWidth, Cmd::ZoomFitPage},
                      window);
    const std::pair<QAction *, Cmd> followers[] = {
        {mnuPopCut, Cmd::EditCut},
        {mnuPopCopy, Cmd::EditCopy},
        {mnuPopPaste, Cmd::EditPaste},
        {mnuPopAlignLeft, Cmd::AlignLeft},
        {mnuPopAlignCenter, Cmd::AlignCenter},
        {mnuPopAlignRight, Cmd::AlignRight},
        {mnuPopAlignJustify, Cmd::AlignJustify},
        {mnuPopTableGrid, Cmd::TableGrid},
    };
    for (const auto &[popItem, command] : followers)
        followCommand(popItem, actions[command]);

    // Main toolbar. Positions matter: the program enables buttons 3 and up
    // (and the formatting bar's 1 to 12) by number with a document.
    tbToolbar = window->addToolBar(u"Standard"_s);
    tbToolbar->setObjectName(u"tbToolbar"_s);
    fillToolbar(actions, tbToolbar, StandardBar, tbToolbarItems);
    tableDropDown = new QMenu(window);
    tableDropDown->setObjectName(u"tableDropDown"_s);
    tblOneByOne = item(actions, Cmd::TblOneByOne, tableDropDown, u"&1 col. x 1 row."_s, u"OneByOne"_s);
    tblTwoByTwo = item(actions, Cmd::TblTwoByTwo, tableDropDown, u"&2 cols. x 2 rows."_s, u"TwoByTwo"_s);
    tblThreeByThree = item(actions, Cmd::TblThreeByThree, tableDropDown, u"&3 cols. x 2 rows."_s, u"ThreebyThree"_s);
    tblCustom = item(actions, Cmd::TblCustom, tableDropDown, u"&Custom...."_s, u"TableCustom"_s);
    QAction *table = actions[Cmd::TableButton];
    table->setMenu(tableDropDown);
    if (auto *tb = qobject_cast<QToolButton *>(tbToolbar->widgetForAction(table)))
        tb->setPopupMode(QToolButton::MenuButtonPopup);

    // Formatting and view bar: 17 places, separators included. It starts
    // the second row, beside the language bar.
    window->addToolBarBreak();
    tbBar2 = window->addToolBar(u"Formatting"_s);
    tbBar2->setObjectName(u"tbBar2"_s);
    fillToolbar(actions, tbBar2, FormattingBar, tbBar2Items);

    tbToolbar2 = window->addToolBar(u"Languages"_s);
    tbToolbar2->setObjectName(u"tbToolbar2"_s);
}

std::span<const ToolbarSlot> CommandSurface::standardBar()
{
    return StandardBar;
}

std::span<const ToolbarSlot> CommandSurface::formattingBar()
{
    return FormattingBar;
}

QAction *ActionRegistry::operator[](Cmd id) const
{
    const auto i = std::size_t(id);
    if (i >= m_actions.size() || !m_actions[i])
        throw std::out_of_range("no action for command " + std::to_string(i));
    return m_actions[i];
}

bool ActionRegistry::contains(Cmd id) const
{
    return std::size_t(id) < m_actions.size() && m_actions[std::size_t(id)];
}

QAction *ActionRegistry::add(Cmd id, QAction *action)
{
    const auto i = std::size_t(id);
    if (i >= m_actions.size() || !action || m_actions[i])
        throw std::logic_error("command " + std::to_string(i) + " registered twice or without an action");
    m_actions[i] = action;
    return action;
}

QActionGroup *ActionRegistry::exclusive(std::initializer_list<Cmd> ids, QObject *parent) const
{
    auto *group = new QActionGroup(parent);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    for (Cmd id : ids)
        group->addAction((*this)[id]);
    return group;
}

Cmd ToolbarButtons::id(QStringView key) const
{
    for (auto bar : {CommandSurface::standardBar(), CommandSurface::formattingBar()}) {
        for (const ToolbarSlot &slot : bar) {
            if (!slot.isSeparator() && key == QStringView(slot.key))
                return slot.id;
        }
    }
    throw std::out_of_range("no toolbar button " + key.toString().toStdString());
}

QAction *ToolbarButtons::operator[](QStringView key) const
{
    return m_actions[id(key)];
}

QList<QMenu *> CommandSurface::documentMenus() const
{
    return {mnuFormat, mnuEdit, mnuWindow, mnuTable, mnuInsert, mnuView, mnuLanguages};
}

} // namespace kalamora
