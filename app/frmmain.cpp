#include "app/frmmain.h"

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
#include "app/unicodecommands.h"

#include "dict/frmdict.h"
#include "engine/enginestate.h"
#include "mail/frmmail.h"
#include "settings/settingsstore.h"
#include "textengine/ruler.h"
#include "textengine/textcontrol.h"

#include "settings/typingoptions.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const QString Hindi = u"HINDI"_s;
const QStringList FontSizes = {u"6"_s,  u"8"_s,  u"10"_s, u"12"_s, u"14"_s, u"16"_s, u"18"_s, u"24"_s, u"28"_s,
                               u"32"_s, u"38"_s, u"42"_s, u"46"_s, u"54"_s, u"58"_s, u"62"_s, u"68"_s, u"72"_s};

// Shown in the first status-bar panel while the right button moves over the
// main toolbar, one per band of its width.
const char *const Sayings[22] = {
    "Hindi flows best when the tea is hot.",
    "A halant a day keeps the vowels away.",
    "Every conjunct was once two consonants in love.",
    "The reph always rides on top.",
    "Type as it sounds; the font will do the rest.",
    "Short i goes first, but only in writing.",
    "Purna viram: the full stop that means it.",
    "Save early, save often, save in RTF.",
    "A page without a table is a page with room.",
    "Bold is for headlines, not for arguments.",
    "Justified text: every line minds its margins.",
    "The nukta is small, but it has opinions.",
    "Copy with care; the clipboard remembers.",
    "Undo is the bravest button on the bar.",
    "Find the word, replace the doubt.",
    "Zoom in on the details, out on the worries.",
    "Two columns make a table; two tables make a plan.",
    "Anusvara hums where a nasal should be.",
    "A document unsaved is a thought unkept.",
    "Print preview: measure twice, print once.",
    "Every letter has a headline of its own.",
    "Press F1; help is only a key away.",
};

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
    auto *centre = new QWidget(this);
    auto *centreLayout = new QVBoxLayout(centre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(0);
    TXRuler = new textengine::TXRuler(centre);
    TXRuler->setObjectName(u"TXRuler"_s);
    mdiArea = new QMdiArea(centre);
    mdiArea->setObjectName(u"mdiArea"_s);
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    centreLayout->addWidget(TXRuler);
    centreLayout->addWidget(mdiArea, 1);
    setCentralWidget(centre);
    connect(mdiArea, &QMdiArea::subWindowActivated, this, &frmMain::documentActivated);

    buildLanguageBar();
    buildStatusBar();
    m_files = new FileCommands(this);
    new FormatCommands(this);
    new UnicodeCommands(this);
    connectCommands();

    // Design state: no document yet, so the document menus are hidden and
    // their commands disabled until NewDocument shows them.
    DocumentCount = 1;
    HideDocumentCommands();
    DocumentCount = 0;
}

frmMain::~frmMain()
{
    // The documents go first, while the commands their signals refresh
    // still exist.
    delete centralWidget();
}

void frmMain::buildLanguageBar()
{
    QToolBar *bar = m_cmd->tbToolbar2;
    OptHindi = new QRadioButton(u"Hindi"_s, bar);
    OptHindi->setObjectName(u"OptHindi"_s);
    OptHindi->setToolTip(u"Type In Hindi"_s);
    OptEnglish = new QRadioButton(u"English"_s, bar);
    OptEnglish->setObjectName(u"OptEnglish"_s);
    OptEnglish->setToolTip(u"Type In English"_s);
    bar->addWidget(OptHindi);
    bar->addWidget(OptEnglish);
    bar->addSeparator();

    CmbFontHin = new QComboBox(bar);
    CmbFontHin->setObjectName(u"CmbFontHin"_s);
    CmbFontHin->setToolTip(u"Hindi Font"_s);
    CmbFontHin->setMinimumContentsLength(14);
    cmbFontEng = new QComboBox(bar);
    cmbFontEng->setObjectName(u"cmbFontEng"_s);
    cmbFontEng->setToolTip(u"English Font"_s);
    cmbFontEng->setEditable(true);
    cmbFontEng->setInsertPolicy(QComboBox::NoInsert);
    cmbFontEng->setMinimumContentsLength(16);
    cmbFontSize = new QComboBox(bar);
    cmbFontSize->setObjectName(u"cmbFontSize"_s);
    cmbFontSize->setToolTip(u"Font Size"_s);
    cmbFontSize->setEditable(true);
    cmbFontSize->setInsertPolicy(QComboBox::NoInsert);
    cmbFontSize->addItems(FontSizes);
    cmbFontSize->setMinimumContentsLength(3);
    bar->addWidget(CmbFontHin);
    bar->addWidget(cmbFontEng);
    bar->addWidget(cmbFontSize);
    bar->addSeparator();

    cmbZoom = new QComboBox(bar);
    cmbZoom->setObjectName(u"cmbZoom"_s);
    cmbZoom->setToolTip(u"Select Zoom Level"_s);
    cmbZoom->addItems({u"10 %"_s, u"20 %"_s, u"25 %"_s, u"50 %"_s, u"75 %"_s, u"100 %"_s, u"150 %"_s, u"200 %"_s,
                       u"250 %"_s, u"300 %"_s, u"400 %"_s, u"Fit Width"_s, u"Fit Page"_s});
    cmbZoom->setCurrentIndex(5);
    bar->addWidget(cmbZoom);
    bar->addSeparator();

    // The dictionary box shows its name and takes no typing; a click opens
    // the dictionary.
    txtDic = new QLineEdit(u"Dictionary"_s, bar);
    txtDic->setObjectName(u"txtDic"_s);
    txtDic->setReadOnly(true);
    txtDic->setMaximumWidth(110);
    txtDic->setToolTip(u"View Dictionary"_s);
    txtDic->installEventFilter(this);
    bar->addWidget(txtDic);

    m_language = new LanguageController(m_settings, m_state, *m_cmd,
                                        {OptHindi, OptEnglish, CmbFontHin, cmbFontEng, cmbFontSize},
                                        [this]() -> textengine::TextControl * {
                                            frmDocument *doc = activeDocument();
                                            return doc ? doc->rtftext() : nullptr;
                                        },
                                        this);
}

void frmMain::buildStatusBar()
{
    QStatusBar *sb = statusBar();
    sb->setObjectName(u"sbMain"_s);
    const QString texts[7] = {u"Press F1 To See Help"_s, u"Kalamora"_s, u"CAPS"_s, u"NUM"_s, u"INS"_s, {}, {}};
    for (int i = 0; i < 7; ++i) {
        auto *label = new QLabel(texts[i], sb);
        label->setObjectName(u"sbPanel%1"_s.arg(i + 1));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setContentsMargins(4, 0, 4, 0);
        sbPanels.append(label);
        if (i == 0)
            sb->addWidget(label, 1);
        else
            sb->addPermanentWidget(label);
    }
    // Two pictures that open the publisher's web pages, and a small notice
    // that its label hides.
    const struct {
        const char *name;
        const char *tip;
        const char *url;
        const char *icon;
    } links[] = {
        {"Picture2", "Kalamora on the web", "https://kalamora.org/", "internet-web-browser"},
        {"Picture3", "Get the Glyphora fonts", "https://kalamora.org/fonts", "preferences-desktop-font"},
    };
    for (const auto &link : links) {
        auto *picture = new QToolButton(sb);
        picture->setObjectName(QLatin1StringView(link.name));
        picture->setAutoRaise(true);
        picture->setIcon(QIcon::fromTheme(QLatin1StringView(link.icon), kalamora::applicationIcon()));
        picture->setToolTip(QLatin1StringView(link.tip));
        const QUrl url(QLatin1StringView(link.url));
        connect(picture, &QToolButton::clicked, this, [url] { QDesktopServices::openUrl(url); });
        sb->addPermanentWidget(picture);
    }
    auto *picBug = new QLabel(sb);
    picBug->setObjectName(u"picBug"_s);
    picBug->setPixmap(QIcon::fromTheme(u"help-hint"_s).pixmap(16, 16));
    picBug->setToolTip(u"Found a fault? Tell us at https://kalamora.org/"_s);
    auto *lblBugHide = new QLabel(u"<a href=\"hide\">Hide</a>"_s, sb);
    lblBugHide->setObjectName(u"lblBugHide"_s);
    lblBugHide->setToolTip(u"Hide this notice"_s);
    connect(lblBugHide, &QLabel::linkActivated, this, [picBug, lblBugHide] {
        picBug->hide();
        lblBugHide->hide();
    });
    sb->insertWidget(0, picBug);
    sb->insertWidget(1, lblBugHide);

    tmTimer = new QTimer(this);
    tmTimer->setObjectName(u"tmTimer"_s);
    tmTimer->setInterval(1000);
    connect(tmTimer, &QTimer::timeout, this, &frmMain::updateClock);
    m_cmd->tbToolbar->installEventFilter(this);
    m_cmd->tbToolbar->setMouseTracking(true);
}

void frmMain::updateClock()
{
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    sbPanels[5]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    sbPanels[6]->setText(locale.toString(now.time(), u"hh:mm:ss AP"_s));
    sbPanels[6]->setToolTip(locale.toString(now.time(), QLocale::LongFormat));
}

void frmMain::startUp()
{
    LoadSettings();

    const QDateTime now = QDateTime::currentDateTime();
    sbPanels[5]->setToolTip(now.date().toString(u"dd/MM/yyyy"_s));
    sbPanels[6]->setToolTip(QLocale().toString(now.time(), QLocale::LongFormat));
    updateClock();
    tmTimer->start();

    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    frmDocument *doc = NewDocument();
    FillFontBoxes();
    applyViewState(doc);

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

void frmMain::FillFontBoxes()
{
    CmbFontHin->clear();
    cmbFontEng->clear();
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    QStringList listed;
    for (const QString &qualified : std::as_const(families)) {
        if (QFontDatabase::isPrivateFamily(qualified) || !QFontDatabase::isSmoothlyScalable(qualified))
            continue;
        // "Name [Foundry]": the plain name finds the family, and only the
        // plain name belongs in a document.
        const QString family = textengine::plainFamily(qualified);
        if (listed.contains(family))
            continue;
        listed.append(family);
        if (family.left(8) == u"Glyphora"_s)
            CmbFontHin->addItem(family);
        else
            cmbFontEng->addItem(family);
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

frmDocument *frmMain::NewDocument()
{
    if (DocumentCount == std::numeric_limits<qint16>::max())
        throw std::overflow_error("too many documents");
    ++DocumentCount;
    auto *doc = new frmDocument(this, u"Document %1"_s.arg(DocumentCount));
    QMdiSubWindow *sub = mdiArea->addSubWindow(doc);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(kalamora::commandIcon(u"New"_s));
    connect(doc, &frmDocument::documentClosed, this, &frmMain::documentClosed);
    // A new document shows the view the controls show.
    doc->rtftext()->setViewMode(m_cmd->action(Cmd::PageViewToggle)->isChecked() ? 1 : 0);
    doc->rtftext()->setTableGridLines(m_cmd->mnuTableGrid->isChecked());
    watchDocument(doc);
    // The first document fills the frame; later ones open beside it.
    if (DocumentCount == 1)
        sub->showMaximized();
    else
        sub->show();
    mdiArea->setActiveSubWindow(sub);
    ShowDocumentCommands();
    syncCommandStates();
    Q_EMIT documentCountChanged(DocumentCount);
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
    QMdiSubWindow *sub = mdiArea->activeSubWindow();
    if (!sub) {
        const auto list = mdiArea->subWindowList(QMdiArea::ActivationHistoryOrder);
        sub = list.isEmpty() ? nullptr : list.last();
    }
    return sub ? qobject_cast<frmDocument *>(sub->widget()) : nullptr;
}

QList<frmDocument *> frmMain::documents() const
{
    QList<frmDocument *> docs;
    for (QMdiSubWindow *sub : mdiArea->subWindowList()) {
        if (auto *d = qobject_cast<frmDocument *>(sub->widget()))
            docs.append(d);
    }
    return docs;
}

// The shared ruler leaves the document that is no longer active and serves
// the one that now is.
void frmMain::documentActivated(QMdiSubWindow *sub)
{
    auto *doc = sub ? qobject_cast<frmDocument *>(sub->widget()) : nullptr;
    // The boxes and the language follow the text at the caret of the
    // document the user comes to, as a click into it would make them.
    if (doc)
        SyncFormatControls();
    if (doc == m_rulerDocument)
        return;
    if (m_rulerDocument)
        m_rulerDocument->rtftext()->setRulerHandle(0);
    m_rulerDocument = doc;
    if (doc)
        doc->rtftext()->setRulerHandle(TXRuler->handle());
}

void frmMain::documentClosed(frmDocument *doc)
{
    if (doc == m_rulerDocument) {
        doc->rtftext()->setRulerHandle(0);
        m_rulerDocument = nullptr;
    }
    --DocumentCount;
    if (DocumentCount == 0)
        HideDocumentCommands();
    Q_EMIT documentCountChanged(DocumentCount);
}

void frmMain::ShowDocumentCommands()
{
    if (DocumentCount != 1)
        return;
    for (QMenu *m : m_cmd->documentMenus())
        m->menuAction()->setVisible(true);
    for (int i = 3; i <= 33; ++i) {
        if (QAction *a = m_cmd->tbToolbarButton(i))
            a->setEnabled(true);
    }
    for (int i = 1; i <= 12; ++i) {
        if (QAction *a = m_cmd->tbBar2Button(i))
            a->setEnabled(true);
    }
    m_cmd->tbToolbar2->setEnabled(true);
    for (QAction *a : documentFileCommands())
        a->setEnabled(true);
}

// The File commands that write or print the active document; the exports
// go with Save, Save As and Print.
QList<QAction *> frmMain::documentFileCommands() const
{
    return {m_cmd->mnuFileSave,  m_cmd->mnuFileSaveAs,    m_cmd->mnuFileSaveHtml,
            m_cmd->mnuFilePrint, m_cmd->mnuFileExportPdf, m_cmd->mnuFileExportUnicode};
}

void frmMain::HideDocumentCommands()
{
    if (DocumentCount != 0 && DocumentCount != 1)
        return;
    for (QMenu *m : m_cmd->documentMenus())
        m->menuAction()->setVisible(false);
    for (int i = 3; i <= 33; ++i) {
        // Help needs no document; its button shares the menu item and F1.
        QAction *a = m_cmd->tbToolbarButton(i);
        if (a && a != m_cmd->mnuHelpContents)
            a->setEnabled(false);
    }
    for (int i = 1; i <= 12; ++i) {
        if (QAction *a = m_cmd->tbBar2Button(i))
            a->setEnabled(false);
    }
    m_cmd->tbToolbar2->setEnabled(false);
    for (QAction *a : documentFileCommands())
        a->setEnabled(false);
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

    connect(c.mnuWindowCascade, &QAction::triggered, mdiArea, &QMdiArea::cascadeSubWindows);
    // Tile horizontally: one above the other, each the full width of the
    // frame; vertically: side by side, each the full height.
    connect(c.mnuWindowTileH, &QAction::triggered, this, [this] { tileWindows(Qt::Vertical); });
    connect(c.mnuWindowTileV, &QAction::triggered, this, [this] { tileWindows(Qt::Horizontal); });
    connect(c.mnuWindowArrange, &QAction::triggered, this, [this] {
        // Minimized windows in a row along the bottom of the frame.
        const QRect area = mdiArea->viewport()->rect();
        int x = 0;
        for (auto *s : mdiArea->subWindowList()) {
            if (!s->isMinimized())
                continue;
            s->move(x, area.height() - s->height());
            x += s->width();
        }
    });

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

// Lays the windows that are not minimized out in a row (`direction`
// Horizontal) or a column (Vertical), filling the frame.
void frmMain::tileWindows(Qt::Orientation direction)
{
    QList<QMdiSubWindow *> shown;
    for (QMdiSubWindow *sub : mdiArea->subWindowList()) {
        if (!sub->isMinimized())
            shown.append(sub);
    }
    if (shown.isEmpty())
        return;
    const QRect area = mdiArea->viewport()->rect();
    const int n = int(shown.size());
    for (int i = 0; i < n; ++i) {
        shown[i]->showNormal();
        if (direction == Qt::Horizontal)
            shown[i]->setGeometry(i * (area.width() / n), 0, area.width() / n, area.height());
        else
            shown[i]->setGeometry(0, i * (area.height() / n), area.width(), area.height() / n);
    }
}

// --- events -----------------------------------------------------------------

bool frmMain::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtDic) {
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
        if (me->buttons() & Qt::RightButton)
            showSaying(me->position().toPoint().x(), me->position().toPoint().y());
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::showSaying(int x, int y)
{
    const int tpp = twipsPerPixel(this);
    const int xt = x * tpp, yt = y * tpp;
    if (yt < 30 || yt > 330 || xt < 0 || xt >= 8600)
        return;
    const int band = qBound(0, xt * 22 / 8600, 21);
    sbPanels[0]->setText(QString::fromUtf8(Sayings[band]));
}

void frmMain::closeEvent(QCloseEvent *event)
{
    // The find window's edits go back into their document before that
    // document is asked about saving.
    closeFindWindow();
    // Each document asks its own question; a Cancel there keeps the program.
    const auto subs = mdiArea->subWindowList();
    for (QMdiSubWindow *sub : subs) {
        if (!sub->close()) {
            event->ignore();
            return;
        }
    }
    if (!isMinimized()) {
        const int tpp = twipsPerPixel(this);
        const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
        m_settings.writeNumber(u"MainLeft"_s, double(g.x()) * tpp);
        m_settings.writeNumber(u"MainTop"_s, double(g.y()) * tpp);
        m_settings.writeNumber(u"MainWidth"_s, double(g.width()) * tpp);
        m_settings.writeNumber(u"MainHeight"_s, double(g.height()) * tpp);
    }
    m_settings.writeString(u"HinFontSize"_s, cmbFontSize->currentText());
    m_settings.writeString(u"EngFontSize"_s, cmbFontSize->currentText());
    m_settings.writeBool(u"GridLines"_s, m_cmd->mnuTableGrid->isChecked());
    if (m_keyb)
        m_keyb->close();
    if (m_help)
        m_help->close();
    event->accept();
}

} // namespace kalamora
