#pragma once

// Made-up Hindi syllables for the conversion sweeps: every consonant alone,
// in pairs and in triples, each with or without a nukta, under a reph, over
// a subscript ra, with every vowel sign and with anusvara, candrabindu or
// visarga; and the independent vowels with the same signs. Each comes with
// the phonetic keys that type it where the scheme has a spelling for it.

#include <array>
#include <random>
#include <string>
#include <string_view>

namespace krutitest {

struct Letter {
    char32_t unicode;
    const char *keys; // "" when no key types it
};

inline constexpr Letter consonants[] = {
    {0x0915, "k"}, {0x0916, "kh"}, {0x0917, "g"}, {0x0918, "gh"}, {0x0919, ""},
    {0x091A, "c"}, {0x091B, "C"}, {0x091C, "j"}, {0x091D, "J"}, {0x091E, ""},
    {0x091F, "T"}, {0x0920, "Th"}, {0x0921, "D"}, {0x0922, "Dh"}, {0x0923, "N"},
    {0x0924, "t"}, {0x0925, "th"}, {0x0926, "d"}, {0x0927, "dh"}, {0x0928, "n"},
    {0x092A, "p"}, {0x092B, "ph"}, {0x092C, "b"}, {0x092D, "bh"}, {0x092E, "m"},
    {0x092F, "y"}, {0x0930, "r"}, {0x0932, "l"}, {0x0933, "L"}, {0x0935, "v"},
    {0x0936, "sh"}, {0x0937, "S"}, {0x0938, "s"}, {0x0939, "h"},
};
inline constexpr int consonantCount = int(std::size(consonants));

// Vowel signs, 0 for the inherent a and the virama for a dead syllable.
inline constexpr Letter signs[] = {
    {0, "a"}, {0x093E, "aa"}, {0x093F, "i"}, {0x0940, "I"}, {0x0941, "u"}, {0x0942, "U"},
    {0x0943, "R"}, {0x0947, "e"}, {0x0948, "E"}, {0x094B, "o"}, {0x094C, "O"},
    {0x0949, ""}, {0x094D, ""},
};
inline constexpr int signCount = int(std::size(signs));

inline constexpr Letter modifiers[] = {{0, ""}, {0x0902, "M"}, {0x0901, "MMM"}, {0x0903, ":"}};
inline constexpr int modifierCount = int(std::size(modifiers));

inline constexpr Letter vowels[] = {
    {0x0905, ""}, {0x0906, "aa"}, {0x0907, "i"}, {0x0908, "I"}, {0x0909, "u"}, {0x090A, "U"},
    {0x090B, ""}, {0x090F, "e"}, {0x0910, ""}, {0x0913, "o"}, {0x0914, "O"}, {0x0911, ""},
};
inline constexpr int vowelCount = int(std::size(vowels));

// One made-up syllable, after an optional ka (so that a sign written
// before the cluster must stop at the letter before it).
struct Syllable {
    int size = 1;                 // consonants; 0: an independent vowel
    std::array<int, 3> letter{};  // indexes into consonants (or vowels)
    unsigned nukta = 0;           // bit k: a nukta on consonant k
    bool reph = false;
    bool subscriptRa = false;
    int sign = 0;                 // index into signs
    int modifier = 0;             // index into modifiers
    bool afterKa = false;

    // A dead syllable takes no sign after its virama.
    bool valid() const { return modifier == 0 || size == 0 || signs[sign].unicode != 0x094D; }

    // Where the glyphs of the syllable put the short-i sign (alone or with
    // the reph): first, before every glyph of the cluster. -1: no short i.
    int shortIIndex() const { return size > 0 && signs[sign].unicode == 0x093F ? int(afterKa) : -1; }

    std::string unicode() const
    {
        std::u32string u;
        if (afterKa)
            u += U'क';
        if (size == 0) {
            u += vowels[letter[0]].unicode;
        } else {
            if (reph)
                u += U"र्";
            for (int k = 0; k < size; ++k) {
                if (k > 0)
                    u += U'\u094D';
                const char32_t c = consonants[letter[k]].unicode;
                if (!(nukta & (1u << k)))
                    u += c;
                else if (c == U'न' || c == U'र' || c == U'ळ')
                    u += c + 1; // NFC composes these three
                else
                    u += {c, U'\u093C'};
            }
            if (subscriptRa)
                u += U"्र";
            if (signs[sign].unicode)
                u += signs[sign].unicode;
        }
        if (modifiers[modifier].unicode)
            u += modifiers[modifier].unicode;
        return utf8(u);
    }

    // The letter at `k` is one the engine keeps whole, so that a consonant
    // key after it begins a new syllable ("pUCnaa" is पूछना): chha, lla and
    // the pairs drawn as one glyph (da-dha, da-ya, da-va, da-ma, ha-ya,
    // ha-ma).
    bool keptWhole(int k) const
    {
        const char32_t c = consonants[letter[k]].unicode;
        if (c == U'छ' || c == U'ळ')
            return true;
        if (k == 0 || (nukta & (1u << (k - 1))))
            return false;
        const char32_t before = consonants[letter[k - 1]].unicode;
        return (before == U'द' && (c == U'ध' || c == U'य' || c == U'व' || c == U'म'))
            || (before == U'ह' && (c == U'य' || c == U'म'));
    }

    // The phonetic keys, "" where the scheme has no spelling: a letter or
    // sign without a key, a word ending in a virama (the space drops it),
    // a candra o with a sign after it, a letter the engine keeps whole
    // before another, a ra inside a cluster (the keys make it a reph or the
    // ra below), ja-na (the keys of jna), or aa after the ka before the
    // syllable (the keys add the aa sign to it).
    std::string keys() const
    {
        std::string k = afterKa ? "ka" : "";
        if (size == 0) {
            if (!*vowels[letter[0]].keys || (afterKa && vowels[letter[0]].unicode == U'आ'))
                return {};
            k += vowels[letter[0]].keys;
        } else {
            if (!*signs[sign].keys)
                return {};
            if (reph)
                k += 'r';
            const int letters = size + subscriptRa;
            for (int i = 0; i < size; ++i) {
                if (i + 1 < letters && keptWhole(i))
                    return {};
                const char32_t u = consonants[letter[i]].unicode;
                if (u == U'र' && letters > 1)
                    return {};
                if (i > 0 && u == U'न' && consonants[letter[i - 1]].unicode == U'ज' && !(nukta & (1u << (i - 1))))
                    return {};
                std::string_view c = consonants[letter[i]].keys;
                if (c.empty())
                    return {};
                if (c == "k" && i + 1 < size && consonants[letter[i + 1]].unicode == U'ष' && !(nukta & (1u << i))) {
                    c = "x"; // ksha has a key of its own
                    ++i;
                }
                // h after a consonant or the reph would make an aspirate; H is ha
                k += (i > 0 || reph) && c == "h" ? "H" : c;
                if (nukta & (1u << i))
                    k += '>';
            }
            if (subscriptRa)
                k += 'r';
            k += signs[sign].keys;
        }
        k += modifiers[modifier].keys;
        return k;
    }

    // Why the engine types this syllable in other glyphs than the converter
    // writes for it, both reading as the same word; nullptr where the two
    // must agree. These are the engine's spellings, not the encoding's.
    const char *engineSpellsOtherwise() const
    {
        if (size == 0)
            return nullptr;
        const auto at = [&](int k) { return k < size ? consonants[letter[k]].unicode : U'र'; };
        if (!afterKa && size > 1 && at(0) == U'द' && at(1) == U'ध' && !(nukta & 1u))
            return "da-dha at the start of the text";
        return nullptr;
    }

    // The sweep's class: how many consonants, nukta, reph, subscript ra.
    std::string className() const
    {
        static constexpr const char *sizes[] = {"vowel", "single", "pair", "triple"};
        std::string c = sizes[size];
        if (nukta)
            c += " nukta";
        if (reph)
            c += " reph";
        if (subscriptRa)
            c += " subscript-ra";
        return c;
    }

    static std::string utf8(const std::u32string &u)
    {
        std::string out;
        for (char32_t c : u) {
            if (c < 0x80) {
                out.push_back(char(c));
            } else {
                out.push_back(char(0xE0 | (c >> 12)));
                out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
                out.push_back(char(0x80 | (c & 0x3F)));
            }
        }
        return out;
    }
};

// Every syllable of `size` consonants (0: the independent vowels), in all
// variants, with or without the ka before it; `f` is called with each.
template<typename F>
void forEachSyllable(int size, bool withModifiers, F &&f)
{
    Syllable s;
    s.size = size;
    if (size == 0) {
        for (s.afterKa = false;; s.afterKa = true) {
            for (s.letter[0] = 0; s.letter[0] < vowelCount; ++s.letter[0]) {
                for (s.modifier = 0; s.modifier < modifierCount; ++s.modifier)
                    f(s);
            }
            if (s.afterKa)
                return;
        }
    }
    int combinations = 1;
    for (int k = 0; k < size; ++k)
        combinations *= consonantCount;
    for (int n = 0; n < combinations; ++n) {
        for (int k = 0, rest = n; k < size; ++k, rest /= consonantCount)
            s.letter[k] = rest % consonantCount;
        for (s.nukta = 0; s.nukta < (1u << size); ++s.nukta) {
            for (int rr = 0; rr < 4; ++rr) {
                s.reph = rr & 1;
                s.subscriptRa = rr & 2;
                for (s.sign = 0; s.sign < signCount; ++s.sign) {
                    for (s.modifier = 0; s.modifier < (withModifiers ? modifierCount : 1); ++s.modifier) {
                        if (!s.valid())
                            continue;
                        s.afterKa = false;
                        f(s);
                        s.afterKa = true;
                        f(s);
                    }
                }
            }
        }
    }
}

// One syllable of `minSize` to `maxSize` consonants drawn at random from
// all of the above.
inline Syllable randomSyllable(std::mt19937 &rng, int minSize = 0, int maxSize = 3)
{
    Syllable s;
    s.size = minSize + int(rng() % unsigned(maxSize - minSize + 1));
    s.afterKa = rng() % 2;
    s.modifier = int(rng() % modifierCount);
    if (s.size == 0) {
        s.letter[0] = int(rng() % vowelCount);
        return s;
    }
    for (int k = 0; k < s.size; ++k)
        s.letter[k] = int(rng() % consonantCount);
    s.nukta = rng() % (1u << s.size);
    s.reph = rng() % 2;
    s.subscriptRa = rng() % 2;
    s.sign = int(rng() % signCount);
    if (!s.valid())
        s.modifier = 0;
    return s;
}

} // namespace krutitest
