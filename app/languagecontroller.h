#pragma once

#include "engine/enginehost.h"

#include <QObject>
#include <QString>

#include <functional>

class QComboBox;
class QRadioButton;
class QToolBar;

namespace kalamora {

class SettingsStore;
struct CommandSurface;

namespace engine {
struct EngineState;
} // namespace engine

namespace textengine {
class TextControl;
struct CharFormatSummary;
} // namespace textengine

struct TypingOptions;

// The input language and everything that follows it: the Hindi/English
// switch, the Hindi layouts and typing options (the engine reads them
// through this host), and the font and size boxes, which follow the
// language of the text at the caret and give new text the font of the
// language in use. Its widgets (the two option buttons, the font boxes and
// the size box) stand at the start of the language bar.
class LanguageController : public QObject, public engine::EngineHost {
    Q_OBJECT

public:
    // `activeText` answers the active document's text, or null. The
    // widgets are added to `bar`.
    LanguageController(SettingsStore &settings, engine::EngineState &state, CommandSurface &commands, QToolBar *bar,
                       std::function<textengine::TextControl *()> activeText, QObject *parent = nullptr);

    QRadioButton *OptHindi() const { return m_ui.hindi; }
    QRadioButton *OptEnglish() const { return m_ui.english; }
    QComboBox *CmbFontHin() const { return m_ui.hindiFont; }
    QComboBox *cmbFontEng() const { return m_ui.englishFont; }
    QComboBox *cmbFontSize() const { return m_ui.size; }

    // Lists the scalable font families: the Glyphora ones in the Hindi
    // box, the others in the English box, each by its plain name.
    void FillFontBoxes();

    bool isHindi() const;
    void selectHindi();
    void selectEnglish();
    void toggleLanguage(); // Ctrl+L in a document or the find window

    // The boxes take the font and size of the text at the caret, and the
    // language follows that text's font.
    void followText(textengine::TextControl *rtf, const textengine::CharFormatSummary &chars);
    // With the caret in an empty paragraph, gives it the font of the input
    // language and the size in the box, and returns true: there is no text
    // there whose font the language should follow.
    bool keepLanguageInEmptyParagraph(textengine::TextControl *rtf);
    // Before the engine takes a typed key in a document: the selection is
    // removed, and the caret takes the font of the input language where
    // the format it was left does not belong to that language.
    void prepareTyping(textengine::TextControl *rtf);

    // The size stored for a language ("HinFontSize", "EngFontSize") as the
    // size box can show it.
    QString fontSizeForLanguage(const QString &key) const;
    void applyHindiFontBox();
    void applyEnglishFontBox();
    void applySizeBox();

    // Typing options: the menu items and buttons show them, the settings keep them.
    void showTypingOptions(const kalamora::TypingOptions &typing);
    void setLayout(const QString &code);
    void toggleDot();
    void toggleNumerals();

    // engine::EngineHost
    bool dotPurna() const override;
    std::string layout() const override;
    bool englishNumerals() const override;
    void reapplyHindiFont() override;

private:
    struct Controls {
        QRadioButton *hindi;
        QRadioButton *english;
        QComboBox *hindiFont;
        QComboBox *englishFont;
        QComboBox *size;
    };
    static Controls buildControls(QToolBar *bar);
    void followLanguage(bool hindi);
    void applyLanguageFont(textengine::TextControl *rtf);
    void showLayout(const QString &code);

    SettingsStore &m_settings;
    engine::EngineState &m_state;
    CommandSurface &m_cmd;
    Controls m_ui;
    std::function<textengine::TextControl *()> m_activeText;
    bool m_switching = false;
};

} // namespace kalamora
