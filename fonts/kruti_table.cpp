// Prints the glyph table for the font generator: one line per printable code
// the encoding uses, "code<TAB>role<TAB>character<TAB>meaning", the code and
// the Windows-1252 character in hex, the meaning as UTF-8.
#include "kruti/cp1252.h"
#include "kruti/kruti.h"

#include <cstdio>

using namespace kalamora;

namespace {

const char *roleName(kruti::Role role)
{
    using enum kruti::Role;
    switch (role) {
    case Unused: return "unused";
    case Text: return "text";
    case Punctuation: return "punctuation";
    case Digit: return "digit";
    case IndependentVowel: return "vowel";
    case Consonant: return "consonant";
    case HalfForm: return "half";
    case Conjunct: return "conjunct";
    case VowelSignLeft: return "sign-left";
    case VowelSignRight: return "sign-right";
    case VowelSignAbove: return "sign-above";
    case VowelSignBelow: return "sign-below";
    case Reph: return "reph";
    case Halant: return "halant";
    case Nukta: return "nukta";
    case SubscriptRa: return "subscript-ra";
    case Sign: return "sign";
    case Visarga: return "visarga";
    }
    return "unused";
}

} // namespace

int main()
{
    for (int code = 0x20; code < 256; ++code) {
        const kruti::GlyphInfo &info = kruti::glyphInfo(static_cast<unsigned char>(code));
        if (info.role == kruti::Role::Unused)
            continue;
        std::printf("%02X\t%s\t%04X\t%s\n", code, roleName(info.role),
                    static_cast<unsigned>(kruti::glyphToChar(static_cast<unsigned char>(code))), info.unicode);
    }
    return 0;
}
