#include "document/conversion.h"
#include "tests/textengine/printers.h"
#include "textengine/textcontrol.h"

#include <QTextDocument>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;

TEST(Conversion, OnlyKrutiRunsBecomeUnicodeAndBack)
{
    TextControl tc;
    tc.setFontName(u"Arial"_s);
    tc.setSelText(u"Hindi: "_s);
    tc.setFontName(u"Glyphora 010"_s);
    tc.setSelText(u"fgUnh"_s);  // glyph text of the word Hindi
    tc.setFontName(u"Arial"_s);
    tc.setSelText(u" (fgUnh)"_s);
    EXPECT_EQ(document::convertDocument(*tc.document(), document::Conversion::ToUnicode, false), 1);
    EXPECT_EQ(tc.Text(), u"Hindi: \u0939\u093f\u0928\u094d\u0926\u0940 (fgUnh)"_s);
    tc.setSelStart(8);
    EXPECT_EQ(tc.FontName(), document::unicodeFont());

    EXPECT_EQ(document::convertDocument(*tc.document(), document::Conversion::ToKruti, false), 1);
    EXPECT_EQ(tc.Text(), u"Hindi: fgUnh (fgUnh)"_s);
    tc.setSelStart(8);
    EXPECT_EQ(tc.FontName(), document::hindiFont());
    tc.setSelStart(2);
    EXPECT_EQ(tc.FontName(), u"Arial"_s);
}

TEST(Conversion, WholePlainText)
{
    TextControl tc;
    tc.setSelText(u"fgUnh\ndey"_s);
    document::convertDocument(*tc.document(), document::Conversion::ToUnicode, true);
    EXPECT_EQ(tc.Text(), u"\u0939\u093f\u0928\u094d\u0926\u0940\n\u0915\u092e\u0932"_s);
}
