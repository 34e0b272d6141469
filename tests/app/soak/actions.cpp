// The soak's actions: what a user does with the main window, each with what
// it must do to the text.

#include "tests/app/soak/world.h"

#include "app/commandsurface.h"
#include "app/frmfind.h"

#include "kruti/cp1252.h"
#include "textengine/textcontrol.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStringDecoder>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace soak {

namespace {

using TC = textengine::TextControl;
using Cmd = QAction *CommandSurface::*;

// --- preconditions ----------------------------------------------------------

bool editing(const World &w)
{
    return w.doc() && !w.find();
}

bool selection(const World &w)
{
    return editing(w) && w.rtf()->SelLength() > 0;
}

bool someText(const World &w)
{
    return editing(w) && !w.rtf()->Text().isEmpty();
}

bool finding(const World &w)
{
    return w.find() != nullptr;
}

bool always(const World &)
{
    return true;
}

// --- what to type -----------------------------------------------------------

const char *const HindiWords[] = {"kamal", "ghar", "namaste", "bhaarat", "hindI", "kShatriya", "shrI", "dharma",
                                  "karma", "prem", "rk", "kitaab", "pustak", "vidyaalay", "ardh", "aur", "hai",
                                  "mEM", "kyaa", "pri", "dvaar", "hmm", "Thaakur", "rkaI", "jnaan", "kki", "qki"};
const char *const Consonants[] = {"k", "kh", "g", "gh", "c", "ch", "j", "jh", "T", "Th", "D", "Dh", "N",
                                  "t", "th", "d", "dh", "n", "p", "ph", "b", "bh", "m", "y", "r", "l",
                                  "v", "sh", "S", "s", "h", "q", "x", "z", "f", "R", "tr", "jn", "kSh"};
const char *const Vowels[] = {"", "a", "aa", "i", "I", "u", "U", "e", "ai", "o", "au", "M", "R", "E", "O", "A"};
const char *const EnglishWords[] = {"the", "house", "River", "a", "letter", "Dear", "friend,", "Kalamora",
                                    "word", "(note)", "42", "x-ray", "it's", "OK.", "\"quoted\""};

QString hindiWord(Rng &r)
{
    if (r.percent(50))
        return QLatin1StringView(r.pick(HindiWords));
    QString word;
    for (int n = 1 + r.below(3); n > 0; --n)
        word += QLatin1StringView(r.pick(Consonants)) + QLatin1StringView(r.pick(Vowels));
    return word;
}

QString printable(Rng &r, int n)
{
    QString s;
    while (n-- > 0)
        s += QChar(char16_t(0x21 + r.below(0x7E - 0x21 + 1)));
    return s;
}

// A word for the language and layout the program is in.
QString word(const World &w, Rng &r)
{
    if (!w.hindi() || w.layout() == u"Tav"_s)
        return QLatin1StringView(r.pick(EnglishWords));
    return w.layout() == u"Rem"_s ? printable(r, 1 + r.below(5)) : hindiWord(r);
}

// --- running a command the four ways a user can -----------------------------

struct Command {
    const char *name;
    int key;           // with Ctrl
    Cmd menu;          // Edit menu item
    const char *button; // toolbar button, or null
    Cmd popup;         // pop-up menu item, or null
};

const Command Copy{"copy", Qt::Key_C, &CommandSurface::mnuEditCopy, "Copy", &CommandSurface::mnuPopCopy};
const Command Cut{"cut", Qt::Key_X, &CommandSurface::mnuEditCut, "Cut", &CommandSurface::mnuPopCut};
const Command Paste{"paste", Qt::Key_V, &CommandSurface::mnuEditPaste, "Paste", &CommandSurface::mnuPopPaste};
const Command Undo{"undo", Qt::Key_Z, &CommandSurface::mnuEditUndo, "Undo", nullptr};

// Runs the command by keys, menu, toolbar or pop-up menu. False when the
// way chosen offers it disabled, so nothing ran.
bool run(World &w, Rng &r, const Command &cmd)
{
    CommandSurface &c = w.main().commands();
    const int ways = cmd.popup ? 4 : 3;
    switch (r.below(ways)) {
    case 0:
        w.note += u" by keys"_s;
        w.visible()->setFocus();
        w.key(cmd.key, Qt::ControlModifier);
        return true;
    case 1:
        w.note += u" by menu"_s;
        return w.chooseMenu(c.*cmd.menu);
    case 2:
        w.note += u" by toolbar"_s;
        return w.clickButton(c.button[QString::fromLatin1(cmd.button)]);
    default: {
        w.note += u" by pop-up"_s;
        // The pop-up's item runs the Edit menu's: offered while that one is
        // disabled, it does nothing. (Whether it was enabled is read before
        // it runs: a Cut leaves no selection, and Cut disabled.)
        QAction *item = c.*cmd.popup;
        QAction *runs = c.*cmd.menu;
        const bool enabled = runs->isEnabled();
        if (!w.choosePopup(item))
            return false;
        w.check(enabled, u"popup-runs-disabled-command"_s,
                u"the pop-up offered %1, and the Edit menu's command it runs is disabled"_s
                    .arg(QLatin1StringView(cmd.name)));
        return enabled;
    }
    }
}

QString quoted(const QString &s)
{
    return u'"' + escaped(s) + u'"';
}

// The clipboard after a copy or cut holds the selection, led by the space
// that other programs of this encoding expect once a window has prepared it.
void checkClipboard(World &w, const QString &selected, const QString &what)
{
    const QString clip = w.clipboardText();
    w.check(clip == selected || clip == u' ' + selected, what + u"-clipboard"_s,
            u"the clipboard holds %1 after %2 of %3"_s.arg(quoted(clip), what, quoted(selected)));
}

// The formatting went through RTF and came back the same.
void checkSameFormat(World &w, const TC *from, const TC *to, const QString &check)
{
    const QString want = World::formats(from), got = World::formats(to);
    w.check(got == want, check, u"other formatting:\n  was %1\n  now %2"_s.arg(want, got));
}

// --- typing and moving ------------------------------------------------------

void typeWord(World &w, Rng &r)
{
    QString keys = word(w, r);
    if (r.percent(60))
        keys += r.percent(80) ? u" "_s : QString(r.pick(u".,;?!"_s));
    w.note = u"type %1 (%2, %3)"_s.arg(quoted(keys), w.hindi() ? u"Hindi"_s : u"English"_s, w.layout());
    for (QChar k : std::as_const(keys))
        w.typeKey(k.unicode());
}

void typeKeys(World &w, Rng &r)
{
    static const int special[] = {Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return, Qt::Key_Tab, Qt::Key_Space};
    w.note = u"keys"_s;
    for (int n = 1 + r.below(4); n > 0; --n) {
        int k;
        Qt::KeyboardModifiers mods;
        switch (r.below(4)) {
        case 0: k = r.pick(special); break;
        case 1: k = '0' + r.below(10); break;
        case 2: k = r.pick(u".,;:'\"!?-()[]/|\\"_s).unicode(); break;
        default: k = printable(r, 1)[0].unicode(); break;
        }
        if (k == Qt::Key_Return && r.percent(15))
            mods = Qt::ControlModifier; // a page break
        w.note += u" "_s + (k < 0x80 ? quoted(QString(QChar(k))) : QKeySequence(k | mods).toString());
        w.typeKey(k, mods);
    }
}

const int Moves[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End,
                     Qt::Key_PageUp, Qt::Key_PageDown};

void move(World &w, Rng &r, Qt::KeyboardModifiers extra)
{
    w.note = extra ? u"select with"_s : u"move"_s;
    w.visible()->setFocus();
    for (int n = 1 + r.below(extra ? 6 : 3); n > 0; --n) {
        const int k = r.pick(Moves);
        const Qt::KeyboardModifiers mods = extra | (r.percent(20) ? Qt::ControlModifier : Qt::NoModifier);
        w.note += u" "_s + QKeySequence(k | mods).toString();
        w.key(k, mods);
    }
}

QPoint somewhere(const World &w, Rng &r)
{
    const QRect area = w.visible()->viewport()->rect();
    return {r.below(qMax(1, area.width())), r.below(qMax(1, area.height()))};
}

void click(World &w, Rng &r)
{
    const QPoint at = somewhere(w, r);
    const bool shift = r.percent(25);
    w.note = u"%1click at %2,%3"_s.arg(shift ? u"shift-"_s : QString()).arg(at.x()).arg(at.y());
    QTest::mouseClick(w.visible()->viewport(), Qt::LeftButton, shift ? Qt::ShiftModifier : Qt::NoModifier, at);
}

void doubleClick(World &w, Rng &r)
{
    const QPoint at = somewhere(w, r);
    w.note = u"double-click at %1,%2"_s.arg(at.x()).arg(at.y());
    QTest::mouseDClick(w.visible()->viewport(), Qt::LeftButton, {}, at);
    // A real double-click ends with the button coming up, which QTest's
    // leaves out; the control settles its selection then.
    QTest::mouseRelease(w.visible()->viewport(), Qt::LeftButton, {}, at);
}

void selectAll(World &w, Rng &r)
{
    if (r.percent(50)) {
        w.note = u"select all by keys"_s;
        w.visible()->setFocus();
        w.key(Qt::Key_A, Qt::ControlModifier);
    } else {
        w.note = u"select all by menu"_s;
        w.chooseMenu(w.main().commands().mnuEditSelectAll);
    }
    const int len = int(w.rtf()->Text().size());
    w.check(w.rtf()->SelStart() == 0 && w.rtf()->SelLength() == len, u"select-all"_s,
            u"selected %1+%2 of %3"_s.arg(w.rtf()->SelStart()).arg(w.rtf()->SelLength()).arg(len));
}

// --- clipboard --------------------------------------------------------------

void copy(World &w, Rng &r)
{
    TC *c = w.rtf();
    const World::Sel s = World::sel(c);
    const QString selected = c->SelText();
    const QString clipBefore = w.clipboardText();
    w.note = u"copy %1"_s.arg(quoted(selected));
    if (run(w, r, Copy)) {
        checkClipboard(w, selected, u"copy"_s);
        w.ref().clipboardStepped = true;
    }
    else
        w.check(w.clipboardText() == clipBefore, u"copy-disabled"_s, u"a disabled Copy changed the clipboard"_s);
    const World::Sel after = World::sel(c);
    w.check(after.start == s.start && after.end == s.end, u"copy-selection"_s,
            u"the selection %1..%2 became %3..%4"_s.arg(s.start).arg(s.end).arg(after.start).arg(after.end));
}

void cut(World &w, Rng &r)
{
    TC *c = w.rtf();
    const World::Sel s = World::sel(c);
    const QString before = c->Text();
    const QString selected = c->SelText();
    w.note = u"cut %1"_s.arg(quoted(selected));
    if (!run(w, r, Cut))
        return;
    checkClipboard(w, selected, u"cut"_s);
    w.expectText(before.left(s.start) + before.mid(s.end), true);
}

void paste(World &w, Rng &r)
{
    TC *c = w.rtf();
    const World::Sel s = World::sel(c);
    const QString before = c->Text();
    const QString clip = w.clipboardText();
    w.note = u"paste %1"_s.arg(quoted(clip));
    if (!run(w, r, Paste) || clip.isEmpty())
        return;
    // Our own copies are pasted from their rich text, which has no room for
    // the clipboard's leading space.
    QString want = before.left(s.start) + clip + before.mid(s.end);
    if (clip.startsWith(u' ') && w.rtf()->Text().size() == want.size() - 1)
        want.remove(s.start, 1);
    w.expectText(want, true);
}

// Ctrl+C held until the key repeats, or let go in an unusual order: the
// document and the selection stay as they were.
void copyOddly(World &w, Rng &r)
{
    TC *c = w.rtf();
    const World::Sel s = World::sel(c);
    const QString selected = c->SelText();
    c->setFocus();
    const int way = r.below(3);
    QTest::keyPress(c, Qt::Key_C, Qt::ControlModifier);
    switch (way) {
    case 0: {
        w.note = u"copy %1, holding Ctrl+C until it repeats"_s.arg(quoted(selected));
        for (int i = 0; i < 3; ++i) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier, QString(QChar(3)), true);
            QApplication::sendEvent(c, &repeat);
        }
        QTest::keyRelease(c, Qt::Key_C, Qt::ControlModifier);
        break;
    }
    case 1:
        w.note = u"copy %1, letting Ctrl go before C"_s.arg(quoted(selected));
        QTest::keyRelease(c, Qt::Key_Control, Qt::ControlModifier);
        QTest::keyRelease(c, Qt::Key_C, Qt::NoModifier);
        break;
    default:
        w.note = u"copy %1, letting C go over another window"_s.arg(quoted(selected));
        w.main().format().cmbZoom()->setFocus();
        QTest::keyRelease(w.main().format().cmbZoom(), Qt::Key_C, Qt::ControlModifier);
        c->setFocus();
        break;
    }
    checkClipboard(w, selected, u"copy"_s);
    w.ref().clipboardStepped = true;
    const World::Sel after = World::sel(c);
    w.check(after.start == s.start && after.end == s.end, u"copy-selection"_s,
            u"the selection %1..%2 became %3..%4"_s.arg(s.start).arg(s.end).arg(after.start).arg(after.end));
}

void copyUnicode(World &w, Rng &r)
{
    w.note = u"copy %1 as Unicode"_s.arg(quoted(w.rtf()->SelText()));
    if (r.percent(50)) {
        w.rtf()->setFocus();
        w.key(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    } else {
        w.chooseMenu(w.main().commands().mnuEditCopyUnicode);
    }
    w.check(!w.clipboardText().isEmpty(), u"copy-unicode"_s, u"Copy As Unicode left the clipboard empty"_s);
}

// What another program might leave on the clipboard.
void foreignClipboard(World &w, Rng &r)
{
    QClipboard *cb = QApplication::clipboard();
    switch (r.below(5)) {
    case 0:
        w.note = u"another program clears the clipboard"_s;
        cb->clear();
        break;
    case 1: {
        const QString text = u"नमस्ते दुनिया"_s;
        w.note = u"another program copies Unicode Hindi"_s;
        cb->setText(r.percent(50) ? text : text + u"\nline two"_s);
        break;
    }
    case 2: {
        w.note = u"another program copies rich text"_s;
        auto *m = new QMimeData;
        m->setHtml(u"<p><b>Bold</b> and <i>plain</i></p>"_s);
        m->setText(u"Bold and plain"_s);
        cb->setMimeData(m);
        break;
    }
    case 3: {
        w.note = u"another program copies something that is no text"_s;
        auto *m = new QMimeData;
        m->setData(u"application/x-soak-private"_s, QByteArray("\x01\x02", 2));
        cb->setMimeData(m);
        break;
    }
    default: {
        const QString text = printable(r, 1 + r.below(12));
        w.note = u"another program copies %1"_s.arg(quoted(text));
        cb->setText(text);
        break;
    }
    }
}

void clearSelection(World &w, Rng &r)
{
    const World::Sel s = World::sel(w.rtf());
    const QString before = w.rtf()->Text();
    w.note = u"delete the selection %1"_s.arg(quoted(w.rtf()->SelText()));
    const bool ran = r.percent(50) ? w.chooseMenu(w.main().commands().mnuEditClear)
                                   : w.choosePopup(w.main().commands().mnuPopDelete);
    if (ran)
        w.expectText(before.left(s.start) + before.mid(s.end), true);
}

// --- undo and redo ----------------------------------------------------------

// Any text an undo or redo may bring back must be one the document has had.
void undoRedo(World &w, Rng &r, bool redo)
{
    DocRef &ref = w.ref();
    const QString before = ref.text;
    const std::optional<QString> want = redo ? ref.redoTo : ref.undoTo;
    w.note = redo ? u"redo"_s : u"undo"_s;
    if (redo) {
        w.rtf()->setFocus();
        w.key(Qt::Key_Y, Qt::ControlModifier);
    } else {
        run(w, r, Undo);
    }
    const QString now = w.rtf()->Text();
    const QString check = redo ? u"redo"_s : u"undo"_s;
    if (want)
        w.note += u" (to %1)"_s.arg(quoted(*want));
    if (want ? now != *want : !ref.history.contains(now)) {
        // Two faults of their own: the space that Copy and Cut put in front
        // of the selection back in the text, and a view switch taken back
        // in place of the last edit.
        bool strayClipboardSpace = false;
        for (qsizetype i = now.indexOf(u' '); i >= 0 && !strayClipboardSpace; i = now.indexOf(u' ', i + 1)) {
            const QString without = QString(now).remove(i, 1);
            strayClipboardSpace = without == before || (want ? without == *want : ref.history.contains(without));
        }
        // A view switch since the text last changed explains it first (the
        // text may well end in a space of its own).
        const QString kind = ref.viewSwitched                                ? u"undo-view-step"_s
                             : strayClipboardSpace || ref.clipboardStepped ? u"clipboard-undo-steps"_s
                                                                           : check;
        w.check(false, kind,
                u"brought back %1, expected %2"_s.arg(quoted(now), want ? quoted(*want) : u"a text the document held"_s));
    }
    w.expectText(now, false);
    if (!redo && now != before)
        ref.redoTo = before;
    else if (redo && now != before)
        ref.undoTo = before;
}

// --- language, layout and format --------------------------------------------

// A selection with characters to format: a paragraph break takes none.
bool hasCharacters(const TC *c)
{
    return c->SelLength() > 0 && !c->SelText().contains(u'\n');
}

void ctrlL(World &w, Rng &)
{
    const bool wasHindi = w.hindi();
    w.note = u"Ctrl+L"_s;
    w.rtf()->setFocus();
    w.key(Qt::Key_L, Qt::ControlModifier);
    w.check(w.hindi() != wasHindi, u"ctrl-l"_s, u"Ctrl+L left the input language as it was"_s);
    w.formatChanged();
}

void chooseLanguage(World &w, Rng &r)
{
    const bool hindi = r.percent(50);
    w.note = hindi ? u"Languages > Hindi"_s : u"Languages > English"_s;
    CommandSurface &c = w.main().commands();
    w.chooseMenu(hindi ? c.mnuLangHindi : c.mnuLangEnglish);
    w.check(w.hindi() == hindi, u"language"_s, u"the input language did not follow the menu"_s);
    w.formatChanged();
}

void chooseLayout(World &w, Rng &r)
{
    CommandSurface &c = w.main().commands();
    const std::pair<QAction *, QString> layouts[] = {
        {c.mnuLayoutRom, u"Rom"_s}, {c.mnuLayoutRem, u"Rem"_s}, {c.mnuLayoutTav, u"Tav"_s}};
    const auto &[item, code] = layouts[r.below(r.percent(70) ? 1 : 3)];
    w.note = u"layout %1"_s.arg(code);
    w.chooseMenu(item);
    w.check(w.layout() == code, u"layout"_s, u"the layout did not follow the menu"_s);
}

void fontSize(World &w, Rng &r)
{
    QComboBox *box = w.main().language().cmbFontSize();
    const int index = r.below(box->count());
    w.note = u"font size %1"_s.arg(box->itemText(index));
    box->setCurrentIndex(index);
    Q_EMIT box->activated(index);
    TC *c = w.rtf();
    if (hasCharacters(c))
        w.check(c->FontSize() == box->itemText(index).toInt(), u"font-size"_s,
                u"the selection reads %1 pt"_s.arg(c->FontSize()));
    w.formatChanged();
}

void bold(World &w, Rng &r)
{
    TC *c = w.rtf();
    const bool was = c->FontBold(); // false for a partly bold selection too
    CommandSurface &cs = w.main().commands();
    switch (r.below(3)) {
    case 0: w.note = u"bold by keys"_s; c->setFocus(); w.key(Qt::Key_B, Qt::ControlModifier); break;
    case 1: w.note = u"bold by menu"_s; w.chooseMenu(cs.mnuStyleBold); break;
    default: w.note = u"bold by toolbar"_s; w.clickButton(cs.button[u"Bold"_s]); break;
    }
    if (hasCharacters(c))
        w.check(c->FontBold() != was, u"bold"_s, u"bold did not toggle on the selection"_s);
    w.formatChanged();
}

void align(World &w, Rng &r)
{
    CommandSurface &c = w.main().commands();
    const struct {
        QAction *menu, *popup, *button;
        int code;
    } ways[] = {
        {c.mnuAlignLeft, c.mnuPopAlignLeft, c.button[u"Align Left"_s], TC::AlignLeft},
        {c.mnuAlignCenter, c.mnuPopAlignCenter, c.button[u"Align Centre"_s], TC::AlignCenter},
        {c.mnuAlignRight, c.mnuPopAlignRight, c.button[u"Align Right"_s], TC::AlignRight},
        {c.mnuAlignJustify, c.mnuPopAlignJustify, c.button[u"Justify"_s], TC::AlignJustify},
    };
    const auto &way = r.pick(ways);
    w.note = u"align %1"_s.arg(way.code);
    switch (r.below(3)) {
    case 0: w.chooseMenu(way.menu); break;
    case 1: w.choosePopup(way.popup); break;
    default: w.clickButton(way.button); break;
    }
    w.check(w.rtf()->AlignMent() == way.code, u"align"_s, u"alignment reads %1"_s.arg(w.rtf()->AlignMent()));
    w.formatChanged();
}

// --- view -------------------------------------------------------------------

void zoom(World &w, Rng &r)
{
    CommandSurface &c = w.main().commands();
    if (r.percent(50)) {
        const int i = r.below(int(c.mnuZoom.size()));
        w.note = u"View > Zoom %1"_s.arg(c.mnuZoom[i]->text());
        w.chooseMenu(c.mnuZoom[i]);
    } else {
        QComboBox *box = w.main().format().cmbZoom();
        const int i = r.below(box->count());
        w.note = u"zoom box %1"_s.arg(box->itemText(i));
        box->setCurrentIndex(i);
        Q_EMIT box->activated(i);
    }
}

void viewMode(World &w, Rng &r)
{
    CommandSurface &c = w.main().commands();
    w.ref().viewSwitched = true;
    switch (r.below(3)) {
    case 0: w.note = u"View > Page View > Editor"_s; w.chooseMenu(c.mnuViewEditor); break;
    case 1: w.note = u"View > Page View > Page View"_s; w.chooseMenu(c.mnuViewPageView); break;
    default: w.note = u"page view button"_s; w.clickButton(c.button[u"PView"_s]); break;
    }
}

// --- find and replace -------------------------------------------------------

void openFind(World &w, Rng &r)
{
    CommandSurface &c = w.main().commands();
    const bool replacing = r.percent(70);
    w.note = replacing ? u"Edit > Find & Replace"_s : u"Edit > Find"_s;
    if (r.percent(50))
        w.chooseMenu(replacing ? c.mnuEditReplace : c.mnuEditFind);
    else
        w.clickButton(c.button[replacing ? u"FindR"_s : u"Find"_s]);
    if (!w.find()) {
        w.check(!w.hindi(), u"find-open"_s, u"no find window in Hindi"_s);
        return;
    }
    w.findRef = w.rtf()->Text();
    w.findDoc = w.doc();
    w.findSearching = false;
    w.findEdited = false;
    w.findFormats = World::formats(w.rtf());
    checkSameFormat(w, w.rtf(), w.doc()->Text3(), u"find-copy-format"_s);
}

// The search text: a piece of the document, or keys typed through the engine.
void findWhat(World &w, Rng &r)
{
    frmFind *f = w.find();
    const bool second = f->Text2->isVisible() && r.percent(40);
    TC *field = second ? f->Text2 : f->Text1;
    const QString &text = *w.findRef;
    if (r.percent(60) && !text.isEmpty()) {
        const int at = r.below(int(text.size()));
        const QString piece = text.mid(at, 1 + r.below(3));
        w.note = u"%1 %2"_s.arg(second ? u"replace with"_s : u"find what"_s, quoted(piece));
        field->setText(piece);
    } else {
        field->setText(QString());
        const QString keys = hindiWord(r);
        w.note = u"type %1 into %2"_s.arg(quoted(keys), second ? u"Replace With"_s : u"Find What"_s);
        field->setFocus();
        for (QChar k : keys)
            w.key(k.unicode(), Qt::NoModifier, field);
    }
}

void findNext(World &w, Rng &)
{
    frmFind *f = w.find();
    TC *t3 = w.doc()->Text3();
    const QString what = f->boxText(f->Text1);
    const int from = w.findSearching ? t3->SelStart() + t3->SelLength() : 0;
    const int at = what.isEmpty() ? -1 : int(w.findRef->indexOf(what, from));
    w.note = u"Find Next %1"_s.arg(quoted(what));
    QTest::mouseClick(f->FindNext, Qt::LeftButton);
    if (at < 0) {
        w.check(w.messages.contains(u"Penwick Has Finished Searching The Document"_s), u"find-next"_s,
                u"no message at the end of the search"_s);
        w.findSearching = false;
        return;
    }
    w.findSearching = true;
    w.check(t3->SelStart() == at && t3->SelLength() == what.size(), u"find-next"_s,
            u"selected %1+%2, expected %3+%4"_s.arg(t3->SelStart()).arg(t3->SelLength()).arg(at).arg(what.size()));
}

void replace(World &w, Rng &r)
{
    frmFind *f = w.find();
    TC *t3 = w.doc()->Text3();
    const QString with = f->boxText(f->Text2);
    QString text = *w.findRef;
    const bool all = r.percent(50);
    if (all) {
        const QString what = f->boxText(f->Text1);
        w.note = u"Replace All %1 with %2"_s.arg(quoted(what), quoted(with));
        for (int from = t3->SelStart(); !what.isEmpty();) {
            const int at = int(text.indexOf(what, from));
            if (at < 0)
                break;
            text.replace(at, what.size(), with);
            from = at + int(with.size());
        }
        QTest::mouseClick(f->ReplaceAll, Qt::LeftButton);
    } else {
        w.note = u"Replace %1 with %2"_s.arg(quoted(t3->SelText()), quoted(with));
        if (t3->SelLength() > 0)
            text.replace(t3->SelStart(), t3->SelLength(), with);
        QTest::mouseClick(f->Replace, Qt::LeftButton);
    }
    w.findEdited = w.findEdited || text != *w.findRef;
    w.findRef = text;
}

void closeFind(World &w, Rng &r)
{
    frmFind *f = w.find();
    // The document may have changed behind the find copy meanwhile (the
    // engine sets the Hindi font on its selection when a short i is typed
    // into the find window); what counts is what comes back.
    const QString before = w.findFormats;
    switch (r.below(3)) {
    case 0: w.note = u"close the find window"_s; QTest::mouseClick(f->Close, Qt::LeftButton); break;
    case 1: w.note = u"Escape in the find window"_s; QTest::keyClick(f->Text1, Qt::Key_Escape); break;
    default: w.note = u"close box of the find window"_s; f->close(); break;
    }
    // The window manager makes the main window the active one again.
    w.main().activateWindow();
    w.settle();
    w.check(!w.find(), u"find-close"_s, u"the find window stayed open"_s);
    const QString text = *w.findRef;
    const bool edited = w.findEdited;
    w.findRef.reset();
    w.findDoc = nullptr;
    w.expectText(text, false);
    if (!edited)
        w.check(World::formats(w.rtf()) == before, u"find-format"_s,
                u"formatting changed through the find window:\n  before %1\n  after  %2"_s.arg(before,
                                                                                        World::formats(w.rtf())));
}

// Keys typed into the find copy, which stands in the document's place.
void typeInFindCopy(World &w, Rng &r)
{
    w.note = u"type into the find copy:"_s;
    const QString keys = hindiWord(r);
    w.note += u" "_s + quoted(keys);
    for (QChar k : keys)
        w.typeKey(k.unicode());
}

// --- files and windows ------------------------------------------------------

// Reads a saved file back the way the program would and compares it with
// the document it came from.
// Glyph text whose Windows-1252 bytes happen to be valid UTF-8.
bool readsAsUtf8(const QString &text)
{
    QByteArray bytes;
    bool high = false;
    for (QChar c : text) {
        const unsigned char g = kruti::charToGlyph(c.unicode());
        if (!g)
            return false; // such a text is written as UTF-8 anyway
        bytes.append(char(g));
        high = high || g >= 0x80;
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    (void)utf8.decode(bytes);
    return high && !utf8.hasError();
}

void checkReopened(World &w, TC *saved, TC *opened, bool rich, const QString &what)
{
    const bool misread = !rich && opened->Text() != saved->Text() && readsAsUtf8(saved->Text());
    w.check(opened->Text() == saved->Text(), misread ? u"text-file-read-as-utf8"_s : what + u"-text"_s,
            u"reopened with other text: "_s + quoted(opened->Text().left(40)) + u" for "_s
                + quoted(saved->Text().left(40)));
    if (rich)
        checkSameFormat(w, saved, opened, what + u"-format"_s);
}

void saveAsAndReopen(World &w, Rng &r)
{
    frmDocument *d = w.doc();
    const bool rich = r.percent(60);
    const QString path = w.newFilePath(rich ? u"rtf"_s : u"txt"_s);
    w.note = u"save as %1, reopen"_s.arg(QFileInfo(path).fileName());
    w.fileChoices.push_back({path, rich ? 1 : 2});
    w.chooseMenu(w.main().commands().mnuFileSaveAs);
    w.check(w.messages.isEmpty() && QFileInfo::exists(path) && d->SavedName == path, u"save-as"_s,
            u"Save As failed: "_s + w.messages.join(u" / "_s));
    w.fileChoices.push_back({path, rich ? 1 : 2});
    if (r.percent(50))
        w.chooseMenu(w.main().commands().mnuFileOpen);
    else
        w.clickButton(w.main().commands().button[u"Open"_s]);
    frmDocument *opened = w.doc();
    w.check(opened != d && opened->SavedName == path, u"reopen"_s, u"the saved file did not open"_s);
    w.ref(opened);
    checkReopened(w, d->rtftext(), opened->rtftext(), rich, u"reopen"_s);
    w.checkViewMode();
}

// File > Save writes RTF under the document's name; the file reads back the same.
void save(World &w, Rng &r)
{
    frmDocument *d = w.doc();
    QString path = d->SavedName;
    if (d->SavedFormat == frmDocument::None) {
        path = w.newFilePath(u"rtf"_s);
        w.fileChoices.push_back({path, 1});
    }
    w.note = u"save %1"_s.arg(QFileInfo(path).fileName());
    if (r.percent(50))
        w.chooseMenu(w.main().commands().mnuFileSave);
    else
        w.clickButton(w.main().commands().button[u"Save"_s]);
    w.check(w.messages.isEmpty() && w.main().saveCompleted(), u"save"_s, u"Save failed: "_s + w.messages.join(u" / "_s));
    TC copy;
    w.check(copy.Load(path, 0, TC::FormatRtf), u"save"_s, u"the saved file does not read back"_s);
    checkReopened(w, d->rtftext(), &copy, true, u"save"_s);
}

void newDocument(World &w, Rng &r)
{
    CommandSurface &c = w.main().commands();
    w.note = u"new document"_s;
    if (r.percent(50))
        w.chooseMenu(c.mnuFileNew);
    else
        w.clickButton(c.button[u"New"_s]);
    w.ref(w.doc());
    w.check(w.rtf()->Text().isEmpty(), u"new-document"_s, u"a new document is not empty"_s);
    w.checkViewMode();
}

void switchDocument(World &w, Rng &r)
{
    const auto subs = w.main().windows().mdiArea()->subWindowList();
    QMdiSubWindow *sub = subs[r.below(int(subs.size()))];
    w.note = u"switch to %1"_s.arg(sub->windowTitle());
    w.main().windows().mdiArea()->setActiveSubWindow(sub);
}

// The answer to "Save Before Closing?" for one document, and the file a
// Yes saves to. Returns whether the document is to close.
QMessageBox::StandardButton planClose(World &w, Rng &r, frmDocument *d, QString *savedTo)
{
    const int roll = r.below(10);
    const auto answer = roll < 6 ? QMessageBox::No : roll < 8 ? QMessageBox::Yes : QMessageBox::Cancel;
    w.answers.push_back(answer);
    if (answer == QMessageBox::Yes) {
        *savedTo = d->SavedName;
        if (d->SavedFormat == frmDocument::None) {
            *savedTo = w.newFilePath(u"rtf"_s);
            w.fileChoices.push_back({*savedTo, 1});
        }
    }
    return answer;
}

void checkSavedOnClose(World &w, const QString &path, const QString &text, const QString &what)
{
    TC copy;
    w.check(copy.Load(path, 0, TC::FormatRtf) && copy.Text() == text, what + u"-saved"_s,
            u"%1 did not keep %2"_s.arg(QFileInfo(path).fileName(), quoted(text.left(40))));
}

// Closing a document or the program closes the find window first (that
// document's, or any), and its edits go back into their document, also when
// the close is then cancelled.
void findWindowClosesFirst(World &w, const frmDocument *closing)
{
    if (!w.findDoc || !w.findRef || (closing && w.findDoc != closing))
        return;
    // As when the find window is closed by itself: the text comes back as
    // an edit of its own, whose undo may change nothing.
    DocRef &r = w.ref(w.findDoc);
    r.undoTo.reset();
    r.redoTo.reset();
    if (*w.findRef != r.text) {
        r.viewSwitched = r.clipboardStepped = false;
        r.text = *w.findRef;
        r.history.append(r.text);
    }
    w.findRef.reset();
    w.findDoc = nullptr;
}

void closeDocument(World &w, Rng &r)
{
    frmDocument *d = w.doc();
    QString path;
    const auto answer = planClose(w, r, d, &path);
    const bool findingHere = w.findDoc == d;
    findWindowClosesFirst(w, d);
    const QString text = w.ref(d).text;
    w.note = u"close %1 answering %2"_s.arg(d->windowTitle(),
                                            answer == QMessageBox::Yes  ? u"Yes"_s
                                            : answer == QMessageBox::No ? u"No"_s
                                                                        : u"Cancel"_s);
    QPointer<frmDocument> closing = d;
    if (answer != QMessageBox::Cancel)
        w.forget(d);
    qobject_cast<QMdiSubWindow *>(d->parentWidget())->close();
    // The window manager makes the main window the active one again when
    // the find window closes with the document.
    if (findingHere)
        w.main().activateWindow();
    w.settle();
    if (findingHere)
        w.check(!w.find(), u"find-outlives-document"_s, u"the find window stayed open after its document closed"_s);
    if (answer == QMessageBox::Cancel)
        return;
    w.check(!closing || !w.docs().contains(closing.data()), u"close"_s, u"the document stayed open"_s);
    if (answer == QMessageBox::Yes)
        checkSavedOnClose(w, path, text, u"close"_s);
}

// File > Exit: every document asks; a Cancel stops the exit. Once the
// program has ended it is started again on the same settings.
void exitProgram(World &w, Rng &r)
{
    const QList<frmDocument *> docs = w.docs();
    struct Plan {
        frmDocument *doc;
        QString text, path;
        QMessageBox::StandardButton answer;
    };
    std::vector<Plan> plans;
    w.note = u"exit answering"_s;
    const bool finding = w.findDoc != nullptr;
    findWindowClosesFirst(w, nullptr);
    for (frmDocument *d : docs) {
        Plan p{d, w.ref(d).text, {}, QMessageBox::No};
        p.answer = planClose(w, r, d, &p.path);
        w.note += p.answer == QMessageBox::Yes ? u" Yes"_s : p.answer == QMessageBox::No ? u" No"_s : u" Cancel"_s;
        plans.push_back(p);
        if (p.answer == QMessageBox::Cancel)
            break;
    }
    const bool cancelled = !plans.empty() && plans.back().answer == QMessageBox::Cancel;
    for (const Plan &p : plans) {
        if (p.answer != QMessageBox::Cancel)
            w.forget(p.doc);
    }
    w.chooseMenu(w.main().commands().mnuFileExit);
    // The window manager makes the main window the active one again when
    // the exit closes the find window.
    if (finding)
        w.main().activateWindow();
    w.settle();
    // Two windows on one file: the one saved last is what the file holds.
    QHash<QString, QString> saved;
    for (const Plan &p : plans) {
        if (p.answer == QMessageBox::Yes)
            saved[p.path] = p.text;
    }
    for (auto it = saved.cbegin(); it != saved.cend(); ++it)
        checkSavedOnClose(w, it.key(), it.value(), u"exit"_s);
    if (cancelled) {
        w.check(w.main().isVisible(), u"exit"_s, u"the program ended although a document answered Cancel"_s);
        return;
    }
    w.check(!w.main().isVisible(), u"exit"_s, u"the program did not end"_s);
    w.restart();
}

// --- the table ----------------------------------------------------------------

const std::vector<Action> Table = {
    // name, weight, can run, perform, keeps the format
    {"type-word", 14, editing, typeWord},
    {"type-keys", 10, editing, typeKeys},
    {"move", 8, editing, [](World &w, Rng &r) { move(w, r, Qt::NoModifier); }, true},
    {"select", 8, editing, [](World &w, Rng &r) { move(w, r, Qt::ShiftModifier); }, true},
    {"click", 4, editing, click, true},
    {"double-click", 3, editing, doubleClick, true},
    {"select-all", 2, editing, selectAll, true},
    {"copy", 6, selection, copy, true},
    {"copy-oddly", 2, selection, copyOddly, true},
    {"cut", 5, selection, cut},
    {"paste", 6, editing, paste},
    {"copy-unicode", 2, selection, copyUnicode, true},
    {"foreign-clipboard", 2, always, foreignClipboard, true},
    {"delete-selection", 2, selection, clearSelection},
    {"undo", 4, editing, [](World &w, Rng &r) { undoRedo(w, r, false); }},
    {"redo", 2, editing, [](World &w, Rng &r) { undoRedo(w, r, true); }},
    {"ctrl-l", 2, editing, ctrlL},
    {"language", 1, editing, chooseLanguage},
    {"layout", 2, editing, chooseLayout, true},
    {"font-size", 2, editing, fontSize},
    {"bold", 2, editing, bold},
    {"align", 2, editing, align},
    {"zoom", 1, editing, zoom, true},
    {"view", 1, editing, viewMode, true},
    {"find-open", 2, someText, openFind, true},
    {"find-what", 5, finding, findWhat, true},
    {"find-next", 5, finding, findNext, true},
    {"replace", 3, [](const World &w) { return finding(w) && w.find()->Replace->isEnabled(); }, replace},
    {"find-type", 1, finding, typeInFindCopy},
    {"find-close", 2, finding, closeFind},
    {"save-as", 2, someText, saveAsAndReopen, true},
    {"save", 1, someText, save, true},
    {"new", 1, [](const World &w) { return !w.find(); }, newDocument},
    {"switch", 2, [](const World &w) { return editing(w) && w.docs().size() > 1; }, switchDocument},
    {"close", 1, [](const World &w) { return w.doc() != nullptr; }, closeDocument},
    {"exit", 1, always, exitProgram},
};

} // namespace

const std::vector<Action> &actions()
{
    return Table;
}

int actionIndex(const QString &name)
{
    for (size_t i = 0; i < Table.size(); ++i) {
        if (QLatin1StringView(Table[i].name) == name)
            return int(i);
    }
    return -1;
}

} // namespace soak
