#include "kruti/cp1252.h"

#include <array>

namespace kalamora::kruti {

namespace {

// 0x80..0x9F of Windows-1252; an undefined byte maps to itself.
constexpr std::array<char16_t, 32> high = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

char16_t glyphToChar(unsigned char code)
{
    if (code >= 0x80 && code <= 0x9F)
        return high[code - 0x80];
    return code;
}

unsigned char charToGlyph(char16_t ch)
{
    if (ch == 0)
        return 0;
    if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF))
        return static_cast<unsigned char>(ch);
    for (unsigned i = 0; i < high.size(); ++i) {
        if (high[i] == ch)
            return static_cast<unsigned char>(0x80 + i);
    }
    return 0;
}

std::u16string glyphsToUtf16(std::string_view glyphs)
{
    std::u16string out;
    out.reserve(glyphs.size());
    for (char c : glyphs)
        out.push_back(glyphToChar(static_cast<unsigned char>(c)));
    return out;
}

std::string utf16ToGlyphs(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char16_t c : text)
        out.push_back(static_cast<char>(charToGlyph(c)));
    return out;
}

} // namespace kalamora::kruti
