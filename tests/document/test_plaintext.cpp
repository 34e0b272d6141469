#include "document/plaintext.h"

#include "kruti/cp1252.h"

#include <random>

#include <gtest/gtest.h>

using namespace kalamora;

TEST(PlainText, ReadsWindows1252UnlessUtf8)
{
    struct Case {
        std::string bytes;
        std::u16string text;
    };
    const Case cases[] = {
        {"plain", u"plain"},
        {"d\x91\x83\x81", u"d\u2018\u0192\u0081"},                 // Windows-1252 glyph text
        {"\xE0\xA4\x95", u"\u0915"},                                // valid UTF-8
        {"\xEF\xBB\xBF" "d", u"d"},                                    // UTF-8 mark
        {"\xC3\xA9\x91", u"\u00c3\u00a9\u2018"},                    // not valid UTF-8
        {"\xE0\x80\x80", u"\u00e0\u20ac\u20ac"},                    // overlong: not UTF-8
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {std::string("\xFF\xFE" "a\0\x15\x09", 6), u"a\u0915"},                     // UTF-16 LE with its mark
    };
    for (const Case &c : cases)
        EXPECT_EQ(plaintext::decode(c.bytes), c.text) << c.bytes;
}

TEST(PlainText, WritesWindows1252WhenEverythingFitsElseUtf8)
{
    EXPECT_EQ(plaintext::encode(u"d\u2018\u0081\r\n"), "d\x91\x81\r\n");
    EXPECT_EQ(plaintext::encode(u"d\u0915"), "\xEF\xBB\xBF" "d\xE0\xA4\x95");
    EXPECT_EQ(plaintext::encode(u"\u2018\U0001F600"), "\xEF\xBB\xBF\xE2\x80\x98\xF0\x9F\x98\x80");
    EXPECT_EQ(plaintext::encode(u"\xD800"), "\xEF\xBB\xBF\xEF\xBF\xBD");
    for (std::u16string t : {std::u16string(u"d\u2018\u0081x"), std::u16string(u"\u0915\u2018")})
        EXPECT_EQ(plaintext::decode(plaintext::encode(t)), t);
}

TEST(PlainText, GlyphTextWhoseBytesAreValidUtf8ReopensAsTheSameGlyphs)
{
    // Glyph bytes that happen to form UTF-8 or a byte-order mark.
    for (std::u16string t : {std::u16string(u"\u00c3\u00a9"), std::u16string(u"\u00ef\u00bb\u00bfx"),
                             std::u16string(u"\u00ff\u00fed")})
        EXPECT_EQ(plaintext::decode(plaintext::encode(t)), t);

    // Any text of glyph bytes comes back as written.
    std::mt19937 rng(7);
    for (int n = 0; n < 2000; ++n) {
        std::u16string t;
        const int len = 1 + int(rng() % 6);
        for (int i = 0; i < len; ++i)
            t.push_back(kruti::glyphToChar(static_cast<unsigned char>(0x20 + rng() % 0xE0)));
        EXPECT_EQ(plaintext::decode(plaintext::encode(t)), t);
    }
}
