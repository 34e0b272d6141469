#pragma once

#include <string>
#include <string_view>

// Glyph codes in a Unicode document. A Kruti Dev glyph code (a byte) is held
// in a document as the character Windows-1252 gives that byte ("‘" U+2018 for
// 0x91); the five bytes that code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) as the C1 control of the same value. This is the one mapping
// between the engine's bytes and the documents' characters.
namespace kalamora::kruti {

// The character that stands for glyph code `code` (never 0 for code 1..255).
char16_t glyphToChar(unsigned char code);

// The glyph code a document character stands for, or 0 when it stands for
// none (any other Unicode text).
unsigned char charToGlyph(char16_t ch);

// Whole-string forms. glyphsToUtf16 never fails; utf16ToGlyphs writes 0 for
// characters without a glyph code.
std::u16string glyphsToUtf16(std::string_view glyphs);
std::string utf16ToGlyphs(std::u16string_view text);

} // namespace kalamora::kruti
