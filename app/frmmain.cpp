#include "app/frmmain.h"

#include "app/documentwindows.h"
#include "app/filecommands.h"
#include "app/formatcommands.h"
#include "app/frmabout.h"
#include "app/frmdocument.h"
#include "app/frmfind.h"
#include "app/frmkeyb.h"
#include "app/helpwindow.h"
#include "app/icons.h"
#include "app/languagecontroller.h"
#include "app/messagebox.h"
#include "app/statuspanels.h"
#include "app/unicodecommands.h"

#include "dict/frmdict.h"
#include "engine/enginestate.h"
#include "mail/frmmail.h"
#include "settings/settingsstore.h"
#include "textengine/textcontrol.h"

#include "settings/typingoptions.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <QTextCursor>
#include <QToolBar>

#include <algorithm>
#include <limits>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const QString Hindi = u"HINDI"_s;

int twipsPerPixel(const QWidget *w)
{
    const int dpi = w ? w->logicalDpiX() : 96;
    return dpi > 0 ? 1440 / dpi : 15;
}

} // namespace

frmMain::frmMain(SettingsStore &settings, engine::EngineState &state, QWidget *parent)
    : QMainWindow(parent)
    , m_settings(settings)
    , m_state(state)
    , m_cmd(std::make_unique<CommandSurface>(this))
{
    setObjectName(u"frmMain"_s);
    setWindowTitle(u"Kalamora"_s);
    setWindowIcon(kalamora::applicationIcon());
    resize(1180, 800);

    // The ruler stands above the document windows and serves the active one.
    m_windows = new DocumentWindows(this);
    setCentralWidget(m_windows);
    connect(m_windows, &DocumentWindows::documentActivated, this, &frmMain::documentActivated);
    connect(m_windows, &DocumentWindows::documentClosed, this, &frmMain::documentClosed);

    // The language bar: the language's option buttons and font boxes, the
    // zoom box (FormatCommands) and the dictionary box.
    m_language = new LanguageController(m_settings, m_state, *m_cmd, m_cmd->tbToolbar2,
                                        [this]() -> textengine::TextControl * {
                                            frmDocument *doc = activeDocument();
                                            return doc ? doc->rtftext() : nullptr;
                                        },
                                        this);
    m_status = new StatusPanels(statusBar());
    m_cmd->tbToolbar->installEventFilter(this);
    m_cmd->tbToolbar->setMouseTracking(true);
    m_files = new FileCommands(this);
    m_format = new FormatCommands(this);
    new UnicodeCommands(this);
    buildDictionaryBox();
    connectCommands();

    // Design state: no document yet, so the document menus are hidden and
    // their commands disabled until NewDocument shows them.
    setDocumentCommandsShown(false);
}

frmMain::~frmMain()
{
    // The documents go first, while the commands their signals refresh
    // still exist.
    delete centralWidget();
}

void frmMain::buildDictionaryBox()
{
    // The dictionary box shows its name and takes no typing; a click opens
    // the dictionary.
    QToolBar *bar = m_cmd->tbToolbar2;
    m_txtDic = new QLineEdit(u"Dictionary"_s, bar);
    m_txtDic->setObjectName(u"txtDic"_s);
    m_txtDic->setReadOnly(true);
    m_txtDic->setMaximumWidth(110);
    m_txtDic->setToolTip(u"View Dictionary"_s);
    m_txtDic->installEventFilter(this);
    bar->addWidget(m_txtDic);
}

void frmMain::startUp()
{
    LoadSettings();

    m_status->startClock();

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    frmDocument *doc = NewDocument();
    m_language->FillFontBoxes();
    applyViewState(doc);

    QRadioButton *OptHindi = m_language->OptHindi();
    QComboBox *CmbFontHin = m_language->CmbFontHin();
    QComboBox *cmbFontEng = m_language->cmbFontEng();
    QComboBox *cmbFontSize = m_language->cmbFontSize();
    // Selecting Hindi stores the size box's text as English's size: let the
    // box show English's own size first, not just its first entry.
    cmbFontSize->setCurrentText(m_language->fontSizeForLanguage(u"EngFontSize"_s));
    OptHindi->setFocus();
    OptHindi->setChecked(true);
    if (!OptHindi->isChecked() || m_state.InputLanguage != Hindi.toStdString())
        selectHindi();
    if (CmbFontHin->count() == 0) {
        QGuiApplication::restoreOverrideCursor();
        kalamora::showMessage(this, QMessageBox::Critical, u"Fonts Not Installed"_s,
                              u"Hindi Fonts are not installed, please install again,\n"
                              u"Contact your vendor if error repeats."_s);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        CmbFontHin->setCurrentIndex(0);
        m_language->applyHindiFontBox();
    }
    // English starts in the platform's own text family.
    const int english = cmbFontEng->findText(
        QFontInfo(QFontDatabase::systemFont(QFontDatabase::GeneralFont)).family(), Qt::MatchFixedString);
    if (cmbFontEng->count() > 0)
        cmbFontEng->setCurrentIndex(std::max(english, 0));
    // The size box's "24" applies itself to the new document, so the first
    // words come out in the size the box shows.
    cmbFontSize->setCurrentIndex(7);
    if (frmDocument *active = activeDocument())
        active->rtftext()->setFontSize(cmbFontSize->currentText().toInt());
    m_language->applySizeBox();

    if (frmDocument *active = activeDocument())
        active->rtftext()->SetFocus();
    QGuiApplication::restoreOverrideCursor();
}

void frmMain::LoadSettings()
{
    // A typing option that cannot be read ends start-up with what is wrong.
    QStringList problems;
    const kalamora::TypingOptions typing = kalamora::TypingOptions::read(m_settings, &problems);
    if (!problems.isEmpty())
        throw std::runtime_error(problems.first().toStdString());
    m_language->showTypingOptions(typing);
    m_files->LoadRecentFiles();
    if (!isMaximized()) {
        const int tpp = twipsPerPixel(this);
        const double left = m_settings.readNumber(u"MainLeft"_s, 0);
        const double top = m_settings.readNumber(u"MainTop"_s, 0);
        const double w = m_settings.readNumber(u"MainWidth"_s, double(width()) * tpp);
        const double h = m_settings.readNumber(u"MainHeight"_s, double(height()) * tpp);
        move(int(left / tpp), int(top / tpp));
        resize(qMax(200, int(w / tpp)), qMax(150, int(h / tpp)));
    }
}

void frmMain::applyViewState(frmDocument *doc)
{
    const bool pageView = m_settings.readBool(u"Pview"_s, true);
    m_cmd->mnuViewPageView->setChecked(pageView);
    m_cmd->mnuViewEditor->setChecked(!pageView);
    const bool grid = m_settings.readBool(u"GridLines"_s, true);
    m_cmd->mnuTableGrid->setChecked(grid);
    m_cmd->mnuTabLeft->setChecked(true);
    m_cmd->action(Cmd::PageViewToggle)->setChecked(true);
    if (doc) {
        doc->rtftext()->setTabType(textengine::TextControl::TabLeft);
        doc->rtftext()->setTableGridLines(grid);
        doc->rtftext()->setViewMode(1);
    }
}

// --- documents --------------------------------------------------------------

int frmMain::DocumentCount() const
{
    return m_windows->DocumentCount();
}

frmDocument *frmMain::NewDocument()
{
    if (DocumentCount() == std::numeric_limits<qint16>::max())
        throw std::overflow_error("too many documents");
    auto *doc = new frmDocument(this, u"Document %1"_s.arg(DocumentCount() + 1));
    m_windows->addDocument(doc);
    // A new document shows the view the controls show.
    doc->rtftext()->setViewMode(m_cmd->action(Cmd::PageViewToggle)->isChecked() ? 1 : 0);
    doc->rtftext()->setTableGridLines(m_cmd->mnuTableGrid->isChecked());
    watchDocument(doc);
    m_windows->showDocument(doc);
    ShowDocumentCommands();
    syncCommandStates();
    Q_EMIT documentCountChanged(DocumentCount());
    return doc;
}

void frmMain::watchDocument(frmDocument *doc)
{
    textengine::TextControl *rtf = doc->rtftext();
    auto sync = [this, doc] {
        if (doc == activeDocument())
            syncCommandStates();
    };
    connect(rtf, &QTextEdit::copyAvailable, this, sync);
    connect(rtf, &QTextEdit::undoAvailable, this, sync);
    connect(rtf, &QTextEdit::currentCharFormatChanged, this, sync);
    connect(rtf, &QTextEdit::cursorPositionChanged, this, sync);
    connect(rtf->document(), &QTextDocument::contentsChanged, this, sync);
}

frmDocument *frmMain::activeDocument() const
{
    return m_windows->activeDocument();
}

QList<frmDocument *> frmMain::documents() const
{
    return m_windows->documents();
}

void frmMain::documentActivated(frmDocument *doc)
{
    // The boxes and the language follow the text at the caret of the
    // document the user comes to, as a click into it would make them.
    if (doc)
        SyncFormatControls();
}

void frmMain::documentClosed()
{
    if (DocumentCount() == 0)
        HideDocumentCommands();
    Q_EMIT documentCountChanged(DocumentCount());
}

void frmMain::ShowDocumentCommands()
{
    if (DocumentCount() == 1)
        setDocumentCommandsShown(true);
}

void frmMain::HideDocumentCommands()
{
    if (DocumentCount() == 0 || DocumentCount() == 1)
        setDocumentCommandsShown(false);
}

// The File commands that write or print the active document; the exports
// go with Save, Save As and Print.
QList<QAction *> frmMain::documentFileCommands() const
{
    return {m_cmd->mnuFileSave,  m_cmd->mnuFileSaveAs,    m_cmd->mnuFileSaveHtml,
            m_cmd->mnuFilePrint, m_cmd->mnuFileExportPdf, m_cmd->mnuFileExportUnicode};
}

void frmMain::setDocumentCommandsShown(bool shown)
{
    for (QMenu *m : m_cmd->documentMenus())
        m->menuAction()->setVisible(shown);
    for (int i = 3; i <= 33; ++i) {
        // Help needs no document; its button shares the menu item and F1.
        QAction *a = m_cmd->tbToolbarButton(i);
        if (a && (shown || a != m_cmd->mnuHelpContents))
            a->setEnabled(shown);
    }
    for (int i = 1; i <= 12; ++i) {
        if (QAction *a = m_cmd->tbBar2Button(i))
            a->setEnabled(shown);
    }
    m_cmd->tbToolbar2->setEnabled(shown);
    for (QAction *a : documentFileCommands())
        a->setEnabled(shown);
}

bool frmMain::saveCompleted() const
{
    return m_files->lastSaveCompleted();
}

bool frmMain::FileSave()
{
    return m_files->FileSave();
}

void frmMain::closeFindWindow(frmDocument *document)
{
    if (m_find && (!document || m_find->document() == document))
        m_find->close();
}

// --- language ---------------------------------------------------------------

bool frmMain::isHindi() const
{
    return m_language->isHindi();
}

void frmMain::selectHindi()
{
    m_language->selectHindi();
}

void frmMain::selectEnglish()
{
    m_language->selectEnglish();
}

void frmMain::SyncFormatControls()
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    textengine::TextControl *rtf = doc->rtftext();
    const textengine::CharFormatSummary chars = rtf->selectionCharFormat();
    syncCommandStates(chars);
    m_language->followText(rtf, chars);
}

void frmMain::syncCommandStates()
{
    if (frmDocument *doc = activeDocument())
        syncCommandStates(doc->rtftext()->selectionCharFormat());
}

void frmMain::syncCommandStates(const textengine::CharFormatSummary &chars)
{
    frmDocument *doc = activeDocument();
    if (!doc)
        return;
    textengine::TextControl *rtf = doc->rtftext();
    const bool selection = rtf->textCursor().hasSelection();
    m_cmd->mnuEditCut->setEnabled(selection);
    m_cmd->mnuEditCopy->setEnabled(selection);
    m_cmd->mnuEditUndo->setEnabled(rtf->document()->isUndoAvailable());

    m_cmd->action(Cmd::StyleBold)->setChecked(chars.bold);
    m_cmd->action(Cmd::StyleItalic)->setChecked(chars.italic);
    m_cmd->action(Cmd::StyleUnderline)->setChecked(chars.underline);
    m_cmd->action(Cmd::StyleStrike)->setChecked(chars.strikeThru);
    const int align = rtf->AlignMent();
    if (align >= 0 && align <= 3)
        m_cmd->action(alignCommand(align))->setChecked(true);

    const bool pageView = rtf->ViewMode() == 1;
    m_cmd->action(Cmd::PageViewToggle)->setChecked(pageView);
    m_cmd->mnuViewPageView->setChecked(pageView);
    m_cmd->mnuViewEditor->setChecked(!pageView);
}

// --- engine host ------------------------------------------------------------

// --- commands ---------------------------------------------------------------

void frmMain::toggleBar(QAction *item, const QList<QWidget *> &bars)
{
    const bool show = !bars.first()->isVisible();
    for (QWidget *bar : bars)
        bar->setVisible(show);
    item->setChecked(show);
}

void frmMain::sendKeyToFocus(int key, Qt::KeyboardModifiers modifiers)
{
    QWidget *target = QApplication::focusWidget();
    frmDocument *doc = activeDocument();
    if (!target || target->window() != this) {
        if (!doc)
            return;
        target = doc->rtftext();
    }
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

void frmMain::editMenuAboutToShow()
{
    frmDocument *doc = activeDocument();
    const bool selection = doc && doc->rtftext()->SelLength() != 0;
    m_cmd->mnuEditCut->setEnabled(selection);
    m_cmd->mnuEditCopy->setEnabled(selection);
}

void frmMain::showHelp(const QString &page)
{
    if (!HelpWindow::available()) {
        kalamora::showMessage(this, QMessageBox::Information, u"Kalamora"_s,
                              u"Unable to display Help Contents. There is no Help associated with this project."_s);
        return;
    }
    if (!m_help)
        m_help = new HelpWindow(this);
    m_help->showPage(page);
}

void frmMain::connectCommands()
{
    CommandSurface &c = *m_cmd;

    connect(c.mnuFileExit, &QAction::triggered, this, &QWidget::close);

    connect(c.mnuEdit, &QMenu::aboutToShow, this, &frmMain::editMenuAboutToShow);
    connect(c.mnuEditUndo, &QAction::triggered, this, [this] { sendKeyToFocus(Qt::Key_Z, Qt::ControlModifier); });
    connect(c.mnuEditCut, &QAction::triggered, this, [this] {
        sendKeyToFocus(Qt::Key_X, Qt::ControlModifier);
        m_cmd->mnuEditPaste->setEnabled(true);
    });
    connect(c.mnuEditCopy, &QAction::triggered, this, [this] { sendKeyToFocus(Qt::Key_C, Qt::ControlModifier); });
    connect(c.mnuEditPaste, &QAction::triggered, this, [this] { sendKeyToFocus(Qt::Key_V, Qt::ControlModifier); });
    connect(c.mnuEditSelectAll, &QAction::triggered, this, [this] {
        frmDocument *doc = activeDocument();
        if (!doc)
            return;
        const QCursor previous = doc->rtftext()->viewport()->cursor();
        doc->rtftext()->viewport()->setCursor(Qt::WaitCursor);
        // In one step, as Ctrl+A does: a caret set to the start first would
        // switch the language to that of the first character.
        doc->rtftext()->selectAll();
        doc->rtftext()->viewport()->setCursor(previous);
    });
    auto clearSelection = [this] {
        if (frmDocument *doc = activeDocument())
            doc->rtftext()->setSelText(QString());
    };
    connect(c.mnuEditClear, &QAction::triggered, this, clearSelection);
    connect(c.mnuPopDelete, &QAction::triggered, this, clearSelection);

    connect(c.mnuViewToolbars, &QAction::triggered, this,
            [this] { toggleBar(m_cmd->mnuViewToolbars, {m_cmd->tbToolbar, m_cmd->tbBar2}); });
    connect(c.mnuViewLangBar, &QAction::triggered, this,
            [this] { toggleBar(m_cmd->mnuViewLangBar, {m_cmd->tbToolbar2}); });
    connect(c.mnuViewStatusBar, &QAction::triggered, this,
            [this] { toggleBar(m_cmd->mnuViewStatusBar, {statusBar()}); });
    connect(c.mnuViewKeyboard, &QAction::triggered, this, [this] {
        if (!m_keyb)
            m_keyb = new frmKeyb(this);
        m_keyb->show();
        m_keyb->raise();
        m_keyb->activateWindow();
    });

    connect(c.mnuWindowCascade, &QAction::triggered, m_windows, &DocumentWindows::cascade);
    // Tile horizontally: one above the other, each the full width of the
    // frame; vertically: side by side, each the full height.
    connect(c.mnuWindowTileH, &QAction::triggered, m_windows, [this] { m_windows->tile(Qt::Vertical); });
    connect(c.mnuWindowTileV, &QAction::triggered, m_windows, [this] { m_windows->tile(Qt::Horizontal); });
    connect(c.mnuWindowArrange, &QAction::triggered, m_windows, &DocumentWindows::arrangeIcons);

    // Find and replace: the control's own dialog in English, the find
    // window in Hindi.
    auto find = [this](bool replacing) {
        frmDocument *doc = activeDocument();
        if (!doc)
            return;
        if (!isHindi()) {
            doc->rtftext()->FindReplace(replacing ? 2 : 1);
            return;
        }
        if (m_find)
            m_find->close();
        m_find = new frmFind(this, doc, replacing);
        m_find->show();
    };
    connect(c.mnuEditFind, &QAction::triggered, this, [find] { find(false); });
    connect(c.mnuEditReplace, &QAction::triggered, this, [find] { find(true); });

    // The dictionary: menu item, toolbar button and the dictionary box.
    connect(c.mnuLangDictionary, &QAction::triggered, this, [this] { frmDict::openDictionary(this); });
    connect(c.action(Cmd::Email), &QAction::triggered, this, [this] {
        frmDocument *doc = activeDocument();
        if (!doc)
            return;
        QString error;
        if (!EmailCommand(doc->rtftext(), this, &error))
            kalamora::showMessage(this, QMessageBox::Warning, u"Kalamora"_s,
                                  u"The document could not be prepared for mailing: %1"_s.arg(error));
    });

    connect(c.mnuHelpContents, &QAction::triggered, this, [this] { showHelp(); });
    connect(c.mnuHelpSearch, &QAction::triggered, this, [this] { showHelp(u"search"_s); });
    connect(c.mnuHelpAbout, &QAction::triggered, this, [this] {
        frmAbout about(this);
        about.exec();
    });
}

// --- events -----------------------------------------------------------------

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtDic) {
        // The dictionary box takes no typing; a click opens the dictionary.
        if (event->type() == QEvent::KeyPress)
            return true;
        if (event->type() == QEvent::MouseButtonRelease) {
            m_cmd->mnuLangDictionary->trigger();
            return true;
        }
    }
    if (watched == m_cmd->tbToolbar && event->type() == QEvent::MouseMove) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->buttons() & Qt::RightButton) {
            const int tpp = twipsPerPixel(this);
            m_status->showSaying(me->position().toPoint().x() * tpp, me->position().toPoint().y() * tpp);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // The find window's edits go back into their document before that
    // document is asked about saving.
    closeFindWindow();
    // Each document asks its own question; a Cancel there keeps the program.
    if (!m_windows->closeAll()) {
        event->ignore();
        return;
    }
    if (!isMinimized()) {
        const int tpp = twipsPerPixel(this);
        const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
        m_settings.writeNumber(u"MainLeft"_s, double(g.x()) * tpp);
        m_settings.writeNumber(u"MainTop"_s, double(g.y()) * tpp);
        m_settings.writeNumber(u"MainWidth"_s, double(g.width()) * tpp);
        m_settings.writeNumber(u"MainHeight"_s, double(g.height()) * tpp);
    }
    m_settings.writeString(u"HinFontSize"_s, m_language->cmbFontSize()->currentText());
    m_settings.writeString(u"EngFontSize"_s, m_language->cmbFontSize()->currentText());
    m_settings.writeBool(u"GridLines"_s, m_cmd->mnuTableGrid->isChecked());
    if (m_keyb)
        m_keyb->close();
    if (m_help)
        m_help->close();
    event->accept();
}

} // namespace kalamora
