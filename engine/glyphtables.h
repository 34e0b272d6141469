#pragma once

#include <cstdint>
#include <string_view>

namespace kalamora::engine {

// A key code: the 16-bit character code of a key press. Codes 1..255 are
// glyph codes of the same value (Windows-1252 bytes); 0 means "nothing".
using KeyCode = std::uint16_t;

// Glyph codes the engine gives a role to.
namespace glyph {
inline constexpr char Halant = '~';
inline constexpr char Reph = 'Z';
inline constexpr char SubscriptRa = 'z';
inline constexpr char Ra = 'j';
inline constexpr char Nukta = '+';
inline constexpr char Anusvara = 'a';
inline constexpr char LineFeed = '\n';
inline constexpr char Space = ' ';
} // namespace glyph

// The phonetic key map, kept as the one string it is defined as. Entries are
// "key:code." in decimal; a code of 0 types nothing. Lookup takes the first
// entry whose key matches, so a later entry for the same key is dead.
inline constexpr std::string_view PhoneticKeyMap =
    "62:43.81:0.80:81.87:125.42:185.116:114.84:86.111:168.91:188.123:191.93:189."
    "125:192.124:183.115:108.100:110.68:77.102:81.70:81.103:120.104:103.72:186."
    "106:116.74:62.107:100.108:121.76:71.58:37.59:40.40:188.41:189.34:222.39:223."
    "67:78.98:99.66:77.44:93.62:65.63:92.47:64.95:237.45:38.43:36.61:190.96:122."
    "38:75.64:132.35:152.99:112.112:105.";

// The code PhoneticKeyMap gives `key`; -1 when the string has no entry.
int phoneticKeyMapLookup(KeyCode key);

// Key classes: a character is a member when it occurs in the string. The
// first two also take the double quote, which the stored strings lack.
inline constexpr std::string_view HalantDroppingKeys =
    "iIeEuUoOa] ';:,<.>/?[1{}23456\x91" "7890-_=+`~M\x93";
inline constexpr std::string_view NoHalantKeys =
    "iIeEuUoOa] ;:,.>/?1234567890-_=+`~\x91\x93";
inline constexpr std::string_view ConsonantGlyphs =
    ";<>+BKMNQVcdeg\x98ijlmnGoprtuvxy\xED";
inline constexpr std::string_view StepBackVowelKeys = "AeEioOuU";

// Glyphs the short-i sign steps over as parts of one consonant cluster:
// the half letters (with the two the half-form rule makes, half jha "Ö"
// and half tra "«"), the halant and the signs below.
inline constexpr std::string_view ClusterGlyphs =
    "\x2E\x2F\x93\x22\x7E\x91\x27\x3F\x7A\x43\x44\x91\x45\x60\x46\x49\x48\x4C"
    "\x4F\x50\x52\x54\x55\x58\x59\x5B\x7B\x92\x99\x9F\xB6\xB8\xBA\xCB\xD9\xF7"
    "\xD6\xAB";

// Membership of a key code (or glyph code) in a class string. Codes above
// 255 and 0 are members of nothing.
bool inClass(std::string_view cls, int code);
bool isHalantDroppingKey(KeyCode key);
bool isNoHalantKey(KeyCode key);
bool isConsonantGlyph(KeyCode code);
bool isStepBackVowelKey(KeyCode key);
bool isClusterGlyph(unsigned char g);
// A half form: a cluster glyph that joins the letter after it.
bool isHalfForm(unsigned char g);

// What the phonetic core does with a printable key in Hindi input.
enum class PhoneticAction {
    None,
    Map,
    FullStop,
    SpecialConsonant,
    UpperA,
    UpperE,
    UpperH,
    UpperI,
    UpperM,
    UpperO,
    UpperR,
    UpperU,
    V,
    HalfForm,
    LowerA,
    LowerE,
    LowerI,
    LowerM,
    LowerN,
    LowerO,
    LowerR,
    LowerU,
    LowerY,
};

// The dispatch of keys 34..125; every other key takes no action.
PhoneticAction PhoneticDispatch(KeyCode key);

// The independent vowel a vowel key types at a word start; empty when the
// key has none.
std::string_view IndependentVowelMap(KeyCode key);

// A ligature of the Remington layout: `key` typed after `before` replaces
// `before` by `replacement`. Dha has none: "/" and "k" stay two glyphs, as
// the phonetic layout types it, because the single glyph 0xC4 is gha in
// this encoding (documents from other programs carry it for gha, and its
// half form is "?", half gha). Nor has kha with the ri sign: "[k`" stays
// as typed, because the single glyph 0xA3 is kha with the ra below, the
// ra conjunct the phonetic layout makes of half kha. Ha with the ri sign
// joins into 0xE2 as ka and da join into theirs.
struct RemingtonComposition {
    KeyCode key;
    std::string_view before;
    std::string_view replacement;
};

inline constexpr RemingtonComposition RemingtonCompositions[] = {
    {96, "n", "\x96"},
    {96, "d", "\xD1"},
    {96, "g", "\xE2"},
    {90, "b", "\xC3"},
    {119, "m", "\xC5"},
    {122, "d", "\xD8"},
    {115, "d", "d\xA2"},
    {115, "Q", "Q\xA2"},
};

} // namespace kalamora::engine
