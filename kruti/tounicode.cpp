#include "kruti/cp1252.h"
#include "kruti/kruti.h"
#include "kruti/utf8.h"

#include <array>

namespace kalamora::kruti {

namespace {

constexpr char32_t Virama = 0x094D;
constexpr char32_t Nukta = 0x093C;
constexpr char32_t SignI = 0x093F;
constexpr char32_t Ra = 0x0930;

struct Expanded {
    std::array<char32_t, 6> cps{};
    unsigned char size = 0;
    Role role = Role::Unused;
};

// Each code's meaning as code points, decoded once.
const std::array<Expanded, 256> &expansions()
{
    static const std::array<Expanded, 256> table = [] {
        std::array<Expanded, 256> t{};
        for (int code = 0; code < 256; ++code) {
            const GlyphInfo &info = glyphInfo(static_cast<unsigned char>(code));
            Expanded &e = t[code];
            e.role = info.role;
            if (info.role == Role::Unused) {
                if (code != 0) {
                    e.cps[0] = glyphToChar(static_cast<unsigned char>(code));
                    e.size = 1;
                }
                continue;
            }
            const std::u32string cps = decodeUtf8(info.unicode);
            for (char32_t c : cps)
                e.cps[e.size++] = c;
        }
        return t;
    }();
    return table;
}

bool consonantLike(Role r)
{
    return r == Role::Consonant || r == Role::Conjunct || r == Role::HalfForm;
}

// Pairs of code points that stand for one vowel when glyphs are written
// piecewise: "v"+"k" is aa, "k"+"s" the o sign, "," + "s" ai, and so on.
char32_t combineVowels(char32_t a, char32_t b)
{
    switch (a) {
    case 0x0905: // a
        if (b == 0x093E) return 0x0906;
        if (b == 0x094B) return 0x0913;
        if (b == 0x094C) return 0x0914;
        if (b == 0x0949) return 0x0911;
        return 0;
    case 0x0906: // aa
        if (b == 0x0947) return 0x0913;
        if (b == 0x0948) return 0x0914;
        if (b == 0x0945) return 0x0911;
        return 0;
    case 0x093E: // aa sign
        if (b == 0x0947) return 0x094B;
        if (b == 0x0948) return 0x094C;
        if (b == 0x0945) return 0x0949;
        return 0;
    case 0x090F: // e
        return b == 0x0947 ? 0x0910 : 0;
    case 0x0909: // u
        return b == 0x0942 ? 0x090A : 0;
    default:
        return 0;
    }
}

char32_t composeNukta(char32_t c)
{
    switch (c) {
    case 0x0928: return 0x0929;
    case 0x0930: return 0x0931;
    case 0x0933: return 0x0934;
    default: return 0;
    }
}

// Final pass: joins split vowels, puts nukta before virama (canonical
// order) and applies the three nukta compositions NFC keeps.
void finish(const std::u32string &in, std::u32string &res, std::string &out)
{
    res.clear();
    for (char32_t c : in) {
        if (c == Nukta) {
            std::size_t p = res.size();
            while (p > 0 && res[p - 1] == Virama)
                --p;
            if (p > 0) {
                if (char32_t composed = composeNukta(res[p - 1])) {
                    res[p - 1] = composed;
                    continue;
                }
            }
            res.insert(res.begin() + static_cast<std::ptrdiff_t>(p), c);
            continue;
        }
        if (!res.empty()) {
            if (char32_t v = combineVowels(res.back(), c)) {
                res.back() = v;
                if (res.size() >= 2) {
                    if (char32_t w = combineVowels(res[res.size() - 2], v)) {
                        res.pop_back();
                        res.back() = w;
                    }
                }
                continue;
            }
        }
        res.push_back(c);
    }
    char buffer[512];
    char *p = buffer;
    for (char32_t c : res) {
        if (p - buffer > static_cast<std::ptrdiff_t>(sizeof buffer) - 4) {
            out.append(buffer, static_cast<std::size_t>(p - buffer));
            p = buffer;
        }
        p = writeUtf8(p, c);
    }
    out.append(buffer, static_cast<std::size_t>(p - buffer));
}

} // namespace

std::string toUnicode(std::string_view glyphs)
{
    const auto &exp = expansions();
    constexpr std::size_t none = std::string::npos;

    // Code points of the current word; each word is finished into `result`
    // at the next space or line break, so the buffers stay small.
    std::u32string out;
    std::u32string scratch;
    std::string result;
    result.reserve(glyphs.size() * 3);

    std::size_t syllable = none;   // where the current cluster begins in `out`
    std::size_t clusterEnd = none; // just after its last consonant (or nukta)
    bool lastHalf = false;         // the last glyph was a half form: "k" completes it
    bool pendingI = false;         // a short-i sign waits for the end of its cluster
    bool pendingReph = false;      // ... and carries a reph ("Æ")
    std::size_t iBase = 0;         // size of `out` when the short i was read
    unsigned char prev = 0;

    const auto insertAt = [&](std::size_t at, std::initializer_list<char32_t> cps) {
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), cps);
        if (clusterEnd != none && clusterEnd >= at)
            clusterEnd += cps.size();
    };
    const auto insertReph = [&] {
        const std::size_t at = syllable != none ? syllable : out.size();
        insertAt(at, {Ra, Virama});
    };
    // The text so far ends in a virama (a nukta may follow it): the next
    // consonant joins the same cluster.
    const auto endsDead = [&] {
        std::size_t p = out.size();
        while (p > 0 && out[p - 1] == Nukta)
            --p;
        return p > 0 && out[p - 1] == Virama;
    };
    const auto flushI = [&] {
        out.push_back(SignI);
        if (pendingReph)
            insertReph();
        pendingI = pendingReph = false;
    };

    for (char ch : glyphs) {
        const auto code = static_cast<unsigned char>(ch);
        const Expanded &e = exp[code];
        const Role role = e.role;
        const bool completesHalf = code == 'k' && lastHalf && endsDead();

        if (pendingI) {
            const bool based = out.size() > iBase && !endsDead();
            const bool continues = role == Role::Nukta || role == Role::SubscriptRa
                || role == Role::Halant || completesHalf
                || (!based && consonantLike(role));
            if (!continues)
                flushI();
        }

        switch (role) {
        case Role::Consonant:
        case Role::Conjunct:
        case Role::HalfForm:
            if (!endsDead() || syllable == none)
                syllable = out.size();
            out.append(e.cps.data(), e.size);
            clusterEnd = out.size();
            lastHalf = role == Role::HalfForm;
            prev = code;
            continue;
        case Role::Halant:
            out.push_back(Virama);
            lastHalf = false;
            prev = code;
            continue;
        case Role::Nukta:
        case Role::SubscriptRa:
            if (syllable != none && clusterEnd != none && clusterEnd <= out.size()) {
                const std::size_t at = clusterEnd;
                // The ra below a half form ("\xBAz", ha-ra) joins it through
                // the half form's own virama.
                const char32_t *from = e.cps.data();
                if (role == Role::SubscriptRa && from[0] == Virama) {
                    std::size_t p = at;
                    while (p > 0 && out[p - 1] == Nukta)
                        --p;
                    if (p > 0 && out[p - 1] == Virama)
                        ++from;
                }
                out.insert(out.begin() + static_cast<std::ptrdiff_t>(at), from, e.cps.data() + e.size);
                clusterEnd = at + static_cast<std::size_t>(e.cps.data() + e.size - from);
            } else {
                out.append(e.cps.data(), e.size);
            }
            // a half form keeps waiting for its stroke past its nukta ("[+k")
            lastHalf = lastHalf && role == Role::Nukta;
            prev = code;
            continue;
        case Role::VowelSignLeft:
            if (pendingI)
                flushI();
            pendingI = true;
            pendingReph = e.size > 1; // "Æ": short i with reph
            iBase = out.size();
            syllable = none;
            lastHalf = false;
            prev = code;
            continue;
        case Role::Reph:
            if (prev == 'b' && !out.empty() && out.back() == 0x0907) {
                out.back() = 0x0908; // "bZ": the long i letter drawn from two glyphs
            } else {
                insertReph();
                if (e.size > 2)
                    out.push_back(e.cps[2]); // "±": the anusvara after it
            }
            lastHalf = false;
            prev = code;
            continue;
        default:
            break;
        }

        if (completesHalf) {
            std::size_t p = out.size() - 1;
            while (out[p] != Virama)
                --p;
            out.erase(out.begin() + static_cast<std::ptrdiff_t>(p));
            clusterEnd = out.size();
            lastHalf = false;
            prev = code;
            continue;
        }
        if (role == Role::VowelSignRight && e.size > 1 && e.cps[0] == Ra) {
            insertReph(); // "Ê": reph with the long i sign
            out.push_back(e.cps[e.size - 1]);
        } else {
            if (role == Role::IndependentVowel) {
                syllable = out.size();
                clusterEnd = none;
            }
            out.append(e.cps.data(), e.size);
        }
        switch (role) {
        case Role::VowelSignRight:
        case Role::VowelSignAbove:
        case Role::VowelSignBelow:
        case Role::Sign:
        case Role::Visarga:
        case Role::IndependentVowel:
            break; // the syllable goes on: a reph or subscript ra may follow
        default:
            syllable = none;
            clusterEnd = none;
            if (role == Role::Text && !pendingI) {
                finish(out, scratch, result);
                out.clear();
            }
            break;
        }
        lastHalf = false;
        prev = code;
    }
    if (pendingI)
        flushI();
    finish(out, scratch, result);
    return result;
}

} // namespace kalamora::kruti
