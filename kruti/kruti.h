#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Kruti Dev glyph codes and Unicode Devanagari.
//
// A glyph string holds one 8-bit Kruti Dev code per byte, in visual order:
// the short-i sign "f" stands before the consonant cluster it follows in
// speech, the reph "Z" after the cluster it sits on. Unicode text is UTF-8
// in logical order.
namespace kalamora::kruti {

// What a glyph code draws. Spacing roles advance the pen; the marks (signs
// above and below, reph, halant, nukta, subscript ra, anusvara) sit on the
// glyph before them and have no advance of their own.
enum class Role : unsigned char {
    Unused,           // the encoding draws nothing here
    Text,             // kept as it is: space, line feed, Latin digits, "!"
    Punctuation,      // Latin punctuation drawn at a reused code ("-" is ".")
    Digit,            // Devanagari digit
    IndependentVowel, // vowel letter, or its first glyph ("v" of "vk")
    Consonant,        // full consonant
    HalfForm,         // consonant (or conjunct) without its inherent vowel
    Conjunct,         // several consonants drawn as one full glyph
    VowelSignLeft,    // short i "f" (and "Æ", short i with reph)
    VowelSignRight,   // aa stroke "k", long i "h", o "¨", au "©", "Ê"
    VowelSignAbove,   // e "s", ai "S", e after ka/pha "¢"
    VowelSignBelow,   // u "q", uu "w", ri "`"
    Reph,             // "Z", and "±" (reph with anusvara)
    Halant,           // "~"
    Nukta,            // "+"
    SubscriptRa,      // "z", "ª"
    Sign,             // anusvara, candrabindu, candra (above, no advance)
    Visarga,          // visarga (spacing)
};

struct GlyphInfo {
    // UTF-8 meaning in logical order, "" when Unused. The glyphs that join
    // the reph to a sign ("±", "Ê", "Æ") give the reph and then the sign.
    const char *unicode;
    Role role;
};

// Table entry for `code`; every code has one (Role::Unused when the encoding
// gives it no meaning).
const GlyphInfo &glyphInfo(unsigned char code);

// True when glyphs of this role take no horizontal space of their own.
bool isMark(Role role);

// Glyph string -> UTF-8 in NFC. Combined glyphs are expanded, the short-i
// sign is moved after the whole cluster that follows it, the reph to the
// front of the cluster it stands after. A code with no meaning comes out as
// the character Windows-1252 gives it, so nothing is lost. Linear time.
std::string toUnicode(std::string_view glyphs);

// UTF-8 -> glyph string, as the phonetic engine would type each word.
// Characters with no glyph form (Latin letters, other scripts, invalid
// UTF-8) are left out; their number is stored in *unconverted when given.
// Linear time.
std::string fromUnicode(std::string_view utf8, std::size_t *unconverted = nullptr);

// A piece of mixed text: either Hindi (converted to glyphs) or other text
// (kept as UTF-8), for callers that set the two in different fonts.
struct Run {
    bool glyphs;      // true: `text` is a glyph string; false: UTF-8
    std::string text;
};

// Splits UTF-8 text into Hindi and other runs. Spaces, digits and
// punctuation join the run before them (or the one after, at the start).
// Concatenating the runs' texts, with the glyph runs converted back by
// toUnicode, gives the text again (up to NFC and glyph-level synonyms).
std::vector<Run> splitRuns(std::string_view utf8);

} // namespace kalamora::kruti
