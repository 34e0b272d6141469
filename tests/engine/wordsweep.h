#pragma once

// Generated Hindi words with the keys a typist presses for them.
//
// A word is built from parts: an optional reph, a cluster of one to three
// consonants (each with or without nukta), an optional subscript ra, a vowel
// sign, a sign after it (anusvara, chandrabindu, visarga) and what follows
// (a consonant syllable or an independent vowel); or an independent vowel
// with its sign at the start of the word. From the same parts come the
// phonetic keys, the Unicode text meant and, through the converter's own
// spelling, the keys of the Remington layout. The words are typed through
// the key binding a document window uses and read back as Unicode.

#include "engine/engine.h"
#include "engine/fixedhost.h"
#include "engine/keyfeed.h"
#include "kruti/kruti.h"
#include "kruti/utf8.h"

#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

using namespace kalamora;

namespace sweep {

struct Letter {
    const char *unicode;
    const char *keys;
};

// Every consonant that has a key. ङ and ञ have none.
inline constexpr Letter Consonants[] = {
    {"क", "k"}, {"ख", "kh"}, {"ग", "g"}, {"घ", "gh"}, {"च", "c"}, {"छ", "C"}, {"ज", "j"},
    {"झ", "J"}, {"ट", "T"}, {"ठ", "Th"}, {"ड", "D"}, {"ढ", "Dh"}, {"ण", "N"}, {"त", "t"},
    {"थ", "th"}, {"द", "d"}, {"ध", "dh"}, {"न", "n"}, {"प", "p"}, {"फ", "ph"}, {"ब", "b"},
    {"भ", "bh"}, {"म", "m"}, {"य", "y"}, {"र", "r"}, {"ल", "l"}, {"ळ", "L"}, {"व", "v"},
    {"श", "sh"}, {"ष", "S"}, {"स", "s"}, {"ह", "h"},
};
inline constexpr int ConsonantCount = std::size(Consonants);
inline constexpr int Chha = 5, Ja = 6, Da = 15, Dha = 16, Na = 17, Ma = 22, Ya = 23, Ra = 24,
                     Lla = 26, Va = 27, Ha = 31;

struct Sign {
    const char *unicode;
    const char *keys;
    const char *name;
};

// Vowel signs; the first is the inherent a. The last two are the candra
// signs, which take no sign after them.
inline constexpr Sign Vowels[] = {
    {"", "a", "a"},         {"ा", "aa", "aa"},  {"ि", "i", "i"},   {"ी", "I", "ii"},
    {"ु", "u", "u"},         {"ू", "U", "uu"},   {"ृ", "R", "ri"},  {"े", "e", "e"},
    {"ै", "E", "ai"},        {"ो", "o", "o"},    {"ौ", "O", "au"},  {"ॅ", "MM", "candra-e"},
    {"ॉ", "aaMM", "candra-o"},
};
inline constexpr int VowelCount = std::size(Vowels);
inline constexpr int RiSign = 6, CandraE = 11;

inline constexpr Sign Modifiers[] = {
    {"", "", "-"}, {"ं", "M", "anusvara"}, {"ँ", "MMM", "chandrabindu"}, {"ः", ":", "visarga"},
};
inline constexpr int ModifierCount = std::size(Modifiers);
inline constexpr int Anusvara = 1, Chandrabindu = 2;

inline constexpr Sign Independents[] = {
    {"अ", "a", "A"}, {"आ", "aa", "AA"}, {"इ", "i", "I"}, {"ई", "I", "II"}, {"उ", "u", "U"},
    {"ऊ", "U", "UU"}, {"ए", "e", "E"}, {"ऐ", "E", "AI"}, {"ओ", "o", "O"}, {"औ", "O", "AU"},
};
inline constexpr int IndependentCount = std::size(Independents);

// What stands before the syllable in the word.
inline constexpr Sign Prefixes[] = {
    {"", "", ""}, {"स", "sa", "sa-"}, {"सा", "saa", "saa-"}, {"सि", "si", "si-"},
};
inline constexpr int PrefixCount = std::size(Prefixes);

struct Unit {
    int consonant;
    bool nukta = false;
};

// Letters the engine keeps whole, with no half form and no halant, so that
// a consonant typed after them starts a new syllable ("pUCnaa" types
// पूछना): chha, lla, and the pairs it draws as one glyph (da-dha, da-ya,
// da-va, da-ma, ha-ya, ha-ma). Clusters that go on after them have no keys.
inline bool keptWhole(const std::vector<Unit> &cluster, std::size_t k)
{
    const int c = cluster[k].consonant;
    if (c == Chha || c == Lla)
        return true;
    if (k == 0 || cluster[k - 1].nukta)
        return false;
    const int before = cluster[k - 1].consonant;
    return (before == Da && (c == Dha || c == Ya || c == Va || c == Ma)) || (before == Ha && (c == Ya || c == Ma));
}

struct Shape {
    bool atDocumentStart = false; // else typed after a space
    int prefix = 0;
    int initialVowel = -1;        // >= 0: the word starts with this independent vowel, no cluster
    bool reph = false;
    std::vector<Unit> cluster;
    bool subscriptRa = false;
    int vowel = 0;
    int modifier = 0;
    enum class Next { None, Consonant, Vowel } next = Next::None;
    int nextIndex = 0;            // consonant or independent vowel
};

struct Word {
    std::string keys;    // phonetic keys, a space closing the word
    std::string unicode; // the word meant, followed by the space
    std::string kind;    // class, for counting
    std::string group;   // class and parts, for grouping failures
};

// The phonetic keys and the Unicode text of a shape; nullopt when the
// phonetic scheme has no keys for it (ja + na is the jna key pair, a sign
// after a candra sign, a vowel the keys would join to the one before).
inline std::optional<Word> build(const Shape &s)
{
    Word w;
    const auto add = [&w](const char *keys, const char *unicode) {
        w.keys += keys;
        w.unicode += unicode;
    };
    add(Prefixes[s.prefix].keys, Prefixes[s.prefix].unicode);
    bool endsInherent = false;
    if (s.initialVowel >= 0) {
        if (s.reph || !s.cluster.empty() || s.subscriptRa)
            return std::nullopt;
        if (s.initialVowel <= 1 && s.prefix == 1)
            return std::nullopt; // "sa" + "a" is saa
        add(Independents[s.initialVowel].keys, Independents[s.initialVowel].unicode);
        add(Modifiers[s.modifier].keys, Modifiers[s.modifier].unicode);
        w.kind = "vowel";
        w.group = std::string("vowel ") + Independents[s.initialVowel].name;
    } else {
        if (s.cluster.empty())
            return std::nullopt;
        bool nukta = false;
        for (std::size_t k = 0; k < s.cluster.size(); ++k) {
            const Unit &u = s.cluster[k];
            const bool more = k + 1 < s.cluster.size() || s.subscriptRa;
            if (more && keptWhole(s.cluster, k))
                return std::nullopt; // the next consonant starts a new syllable
            if (u.consonant == Ra && (s.cluster.size() > 1 || s.subscriptRa))
                return std::nullopt; // ra inside a cluster is a reph or a subscript ra
            if (k > 0 && s.cluster[k - 1].consonant == Ja && !s.cluster[k - 1].nukta && u.consonant == Na)
                return std::nullopt; // "jn" types jna
            nukta = nukta || u.nukta;
        }
        if (s.vowel >= CandraE && s.modifier != 0)
            return std::nullopt;
        if (s.reph)
            add("r", "र्");
        for (std::size_t k = 0; k < s.cluster.size(); ++k) {
            const Unit &u = s.cluster[k];
            if (k > 0)
                w.unicode += "्";
            // After a consonant key "h" makes an aspirate; ha itself is "H".
            const bool afterConsonant = k > 0 || s.reph;
            add(u.consonant == Ha && afterConsonant ? "H" : Consonants[u.consonant].keys,
                Consonants[u.consonant].unicode);
            if (u.nukta)
                add(">", "़");
        }
        if (s.subscriptRa)
            add("r", "्र");
        add(Vowels[s.vowel].keys, Vowels[s.vowel].unicode);
        add(Modifiers[s.modifier].keys, Modifiers[s.modifier].unicode);
        endsInherent = s.vowel == 0 && s.modifier == 0;
        w.kind = std::to_string(s.cluster.size()) + (s.cluster.size() == 1 ? " consonant" : " consonants");
        if (s.reph)
            w.kind += " +reph";
        if (s.subscriptRa)
            w.kind += " +subscript ra";
        if (nukta)
            w.kind += " +nukta";
        w.group = w.kind + " / " + Vowels[s.vowel].name;
    }
    w.group += std::string(" / ") + Modifiers[s.modifier].name;
    switch (s.next) {
    case Shape::Next::None:
        w.group += " / end";
        break;
    case Shape::Next::Consonant:
        add(Consonants[s.nextIndex].keys, Consonants[s.nextIndex].unicode);
        add("a", "");
        w.group += " / +consonant";
        break;
    case Shape::Next::Vowel: {
        // "a" after an inherent a, a candra sign or the chandrabindu only
        // closes that syllable.
        const bool aKey = s.nextIndex <= 1;
        // So does "a" after the ri sign and after the reph with anusvara.
        const bool vowelSignLast = s.initialVowel < 0
                                       ? s.vowel >= CandraE || s.modifier == Chandrabindu
                                             || (s.vowel == RiSign && s.modifier == 0)
                                             || (s.reph && s.modifier == Anusvara)
                                       : s.modifier == Chandrabindu;
        if (aKey && (endsInherent || vowelSignLast))
            return std::nullopt;
        // After a syllable with a reph and the inherent a the vowel keys
        // type vowel signs ("rkai" is rki).
        if (s.reph && endsInherent)
            return std::nullopt;
        if (aKey && s.initialVowel >= 0 && s.modifier == 0)
            return std::nullopt;
        // "I" after the ii sign turns it into i.
        if (s.nextIndex == 3 && s.initialVowel < 0 && s.vowel == 3 && s.modifier == 0)
            return std::nullopt;
        add(Independents[s.nextIndex].keys, Independents[s.nextIndex].unicode);
        w.group += std::string(" / +") + Independents[s.nextIndex].name;
        break;
    }
    }
    if (s.atDocumentStart)
        w.group = "document start: " + w.group;
    add(" ", " ");
    return w;
}

// Unicode up to the spellings that mean the same: nukta letters as base
// letter and nukta.
inline std::string canonical(std::string_view utf8)
{
    std::string out;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = kruti::nextUtf8(utf8, pos);
        char32_t base = 0;
        switch (c) {
        case 0x0929: base = 0x0928; break;
        case 0x0931: base = 0x0930; break;
        case 0x0934: base = 0x0933; break;
        case 0x0958: base = 0x0915; break;
        case 0x0959: base = 0x0916; break;
        case 0x095A: base = 0x0917; break;
        case 0x095B: base = 0x091C; break;
        case 0x095C: base = 0x0921; break;
        case 0x095D: base = 0x0922; break;
        case 0x095E: base = 0x092B; break;
        case 0x095F: base = 0x092F; break;
        default: break;
        }
        if (base) {
            kruti::appendUtf8(out, base);
            kruti::appendUtf8(out, 0x093C);
        } else {
            kruti::appendUtf8(out, c);
        }
    }
    return out;
}

// The keys a Remington typist presses for a glyph string: each key types
// its own code, and the few glyphs with no key of their own are typed as
// the pair the layout joins into them. nullopt when a glyph has no key.
inline std::optional<std::string> remingtonKeys(std::string_view glyphs)
{
    std::string keys;
    for (const char ch : glyphs) {
        const unsigned char g = static_cast<unsigned char>(ch);
        switch (g) {
        case 0x91: keys += '\''; break; // half sha has a key of its own
        case 0x93: keys += '"'; break;  // half ssa likewise
        case 0xC3: keys += "bZ"; break;
        case 0xC5: keys += "mw"; break;
        case 0xD8: keys += "dz"; break;
        case 0x96: keys += "n`"; break;
        case 0xD1: keys += "d`"; break;
        case 0xE2: keys += "g`"; break;
        case 0xA3: keys += "[kz"; break; // kha-ra: kha and the ra below
        case 0xB1: keys += "Za"; break;  // reph and anusvara, one after the other
        case 0xA2: keys += 's'; break;  // e after ka and pha: "s" joins them
        default:
            if (g < 0x20 || g > 0x7E)
                return std::nullopt;
            keys += ch;
        }
    }
    return keys;
}

// Types keys into a fresh document (empty, or holding one space) as a
// document window does, and returns its glyphs.
inline std::string typeKeys(std::string_view keys, std::string_view layout, bool atDocumentStart)
{
    engine::EngineState state;
    state.InputLanguage = "HINDI";
    engine::FixedHost host;
    host.layoutValue = layout;
    engine::MemorySurface surface(atDocumentStart ? "" : " ");
    engine::KeyBinding binding(state, host);
    engine::bindSurface(binding, surface);
    engine::typeKeys(binding, surface, keys);
    return surface.text();
}

enum class Outcome {
    Right,
    Engine,    // the glyphs typed read as another word
    Converter, // the engine typed the converter's own spelling, which it reads wrongly
    NoKeys,    // the layout has no keys for the word
};

struct Result {
    Outcome outcome;
    std::string keys;
    std::string glyphs;
    std::string read; // Unicode of the glyphs typed
};

// The glyphs of a word as the converter spells it, with the short-i sign
// (or reph with short i) in front of the whole cluster: a half letter with
// a nukta belongs to the cluster like any other half letter.
inline std::string referenceGlyphs(std::string_view unicode)
{
    std::string g = kruti::fromUnicode(unicode);
    const auto half = [&g](std::size_t i) { return engine::isHalfForm(static_cast<unsigned char>(g[i])); };
    for (std::size_t p = 0; p < g.size(); ++p) {
        if (g[p] != 'f' && g[p] != '\xC6')
            continue;
        std::size_t q = p;
        while (q >= 2 && g[q - 1] == '+' && half(q - 2)) {
            q -= 2;
            while (q >= 1 && half(q - 1))
                --q;
        }
        if (q != p) {
            const char sign = g[p];
            g.erase(p, 1);
            g.insert(q, 1, sign);
        }
    }
    return g;
}

// The converter misreads some clusters with a nukta inside. The glyphs
// are taken as right when every nukta stands right after a letter and,
// with the nukta left out on both sides, they read as the word meant.
inline bool rightButForNukta(const std::string &glyphs, const std::string &expected)
{
    static constexpr std::string_view nukta = "\u093C";
    if (expected.find(nukta) == std::string::npos)
        return false;
    std::string bare;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        if (glyphs[i] != '+') {
            bare += glyphs[i];
            continue;
        }
        // The letter may keep its halant before the nukta ("n~+").
        const std::size_t at = i >= 2 && glyphs[i - 1] == '~' ? i - 2 : i - 1;
        const kruti::Role before = i ? kruti::glyphInfo(static_cast<unsigned char>(glyphs[at])).role
                                     : kruti::Role::Unused;
        const bool afterLetter = before == kruti::Role::Consonant || before == kruti::Role::HalfForm
                                 || before == kruti::Role::Conjunct || (i && glyphs[at] == 'k');
        if (!afterLetter)
            return false;
    }
    std::string meant = canonical(expected);
    for (std::size_t at; (at = meant.find(nukta)) != std::string::npos;)
        meant.erase(at, nukta.size());
    return canonical(kruti::toUnicode(bare)) == meant;
}

inline Result judge(std::string keys, const std::string &glyphs, const std::string &meant, bool atDocumentStart)
{
    Result r{Outcome::Right, std::move(keys), glyphs, kruti::toUnicode(glyphs)};
    const std::string expected = (atDocumentStart ? "" : " ") + meant;
    if (canonical(r.read) == canonical(expected))
        return r;
    r.outcome = glyphs == referenceGlyphs(expected) || rightButForNukta(glyphs, expected) ? Outcome::Converter
                                                                                           : Outcome::Engine;
    return r;
}

inline Result typePhonetic(const Word &w, bool atDocumentStart)
{
    return judge(w.keys, typeKeys(w.keys, "Rom", atDocumentStart), w.unicode, atDocumentStart);
}

// Remington keys come from the converter's spelling of the word.
inline Result typeRemington(const Word &w, bool atDocumentStart)
{
    const std::optional<std::string> keys = remingtonKeys(kruti::fromUnicode(w.unicode));
    if (!keys)
        return {Outcome::NoKeys, {}, {}, {}};
    return judge(*keys, typeKeys(*keys, "Rem", atDocumentStart), w.unicode, atDocumentStart);
}

// A random shape from the whole space, for property tests.
inline Shape randomShape(std::mt19937 &rng)
{
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    Shape s;
    s.atDocumentStart = pick(8) == 0;
    s.prefix = pick(PrefixCount);
    if (pick(10) == 0) {
        s.initialVowel = pick(IndependentCount);
    } else {
        s.reph = pick(3) == 0;
        const int n = 1 + pick(3);
        for (int k = 0; k < n; ++k)
            s.cluster.push_back({pick(ConsonantCount), pick(5) == 0});
        s.subscriptRa = pick(5) == 0;
        s.vowel = pick(VowelCount);
    }
    s.modifier = pick(3) == 0 ? 1 + pick(ModifierCount - 1) : 0;
    switch (pick(3)) {
    case 0: s.next = Shape::Next::None; break;
    case 1: s.next = Shape::Next::Consonant; s.nextIndex = pick(ConsonantCount); break;
    default: s.next = Shape::Next::Vowel; s.nextIndex = pick(IndependentCount); break;
    }
    return s;
}

} // namespace sweep
