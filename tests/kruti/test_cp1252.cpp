#include "kruti/cp1252.h"

#include <gtest/gtest.h>

using namespace kalamora;

TEST(Cp1252, EveryGlyphCodeRoundTripsThroughItsCharacter)
{
    for (int code = 1; code <= 255; ++code) {
        const char16_t ch = kruti::glyphToChar(static_cast<unsigned char>(code));
        EXPECT_NE(ch, 0) << code;
        EXPECT_EQ(kruti::charToGlyph(ch), code) << code;
    }
}

TEST(Cp1252, KnownCharactersAndUnmappedText)
{
    EXPECT_EQ(kruti::glyphToChar(0x91), u'\u2018');
    EXPECT_EQ(kruti::glyphToChar(0x83), u'\u0192');
    EXPECT_EQ(kruti::glyphToChar(0x96), u'\u2013');
    EXPECT_EQ(kruti::glyphToChar(0x8D), u'\u008D');
    EXPECT_EQ(kruti::charToGlyph(u'\u0915'), 0);  // Devanagari ka has no glyph code
    EXPECT_EQ(kruti::charToGlyph(u'\u20AC'), 0x80);
    EXPECT_EQ(kruti::utf16ToGlyphs(u"d\u2018\u0915"), std::string("d\x91\0", 3));
    EXPECT_EQ(kruti::glyphsToUtf16("d\x96"), u"d\u2013");
}
