#pragma once

// The soak: the real main window, driven by seeded random actions, each
// checked against a small reference of every document's text.

#include "app/documentwindows.h"
#include "app/filedialogs.h"
#include "app/formatcommands.h"
#include "app/frmdocument.h"
#include "app/frmmain.h"
#include "app/languagecontroller.h"

#include "engine/enginestate.h"
#include "settings/settingsstore.h"

#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>

#include <atomic>
#include <deque>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

class QAction;
class QWidget;

namespace kalamora {
class frmFind;
namespace textengine {
class TextControl;
}
} // namespace kalamora

using namespace kalamora;

namespace soak {

// splitmix64: small, and the same numbers on every machine and compiler.
class Rng {
public:
    explicit Rng(quint64 seed)
        : m_state(seed)
    {
    }
    quint64 next();
    int below(int n); // 0 .. n-1; n > 0
    bool percent(int p) { return below(100) < p; }
    template <typename List> auto pick(const List &list) { return list[below(int(std::size(list)))]; }

private:
    quint64 m_state;
};

// Text with line feeds and control characters made visible, for messages.
QString escaped(const QString &text);

// A check that did not hold. `check` names the kind of failure, so that a
// shrunk action list can be required to fail in the same way.
struct Failure : std::runtime_error {
    Failure(QString check, QString message)
        : std::runtime_error(message.toStdString())
        , check(std::move(check))
        , message(std::move(message))
    {
    }
    QString check;
    QString message;
};

// What the program must show after an action, per document window.
struct DocRef {
    QString text;
    // The text an Undo must return to, while the last undo step is one
    // that the soak made itself (a key, a cut, a paste); the text a Redo
    // must bring back after that Undo.
    std::optional<QString> undoTo;
    std::optional<QString> redoTo;
    QStringList history; // every text the document has held, oldest first
    // Since the text last changed: a view switch, a copy (each may leave
    // undo steps that change no text).
    bool viewSwitched = false;
    bool clipboardStepped = false;
};

struct RunOptions {
    // The known faults whose description contains this are not kept out of
    // the way ("" for all of them).
    std::optional<QString> lift;
    bool echo = false;       // print each step as it starts (for a supervisor)
    bool verbose = false;    // print what each step did
};

// The program under test with the reference beside it. One World is one run
// of the program: a fresh settings store, a fresh clipboard, its own folder
// for saved files.
class World {
public:
    explicit World(const RunOptions &options);
    ~World();
    World(const World &) = delete;
    World &operator=(const World &) = delete;

    frmMain &main() { return *m_main; }
    const frmMain &main() const { return *m_main; }
    frmDocument *doc() const;                  // the active document, or null
    textengine::TextControl *rtf() const;      // the active document's control
    textengine::TextControl *visible() const;  // its control on screen (Text3 while finding)
    frmFind *find() const;                     // the open find window, or null
    QList<frmDocument *> docs() const;
    bool hindi() const;
    QString layout() const;
    QString clipboardText() const;
    bool clipboardEmpty() const;

    // Answers the program's questions during the next action; unplanned
    // ones get No (a question) or OK.
    std::deque<QMessageBox::StandardButton> answers;
    std::deque<kalamora::FileDialogChoice> fileChoices;
    QStringList messages; // every box the program showed during this action
    QString newFilePath(const QString &ending);

    // The reference.
    DocRef &ref(frmDocument *d);
    DocRef &ref() { return ref(doc()); }
    std::optional<QString> findRef;  // Text3 while the find window is open
    QPointer<frmDocument> findDoc;   // the document it searches
    bool findSearching = false;      // the find window's search has begun
    bool findEdited = false;         // a replacement was made
    QString findFormats;             // the document's formatting when it opened
    void forget(frmDocument *d);     // a document window closed as expected

    // Every character's font, size and style, and every paragraph's
    // alignment, as one comparable text.
    static QString formats(const textengine::TextControl *c);

    // Reading the live selection of a control.
    struct Sel {
        int start = 0, end = 0;
    };
    static Sel sel(const textengine::TextControl *c);

    // Driving, as a user would: keys to the control that has them, clicks on
    // toolbar buttons and menu items that are enabled.
    void key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, QWidget *to = nullptr);
    bool clickButton(QAction *action);        // false when the button is disabled
    bool chooseMenu(QAction *action);         // opens the action's menu first
    bool choosePopup(QAction *action);        // right-click on the document
    void settle();                            // let queued events run

    // One typed key with its check: the text after the selection is kept,
    // and so is the text more than a few glyphs before it.
    void typeKey(int key, Qt::KeyboardModifiers mods = Qt::NoModifier);
    // The active document must now read `text`; it becomes the reference.
    // `undoable`: the change was one undo step of its own.
    void expectText(const QString &text, bool undoable);
    void adopt(bool undoable); // takes the live text after a checked change
    // A format change: an undo step without a text change.
    void formatChanged();

    [[noreturn]] static void fail(const QString &check, const QString &message);
    // A check that a known fault would fail is skipped while it is listed.
    void check(bool ok, const QString &check, const QString &message) const;

    // After every action: every document and the find copy read as the
    // reference says; carets and selections lie inside the text; the
    // windows' bookkeeping agrees.
    void verify();
    // A new or opened document shows the view the controls show.
    void checkViewMode();

    // Ends the program (File > Exit, already answered) and starts it again on
    // the same settings, as a user would.
    void restart();

    // Human-readable notes of the current action, for the log.
    QString note;

private:
    void startProgram();

    RunOptions m_options;
    QTemporaryDir m_files;
    int m_fileCount = 0;
    std::unique_ptr<SettingsStore> m_settings;
    engine::EngineState m_state;
    std::unique_ptr<frmMain> m_main;
    QHash<frmDocument *, DocRef> m_refs;
    QList<QPointer<frmDocument>> m_known;
};

// One action of the driver: its name (as the action lists print it), how
// often it is chosen, when it can run, and what it does, checking its own
// expected effect and leaving the reference as the program must now be.
struct Action {
    const char *name;
    int weight;
    bool (*can)(const World &);
    void (*perform)(World &, Rng &);
    bool keepsFormat = false; // the active document's formatting stays as it was
};
const std::vector<Action> &actions();
int actionIndex(const QString &name); // -1 when unknown

// Faults that are known and being mended elsewhere: while one is listed, the
// driver does not take the actions that would run into it, nor make the
// check that it would fail.
struct KnownFault {
    const char *name;
    bool (*blocks)(const Action &, const World &); // may be null
    const char *check;                              // may be null
};
bool blockedByKnownFault(const Action &action, const World &world, const RunOptions &options);
bool knownFailingCheck(const QString &check, const RunOptions &options);

// One chosen action and the seed of its own choices: dropping steps from a
// list leaves every other step doing the same thing.
struct Step {
    int action = 0;
    quint64 seed = 0;
};
QString format(const std::vector<Step> &steps);
std::optional<std::vector<Step>> parseSteps(const QString &text);

// Counts the steps begun in this process, for a watchdog.
extern std::atomic<quint64> progress;

// Runs `count` random steps from `seed`. Fills `steps` with what ran.
// Throws Failure.
void runSeed(quint64 seed, int count, const RunOptions &options, std::vector<Step> &steps);
// Replays a list; a step whose action cannot run at that point is skipped.
void replay(const std::vector<Step> &steps, const RunOptions &options);

} // namespace soak
