#include "kruti/kruti.h"
#include "kruti/utf8.h"

#include "engine/shortiscan.h"

#include <array>
#include <string_view>
#include <unordered_map>

namespace kalamora::kruti {

namespace {

constexpr char32_t Virama = 0x094D;
constexpr char32_t Nukta = 0x093C;
constexpr char32_t Ra = 0x0930;

bool isConsonant(char32_t c)
{
    return c >= 0x0915 && c <= 0x0939;
}

bool isJoiner(char32_t c)
{
    return c == 0x200C || c == 0x200D;
}

// Full consonants as the engine types them.
std::string_view fullGlyph(char32_t c)
{
    static constexpr std::string_view full[] = {
        "d", "[k", "x", "?k", "\xB3",          // ka kha ga gha nga
        "p", "N", "t", ">", "\xA5",            // ca cha ja jha nya
        "V", "B", "M", "<", ".k",              // tta ttha dda ddha nna
        "r", "Fk", "n", "/k", "u", "u",        // ta tha da dha na (nnna)
        "i", "Q", "c", "Hk", "e",              // pa pha ba bha ma
        ";", "j", "j", "y", "G", "G", "o",     // ya ra (rra) la lla (llla) va
        "\x91k", "\x93k", "l", "g",            // sha ssa sa ha
    };
    return full[c - 0x0915];
}

// Consonant + virama + ra, as the engine's ra conjuncts write it. Empty:
// the full letter followed by the subscript ra "z".
std::string_view raConjunct(char32_t c)
{
    switch (c) {
    case 0x0915: return "\xD8";
    case 0x0916: return "\xA3";
    case 0x0917: return "Xkz";
    case 0x0918: return "?kz";
    case 0x091D: return "\xD6kz";
    case 0x091F: return "V\xAA";
    case 0x0920: return "B\xAA";
    case 0x0921: return "M\xAA";
    case 0x0922: return "<\xAA";
    case 0x0924: return "=";
    case 0x0926: return "\xE6";
    case 0x092A: return "\xC1";
    case 0x092B: return "\xDD";
    case 0x0936: return "J";
    case 0x0939: return "\xBAz"; // half ha and the ra below
    default: return {};
    }
}

// Two consonants drawn as one glyph (other than the ra conjuncts).
std::string_view pairLigature(char32_t a, char32_t b)
{
    if (b == Ra) {
        if (std::string_view r = raConjunct(a); !r.empty())
            return r;
        return {};
    }
    switch (a) {
    case 0x0915: return b == 0x0937 ? "{k" : "";
    case 0x091C: return b == 0x091E ? "K" : "";
    case 0x0926:
        switch (b) {
        case 0x0927: return ")";
        case 0x092F: return "|";
        case 0x0935: return "}";
        case 0x092E: return "\xF9";
        default: return {};
        }
    case 0x0939:
        switch (b) {
        case 0x092E: return "\xE3";
        case 0x092F: return "\xE1";
        default: return {};
        }
    default: return {};
    }
}

// The one-glyph half form of a letter's last glyph; 0 when it has none.
char halfGlyph(char last)
{
    switch (static_cast<unsigned char>(last)) {
    case 'd': return 'D';
    case 'Q': return '\xB6';
    case 'g': return '\xBA';
    case 'y': return 'Y';
    case 'p': return 'P';
    case ';': return '\xB8';
    case '>': return '\xD6';
    case 'c': return 'C';
    case 'e': return 'E';
    case 'l': return 'L';
    case 'i': return 'I';
    case 'o': return 'O';
    case 'r': return 'R';
    case 't': return 'T';
    case 'u': return 'U';
    case 'x': return 'X';
    case 0xC4: return '?';
    case '=': return '\xAB';
    default: return 0;
    }
}

// The letter keeps its halant when it joins the next one: it has no half
// form of its own (neither a stroke "k" to drop nor a half glyph).
bool keepsHalant(std::string_view full)
{
    return !(full.size() > 1 && full.back() == 'k') && !halfGlyph(full.back());
}

// The half form the engine makes of a letter's glyphs: a two-glyph letter
// drops its stroke "k"; letters with no half form keep a halant.
void appendHalf(std::string &out, std::string_view full)
{
    const char last = full.back();
    const std::string_view head = full.substr(0, full.size() - 1);
    if (last == 'k' && full.size() > 1) {
        out += head;
        return;
    }
    out += head;
    if (const char half = halfGlyph(last)) {
        out.push_back(half);
    } else {
        out.push_back(last);
        out.push_back('~');
    }
}

// Appends the nukta of the letter just written: under the letter, before
// the halant of a letter that keeps one ("V+~"), as the engine types it
// and Unicode orders the two.
void appendNukta(std::string &out)
{
    if (!out.empty() && out.back() == '~')
        out.insert(out.size() - 1, 1, '+');
    else
        out.push_back('+');
}

// Single characters with a glyph of their own, outside syllables.
struct SingleMap {
    std::array<unsigned char, 0x100> low{};
    std::unordered_map<char32_t, std::string> other;
};

const SingleMap &singles()
{
    static const SingleMap map = [] {
        SingleMap m;
        for (int code = 1; code < 256; ++code) {
            const GlyphInfo &info = glyphInfo(static_cast<unsigned char>(code));
            switch (info.role) {
            case Role::Text:
            case Role::Punctuation:
            case Role::Digit:
            case Role::Visarga:
            case Role::Sign:
            case Role::IndependentVowel:
            case Role::Halant:
            case Role::Nukta:
            case Role::VowelSignLeft:
            case Role::VowelSignRight:
            case Role::VowelSignAbove:
            case Role::VowelSignBelow:
                break;
            default:
                continue;
            }
            const std::u32string cps = decodeUtf8(info.unicode);
            if (cps.size() != 1)
                continue;
            const char32_t c = cps[0];
            if (c < 0x100) {
                if (!m.low[c])
                    m.low[c] = static_cast<unsigned char>(code);
            } else if (!m.other.contains(c)) {
                m.other.emplace(c, std::string(1, static_cast<char>(code)));
            }
        }
        // Characters the encoding draws at a code of another meaning.
        m.low[':'] = 0x25;
        m.low['['] = 0xBC;
        m.low[']'] = 0xBD;
        m.other[0x201C] = "\xDE";
        m.other[0x201D] = "\xDF";
        m.other[0x0965] = "AA";
        m.other[0x0906] = "vk";
        m.other[0x0910] = ",s";
        m.other[0x0913] = "v\xA8";
        m.other[0x0914] = "v\xA9";
        m.other[0x0911] = "vkW";
        m.other[0x0949] = "kW";
        return m;
    }();
    return map;
}

bool appendSingle(std::string &out, char32_t c)
{
    const SingleMap &m = singles();
    if (c < 0x100) {
        if (!m.low[c])
            return false;
        out.push_back(static_cast<char>(m.low[c]));
        return true;
    }
    const auto it = m.other.find(c);
    if (it == m.other.end())
        return false;
    out += it->second;
    return true;
}

bool isModifier(char32_t c)
{
    return c == 0x0901 || c == 0x0902 || c == 0x0903 || c == 0x0945;
}

void appendModifier(std::string &out, char32_t c)
{
    switch (c) {
    case 0x0902:
        if (!out.empty() && out.back() == 'Z')
            out.back() = '\xB1';
        else
            out.push_back('a');
        break;
    case 0x0901: out.push_back('\xA1'); break;
    case 0x0945: out.push_back('W'); break;
    case 0x0903: out.push_back('%'); break;
    default: break;
    }
}

bool isVowelSign(char32_t c)
{
    return c >= 0x093E && c <= 0x094C && c != 0x0945;
}

class Converter
{
public:
    explicit Converter(std::string_view utf8)
        : m_cps(decompose(utf8))
    {
        m_out.reserve(utf8.size());
    }

    std::string run(std::size_t *unconverted)
    {
        const std::size_t n = m_cps.size();
        while (m_pos < n) {
            const char32_t c = at(m_pos);
            if (isConsonant(c)) {
                syllable();
            } else if (isJoiner(c)) {
                ++m_pos;
            } else {
                ++m_pos;
                if (!appendSingle(m_out, c))
                    ++m_unconverted;
            }
        }
        if (unconverted)
            *unconverted = m_unconverted;
        return std::move(m_out);
    }

private:
    struct Unit {
        char32_t consonant;
        bool nukta;
    };

    static std::u32string decompose(std::string_view utf8)
    {
        std::u32string cps;
        cps.reserve(utf8.size());
        std::size_t pos = 0;
        while (pos < utf8.size()) {
            const char32_t c = nextUtf8(utf8, pos);
            switch (c) {
            case 0x0929: cps += {0x0928, Nukta}; break;
            case 0x0931: cps += {0x0930, Nukta}; break;
            case 0x0934: cps += {0x0933, Nukta}; break;
            case 0x0958: cps += {0x0915, Nukta}; break;
            case 0x0959: cps += {0x0916, Nukta}; break;
            case 0x095A: cps += {0x0917, Nukta}; break;
            case 0x095B: cps += {0x091C, Nukta}; break;
            case 0x095C: cps += {0x0921, Nukta}; break;
            case 0x095D: cps += {0x0922, Nukta}; break;
            case 0x095E: cps += {0x092B, Nukta}; break;
            case 0x095F: cps += {0x092F, Nukta}; break;
            default: cps.push_back(c); break;
            }
        }
        return cps;
    }

    char32_t at(std::size_t i) const { return i < m_cps.size() ? m_cps[i] : 0; }

    // Virama followed by a consonant (joiners between are ignored).
    bool joinsNext(std::size_t i) const
    {
        if (at(i) != Virama)
            return false;
        ++i;
        while (isJoiner(at(i)))
            ++i;
        return isConsonant(at(i));
    }

    void syllable()
    {
        // A ra with virama in front of a consonant is the reph of the
        // cluster that follows.
        bool reph = false;
        if (at(m_pos) == Ra && joinsNext(m_pos + 1)) {
            reph = true;
            m_pos += 2;
            while (isJoiner(at(m_pos)))
                ++m_pos;
        }

        m_units.clear();
        for (;;) {
            Unit u{at(m_pos++), false};
            if (at(m_pos) == Nukta) {
                u.nukta = true;
                ++m_pos;
            }
            m_units.push_back(u);
            if (!joinsNext(m_pos))
                break;
            ++m_pos;
            while (isJoiner(at(m_pos)))
                ++m_pos;
        }
        bool dead = false;
        if (at(m_pos) == Virama) {
            dead = true;
            ++m_pos;
        }
        while (isJoiner(at(m_pos)))
            ++m_pos;

        std::string &c = m_cluster;
        c.clear();
        for (std::size_t k = 0; k < m_units.size(); ++k) {
            const Unit &u = m_units[k];
            const bool last = k + 1 == m_units.size();
            const std::string_view full = fullGlyph(u.consonant);
            if (!last) {
                // The letter and the next one drawn together: a ligature or
                // the ra below. A nukta on the second letter sits under the
                // ligature, as the engine types it; one on the first keeps
                // them apart, except under a letter kept with a halant,
                // which takes the ra below after its nukta ("V+\xAA",
                // "n+z"): written as letter, halant and full ra it would
                // draw the halant instead of the conjunct.
                const char32_t next = m_units[k + 1].consonant;
                std::string_view joined;
                std::string &built = m_joined;
                if (!u.nukta) {
                    joined = pairLigature(u.consonant, next);
                    if (joined.empty() && next == Ra) {
                        built.assign(full).push_back('z');
                        joined = built;
                    }
                } else if (next == Ra && keepsHalant(full)) {
                    // the ra below of its kind: "\xAA" under the round feet
                    const std::string_view plain = raConjunct(u.consonant);
                    const bool rounded = plain.size() == 2 && plain.back() == '\xAA';
                    built.assign(full).append({'+', rounded ? '\xAA' : 'z'});
                    joined = built;
                }
                if (!joined.empty()) {
                    ++k;
                    if (k + 1 == m_units.size())
                        c += joined;
                    else
                        appendHalf(c, joined);
                    if (m_units[k].nukta)
                        appendNukta(c);
                    continue;
                }
            }
            if (last)
                c += full;
            else
                appendHalf(c, full);
            if (u.nukta)
                appendNukta(c);
        }

        char32_t sign = 0;
        if (!dead && isVowelSign(at(m_pos)))
            sign = at(m_pos++);

        const bool endsSubRa = c.size() > 1 && c.back() == 'z';
        // Signs the engine types in front of a trailing subscript ra (o and
        // au step back behind it first).
        const auto beforeSubRa = [&](std::string_view s) {
            if (endsSubRa)
                c.insert(c.size() - 1, s);
            else
                c += s;
        };
        const auto rephThen = [&](std::string_view s) {
            c.push_back('Z');
            c += s;
        };

        switch (sign) {
        case 0:
            if (reph)
                c.push_back('Z');
            if (dead)
                c.push_back('~');
            break;
        case 0x093E: // aa
            c.push_back('k');
            if (reph)
                c.push_back('Z');
            break;
        case 0x093F: { // short i
            const auto at = static_cast<std::size_t>(engine::shortIPlace(c));
            c.insert(at, 1, reph ? '\xC6' : 'f');
            break;
        }
        case 0x0940: // long i
            c += reph ? "\xCA" : "h";
            break;
        case 0x0941: // u
            if (reph)
                rephThen("q");
            else if (c.back() == 'j')
                c.back() = '#';
            else
                beforeSubRa("q");
            break;
        case 0x0942: // uu
            if (reph)
                rephThen("w");
            else if (c.back() == 'j')
                c.back() = ':';
            else
                beforeSubRa("w");
            break;
        case 0x0943: // vocalic r: on the letter, the reph after it
            if (c.back() == 'd')
                c.back() = '\xD1';
            else if (c.back() == 'n')
                c.back() = '\x96';
            else if (c.back() == 'g')
                c.back() = '\xE2';
            else
                c.push_back('`');
            if (reph)
                c.push_back('Z');
            break;
        case 0x0947: // e
            if (reph)
                rephThen("s");
            else if (!endsSubRa && (c.back() == 'd' || c.back() == 'Q'))
                c.push_back('\xA2');
            else
                beforeSubRa("s");
            break;
        case 0x0948: // ai
            if (reph)
                rephThen("S");
            else
                beforeSubRa("S");
            break;
        case 0x094B: // o
            c += "\xA8";
            if (reph)
                c.push_back('Z');
            break;
        case 0x094C: // au
            c += "\xA9";
            if (reph)
                c.push_back('Z');
            break;
        case 0x0949: // candra o: the aa sign carries the reph, the candra
                     // sign follows it as it follows the reph elsewhere
            c += reph ? "kZW" : "kW";
            break;
        default: // signs the encoding has no glyph for
            ++m_unconverted;
            if (reph)
                c.push_back('Z');
            break;
        }
        m_out += c;
        while (isModifier(at(m_pos)))
            appendModifier(m_out, at(m_pos++));
    }

    std::u32string m_cps;
    std::size_t m_pos = 0;
    std::string m_out;
    std::string m_cluster;
    std::string m_joined;
    std::vector<Unit> m_units;
    std::size_t m_unconverted = 0;
};

} // namespace

std::string fromUnicode(std::string_view utf8, std::size_t *unconverted)
{
    return Converter(utf8).run(unconverted);
}

} // namespace kalamora::kruti
