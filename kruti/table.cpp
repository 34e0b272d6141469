#include "kruti/kruti.h"

#include <array>

namespace kalamora::kruti {

namespace {

struct Entry {
    unsigned char code;
    const char *unicode;
    Role role;
};

using enum Role;

// The codes of the encoding. Where documents written elsewhere use a second
// code for the same letter (the half sha "'" beside "‘", zero "å" beside
// "Œ"), both are listed; the conversion back to glyphs picks the code the
// phonetic engine types.
constexpr Entry entries[] = {
    {0x09, "\t", Text}, {0x0A, "\n", Text}, {0x0D, "\r", Text}, {0x20, " ", Text},
    {0x21, "!", Text}, {0xA0, "\u00A0", Text},
    {0x30, "0", Text}, {0x31, "1", Text}, {0x32, "2", Text}, {0x33, "3", Text},
    {0x34, "4", Text}, {0x35, "5", Text}, {0x36, "6", Text}, {0x37, "7", Text},
    {0x38, "8", Text}, {0x39, "9", Text},

    {0x22, "ष्", HalfForm},
    {0x23, "रु", Conjunct},
    {0x24, "+", Punctuation},
    {0x25, "ः", Visarga},
    {0x26, "-", Punctuation},
    {0x27, "श्", HalfForm},
    {0x28, ";", Punctuation},
    {0x29, "द्ध", Conjunct},
    {0x2A, "’", Punctuation},
    {0x2B, "़", Nukta},
    {0x2C, "ए", IndependentVowel},
    {0x2D, ".", Punctuation},
    {0x2E, "ण्", HalfForm},
    {0x2F, "ध्", HalfForm},
    {0x3A, "रू", Conjunct},
    {0x3B, "य", Consonant},
    {0x3C, "ढ", Consonant},
    {0x3D, "त्र", Conjunct},
    {0x3E, "झ", Consonant},
    {0x3F, "घ्", HalfForm},
    {0x40, "/", Punctuation},
    {0x41, "।", Punctuation},
    {0x42, "ठ", Consonant},
    {0x43, "ब्", HalfForm},
    {0x44, "क्", HalfForm},
    {0x45, "म्", HalfForm},
    {0x46, "थ्", HalfForm},
    {0x47, "ळ", Consonant},
    {0x48, "भ्", HalfForm},
    {0x49, "प्", HalfForm},
    {0x4A, "श्र", Conjunct},
    {0x4B, "ज्ञ", Conjunct},
    {0x4C, "स्", HalfForm},
    {0x4D, "ड", Consonant},
    {0x4E, "छ", Consonant},
    {0x4F, "व्", HalfForm},
    {0x50, "च्", HalfForm},
    {0x51, "फ", Consonant},
    {0x52, "त्", HalfForm},
    {0x53, "ै", VowelSignAbove},
    {0x54, "ज्", HalfForm},
    {0x55, "न्", HalfForm},
    {0x56, "ट", Consonant},
    {0x57, "ॅ", Sign},
    {0x58, "ग्", HalfForm},
    {0x59, "ल्", HalfForm},
    {0x5A, "र्", Reph},
    {0x5B, "ख्", HalfForm},
    {0x5C, "?", Punctuation},
    {0x5D, ",", Punctuation},
    {0x5E, "‘", Punctuation},
    {0x5F, "ऋ", IndependentVowel},
    {0x60, "ृ", VowelSignBelow},
    {0x61, "ं", Sign},
    {0x62, "इ", IndependentVowel},
    {0x63, "ब", Consonant},
    {0x64, "क", Consonant},
    {0x65, "म", Consonant},
    {0x66, "ि", VowelSignLeft},
    {0x67, "ह", Consonant},
    {0x68, "ी", VowelSignRight},
    {0x69, "प", Consonant},
    {0x6A, "र", Consonant},
    {0x6B, "ा", VowelSignRight},
    {0x6C, "स", Consonant},
    {0x6D, "उ", IndependentVowel},
    {0x6E, "द", Consonant},
    {0x6F, "व", Consonant},
    {0x70, "च", Consonant},
    {0x71, "ु", VowelSignBelow},
    {0x72, "त", Consonant},
    {0x73, "े", VowelSignAbove},
    {0x74, "ज", Consonant},
    {0x75, "न", Consonant},
    {0x76, "अ", IndependentVowel},
    {0x77, "ू", VowelSignBelow},
    {0x78, "ग", Consonant},
    {0x79, "ल", Consonant},
    {0x7A, "्र", SubscriptRa},
    {0x7B, "क्ष्", HalfForm},
    {0x7C, "द्य", Conjunct},
    {0x7D, "द्व", Conjunct},
    {0x7E, "्", Halant},

    {0x82, "ॉ", VowelSignRight},
    {0x83, "१", Digit}, {0x84, "२", Digit}, {0x85, "३", Digit}, {0x86, "४", Digit},
    {0x87, "५", Digit}, {0x88, "६", Digit}, {0x89, "७", Digit}, {0x8A, "८", Digit},
    {0x8B, "९", Digit}, {0x8C, "०", Digit},
    {0x91, "श्", HalfForm},
    {0x93, "ष्", HalfForm},
    {0x95, "ऽ", Punctuation},
    {0x96, "दृ", Conjunct},
    {0x97, "कृ", Conjunct},
    // The phonetic key "#" types this one; it draws the key.
    {0x98, "#", Punctuation},
    {0x99, "न्न्", HalfForm},

    {0xA1, "ँ", Sign},
    {0xA2, "े", VowelSignAbove},
    {0xA3, "ख्र", Conjunct},
    {0xA5, "ञ", Consonant},
    {0xA8, "ो", VowelSignRight},
    {0xA9, "ौ", VowelSignRight},
    {0xAA, "्र", SubscriptRa},
    {0xAB, "त्र्", HalfForm},
    {0xB1, "र्ं", Reph},
    {0xB3, "ङ", Consonant},
    {0xB6, "फ्", HalfForm},
    {0xB7, "|", Punctuation},
    {0xB8, "य्", HalfForm},
    {0xB9, "*", Punctuation},
    {0xBA, "ह्", HalfForm},
    {0xBC, "(", Punctuation},
    {0xBD, ")", Punctuation},
    {0xBE, "=", Punctuation},
    {0xBF, "{", Punctuation},
    {0xC0, "}", Punctuation},
    {0xC1, "प्र", Conjunct},
    {0xC3, "ई", IndependentVowel},
    {0xC4, "घ", Consonant},
    {0xC5, "ऊ", IndependentVowel},
    {0xC6, "र्ि", VowelSignLeft},
    {0xCA, "र्ी", VowelSignRight},
    {0xCB, "ध्", HalfForm},
    {0xCC, "द्द", Conjunct},
    {0xCD, "ट्ट", Conjunct},
    {0xCE, "ट्ठ", Conjunct},
    {0xCF, "ड्ड", Conjunct},
    {0xD1, "कृ", Conjunct},
    {0xD4, "ड्ढ", Conjunct},
    {0xD6, "झ्", HalfForm},
    {0xD8, "क्र", Conjunct},
    {0xD9, "त्त्", HalfForm},
    {0xDC, "श्", HalfForm},
    {0xDD, "फ्र", Conjunct},
    {0xDE, "\"", Punctuation},
    {0xDF, "'", Punctuation},
    {0xE0, "ह्न", Conjunct},
    {0xE1, "ह्य", Conjunct},
    {0xE2, "हृ", Conjunct}, // ha-ra is "\xBAz", half ha and the ra below
    {0xE3, "ह्म", Conjunct},
    {0xE4, "क्त", Conjunct},
    {0xE5, "०", Digit},
    {0xE6, "द्र", Conjunct},
    {0xE7, "प्र", Conjunct},
    {0xE8, "ध्", HalfForm},
    {0xE9, "न्न", Conjunct},
    {0xEA, "ट्ट", Conjunct},
    {0xEB, "ट्ठ", Conjunct},
    {0xEC, "ड्ड", Conjunct},
    {0xED, "द्द", Conjunct}, // as 0xCC; the phonetic key "_" types it
    {0xEF, "ड्ढ", Conjunct},
    {0xF4, "क्क", Conjunct},
    {0xF7, "झ्", HalfForm},
    {0xF9, "द्म", Conjunct},
};

constexpr std::array<GlyphInfo, 256> buildTable()
{
    std::array<GlyphInfo, 256> t{};
    for (auto &g : t)
        g = {"", Unused};
    for (const Entry &e : entries)
        t[e.code] = {e.unicode, e.role};
    return t;
}

constexpr std::array<GlyphInfo, 256> table = buildTable();

} // namespace

const GlyphInfo &glyphInfo(unsigned char code)
{
    return table[code];
}

bool isMark(Role role)
{
    switch (role) {
    case VowelSignAbove:
    case VowelSignBelow:
    case Reph:
    case Halant:
    case Nukta:
    case SubscriptRa:
    case Sign:
        return true;
    default:
        return false;
    }
}

} // namespace kalamora::kruti
