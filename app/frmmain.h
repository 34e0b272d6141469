#pragma once

#include "app/commandsurface.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>

class QLineEdit;

namespace kalamora {

class SettingsStore;
class DocumentWindows;
class FormatCommands;
class StatusPanels;
class frmDocument;
class frmKeyb;
namespace textengine {
struct CharFormatSummary;
}

namespace textengine {
class TextControl;
} // namespace textengine
class frmFind;
class FileCommands;
class HelpWindow;
class LanguageController;

namespace engine {
struct EngineState;
} // namespace engine

// The program's one top-level window, assembled from its parts: the
// document windows under the shared ruler (DocumentWindows), the commands
// (CommandSurface, with FileCommands, FormatCommands and UnicodeCommands
// behind them), the language bar (LanguageController, also the engine's
// host, with the font boxes; FormatCommands' zoom box) and the status bar
// (StatusPanels). Everything serves the active document.
class frmMain : public QMainWindow {
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
    LanguageController &language() { return *m_language; }
    FormatCommands &format() { return *m_format; }
    DocumentWindows &windows() { return *m_windows; }
    StatusPanels &statusPanels() { return *m_status; }

    // Document windows.
    int DocumentCount() const; // created and not yet closed
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

    // The language switch (see LanguageController) and the format controls.
    void selectHindi();
    void selectEnglish();
    bool isHindi() const;
    // The boxes, the language and the command states take the format at
    // the active document's caret.
    void SyncFormatControls();
    // The enabled and checked states that follow the active document: Cut
    // and Copy its selection, Undo its undo stack, the style, alignment and
    // view buttons its format at the caret and its view. Runs on the
    // document's own signals, so no menu needs to open first.
    void syncCommandStates();
    void syncCommandStates(const textengine::CharFormatSummary &chars);

    // Opens the Help window on a page, or says there is no help.
    void showHelp(const QString &page = {});

Q_SIGNALS:
    void documentCountChanged(int count);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildDictionaryBox();
    void connectCommands();
    void LoadSettings();
    void watchDocument(frmDocument *doc);
    void applyViewState(frmDocument *doc);
    void toggleBar(QAction *item, const QList<QWidget *> &bars);
    void sendKeyToFocus(int key, Qt::KeyboardModifiers modifiers);
    void editMenuAboutToShow();
    void documentClosed();
    void documentActivated(frmDocument *doc);
    void setDocumentCommandsShown(bool shown);
    QList<QAction *> documentFileCommands() const;

    SettingsStore &m_settings;
    engine::EngineState &m_state;
    std::unique_ptr<CommandSurface> m_cmd;
    DocumentWindows *m_windows = nullptr;
    LanguageController *m_language = nullptr;
    StatusPanels *m_status = nullptr;
    FileCommands *m_files = nullptr;
    FormatCommands *m_format = nullptr;
    QLineEdit *m_txtDic = nullptr; // the dictionary box: a click opens the dictionary
    frmKeyb *m_keyb = nullptr;
    QPointer<frmFind> m_find;
    HelpWindow *m_help = nullptr;
};

} // namespace kalamora
