#include "textcontrol.h"
#include "textcontrolsurface.h"

#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
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
}
