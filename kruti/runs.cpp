#include "kruti/kruti.h"
#include "kruti/utf8.h"

#include <array>

namespace kalamora::kruti {

namespace {

enum class Kind { Hindi, Other, Neutral };

Kind kindOf(char32_t c)
{
    if (c >= 0x0900 && c <= 0x097F)
        return Kind::Hindi;
    if (c == 0x200C || c == 0x200D)
        return Kind::Neutral;
    if (c < 0x80) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (letter)
            return Kind::Other;
        // Neutral only where the encoding has a glyph for it.
        static const std::array<bool, 0x80> hasGlyph = [] {
            std::array<bool, 0x80> t{};
            for (int i = 1; i < 0x80; ++i) {
                const char ch = static_cast<char>(i);
                std::size_t unconverted = 0;
                fromUnicode(std::string_view(&ch, 1), &unconverted);
                t[i] = unconverted == 0;
            }
            return t;
        }();
        return hasGlyph[c] ? Kind::Neutral : Kind::Other;
    }
    if (c == 0x2018 || c == 0x2019 || c == 0x201C || c == 0x201D)
        return Kind::Neutral;
    return Kind::Other;
}

} // namespace

std::vector<Run> splitRuns(std::string_view utf8)
{
    // Character spans with their kind; neutral spans take the kind of the
    // strong text before them, or after them at the start.
    struct Span {
        std::size_t begin, end;
        Kind kind;
    };
    std::vector<Span> spans;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t begin = pos;
        const char32_t c = nextUtf8(utf8, pos);
        spans.push_back({begin, pos, kindOf(c)});
    }
    Kind current = Kind::Neutral;
    for (const Span &s : spans) {
        if (s.kind != Kind::Neutral) {
            current = s.kind;
            break;
        }
    }
    if (current == Kind::Neutral)
        current = Kind::Other;
    for (Span &s : spans) {
        if (s.kind == Kind::Neutral)
            s.kind = current;
        else
            current = s.kind;
    }

    std::vector<Run> runs;
    std::size_t i = 0;
    while (i < spans.size()) {
        std::size_t j = i;
        while (j < spans.size() && spans[j].kind == spans[i].kind)
            ++j;
        const std::string_view text = utf8.substr(spans[i].begin, spans[j - 1].end - spans[i].begin);
        if (spans[i].kind == Kind::Hindi)
            runs.push_back({true, fromUnicode(text)});
        else
            runs.push_back({false, std::string(text)});
        i = j;
    }
    return runs;
}

} // namespace kalamora::kruti
