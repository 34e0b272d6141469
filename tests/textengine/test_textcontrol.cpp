#include "surface/textcontrolsurface.h"
#include "tests/textengine/printers.h"
#include "textengine/textcontrol.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <limits>
#include <random>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;
using textengine::TextControlSurface;

TEST(TextControl, TextAndSelectionAgree)
{
    TextControl tc;
    tc.setSelText(u"ab\ncd\r\nef"_s);
    EXPECT_EQ(tc.Text(), u"ab\ncd\nef"_s);
    EXPECT_EQ(tc.SelStart(), 8);
    tc.setSelStart(3);
    tc.setSelLength(2);
    EXPECT_EQ(tc.SelText(), u"cd"_s);
    tc.setSelText(u"XYZ"_s);
    EXPECT_EQ(tc.Text(), u"ab\nXYZ\nef"_s);
    EXPECT_EQ(tc.SelStart(), 6);
    EXPECT_EQ(tc.SelLength(), 0);
    tc.setSelStart(1000);
    EXPECT_EQ(tc.SelStart(), 9);
    tc.setSelStart(-5);
    EXPECT_EQ(tc.SelStart(), 0);
    tc.setSelLength(1000);
    EXPECT_EQ(tc.SelLength(), 9);
    tc.setSelStart(3);
    tc.setSelLength(std::numeric_limits<int>::max());
    EXPECT_EQ(tc.SelLength(), 6);
}

// The font given to the caret in an empty paragraph was an undo step of
// its own once the document had history: the next Undo took back only that
// and seemed to do nothing, and it ended the Redo.
TEST(TextControl, FontOfAnEmptyParagraphWasAnUndoStepOfItsOwn)
{
    TextControl tc;
    tc.setSelText(u"ab\ncd\n"_s);
    tc.document()->undo();
    tc.setSelText(u"ab\n"_s);
    const int steps = tc.document()->availableUndoSteps();
    ASSERT_EQ(tc.textCursor().block().length(), 1);
    tc.setFontName(u"Noto Sans"_s);
    tc.setFontSize(31);
    EXPECT_EQ(tc.document()->availableUndoSteps(), steps);
    tc.document()->undo();
    EXPECT_EQ(tc.Text(), QString());
}

TEST(TextControl, ChangeIsSynchronousAndNotReentrant)
{
    TextControl tc;
    int changes = 0;
    QString seen;
    QObject::connect(&tc, &TextControl::Change, [&] {
        ++changes;
        seen = tc.Text();
        // An edit made by the handler raises no second Change.
        if (tc.Text() == u"r"_s)
            tc.setSelText(u"Z"_s);
    });
    tc.setSelText(u"r"_s);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tc.Text(), u"rZ"_s);
    tc.setSelStart(0);
    tc.setSelLength(1);
    tc.setSelText(QString());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(seen, u"Z"_s);
    // Format changes are no text change.
    tc.setSelStart(0);
    tc.setSelLength(1);
    tc.setFontBold(true);
    EXPECT_EQ(changes, 2);
}

// Ctrl+Y redid only where the platform's Redo key is Ctrl+Y (the offscreen
// platform, Windows, KDE); on a plain X11 desktop it did nothing, and the
// menus have no Redo. Run on X11 as well (test_redo_key_xcb).
TEST(TextControl, CtrlYRedidOnlyWhereThePlatformSaysSo)
{
    TextControl tc;
    tc.show();
    QTest::keyClicks(&tc, u"ab"_s);
    QTest::keyClick(&tc, Qt::Key_Space);
    QTest::keyClicks(&tc, u"cd"_s);
    const QString typed = tc.Text();
    QTest::keyClick(&tc, Qt::Key_Z, Qt::ControlModifier);
    const QString undone = tc.Text();
    ASSERT_NE(undone, typed);
    QTest::keyClick(&tc, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(tc.Text(), typed);
    QTest::keyClick(&tc, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&tc, Qt::Key_Y, Qt::ControlModifier | Qt::ShiftModifier); // no Redo key anywhere
    EXPECT_EQ(tc.Text(), undone);
}

TEST(TextControl, KeyPressHandlerRewritesAndIsOneUndoStep)
{
    TextControl tc;
    TextControlSurface surface(&tc);
    QList<int> downs;
    QObject::connect(&tc, &TextControl::KeyDown, [&](int key, int) { downs << key; });
    QObject::connect(&tc, &TextControl::KeyPress, [&](int &key) {
        if (key == 'k') {  // types "d~" itself
            surface.setSelText("d~");
            key = 0;
        } else if (key == 'a' && surface.glyphBefore(surface.selStart()) == '~') {
            surface.setSelStart(surface.selStart() - 1);
            surface.setSelLength(1);
            surface.setSelText("");
            key = 0;
        } else if (key == 'q') {
            key = 0x91;  // handed back as a glyph code
        }
    });
    QTest::keyClick(&tc, Qt::Key_K);
    EXPECT_EQ(tc.Text(), u"d~"_s);
    QTest::keyClick(&tc, Qt::Key_A);
    EXPECT_EQ(tc.Text(), u"d"_s);
    QTest::keyClick(&tc, Qt::Key_Q);
    EXPECT_EQ(tc.Text(), u"d\u2018"_s);
    QTest::keyClick(&tc, Qt::Key_Return);
    QTest::keyClick(&tc, Qt::Key_B);
    EXPECT_EQ(tc.Text(), u"d\u2018\nb"_s);
    EXPECT_EQ(surface.glyphBefore(3), 10);
    EXPECT_EQ(surface.glyphBefore(2), 0x91);
    EXPECT_EQ(surface.glyphBefore(0), 0);
    EXPECT_EQ(surface.glyphBefore(99), 0);
    EXPECT_EQ(downs, (QList<int>{75, 65, 81, 13, 66}));
    // Undo takes back "b", Enter, the quote, then the whole "a" rewrite.
    tc.undo();
    tc.undo();
    tc.undo();
    EXPECT_EQ(tc.Text(), u"d"_s);
    tc.undo();
    EXPECT_EQ(tc.Text(), u"d~"_s);
}

TEST(TextControl, SwallowedAndControlKeys)
{
    TextControl tc;
    int presses = 0;
    QObject::connect(&tc, &TextControl::KeyPress, [&](int &key) {
        ++presses;
        if (key == 8 && tc.SelStart() == 1)
            key = 0;  // the handler keeps the first character
    });
    tc.setSelText(u"xy"_s);
    QTest::keyClick(&tc, Qt::Key_Backspace);
    EXPECT_EQ(tc.Text(), u"x"_s);
    QTest::keyClick(&tc, Qt::Key_Backspace);
    EXPECT_EQ(tc.Text(), u"x"_s);
    QTest::keyClick(&tc, Qt::Key_Left);  // no character: no KeyPress
    EXPECT_EQ(presses, 2);
    QTest::keyClick(&tc, Qt::Key_A, Qt::ControlModifier);  // select all through the control
    EXPECT_EQ(presses, 3);
    EXPECT_EQ(tc.SelLength(), 1);
}

TEST(TextControl, PosChangeOncePerKey)
{
    TextControl tc;
    tc.setSelText(u"abc"_s);
    int moves = 0;
    QObject::connect(&tc, &TextControl::PosChange, [&] { ++moves; });
    QObject::connect(&tc, &TextControl::KeyPress, [&](int &) {
        tc.setSelStart(0);
        tc.setSelStart(3);
    });
    QTest::keyClick(&tc, Qt::Key_D);
    EXPECT_EQ(moves, 1);
    tc.setSelStart(1);
    EXPECT_EQ(moves, 2);
}

TEST(TextControl, MixedSelectionReadsNotTrue)
{
    TextControl tc;
    tc.setSelText(u"abcd"_s);
    tc.setSelStart(0);
    tc.setSelLength(2);
    tc.setFontBold(true);
    tc.setFontItalic(true);
    tc.setFontName(u"Glyphora 010"_s);
    tc.setFontSize(24);
    tc.setForeColor(0x0000FF);  // red in the 0x00BBGGRR layout
    EXPECT_TRUE(tc.FontBold());
    EXPECT_EQ(tc.FontName(), u"Glyphora 010"_s);
    EXPECT_EQ(tc.FontSize(), 24);
    EXPECT_EQ(tc.ForeColor(), 0x0000FF);
    tc.setSelStart(1);
    tc.setSelLength(2);
    EXPECT_FALSE(tc.FontBold());
    EXPECT_FALSE(tc.FontItalic());
    EXPECT_EQ(tc.FontName(), QString());
    EXPECT_EQ(tc.FontSize(), 0);
    EXPECT_EQ(tc.ForeColor(), -1);
    // Toggling a mixed selection turns it on everywhere.
    tc.setFontBold(!tc.FontBold());
    EXPECT_TRUE(tc.FontBold());
    // The caret reads the character before it.
    tc.setSelStart(3);
    EXPECT_TRUE(tc.FontBold());
    EXPECT_FALSE(tc.FontItalic());
    tc.setSelStart(4);
    EXPECT_FALSE(tc.FontBold());
}

// The one-pass reading the format controls use agrees with the six readers
// it stands for, over random runs of formats across paragraphs and random
// selections, empty ones among them.
TEST(TextControl, SelectionCharFormatAgreesWithTheSingleReaders)
{
    std::mt19937 random(17);
    for (int round = 0; round < 40; ++round) {
        TextControl tc;
        tc.setSelText(u"abc def\nghi\njkl mno\npq"_s);
        const int length = int(tc.Text().size());
        for (int run = 0; run < int(random() % 6); ++run) {
            tc.setSelStart(int(random() % length));
            tc.setSelLength(int(random() % 8));
            switch (random() % 6) {
            case 0: tc.setFontBold(true); break;
            case 1: tc.setFontItalic(true); break;
            case 2: tc.setFontUnderline(true); break;
            case 3: tc.setFontStrikeThru(true); break;
            case 4: tc.setFontSize(int(10 + random() % 3)); break;
            default: tc.setFontName(random() % 2 ? u"Glyphora 010"_s : u"Arial"_s); break;
            }
        }
        for (int sel = 0; sel < 8; ++sel) {
            tc.setSelStart(int(random() % (length + 1)));
            tc.setSelLength(sel == 0 ? 0 : int(random() % (length + 1)));
            const textengine::CharFormatSummary s = tc.selectionCharFormat();
            SCOPED_TRACE(testing::Message() << "round " << round << " at " << tc.SelStart() << "+" << tc.SelLength());
            EXPECT_EQ(s.fontName, tc.FontName());
            EXPECT_EQ(s.fontSize, tc.FontSize());
            EXPECT_EQ(s.bold, tc.FontBold());
            EXPECT_EQ(s.italic, tc.FontItalic());
            EXPECT_EQ(s.underline, tc.FontUnderline());
            EXPECT_EQ(s.strikeThru, tc.FontStrikeThru());
        }
    }
}

TEST(TextControl, ParagraphFormats)
{
    TextControl tc;
    tc.setSelText(u"one\ntwo\nthree"_s);
    tc.setSelStart(0);
    tc.setSelLength(5);  // "one" and part of "two"
    tc.setAlignMent(TextControl::AlignCenter);
    tc.setSelIndent(720);
    tc.setSelHangingIndent(360);
    tc.setSelRightIndent(144);
    tc.setSelBullet(true);
    EXPECT_EQ(tc.AlignMent(), 2);
    EXPECT_EQ(tc.SelIndent(), 720);
    EXPECT_EQ(tc.SelHangingIndent(), 360);
    EXPECT_EQ(tc.SelRightIndent(), 144);
    EXPECT_TRUE(tc.SelBullet());
    tc.setSelLength(10);  // reaches "three"
    EXPECT_EQ(tc.AlignMent(), -1);
    EXPECT_FALSE(tc.SelBullet());
    tc.setSelStart(0);
    tc.setSelBullet(false);
    EXPECT_FALSE(tc.SelBullet());
    tc.setTabType(TextControl::TabDecimal);
    EXPECT_EQ(tc.TabType(), 4);
    tc.setTabType(9);
    EXPECT_EQ(tc.TabType(), 4);
}

TEST(TextControl, MembersReachableByName)
{
    TextControl tc;
    ASSERT_TRUE(tc.setProperty("SelText", u"hello"_s));
    EXPECT_EQ(tc.property("Text").toString(), u"hello"_s);
    EXPECT_EQ(tc.property("SelStart").toInt(), 5);
    ASSERT_TRUE(tc.setProperty("PageWidth", 11906));
    EXPECT_EQ(tc.PageWidth(), 11906);
    tc.setProperty("SelStart", 0);
    tc.setProperty("SelLength", 5);
    tc.setProperty("FontBold", true);
    EXPECT_TRUE(tc.property("FontBold").toBool());
    bool ok = true;
    QMetaObject::invokeMethod(&tc, "Load", Q_RETURN_ARG(bool, ok), Q_ARG(QString, u"/nonexistent/x.rtf"_s),
                              Q_ARG(qint64, 0), Q_ARG(int, 5));
    EXPECT_FALSE(ok);
    EXPECT_FALSE(tc.errorString().isEmpty());
    EXPECT_EQ(tc.Text(), u"hello"_s);
}

// The edit-surface contract the input engine relies on, step by step.
TEST(TextControlSurface, ContractAsTheEngineUsesIt)
{
    TextControl tc;
    TextControlSurface s(&tc);
    int changes = 0;
    QObject::connect(&tc, &TextControl::Change, [&] { ++changes; });
    s.setSelText("d\x91~\r\nj");  // CR LF is one paragraph break
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(tc.Text(), u"d\u2018~\nj"_s);
    struct Step {
        int start, length;
        std::string selected;
        int caretAfterSet;
    };
    const Step steps[] = {
        {0, 2, "d\x91", 0},
        {2, 2, "~\n", 2},
        {4, 9, "j", 4},       // length clamped at the end
        {99, 1, "", 5},       // a position past the end is the end
        {-3, 1, "d", 0},      // a negative one is 0
    };
    for (const Step &st : steps) {
        s.setSelStart(st.start);
        EXPECT_EQ(s.selStart(), st.caretAfterSet) << st.start;
        EXPECT_EQ(s.selLength(), 0);
        s.setSelLength(st.length);
        EXPECT_EQ(s.selText(), st.selected) << st.start;
    }
    EXPECT_EQ(s.glyphBefore(4), 10);
    EXPECT_EQ(s.glyphBefore(5), 'j');
    EXPECT_EQ(s.glyphBefore(6), 0);
    // A character without a glyph code reads as 0.
    s.setSelStart(5);
    tc.setSelText(u"\u0915"_s);
    EXPECT_EQ(s.glyphBefore(6), 0);
    EXPECT_EQ(s.selStart(), 6);
    tc.setFontName(u"Glyphora 010"_s);
    s.setSelText("d");
    s.setSelStart(6);
    s.setSelLength(1);
    EXPECT_EQ(s.selFontName(), "Glyphora 010");
    s.setSelStart(0);
    s.setSelLength(7);
    EXPECT_EQ(s.selFontName(), "");  // mixed
}
