#include "tests/app/soak/world.h"

#include "app/commandsurface.h"
#include "app/frmfind.h"
#include "app/gui.h"
#include "app/messagebox.h"

#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTextBlock>
#include <QTextDocument>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QToolBar>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace soak {

namespace {

// How far before the caret one key may rewrite the text: the engine
// reorders a short i, a reph or a conjunct over a few glyphs at most.
constexpr int KeyReach = 8;

const char *const DocId = "soakId";

// Where two texts first differ, shown around that place.
QString diff(const QString &want, const QString &got)
{
    qsizetype i = 0;
    while (i < want.size() && i < got.size() && want[i] == got[i])
        ++i;
    auto show = [i](const QString &s) { return escaped(s.mid(qMax<qsizetype>(0, i - 6), 16)); };
    return u"at %1 (of %2): expected \"%3\", got \"%4\""_s.arg(i).arg(want.size()).arg(show(want), show(got));
}

} // namespace

QString escaped(const QString &text)
{
    QString out;
    for (QChar c : text) {
        if (c == u'\n')
            out += u"\\n"_s;
        else if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() < 0xA0))
            out += u"\\x%1"_s.arg(int(c.unicode()), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

// --- Rng --------------------------------------------------------------------

quint64 Rng::next()
{
    quint64 z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

int Rng::below(int n)
{
    return n <= 1 ? 0 : int(next() % quint64(n));
}

// --- the program ------------------------------------------------------------

World::World(const RunOptions &options)
    : m_options(options)
{
    QSettings(u"Kalamora"_s, u"Kalamora"_s).clear();
    static const bool fontRegistered = kalamora::registerProgramFont();
    if (!fontRegistered)
        fail(u"setup"_s, u"GO10.TTF missing from the program folder"_s);
    QApplication::clipboard()->clear();

    kalamora::setMessageHook([this](const kalamora::MessageRequest &r) {
        messages.push_back(r.text);
        if (!answers.empty()) {
            const auto a = answers.front();
            answers.pop_front();
            return a;
        }
        return (r.buttons & QMessageBox::No) ? QMessageBox::No : QMessageBox::Ok;
    });
    kalamora::setFileDialogHook([this](const kalamora::FileDialogRequest &) {
        std::optional<kalamora::FileDialogChoice> c;
        if (!fileChoices.empty()) {
            c = fileChoices.front();
            fileChoices.pop_front();
        }
        return c;
    });
    textengine::setDialogHook([this](QDialog *dialog) {
        messages.push_back(dialog->windowTitle());
        return int(QDialog::Rejected);
    });
    textengine::setMessageHook(
        [this](QWidget *, QMessageBox::Icon, const QString &, const QString &text, QMessageBox::StandardButtons) {
            messages.push_back(text);
            return int(QMessageBox::Ok);
        });
    m_settings = std::make_unique<SettingsStore>();
    startProgram();
}

World::~World()
{
    if (m_main) {
        answers.assign(64, QMessageBox::No);
        if (auto *f = find())
            f->close();
        m_main->close();
        m_main.reset();
    }
    settle();
    kalamora::setMessageHook({});
    kalamora::setFileDialogHook({});
    textengine::setDialogHook({});
    textengine::setMessageHook({});
}

void World::startProgram()
{
    m_state = engine::EngineState{};
    m_main = std::make_unique<frmMain>(*m_settings, m_state);
    m_main->show();
    m_main->startUp();
    QApplication::setActiveWindow(m_main.get());
    settle();
    for (frmDocument *d : docs())
        ref(d).text = d->rtftext()->Text();
}

void World::restart()
{
    // The exit itself was the action's; what is left is a closed window.
    m_known.clear();
    m_refs.clear();
    m_main.reset();
    settle();
    startProgram();
}

frmDocument *World::doc() const
{
    return m_main ? m_main->activeDocument() : nullptr;
}

textengine::TextControl *World::rtf() const
{
    frmDocument *d = doc();
    return d ? d->rtftext() : nullptr;
}

textengine::TextControl *World::visible() const
{
    frmDocument *d = doc();
    if (!d)
        return nullptr;
    return d->Text3()->isVisibleTo(d) ? d->Text3() : d->rtftext();
}

frmFind *World::find() const
{
    if (!m_main)
        return nullptr;
    for (frmFind *f : m_main->findChildren<frmFind *>()) {
        if (f->isVisible())
            return f;
    }
    return nullptr;
}

QList<frmDocument *> World::docs() const
{
    return m_main ? m_main->documents() : QList<frmDocument *>();
}

bool World::hindi() const
{
    return m_state.isHindi();
}

QString World::layout() const
{
    return m_settings->readString(u"Layout"_s, u"Rom"_s);
}

QString World::clipboardText() const
{
    const QMimeData *m = QApplication::clipboard()->mimeData();
    return m ? m->text() : QString();
}

bool World::clipboardEmpty() const
{
    const QMimeData *m = QApplication::clipboard()->mimeData();
    return !m || m->formats().isEmpty();
}

QString World::newFilePath(const QString &ending)
{
    return m_files.filePath(u"doc%1.%2"_s.arg(++m_fileCount).arg(ending));
}

DocRef &World::ref(frmDocument *d)
{
    QVariant id = d->property(DocId);
    if (!id.isValid()) {
        static int next = 0;
        id = ++next;
        d->setProperty(DocId, id);
        m_known.append(d);
        m_refs[d].text = d->rtftext()->Text();
        m_refs[d].history = {m_refs[d].text};
    }
    return m_refs[d];
}

void World::forget(frmDocument *d)
{
    m_refs.remove(d);
    m_known.removeAll(d);
}

World::Sel World::sel(const textengine::TextControl *c)
{
    return {c->SelStart(), c->SelStart() + c->SelLength()};
}

// --- driving ----------------------------------------------------------------

void World::settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

void World::key(int key, Qt::KeyboardModifiers mods, QWidget *to)
{
    QWidget *target = to ? to : visible();
    if (!target)
        return;
    if (key > 0 && key < 0x80 && mods == Qt::NoModifier)
        QTest::keyClick(target, char(key));
    else
        QTest::keyClick(target, Qt::Key(key), mods);
}

bool World::clickButton(QAction *action)
{
    for (QToolBar *bar : {m_main->commands().tbToolbar, m_main->commands().tbBar2}) {
        if (QWidget *button = bar->widgetForAction(action)) {
            if (!button->isEnabled() || !button->isVisible())
                return false;
            QTest::mouseClick(button, Qt::LeftButton);
            return true;
        }
    }
    fail(u"driver"_s, u"no toolbar button for %1"_s.arg(action->objectName()));
}

bool World::chooseMenu(QAction *action)
{
    // Opening the menus on the way runs their refresh, as a user's click does.
    QList<QMenu *> path;
    for (QObject *o = action->parent(); o; o = o->parent()) {
        if (auto *menu = qobject_cast<QMenu *>(o))
            path.prepend(menu);
    }
    for (QMenu *m : path)
        Q_EMIT m->aboutToShow();
    const bool enabled = action->isEnabled() && action->isVisible();
    for (QMenu *m : path)
        Q_EMIT m->aboutToHide();
    if (enabled)
        action->trigger();
    return enabled;
}

bool World::choosePopup(QAction *action)
{
    textengine::TextControl *c = visible();
    if (!c)
        return false;
    QMenu *popup = m_main->commands().mnuPopUp;
    // The right button does not move the caret; any point will do.
    QTest::mouseClick(c->viewport(), Qt::RightButton, {}, QPoint(20, 20));
    const bool shown = popup->isVisible();
    const bool enabled = shown && action->isEnabled();
    popup->hide();
    // As when the menu closes on a real screen, the main window is the
    // active one again (its shortcuts work).
    m_main->activateWindow();
    settle();
    if (enabled)
        action->trigger();
    return enabled;
}

void World::typeKey(int k, Qt::KeyboardModifiers mods)
{
    textengine::TextControl *c = visible();
    if (!c)
        return;
    const QString before = c->Text();
    const Sel s = sel(c);
    c->setFocus();
    key(k, mods, c);
    const QString after = c->Text();
    // Delete takes the character after an empty selection (a whole
    // cluster of Unicode text), Backspace the one before it; nothing else
    // reaches past the selection's end.
    int keepFrom = s.end;
    if (k == Qt::Key_Delete && s.start == s.end && s.end < before.size()) {
        QTextBoundaryFinder clusters(QTextBoundaryFinder::Grapheme, before);
        clusters.setPosition(s.end);
        keepFrom = int(clusters.toNextBoundary());
    }
    // A reph the engine left after the caret is moved along with the
    // consonants it belongs to.
    while (keepFrom < before.size() && keepFrom < s.end + 2 && (before[keepFrom] == u'Z' || before[keepFrom] == u'~'))
        ++keepFrom;
    const QString tail = before.mid(keepFrom);
    const QString head = before.left(qMax(0, s.start - KeyReach));
    const QString what = u"key %1 at %2..%3"_s.arg(QKeySequence(k | mods).toString()).arg(s.start).arg(s.end);
    check(after.endsWith(tail), u"key-changed-text-after-caret"_s, what + u": "_s + diff(before, after));
    check(after.startsWith(head), u"key-changed-text-far-before-caret"_s, what + u": "_s + diff(before, after));
    if (after != before) {
        // The control joins a run of deletions into one undo step.
        const bool ownStep = k != Qt::Key_Backspace && k != Qt::Key_Delete;
        if (c == rtf()) {
            expectText(after, ownStep);
        } else {
            findRef = after;
            findEdited = true;
        }
    } else if (c == rtf()) {
        // The engine may rewrite and restore the text (a key it swallows in
        // the end): an undo step that changes nothing.
        formatChanged();
    }
}

void World::expectText(const QString &text, bool undoable)
{
    frmDocument *d = doc();
    DocRef &r = ref(d);
    const QString live = d->rtftext()->Text();
    check(live == text, u"text"_s, diff(text, live));
    r.undoTo = undoable ? std::optional<QString>(r.text) : std::nullopt;
    r.redoTo.reset();
    if (text != r.text)
        r.viewSwitched = r.clipboardStepped = false;
    r.text = text;
    if (r.history.isEmpty() || r.history.last() != text)
        r.history.append(text);
}

void World::adopt(bool undoable)
{
    expectText(rtf()->Text(), undoable);
}

void World::formatChanged()
{
    if (doc()) {
        ref().undoTo.reset();
        ref().redoTo.reset();
    }
}

void World::fail(const QString &check, const QString &message)
{
    throw Failure(check, message);
}

void World::check(bool ok, const QString &check, const QString &message) const
{
    if (!ok && !knownFailingCheck(check, m_options))
        fail(check, message);
}

QString World::formats(const textengine::TextControl *c)
{
    const QTextDocument *d = c->document();
    const double fallback = d->defaultFont().pointSizeF();
    QStringList runs;
    QString last;
    int from = 0, pos = 0;
    auto close = [&] {
        if (pos > from)
            runs.append(u"%1..%2 %3"_s.arg(from).arg(pos).arg(last));
        from = pos;
    };
    for (QTextBlock b = d->begin(); b.isValid(); b = b.next()) {
        static const char *const align[] = {"left", "right", "centre", "justify"};
        const auto a = b.blockFormat().alignment() & (Qt::AlignLeft | Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify);
        const int code = a == Qt::AlignRight ? 1 : a == Qt::AlignHCenter ? 2 : a == Qt::AlignJustify ? 3 : 0;
        close();
        runs.append(u"paragraph at %1 %2"_s.arg(b.position()).arg(QLatin1StringView(align[code])));
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat cf = f.charFormat();
            const QStringList families = cf.fontFamilies().toStringList();
            const QString family = families.isEmpty() ? d->defaultFont().family() : families.front();
            const double pt = cf.fontPointSize() > 0 ? cf.fontPointSize() : fallback;
            const QString style = u"%1 %2pt%3%4%5%6"_s.arg(family).arg(std::lround(pt))
                                      .arg(cf.fontWeight() >= QFont::Bold ? u" bold"_s : QString())
                                      .arg(cf.fontItalic() ? u" italic"_s : QString())
                                      .arg(cf.fontUnderline() ? u" underline"_s : QString())
                                      .arg(cf.fontStrikeOut() ? u" strike"_s : QString());
            if (style != last) {
                close();
                last = style;
            }
            pos = f.position() + f.length();
        }
    }
    close();
    return runs.join(u"; "_s);
}

void World::verify()
{
    settle();
    const QList<frmDocument *> open = docs();
    check(m_main->DocumentCount() == open.size(), u"document-count"_s,
          u"DocumentCount %1 with %2 windows open"_s.arg(m_main->DocumentCount()).arg(open.size()));
    for (const auto &known : std::as_const(m_known)) {
        check(known && open.contains(known.data()), u"document-vanished"_s,
              u"a document window closed that no action closed"_s);
    }
    frmFind *f = find();
    for (frmDocument *d : open) {
        check(d->property(DocId).isValid(), u"document-appeared"_s,
              u"a document window opened that no action opened: %1"_s.arg(d->windowTitle()));
        check(m_refs.contains(d), u"document-stayed-open"_s, u"%1 did not close"_s.arg(d->windowTitle()));
        const DocRef &r = ref(d);
        textengine::TextControl *c = d->rtftext();
        const QString text = c->Text();
        check(text == r.text, u"text"_s, u"%1: %2"_s.arg(d->windowTitle(), diff(r.text, text)));
        for (textengine::TextControl *x : {c, d->Text3()}) {
            const int len = int(x->Text().size());
            check(x->SelStart() >= 0 && x->SelLength() >= 0 && x->SelStart() + x->SelLength() <= len,
                  u"selection-out-of-range"_s,
                  u"%1: start %2 length %3 in a text of %4"_s.arg(x->objectName()).arg(x->SelStart())
                      .arg(x->SelLength()).arg(len));
        }
        const bool finding = f && d == findDoc && findRef;
        check(d->Text3()->isVisibleTo(d) == finding, u"find-copy-shown"_s,
              u"%1: the find copy is %2"_s.arg(d->windowTitle(), finding ? u"hidden"_s : u"shown"_s));
        if (finding)
            check(d->Text3()->Text() == *findRef, u"find-text"_s, diff(*findRef, d->Text3()->Text()));
    }
    check(!f || findRef, u"find-window"_s, u"a find window is open that no action opened"_s);
    if (doc() && !f) {
        // Cut and Copy offer themselves exactly when there is something to take.
        const bool selected = rtf()->SelLength() > 0;
        const CommandSurface &c = m_main->commands();
        check(c.mnuEditCut->isEnabled() == selected && c.mnuEditCopy->isEnabled() == selected, u"command-state"_s,
              u"Cut and Copy are %1 with %2 selected"_s.arg(c.mnuEditCopy->isEnabled() ? u"enabled"_s : u"disabled"_s)
                  .arg(rtf()->SelLength()));
    }
}

void World::checkViewMode()
{
    const bool page = m_main->commands().button[u"PView"_s]->isChecked();
    check(rtf()->ViewMode() == (page ? 1 : 0), u"view-mode"_s,
          u"%1 is in view %2 while the page view button is %3"_s.arg(doc()->windowTitle()).arg(rtf()->ViewMode())
              .arg(page ? u"pressed"_s : u"released"_s));
}

} // namespace soak
