#pragma once

#include "app/commandsurface.h"

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

namespace kalamora {

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
class LanguageController;

namespace engine {
struct EngineState;
} // namespace engine

// The program's one top-level window: the frame of the document windows and
// the owner of every menu, toolbar, font box and the status bar, all of which
// serve the active document. The input language, the typing options and
// the font boxes' behaviour belong to its LanguageController, which is
// also the engine's host.
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

    // The language switch (see LanguageController) and the format controls.
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
    void toggleBar(QAction *item, const QList<QWidget *> &bars);
    void updateClock();
    void sendKeyToFocus(int key, Qt::KeyboardModifiers modifiers);
    void editMenuAboutToShow();
    void documentClosed(frmDocument *doc);
    void documentActivated(QMdiSubWindow *sub);
    void tileWindows(Qt::Orientation direction);
    void showSaying(int x, int y);
    QList<QAction *> documentFileCommands() const;

    SettingsStore &m_settings;
    engine::EngineState &m_state;
    std::unique_ptr<CommandSurface> m_cmd;
    FileCommands *m_files = nullptr;
    LanguageController *m_language = nullptr;
    frmKeyb *m_keyb = nullptr;
    QPointer<frmFind> m_find;
    QPointer<frmDocument> m_rulerDocument;
    HelpWindow *m_help = nullptr;
};

} // namespace kalamora
