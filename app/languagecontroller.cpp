#include "app/languagecontroller.h"

#include "app/commandsurface.h"

#include "engine/enginestate.h"
#include "settings/settingsstore.h"
#include "settings/typingoptions.h"
#include "textengine/textcontrol.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const QString Hindi = u"HINDI"_s;
const QString English = u"English"_s;
const QStringList FontSizes = {u"6"_s,  u"8"_s,  u"10"_s, u"12"_s, u"14"_s, u"16"_s, u"18"_s, u"24"_s, u"28"_s,
                               u"32"_s, u"38"_s, u"42"_s, u"46"_s, u"54"_s, u"58"_s, u"62"_s, u"68"_s, u"72"_s};

bool isHindiFamily(const QString &family)
{
    return family.left(8) == u"Glyphora"_s;
}

} // namespace

LanguageController::Controls LanguageController::buildControls(QToolBar *bar)
{
    Controls ui{};
    ui.hindi = new QRadioButton(u"Hindi"_s, bar);
    ui.hindi->setObjectName(u"OptHindi"_s);
    ui.hindi->setToolTip(u"Type In Hindi"_s);
    ui.english = new QRadioButton(u"English"_s, bar);
    ui.english->setObjectName(u"OptEnglish"_s);
    ui.english->setToolTip(u"Type In English"_s);
    bar->addWidget(ui.hindi);
    bar->addWidget(ui.english);
    bar->addSeparator();

    ui.hindiFont = new QComboBox(bar);
    ui.hindiFont->setObjectName(u"CmbFontHin"_s);
    ui.hindiFont->setToolTip(u"Hindi Font"_s);
    ui.hindiFont->setMinimumContentsLength(14);
    ui.englishFont = new QComboBox(bar);
    ui.englishFont->setObjectName(u"cmbFontEng"_s);
    ui.englishFont->setToolTip(u"English Font"_s);
    ui.englishFont->setEditable(true);
    ui.englishFont->setInsertPolicy(QComboBox::NoInsert);
    ui.englishFont->setMinimumContentsLength(16);
    ui.size = new QComboBox(bar);
    ui.size->setObjectName(u"cmbFontSize"_s);
    ui.size->setToolTip(u"Font Size"_s);
    ui.size->setEditable(true);
    ui.size->setInsertPolicy(QComboBox::NoInsert);
    ui.size->addItems(FontSizes);
    ui.size->setMinimumContentsLength(3);
    bar->addWidget(ui.hindiFont);
    bar->addWidget(ui.englishFont);
    bar->addWidget(ui.size);
    bar->addSeparator();
    return ui;
}

LanguageController::LanguageController(SettingsStore &settings, engine::EngineState &state, CommandSurface &commands,
                                       QToolBar *bar, std::function<textengine::TextControl *()> activeText,
                                       QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_state(state)
    , m_cmd(commands)
    , m_ui(buildControls(bar))
    , m_activeText(std::move(activeText))
{
    connect(m_ui.hindi, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            selectHindi();
    });
    connect(m_ui.english, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            selectEnglish();
    });
    connect(m_ui.hindiFont, &QComboBox::activated, this, [this] { applyHindiFontBox(); });
    connect(m_ui.englishFont, &QComboBox::activated, this, [this] { applyEnglishFontBox(); });
    connect(m_ui.englishFont->lineEdit(), &QLineEdit::returnPressed, this, [this] { applyEnglishFontBox(); });
    connect(m_ui.size, &QComboBox::activated, this, [this] { applySizeBox(); });
    connect(m_ui.size->lineEdit(), &QLineEdit::returnPressed, this, [this] { applySizeBox(); });

    CommandSurface &c = m_cmd;
    connect(c.mnuEditDot, &QAction::triggered, this, &LanguageController::toggleDot);
    connect(c.mnuEditEngNume, &QAction::triggered, this, &LanguageController::toggleNumerals);
    connect(c.mnuLanguages, &QMenu::aboutToShow, this, [this] {
        m_cmd.mnuLangHindi->setChecked(isHindi());
        m_cmd.mnuLangEnglish->setChecked(!isHindi());
    });
    // The menu items select their option button; when it is already
    // selected no switch runs, and the document takes the focus back all
    // the same (else the next paste or key would go to the option button).
    const auto choose = [this](QRadioButton *option) {
        option->setFocus();
        option->setChecked(true);
        if (textengine::TextControl *rtf = m_activeText())
            rtf->SetFocus();
    };
    connect(c.mnuLangHindi, &QAction::triggered, this, [this, choose] { choose(m_ui.hindi); });
    connect(c.mnuLangEnglish, &QAction::triggered, this, [this, choose] { choose(m_ui.english); });
    connect(c.mnuLayoutTav, &QAction::triggered, this, [this] { setLayout(u"Tav"_s); });
    connect(c.mnuLayoutRem, &QAction::triggered, this, [this] { setLayout(u"Rem"_s); });
    connect(c.mnuLayoutRom, &QAction::triggered, this, [this] { setLayout(u"Rom"_s); });
}

// --- the language switch ------------------------------------------------------

bool LanguageController::isHindi() const
{
    return QString::fromStdString(m_state.InputLanguage).toUpper() == Hindi;
}

QString LanguageController::fontSizeForLanguage(const QString &key) const
{
    const QString stored = m_settings.readString(key, u"20"_s);
    bool ok = false;
    const double size = stored.trimmed().toDouble(&ok);
    // A size the box cannot show (above 100, or not a number) shows as 20.
    if (!ok || size > 100)
        return u"20"_s;
    return stored.trimmed();
}

void LanguageController::selectHindi()
{
    if (m_switching)
        return;
    m_switching = true;
    if (!m_ui.hindi->isChecked())
        m_ui.hindi->setChecked(true);
    m_ui.hindiFont->setEnabled(true);
    m_ui.englishFont->setEnabled(false);
    m_state.InputLanguage = Hindi.toStdString();
    if (textengine::TextControl *rtf = m_activeText())
        rtf->SetFocus();
    m_settings.writeString(u"EngFontSize"_s, m_ui.size->currentText());
    m_ui.size->setCurrentText(fontSizeForLanguage(u"HinFontSize"_s));
    applyHindiFontBox();
    m_switching = false;
}

void LanguageController::selectEnglish()
{
    if (m_switching)
        return;
    m_switching = true;
    if (!m_ui.english->isChecked())
        m_ui.english->setChecked(true);
    m_settings.writeString(u"HinFontSize"_s, m_ui.size->currentText());
    m_ui.size->setCurrentText(fontSizeForLanguage(u"EngFontSize"_s));
    m_ui.hindiFont->setEnabled(false);
    m_ui.englishFont->setEnabled(true);
    m_state.InputLanguage = English.toStdString();
    if (textengine::TextControl *rtf = m_activeText()) {
        if (!m_ui.englishFont->currentText().isEmpty())
            rtf->setFontName(textengine::plainFamily(m_ui.englishFont->currentText()));
        const int size = m_ui.size->currentText().toInt();
        if (size > 0)
            rtf->setFontSize(size);
        rtf->SetFocus();
    }
    m_switching = false;
}

void LanguageController::toggleLanguage()
{
    // The English font box is enabled exactly while English is selected.
    if (m_ui.englishFont->isEnabled())
        selectHindi();
    else
        selectEnglish();
}

// --- the font boxes -----------------------------------------------------------

void LanguageController::applyHindiFontBox()
{
    m_settings.writeString(u"HinFontDef"_s, m_ui.hindiFont->currentText());
    textengine::TextControl *rtf = m_activeText();
    if (!rtf)
        return;
    const int size = m_ui.size->currentText().toInt();
    if (size > 0)
        rtf->setFontSize(size);
    if (!m_ui.hindiFont->currentText().isEmpty())
        rtf->setFontName(m_ui.hindiFont->currentText());
    rtf->SetFocus();
}

void LanguageController::applyEnglishFontBox()
{
    textengine::TextControl *rtf = m_activeText();
    const QString family = textengine::plainFamily(m_ui.englishFont->currentText());
    if (rtf && !rtf->Text().isEmpty()) {
        rtf->setFontName(family);
        rtf->SetFocus();
    }
    m_settings.writeString(u"EngFontDef"_s, family);
}

void LanguageController::applySizeBox()
{
    textengine::TextControl *rtf = m_activeText();
    if (!rtf)
        return;
    const int size = m_ui.size->currentText().toInt();
    if (!rtf->Text().isEmpty() && size > 0)
        rtf->setFontSize(size);
    rtf->SetFocus();
}

void LanguageController::followText(textengine::TextControl *rtf, const textengine::CharFormatSummary &chars)
{
    if (keepLanguageInEmptyParagraph(rtf))
        return;
    // The language follows the text first, so that the size box still
    // shows the size of the language being left when that is stored; then
    // the boxes show the text's own font and size.
    const QString &font = chars.fontName;
    if (!font.isEmpty()) {
        const bool hindiText = isHindiFamily(font);
        if (hindiText != m_ui.hindi->isChecked())
            followLanguage(hindiText);
        (hindiText ? m_ui.hindiFont : m_ui.englishFont)->setCurrentText(font);
    }
    if (chars.fontSize > 0)
        m_ui.size->setCurrentText(QString::number(chars.fontSize));
}

// The language switch of the caret entering text of the other language:
// the text already has its font and size, so nothing is applied to the
// document (a selection would be reformatted) and the focus stays where
// it is; the size of the language being left is kept for it.
void LanguageController::followLanguage(bool hindi)
{
    if (m_switching)
        return;
    m_switching = true;
    m_settings.writeString(hindi ? u"EngFontSize"_s : u"HinFontSize"_s, m_ui.size->currentText());
    (hindi ? m_ui.hindi : m_ui.english)->setChecked(true);
    m_ui.hindiFont->setEnabled(hindi);
    m_ui.englishFont->setEnabled(!hindi);
    m_state.InputLanguage = (hindi ? Hindi : English).toStdString();
    m_switching = false;
}

// An empty paragraph holds no text whose font the language could follow:
// what the caret reads there is what the paragraph kept of text deleted
// from it, or the document's default font once everything is gone. The
// language stays as the user had it, and the caret takes that language's
// font and the size in the box, so that typing goes on as before.
bool LanguageController::keepLanguageInEmptyParagraph(textengine::TextControl *rtf)
{
    const QTextCursor caret = rtf->textCursor();
    if (caret.hasSelection() || caret.block().length() != 1)
        return false;
    applyLanguageFont(rtf);
    return true;
}

void LanguageController::applyLanguageFont(textengine::TextControl *rtf)
{
    const QString family =
        isHindi() ? m_ui.hindiFont->currentText() : textengine::plainFamily(m_ui.englishFont->currentText());
    const int size = m_ui.size->currentText().toInt();
    if (!family.isEmpty() && rtf->FontName() != family)
        rtf->setFontName(family);
    if (size > 0 && rtf->FontSize() != size)
        rtf->setFontSize(size);
}

void LanguageController::prepareTyping(textengine::TextControl *rtf)
{
    // A typed key replaces the selection. Removed first, the selection
    // leaves the caret the format of its first character, which may be of
    // the other language when the selection mixed both; the key is then
    // typed in the font of the language in use.
    if (rtf->textCursor().hasSelection())
        rtf->setSelText(QString());
    if (keepLanguageInEmptyParagraph(rtf))
        return;
    if (isHindiFamily(rtf->FontName()) ? !isHindi() : isHindi())
        applyLanguageFont(rtf);
}

// --- typing options -----------------------------------------------------------

void LanguageController::showTypingOptions(const kalamora::TypingOptions &typing)
{
    m_cmd.mnuEditDot->setChecked(typing.dotPurna);
    m_cmd.mnuEditEngNume->setChecked(typing.englishNumerals);
    showLayout(typing.layout);
}

void LanguageController::showLayout(const QString &code)
{
    m_cmd.mnuLayoutTav->setChecked(code == u"Tav"_s);
    m_cmd.mnuLayoutRem->setChecked(code == u"Rem"_s);
    m_cmd.mnuLayoutRom->setChecked(code == u"Rom"_s);
}

void LanguageController::setLayout(const QString &code)
{
    showLayout(code);
    kalamora::TypingOptions::writeLayout(m_settings, code);
}

void LanguageController::toggleDot()
{
    const bool on = !kalamora::TypingOptions::readDotPurna(m_settings);
    m_cmd.mnuEditDot->setChecked(on);
    kalamora::TypingOptions::writeDotPurna(m_settings, on);
}

void LanguageController::toggleNumerals()
{
    // The menu item and toolbar button are one action, and it is the state.
    kalamora::TypingOptions::writeEnglishNumerals(m_settings, m_cmd.mnuEditEngNume->isChecked());
}

// --- engine host --------------------------------------------------------------

bool LanguageController::dotPurna() const
{
    return kalamora::TypingOptions::readDotPurna(m_settings);
}

std::string LanguageController::layout() const
{
    return kalamora::TypingOptions::readLayout(m_settings).toStdString();
}

bool LanguageController::englishNumerals() const
{
    return m_cmd.mnuEditEngNume->isChecked();
}

void LanguageController::reapplyHindiFont()
{
    textengine::TextControl *rtf = m_activeText();
    if (!rtf)
        return;
    if (!m_ui.hindiFont->currentText().isEmpty())
        rtf->setFontName(m_ui.hindiFont->currentText());
    const int size = m_ui.size->currentText().toInt();
    if (size > 0)
        rtf->setFontSize(size);
}

void LanguageController::FillFontBoxes()
{
    m_ui.hindiFont->clear();
    m_ui.englishFont->clear();
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
        if (isHindiFamily(family))
            m_ui.hindiFont->addItem(family);
        else
            m_ui.englishFont->addItem(family);
    }
}

} // namespace kalamora
