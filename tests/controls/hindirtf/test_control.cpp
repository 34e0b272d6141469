// HindiRTF as a host uses it: keys into the inner control, properties and
// events of the widget.
#include "controls/hindirtf/hindirtf.h"

#include "settings/settingsstore.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

QTextEdit *inner(HindiRTF &control)
{
    return control.findChild<QTextEdit *>(u"rtf"_s);
}

class HindiRTFTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SettingsStore().remove(u"Layout"_s);
        HindiRTF().setLangMode(1);
    }
    void TearDown() override
    {
        SettingsStore().remove(u"Layout"_s);
        HindiRTF().setLangMode(1);
    }
};

void sendCtrl(QWidget *target, QEvent::Type type, Qt::Key key, bool autoRepeat)
{
    const QString text(QChar(char16_t(key - Qt::Key_A + 1)));
    QKeyEvent event(type, key, Qt::ControlModifier, text, autoRepeat);
    QCoreApplication::sendEvent(target, &event);
}

// Right-clicks the inner control and, once a pop-up menu is open (whether
// the click opened it modally or not), notes its items as "text" or
// "-text" for a disabled one, closes it and runs the item `choose` (none
// when empty).
QStringList popupItems(HindiRTF &control, const QString &choose)
{
    QStringList items;
    bool seen = false;
    auto take = [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu || seen)
            return;
        seen = true;
        QAction *chosen = nullptr;
        for (QAction *a : menu->actions()) {
            if (a->isSeparator())
                continue;
            const QString text = a->text().section(u'\t', 0, 0);
            items << (a->isEnabled() ? text : u"-"_s + text);
            if (text == choose)
                chosen = a;
        }
        menu->close();
        if (chosen)
            chosen->trigger();
    };
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, take);
    poll.start(5);
    QWidget *viewport = inner(control)->viewport();
    const QPoint at(5, 5);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, viewport->mapToGlobal(at));
    QCoreApplication::sendEvent(viewport, &event);
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen; }, 2000)) << "no pop-up menu";
    return items;
}

} // namespace

TEST_F(HindiRTFTest, NewInstanceReadsTheSavedDefaults)
{
    HindiRTF control;
    EXPECT_EQ(control.FontName(), u"Arial"_s);
    EXPECT_EQ(inner(control)->property("FontName").toString(), u"Arial"_s);
    EXPECT_EQ(control.BackColor(), 0x80000005u);
    EXPECT_EQ(control.BorderStyle(), 1);
    EXPECT_EQ(control.ScrollBars(), 3);
    EXPECT_TRUE(control.FormatSelection());
    EXPECT_EQ(control.LangMode(), 1);
    EXPECT_TRUE(control.Text().isEmpty());
    // Nothing was written: the host has nothing to save yet.
    EXPECT_TRUE(control.changedProperties().isEmpty());
}

TEST_F(HindiRTFTest, KeysFollowLangModeAndLayout)
{
    struct Case {
        const char *layout; // nullptr: no setting stored
        int langMode;
        const char *keys;
        QString text;
    };
    const Case cases[] = {
        {nullptr, 1, "namaste", u"ueLrs"_s},
        {"Rom", 1, "rk", u"dZ~"_s},       // the reph lands after the consonant, before its halant
        {"Rom", 0, "rk", u"rk"_s},        // LangMode 0: typed unchanged, no reph
        {"Rom", 0, "namaste", u"namaste"_s},
        {"Rom", 2, "namaste", u"namaste"_s}, // only 1 means Hindi
        {"Tav", 1, "namaste", u"namaste"_s},
        {"Rem", 1, "k", u"k"_s},
        {"Rem", 1, "n`", u"\u2013"_s}, // a Remington ligature, glyph 0x96
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.layout ? c.layout : "(none)") + " " + std::to_string(c.langMode) + " " + c.keys);
        if (c.layout)
            SettingsStore().writeString(u"Layout"_s, QString::fromLatin1(c.layout));
        else
            SettingsStore().remove(u"Layout"_s);
        HindiRTF control;
        control.setLangMode(c.langMode);
        QSignalSpy changes(&control, &HindiRTF::Change);
        QTest::keyClicks(inner(control), QString::fromLatin1(c.keys));
        EXPECT_EQ(control.Text(), c.text);
        EXPECT_GE(changes.count(), int(std::strlen(c.keys)));
    }
}

TEST_F(HindiRTFTest, LayoutChangeTakesEffectAtTheNextKey)
{
    HindiRTF control;
    SettingsStore().writeString(u"Layout"_s, u"Tav"_s);
    QTest::keyClicks(inner(control), u"k"_s);
    SettingsStore().writeString(u"Layout"_s, u"Rom"_s);
    QTest::keyClicks(inner(control), u"k"_s);
    EXPECT_EQ(control.Text(), u"kd~"_s);
}

TEST_F(HindiRTFTest, LangModeAndEngineStateAreSharedByEveryInstance)
{
    HindiRTF first;
    HindiRTF second;
    first.setLangMode(0);
    EXPECT_EQ(second.LangMode(), 0);
    QTest::keyClicks(inner(second), u"namaste"_s);
    EXPECT_EQ(second.Text(), u"namaste"_s);

    second.setLangMode(1);
    EXPECT_EQ(first.LangMode(), 1);
    QTest::keyClicks(inner(first), u"namaste"_s);
    EXPECT_EQ(first.Text(), u"ueLrs"_s);
}

TEST_F(HindiRTFTest, HeldCtrlCNeverChangesTheText)
{
    HindiRTF control;
    control.show();
    QTextEdit *edit = inner(control);
    control.setText(u"xabcx"_s);
    control.setSelStart(1);
    control.setSelLength(3);
    QStringList texts;
    QObject::connect(&control, &HindiRTF::Change, &control, [&] { texts << control.Text(); });

    // The key goes down, repeats (each repeat a release and a press, as the
    // window system reports it), and comes up.
    sendCtrl(edit, QEvent::KeyPress, Qt::Key_C, false);
    for (int i = 0; i < 3; ++i) {
        sendCtrl(edit, QEvent::KeyRelease, Qt::Key_C, true);
        sendCtrl(edit, QEvent::KeyPress, Qt::Key_C, true);
    }
    EXPECT_EQ(QApplication::clipboard()->text(), u" abc"_s);
    sendCtrl(edit, QEvent::KeyRelease, Qt::Key_C, false);

    EXPECT_EQ(texts, QStringList()); // the space is the clipboard's only
    EXPECT_EQ(control.Text(), u"xabcx"_s);
    EXPECT_EQ(control.SelStart(), 1);
    EXPECT_EQ(control.SelLength(), 3);
}

TEST_F(HindiRTFTest, CtrlReleasedBeforeCLeavesNoSpace)
{
    HindiRTF control;
    control.show();
    QTextEdit *edit = inner(control);
    control.setText(u"xabcx"_s);
    control.setSelStart(1);
    control.setSelLength(3);
    sendCtrl(edit, QEvent::KeyPress, Qt::Key_C, false);
    QKeyEvent ctrlUp(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    QCoreApplication::sendEvent(edit, &ctrlUp);
    QKeyEvent cUp(QEvent::KeyRelease, Qt::Key_C, Qt::NoModifier, u"c"_s);
    QCoreApplication::sendEvent(edit, &cUp);
    EXPECT_EQ(control.Text(), u"xabcx"_s);
    EXPECT_EQ(control.SelLength(), 3);

    // The next copy is prepared again.
    sendCtrl(edit, QEvent::KeyPress, Qt::Key_C, false);
    EXPECT_EQ(QApplication::clipboard()->text(), u" abc"_s);
    sendCtrl(edit, QEvent::KeyRelease, Qt::Key_C, false);
    EXPECT_EQ(control.Text(), u"xabcx"_s);
}

TEST_F(HindiRTFTest, AfterACutLaterCopiesAreNotPrepared)
{
    HindiRTF control;
    control.show();
    QTextEdit *edit = inner(control);
    control.setText(u"xabcx"_s);
    control.setSelStart(1);
    control.setSelLength(3);
    sendCtrl(edit, QEvent::KeyPress, Qt::Key_X, false);
    sendCtrl(edit, QEvent::KeyRelease, Qt::Key_X, false);
    EXPECT_EQ(control.Text(), u"xx"_s);
    EXPECT_EQ(QApplication::clipboard()->text(), u" abc"_s);

    control.setSelStart(0);
    control.setSelLength(2);
    sendCtrl(edit, QEvent::KeyPress, Qt::Key_C, false);
    sendCtrl(edit, QEvent::KeyRelease, Qt::Key_C, false);
    EXPECT_EQ(QApplication::clipboard()->text(), u"xx"_s);
    EXPECT_EQ(control.Text(), u"xx"_s);

    // The flag is the instance's own: another control still prepares.
    HindiRTF other;
    other.show();
    other.setText(u"ab"_s);
    other.setSelStart(0);
    other.setSelLength(2);
    sendCtrl(inner(other), QEvent::KeyPress, Qt::Key_C, false);
    sendCtrl(inner(other), QEvent::KeyRelease, Qt::Key_C, false);
    EXPECT_EQ(QApplication::clipboard()->text(), u" ab"_s);
    EXPECT_EQ(other.Text(), u"ab"_s);
}

TEST_F(HindiRTFTest, InnerControlFillsTheWidgetAtEverySize)
{
    HindiRTF control;
    const QSize sizes[] = {{1, 1}, {300, 80}, {37, 901}, {1000, 1000}, {0, 0}};
    for (const QSize &size : sizes) {
        control.resize(size);
        QResizeEvent resize(size, QSize());
        QCoreApplication::sendEvent(&control, &resize);
        EXPECT_EQ(inner(control)->geometry(), QRect(QPoint(0, 0), size));
    }
    control.show();
    control.resize(640, 200);
    EXPECT_EQ(inner(control)->geometry(), control.rect());
}

TEST_F(HindiRTFTest, FormatChangedTellsTheHostOfEachCaretMove)
{
    HindiRTF control;
    control.show();
    control.setText(u"abc"_s);
    // No host listening: nothing to refresh, and nothing fails.
    QTest::keyClick(inner(control), Qt::Key_Left);

    int syncs = 0;
    QObject::connect(&control, &HindiRTF::formatChanged, [&syncs] { ++syncs; });
    QTest::keyClick(inner(control), Qt::Key_Left);
    EXPECT_GE(syncs, 1);
    const int afterArrow = syncs;
    control.setSelStart(0);
    EXPECT_GT(syncs, afterArrow); // caret moved
    // A typed key refreshes once, after the key, through the caret move.
    syncs = 0;
    QTest::keyClick(inner(control), Qt::Key_A);
    EXPECT_EQ(syncs, 1);
}

TEST_F(HindiRTFTest, WritesMarkPersistedPropertiesChanged)
{
    HindiRTF control;
    QSignalSpy spy(&control, &HindiRTF::PropertyChanged);
    control.setFontBold(1);
    control.setSelStart(0); // not persisted
    control.setLangMode(1);
    control.setSelText(u"k"_s);
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(control.changedProperties(), (QStringList{u"FontBold"_s, u"LangMode"_s, u"SelText"_s}));

    // Write members take their parameter names from the property.
    const QMetaObject *mo = control.metaObject();
    for (int i = mo->propertyOffset(); i < mo->propertyCount(); ++i) {
        const QByteArray name = mo->property(i).name();
        const QByteArray setter = "set" + name;
        bool found = false;
        for (int m = mo->methodOffset(); m < mo->methodCount(); ++m) {
            const QMetaMethod method = mo->method(m);
            if (method.name() != setter)
                continue;
            found = true;
            EXPECT_EQ(method.parameterNames(), QList<QByteArray>{"New_" + name}) << name.constData();
        }
        EXPECT_TRUE(found) << name.constData();
    }
    EXPECT_EQ(HindiRTF::propertyDescription(u"BackColor"_s), u"Returns/sets the background color of an object."_s);
    EXPECT_EQ(HindiRTF::propertyDescription(u"BorderStyle"_s), u"Returns/sets the border style for an object."_s);
}

TEST_F(HindiRTFTest, FormatSelectionChoosesSelectionOrWholeText)
{
    for (const bool selectionOnly : {true, false}) {
        SCOPED_TRACE(selectionOnly);
        HindiRTF control;
        control.setText(u"abc"_s);
        control.setSelStart(0);
        control.setSelLength(1);
        control.setFormatSelection(selectionOnly);
        control.setFontBold(1);
        control.setIndentL(720);
        // The selection is left as it was.
        EXPECT_EQ(control.SelStart(), 0);
        EXPECT_EQ(control.SelLength(), 1);
        EXPECT_EQ(control.FontBold(), 1);
        control.setSelStart(0);
        control.setSelLength(3);
        EXPECT_EQ(control.FontBold(), selectionOnly ? 0 : 1);
        EXPECT_EQ(control.IndentL(), 720); // one paragraph either way
    }
}

TEST_F(HindiRTFTest, AboutShowsANotice)
{
    HindiRTF control;
    QString shown;
    HindiRTF::setMessageHook([&](const QString &, const QString &text) { shown = text; });
    QMetaObject::invokeMethod(&control, "About");
    HindiRTF::setMessageHook({});
    EXPECT_TRUE(shown.contains(u"HindiRTF"_s));
}

// Copy, cut and paste of a whole line by keys, in both Hindi layouts and
// with the engine off: a copy leaves the text alone, a cut removes exactly
// the selection, a paste puts exactly the clipboard in its place.
TEST_F(HindiRTFTest, CopyOrCutOfALineStartSelectionDeletedText)
{
    struct Row {
        const char *layout;
        int langMode;
    };
    for (const Row row : {Row{"Rom", 1}, Row{"Rem", 1}, Row{"Rom", 0}}) {
        for (const Qt::Key key : {Qt::Key_C, Qt::Key_X, Qt::Key_V}) {
            SCOPED_TRACE(testing::Message() << row.layout << " LangMode " << row.langMode << " key " << char(key));
            SettingsStore().writeString(u"Layout"_s, QString::fromLatin1(row.layout));
            HindiRTF control;
            control.setLangMode(row.langMode);
            control.show();
            QTextEdit *edit = inner(control);
            QTest::keyClicks(edit, u"kamal"_s);
            QTest::keyClick(edit, Qt::Key_Return);
            QTest::keyClicks(edit, u"ghar"_s);
            QTest::keyClick(edit, Qt::Key_Home);
            QTest::keyClick(edit, Qt::Key_End, Qt::ShiftModifier);
            const QString before = control.Text();
            const int start = control.SelStart();
            const QString selected = control.SelText();
            ASSERT_EQ(before.mid(start), selected);
            QApplication::clipboard()->setText(u"xy"_s);
            QTest::keyClick(edit, key, Qt::ControlModifier);
            if (key == Qt::Key_C) {
                EXPECT_EQ(control.Text().toStdString(), before.toStdString());
                EXPECT_EQ(control.SelText().toStdString(), selected.toStdString());
                EXPECT_EQ(QApplication::clipboard()->text().toStdString(), (u" "_s + selected).toStdString());
            } else if (key == Qt::Key_X) {
                EXPECT_EQ(control.Text().toStdString(), before.left(start).toStdString());
                EXPECT_EQ(QApplication::clipboard()->text().toStdString(), (u" "_s + selected).toStdString());
            } else {
                EXPECT_EQ(control.Text().toStdString(), (before.left(start) + u"xy"_s).toStdString());
            }
        }
    }
}

// Ctrl+C with a click elsewhere before C comes up, with Ctrl up first, or
// with the key coming up over another widget: the text stays as it was.
TEST_F(HindiRTFTest, TheClipboardSpaceRestoreDeletedARealCharacter)
{
    enum End { ClickThenRelease, CtrlFirst, ReleasedElsewhere };
    for (const End end : {ClickThenRelease, CtrlFirst, ReleasedElsewhere}) {
        SCOPED_TRACE(int(end));
        HindiRTF control, other;
        control.show();
        QTextEdit *edit = inner(control);
        control.setText(u"hello world"_s);
        control.setSelStart(0);
        control.setSelLength(5);
        sendCtrl(edit, QEvent::KeyPress, Qt::Key_C, false);
        if (end == ClickThenRelease) {
            control.setSelStart(9);
            sendCtrl(edit, QEvent::KeyRelease, Qt::Key_C, false);
        } else if (end == CtrlFirst) {
            QKeyEvent ctrlUp(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
            QCoreApplication::sendEvent(edit, &ctrlUp);
            QKeyEvent cUp(QEvent::KeyRelease, Qt::Key_C, Qt::NoModifier, u"c"_s);
            QCoreApplication::sendEvent(edit, &cUp);
        } else {
            sendCtrl(inner(other), QEvent::KeyRelease, Qt::Key_C, false);
        }
        EXPECT_EQ(control.Text().toStdString(), "hello world");
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), " hello");
    }
}

// The pop-up menu's Cut and Copy go the way of their keys: the clipboard
// space, and plain copies once a cut has taken it. Rows run in order on one
// control.
TEST_F(HindiRTFTest, RightClickShowedTheStandardMenuWithoutTheClipboardSpace)
{
    struct Row {
        int selStart, selLength;
        QString choose;
        QStringList items; // "-" before a disabled one
        QString text, clipboard;
    };
    const QStringList all{u"Cu&t"_s, u"&Copy"_s, u"&Paste"_s, u"Select &All"_s};
    const QStringList noSelection{u"-Cu&t"_s, u"-&Copy"_s, u"&Paste"_s, u"Select &All"_s};
    const Row rows[] = {
        {1, 3, u"&Copy"_s, all, u"xabcx"_s, u" abc"_s},
        {1, 3, u"Cu&t"_s, all, u"xx"_s, u" abc"_s},
        {0, 2, u"&Copy"_s, all, u"xx"_s, u"xx"_s},
        {1, 0, u"&Paste"_s, noSelection, u"xxxx"_s, u"xx"_s},
        {1, 0, u"Select &All"_s, noSelection, u"xxxx"_s, u"xx"_s},
        {0, 4, u"Cu&t"_s, all, QString(), u"xxxx"_s},
        {0, 0, QString(), {u"-Cu&t"_s, u"-&Copy"_s, u"&Paste"_s, u"-Select &All"_s}, QString(), u"xxxx"_s},
    };
    HindiRTF control;
    control.show();
    control.setText(u"xabcx"_s);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.choose.toStdString() + " at " + std::to_string(row.selStart));
        control.setSelStart(row.selStart);
        control.setSelLength(row.selLength);
        EXPECT_EQ(popupItems(control, row.choose).join(u'|').toStdString(), row.items.join(u'|').toStdString());
        EXPECT_EQ(control.Text().toStdString(), row.text.toStdString());
        EXPECT_EQ(QApplication::clipboard()->text().toStdString(), row.clipboard.toStdString());
        if (row.choose == u"Select &All"_s) {
            EXPECT_EQ(control.SelLength(), row.text.size());
        }
    }
}
