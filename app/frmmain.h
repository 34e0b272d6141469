#pragma once

#include "commandsurface.h"

#include "enginehost.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QMdiArea;
class QMdiSubWindow;
class QRadioButton;
class QTimer;
class SettingsStore;
class frmDocument;
class frmKeyb;
namespace textengine {
struct CharFormatSummary;
}

namespace textengine {
class TextControl;
class TXRuler;
} // namespace textengine
class frmFind;
class FileCommands;
class HelpWindow;

namespace engine {
struct EngineState;
} // namespace engine

// The program's one top-level window: the frame of the document windows and
// the owner of every menu, toolbar, font box and the status bar, all of which
// serve the active document. It is also the engine's host: the typing
// options and the Hindi font come from its menus and boxes.
class frmMain : public QMainWindow, public engine::EngineHost {
    Q_OBJECT

public:
    explicit frmMain(SettingsStore &settings, engine::EngineState &state, QWidget *parent = nullptr);
    ~frmMain() override;

    // The start-up of the main window: settings, first document, font
    // boxes, view state, Hindi input. Separate from the constructor so that
    // start-up failures can be reported with the window on screen.
    void startUp();

    SettingsStore &settings() { return m_settings; }
    engine::EngineState &engineState() { return m_state; }
    CommandSurface &commands() { return *m_cmd; }
    FileCommands &files() { return *m_files; }

    // Document windows.
    int DocumentCount = 0;       // created and not yet closed
    bool SkipClosePrompt = false; // the next close asks no question
    frmDocument *NewDocument();
    frmDocument *activeDocument() const;
    QList<frmDocument *> documents() const;
    void ShowDocumentCommands();
    void HideDocumentCommands();
    // Saves the active document (under its name, or asking for one);
    // true when the file was written.
    bool FileSave();
    // Whether the last save, from the menu or FileSave, wrote the file.
    bool saveCompleted() const;
    // Closes the find window, which gives its edits back to its document
    // first: when it works on `document`, or whatever it works on (null).
    void closeFindWindow(frmDocument *document = nullptr);

    // The language switch and the format controls.
    void selectHindi();
    void selectEnglish();
    bool isHindi() const;
    Q_INVOKABLE void SyncFormatControls();
    // The enabled and checked states that follow the active document: Cut
    // and Copy its selection, Undo its undo stack, the style, alignment and
    // view buttons its format at the caret and its view. Runs on the
    // document's own signals, so no menu needs to open first.
    void syncCommandStates();
    void syncCommandStates(const textengine::CharFormatSummary &chars);
    void toggleLanguage(); // Ctrl+L in a document or the find window
    // With the caret in an empty paragraph, gives it the font of the input
    // language and the size in the box, and returns true: there is no text
    // there whose font the language should follow.
    bool keepLanguageInEmptyParagraph(textengine::TextControl *rtf);
    // Before the engine takes a typed key in a document: the selection is
    // removed, and the caret takes the font of the input language where
    // the format it was left does not belong to that language.
    void prepareTyping(textengine::TextControl *rtf);

    // engine::EngineHost
    bool dotPurna() const override;
    std::string layout() const override;
    bool englishNumerals() const override;
    void reapplyHindiFont() override;

    // Controls that other windows and the tests reach.
    QComboBox *CmbFontHin = nullptr;
    QComboBox *cmbFontEng = nullptr;
    QComboBox *cmbFontSize = nullptr;
    QComboBox *cmbZoom = nullptr;
    QRadioButton *OptHindi = nullptr;
    QRadioButton *OptEnglish = nullptr;
    QLineEdit *txtDic = nullptr;
    QList<QLabel *> sbPanels; // the seven status-bar panels
    QTimer *tmTimer = nullptr;
    QMdiArea *mdiArea = nullptr;
    textengine::TXRuler *TXRuler = nullptr; // shared by all documents; follows the active one

    // Opens the Help window on a page, or says there is no help.
    void showHelp(const QString &page = {});

Q_SIGNALS:
    void documentCountChanged(int count);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildLanguageBar();
    void buildStatusBar();
    void connectCommands();
    void LoadSettings();
    void FillFontBoxes();
    void watchDocument(frmDocument *doc);
    void applyViewState(frmDocument *doc);
    void setLayout(const QString &code);
    void showLayout(const QString &code);
    void toggleDot();
    void toggleNumerals();
    void toggleBar(QAction *item, const QList<QWidget *> &bars);
    void updateClock();
    void applyHindiFontBox();
    void applyEnglishFontBox();
    void applySizeBox();
    void sendKeyToFocus(int key, Qt::KeyboardModifiers modifiers);
    void editMenuAboutToShow();
    void languagesMenuAboutToShow();
    void documentClosed(frmDocument *doc);
    void documentActivated(QMdiSubWindow *sub);
    void tileWindows(Qt::Orientation direction);
    void showSaying(int x, int y);
    QString fontSizeForLanguage(const QString &key) const;
    void followLanguage(bool hindi);
    void applyLanguageFont(textengine::TextControl *rtf);
    QList<QAction *> documentFileCommands() const;

    SettingsStore &m_settings;
    engine::EngineState &m_state;
    std::unique_ptr<CommandSurface> m_cmd;
    FileCommands *m_files = nullptr;
    frmKeyb *m_keyb = nullptr;
    QPointer<frmFind> m_find;
    QPointer<frmDocument> m_rulerDocument;
    HelpWindow *m_help = nullptr;
    bool m_switchingLanguage = false;
};
