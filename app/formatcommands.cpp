#include "app/formatcommands.h"

#include "app/documentwindows.h"
#include "app/filedialogs.h"
#include "app/frmdocument.h"
#include "app/frmmain.h"
#include "app/messagebox.h"

#include "format/formatting.h"
#include "format/frmpagedlg.h"
#include "format/frmprintview.h"
#include "format/printing.h"
#include "format/tabledialogs.h"

#include "settings/settingsstore.h"
#include "textengine/objects.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QAction>
#include <QColorDialog>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPrinter>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

using TC = textengine::TextControl;

// The command of a tab kind (TextControl's TabLeft .. TabDecimal).
Cmd tabCommand(int kind)
{
    switch (kind) {
    case TC::TabRight:
        return Cmd::TabRight;
    case TC::TabCenter:
        return Cmd::TabCenter;
    case TC::TabDecimal:
        return Cmd::TabDecimal;
    default:
        return Cmd::TabLeft;
    }
}

// The combo box's entries that the View > Zoom Level items select.
constexpr int ZoomMenuEntries[8] = {0, 2, 3, 5, 7, 10, 11, 12};

} // namespace

FormatCommands::FormatCommands(frmMain *main)
    : QObject(main)
    , m_main(main)
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    CommandSurface &c = main->commands();

    // Character style: menu items and toolbar buttons share the toggles.
    auto style = [this](void (*toggle)(TC *)) {
        return [this, toggle] {
            toggle(text());
            afterFormat();
        };
    };
    connect(c.mnuStyleBold, &QAction::triggered, this, style(format::ToggleBold));
    connect(c.mnuStyleItalic, &QAction::triggered, this, style(format::ToggleItalic));
    connect(c.mnuStyleUnderline, &QAction::triggered, this, style(format::ToggleUnderline));
    // The check has just flipped: it says what the selection is to become.
    connect(c.mnuStyleStrike, &QAction::triggered, this, [this](bool pressed) {
        if (TC *t = text())
            t->setFontStrikeThru(pressed);
        afterFormat();
    });

    // One action per alignment: menu item, toolbar button; the pop-up
    // menu's items follow them.
    const std::pair<Cmd, void (*)(TC *)> alignments[] = {
        {Cmd::AlignLeft, format::AlignLeft},
        {Cmd::AlignCenter, format::AlignCenter},
        {Cmd::AlignRight, format::AlignRight},
        {Cmd::AlignJustify, format::AlignJustify},
    };
    for (const auto &[id, align] : alignments)
        connect(c.action(id), &QAction::triggered, this, style(align));

    connect(c.mnuFormatColour, &QAction::triggered, this, [this] { chooseColour(false); });
    connect(c.mnuFormatBackColour, &QAction::triggered, this, [this] { chooseColour(true); });

    for (int kind = TC::TabLeft; kind <= TC::TabDecimal; ++kind)
        connect(c.action(tabCommand(kind)), &QAction::triggered, this, [this, kind] { setTabKind(kind); });

    auto fontDialog = [this] {
        if (TC *t = text()) {
            t->FontDialog();
            afterFormat();
        }
    };
    connect(c.mnuFormatFonts, &QAction::triggered, this, fontDialog);
    connect(c.mnuPopFont, &QAction::triggered, this, fontDialog);
    connect(c.mnuFormatParagraph, &QAction::triggered, this, [this] {
        if (TC *t = text()) {
            t->ParagraphDialog();
            afterFormat();
        }
    });
    connect(c.mnuFormatImage, &QAction::triggered, this, &FormatCommands::imageAttributes);
    connect(c.mnuFormat, &QMenu::aboutToShow, this, &FormatCommands::formatMenuAboutToShow);

    // Tables.
    connect(c.mnuTable, &QMenu::aboutToShow, this, &FormatCommands::tableMenuAboutToShow);
    for (QAction *a : {c.mnuTableInsert, c.mnuPopTableInsert, c.tblCustom, c.action(Cmd::TableButton)})
        connect(a, &QAction::triggered, this, &FormatCommands::customTable);
    // The captions name columns first; TableInsert takes rows first.
    const std::tuple<QAction *, int, int> quickTables[] = {
        {c.tblOneByOne, 1, 1}, {c.tblTwoByTwo, 2, 2}, {c.tblThreeByThree, 3, 2}};
    for (const auto &[a, columns, rows] : quickTables) {
        connect(a, &QAction::triggered, this, [this, cols = columns, r = rows] {
            if (TC *t = text()) {
                t->TableInsert(r, cols, -1);
                t->SetFocus();
            }
        });
    }
    auto attributes = [this] {
        if (TC *t = text())
            t->TableAttrDialog();
    };
    connect(c.mnuTableAttributes, &QAction::triggered, this, attributes);
    connect(c.mnuPopTableAttributes, &QAction::triggered, this, attributes);
    auto deleteLines = [this] {
        TC *t = text();
        if (t && t->TableCanDeleteLines())
            t->TableDeleteLines();
    };
    connect(c.mnuTableDelete, &QAction::triggered, this, deleteLines);
    connect(c.mnuPopTableDelete, &QAction::triggered, this, deleteLines);
    // The menu item holds the state (it checks itself when chosen); the
    // pop-up item flips it.
    connect(c.mnuTableGrid, &QAction::triggered, this, [this](bool checked) {
        if (TC *t = text())
            t->setTableGridLines(checked);
    });

    // Insert.
    connect(c.mnuInsertFile, &QAction::triggered, this, &FormatCommands::insertTextFile);
    connect(c.mnuInsertImageObject, &QAction::triggered, this, [this] { InsertImage(false, text(), 1000, 1000); });
    connect(c.mnuInsertImageChar, &QAction::triggered, this, [this] { InsertImage(true, text(), 0, 0); });
    connect(c.mnuPopInsertImage, &QAction::triggered, c.mnuInsertImageChar, &QAction::trigger);
    connect(c.mnuInsertObject, &QAction::triggered, this, [this] { InsertObject(false, text(), 1000, 1000); });
    connect(c.mnuInsertObjectChar, &QAction::triggered, this, [this] { InsertObject(true, text(), 1000, 1000); });
    connect(c.mnuInsertPageBreak, &QAction::triggered, this, [this] {
        TC *t = text();
        if (!t)
            return;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::ControlModifier);
        QCoreApplication::sendEvent(t, &press);
        QCoreApplication::sendEvent(t, &release);
    });

    // Zoom and view.
    // The zoom box stands on the language bar, after the font boxes.
    m_zoomBox = new QComboBox(c.tbToolbar2);
    m_zoomBox->setObjectName(u"cmbZoom"_s);
    m_zoomBox->setToolTip(u"Select Zoom Level"_s);
    m_zoomBox->addItems(format::zoomEntries());
    m_zoomBox->setCurrentIndex(5);
    c.tbToolbar2->addWidget(m_zoomBox);
    c.tbToolbar2->addSeparator();
    m_zoomBox->installEventFilter(this);
    connect(m_zoomBox, &QComboBox::activated, this, &FormatCommands::applyZoom);
    for (int i = 0; i < 8 && i < c.mnuZoom.size(); ++i) {
        connect(c.mnuZoom[i], &QAction::triggered, this, [this, i] {
            m_zoomBox->setCurrentIndex(ZoomMenuEntries[i]);
            applyZoom(ZoomMenuEntries[i]);
        });
    }
    connect(c.mnuView, &QMenu::aboutToShow, this, &FormatCommands::viewMenuAboutToShow);
    connect(&main->windows(), &DocumentWindows::documentActivated, this, &FormatCommands::showDocumentSettings);
    connect(c.mnuViewEditor, &QAction::triggered, this, [this] { setViewMode(0); });
    connect(c.mnuViewPageView, &QAction::triggered, this, [this] { setViewMode(1); });
    connect(c.action(Cmd::PageViewToggle), &QAction::triggered, this,
            [this](bool pressed) { setViewMode(pressed ? 1 : 0); });

    // Printing.
    connect(c.mnuFilePrint, &QAction::triggered, this, [this] { print(true); });
    connect(c.mnuFilePrintSetup, &QAction::triggered, this, &FormatCommands::printSetup);
    connect(c.mnuFilePageSetup, &QAction::triggered, this, &FormatCommands::showPageSetup);
    connect(c.action(Cmd::PrintPreview), &QAction::triggered, this, &FormatCommands::showPrintView);
    connect(c.mnuFileExportPdf, &QAction::triggered, this, &FormatCommands::exportPdf);
}

FormatCommands::~FormatCommands() = default;

TC *FormatCommands::text() const
{
    frmDocument *doc = m_main->activeDocument();
    return doc ? doc->rtftext() : nullptr;
}

void FormatCommands::afterFormat()
{
    TC *t = text();
    if (!t)
        return;
    // The toolbar buttons flip themselves when pressed; the selection's
    // format decides what they show.
    m_main->SyncFormatControls();
    t->SetFocus();
}

bool FormatCommands::eventFilter(QObject *watched, QEvent *event)
{
    // The zoom box takes no typing. (The box is known by its own pointer: it
    // still sends events while the main window is being destroyed.)
    if (watched == m_zoomBox && (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)) {
        const auto key = static_cast<QKeyEvent *>(event)->key();
        // Tab still moves the focus on.
        if (key != Qt::Key_Tab && key != Qt::Key_Backtab)
            return true;
    }
    return QObject::eventFilter(watched, event);
}

// --- formatting -------------------------------------------------------------

void FormatCommands::chooseColour(bool background)
{
    TC *t = text();
    if (!t)
        return;
    const qint64 current = background ? t->TextBkColor() : t->ForeColor();
    QColorDialog dialog(m_main);
    dialog.setCurrentColor(format::fromRgbNumber(current < 0 ? (background ? 0xFFFFFF : 0) : current));
    // Only a colour the user confirmed is applied; Cancel changes nothing.
    if (textengine::runDialog(&dialog) == QDialog::Accepted) {
        const QColor chosen = dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor();
        const qint64 rgb = format::toRgbNumber(chosen);
        if (background)
            t->setTextBkColor(rgb);
        else
            t->setForeColor(rgb);
    }
    t->SetFocus();
}

void FormatCommands::showTabKind(int kind)
{
    CommandSurface &c = m_main->commands();
    for (int k = TC::TabLeft; k <= TC::TabDecimal; ++k)
        c.action(tabCommand(k))->setChecked(k == kind);
}

void FormatCommands::setTabKind(int kind)
{
    showTabKind(kind);
    if (TC *t = text()) {
        t->setTabType(kind);
        t->SetFocus();
    }
}

void FormatCommands::formatMenuAboutToShow()
{
    TC *t = text();
    if (!t)
        return;
    CommandSurface &c = m_main->commands();
    c.mnuFormatImage->setEnabled(t->ObjectCurrent() != nullptr);
    const int align = t->AlignMent();
    if (align >= 0 && align <= 3)
        c.action(alignCommand(align))->setChecked(true);
    c.mnuStyleBold->setChecked(t->FontBold());
    c.mnuStyleItalic->setChecked(t->FontItalic());
    c.mnuStyleUnderline->setChecked(t->FontUnderline());
    c.mnuStyleStrike->setChecked(t->FontStrikeThru());
}

void FormatCommands::imageAttributes()
{
    TC *t = text();
    if (!t)
        return;
    m_currentObject = qobject_cast<textengine::TextObject *>(t->ObjectCurrent());
    if (!m_currentObject)
        return;
    frmImageDlg dialog(m_currentObject, m_main);
    textengine::runDialog(&dialog);
}

// --- tables and objects -----------------------------------------------------

void FormatCommands::tableMenuAboutToShow()
{
    TC *t = text();
    if (!t)
        return;
    CommandSurface &c = m_main->commands();
    const bool inTable = t->TableAtInputPos() != 0;
    c.mnuTableAttributes->setEnabled(inTable);
    c.mnuTableDelete->setEnabled(inTable);
    c.mnuTableInsert->setEnabled(t->TableCanInsert());
    c.mnuTableGrid->setEnabled(true);
}

void FormatCommands::customTable()
{
    TC *t = text();
    if (!t)
        return;
    frmCustomTable dialog(t, m_main);
    textengine::runDialog(&dialog);
    t->SetFocus();
}

void FormatCommands::insertTextFile()
{
    TC *t = text();
    if (!t)
        return;
    kalamora::FileDialogRequest request;
    request.parent = m_main;
    request.mode = kalamora::FileDialogRequest::Open;
    request.title = u"Insert Text"_s;
    request.filters = kalamora::qtFilters(u"Rich Text Format (*.rtf)|*.rtf|Text Documents (*.txt)|*.txt"_s);
    const auto choice = kalamora::askForFile(request);
    if (!choice)
        return;
    const QString name = choice->path;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = name.right(3).toUpper() == u"RTF"_s ? t->RTFImport(name) : t->TextImport(name);
    QGuiApplication::restoreOverrideCursor();
    if (!ok)
        kalamora::showMessage(m_main, QMessageBox::NoIcon, u"Kalamora"_s, u"Can't insert file: "_s + name);
}

void FormatCommands::InsertImage(bool bInsertAsCharacter, TC *txText, int nLeft, int nTop)
{
    if (!txText)
        return;
    kalamora::FileDialogRequest request;
    request.parent = m_main;
    request.mode = kalamora::FileDialogRequest::Open;
    request.title = u"Insert Image"_s;
    request.filters = kalamora::qtFilters(txText->ImageFilters());
    request.filterIndex = 1;
    const auto choice = kalamora::askForFile(request);
    if (!choice)
        return;
    const QString name = choice->path;
    bool ok;
    if (!QFileInfo(name).isFile()) {
        ok = false;
    } else if (bInsertAsCharacter) {
        ok = txText->ObjectInsertAsChar(0, name, -1, 100, 100, 0, 0);
    } else {
        ok = txText->ObjectInsertFixed(0, name, qint16(nLeft), txText->ScrollPosY() + qint16(nTop), 100, 100, 0, 0,
                                       3, 3, 0, 0, 0, 0);
    }
    if (!ok) {
        const QString reason = QFileInfo(name).isFile() ? txText->errorString() : u"File not found"_s;
        kalamora::showMessage(m_main, QMessageBox::NoIcon, u"Kalamora"_s,
                              u"Cannot Insert image: "_s + name + u". Error "_s + reason + u"."_s);
    }
}

void FormatCommands::InsertObject(bool bInsertAsCharacter, TC *txText, int nLeft, int nTop)
{
    if (!txText)
        return;
    if (bInsertAsCharacter)
        txText->ObjectInsertAsChar(1, QString(), -1, 100, 100, 0, 0);
    else
        txText->ObjectInsertFixed(1, QString(), qint16(nLeft), txText->ScrollPosY() + qint16(nTop), 100, 100, 0, 0,
                                  3, 3, 0, 0, 0, 0);
}

// --- zoom and view ----------------------------------------------------------

void FormatCommands::applyZoom(int index)
{
    frmDocument *doc = m_main->activeDocument();
    if (!doc || index < 0 || index >= m_zoomBox->count())
        return;
    TC *t = doc->rtftext();
    if (const auto zoom = format::zoomForEntry(m_zoomBox->itemText(index), *t)) {
        t->setZoomFactor(*zoom);
        doc->zoomEntry = index;
    }
    t->SetFocus();
}

// The zoom box, the grid-lines item and the tab buttons show what the
// document that has just become active was set to.
void FormatCommands::showDocumentSettings(frmDocument *doc)
{
    if (!doc)
        return;
    CommandSurface &c = m_main->commands();
    m_zoomBox->setCurrentIndex(doc->zoomEntry);
    c.mnuTableGrid->setChecked(doc->rtftext()->TableGridLines());
    showTabKind(doc->rtftext()->TabType());
}

void FormatCommands::viewMenuAboutToShow()
{
    CommandSurface &c = m_main->commands();
    const QString shown = m_zoomBox->currentText();
    const QStringList entries = format::zoomEntries();
    int item = -1;
    for (int i = 0; i < 8; ++i) {
        if (entries.value(ZoomMenuEntries[i]) == shown)
            item = i;
    }
    if (item < 0)
        return;
    for (int i = 0; i < c.mnuZoom.size(); ++i)
        c.mnuZoom[i]->setChecked(i == item);
}

void FormatCommands::setViewMode(int mode)
{
    CommandSurface &c = m_main->commands();
    c.mnuViewEditor->setChecked(mode == 0);
    c.mnuViewPageView->setChecked(mode == 1);
    c.action(Cmd::PageViewToggle)->setChecked(mode == 1);
    if (TC *t = text())
        t->setViewMode(mode);
}

// --- printing ---------------------------------------------------------------

void FormatCommands::print(bool pageRange)
{
    TC *t = text();
    if (!t)
        return;
    frmDocument *doc = m_main->activeDocument();
    format::chooseDefaultOutput(*m_printer, doc->SavedName == frmDocument::None ? doc->windowTitle()
                                                                               : doc->SavedName);
    format::PrintDocument(m_main, *t, *m_printer, pageRange);
}

void FormatCommands::printSetup()
{
    format::chooseDefaultOutput(*m_printer, u"Document"_s);
    format::PrintSetup(m_main, *m_printer);
}

void FormatCommands::showPageSetup()
{
    TC *t = text();
    if (!t)
        return;
    auto *dialog = new frmPageDlg(
        t, [this](const QString &key, const QString &value) { m_main->settings().writeString(key, value); },
        m_main);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(false);
    dialog->show();
}

frmPrintView *FormatCommands::showPrintView()
{
    TC *t = text();
    if (!t)
        return nullptr;
    auto *view = new frmPrintView(t, [this] { print(false); }, m_main);
    view->show();
    view->raise();
    view->activateWindow();
    return view;
}

void FormatCommands::exportPdf()
{
    TC *t = text();
    if (!t)
        return;
    kalamora::FileDialogRequest request;
    request.parent = m_main;
    request.mode = kalamora::FileDialogRequest::Save;
    request.title = u"Export As PDF"_s;
    request.filters = kalamora::qtFilters(u"PDF File (*.pdf) |*.pdf|"_s);
    const auto choice = kalamora::askForFile(request);
    if (!choice)
        return;
    QString path = choice->path;
    if (QFileInfo(path).suffix().isEmpty())
        path += u".pdf"_s;
    if (QFileInfo::exists(path)) {
        const auto answer = kalamora::showMessage(m_main, QMessageBox::Question, u"Overwrite File?"_s,
                                                  u"File Already Exists. Overwrite ?"_s,
                                                  QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QString error;
    const bool ok = format::exportPdf(*t, path, &error);
    QGuiApplication::restoreOverrideCursor();
    if (!ok)
        kalamora::showMessage(m_main, QMessageBox::Warning, u"Kalamora"_s,
                              u"The document could not be exported: %1"_s.arg(error));
}

} // namespace kalamora
