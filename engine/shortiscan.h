#pragma once

// Where the short-i sign goes: the sign is drawn first but said after the
// consonant cluster, so it stands in front of the whole cluster it follows
// in speech. The typing handler and the Unicode converter both place it
// with this scan; each keeps its own context (the reph, a subscript ra the
// caret stands before) and asks the scan only where the cluster begins.

#include "engine/glyphtables.h"

#include <string_view>

namespace kalamora::engine {

namespace shorti {

inline bool isMark(unsigned char g)
{
    return g == glyph::Nukta || g == glyph::SubscriptRa || g == '`' || g == 0xAA;
}

// The first glyph of the letter that ends just before `end`: its marks
// (nukta, subscript ra, ri sign) are stepped over, and a half form with
// the stroke "k" is one letter.
template<typename GlyphAt>
int letterStart(const GlyphAt &at, int end)
{
    int j = end - 1;
    while (j > 0 && isMark(at(j)))
        --j;
    if (j > 0 && at(j) == 'k' && isHalfForm(at(j - 1)))
        --j;
    return j < 0 ? 0 : j;
}

} // namespace shorti

// The index of the first glyph of the consonant cluster whose glyphs end
// just before index `end`: the place of the short-i sign. The cluster is
// the last letter with its marks and, before it, the half forms (each with
// its nukta) and the letters kept whole by a halant (with their marks)
// that lead up to it. `at(i)` gives the glyph at index i (0 <= i < end) as
// an unsigned char; `looked(i)` is told each index the scan reads in front
// of the last letter, in order.
template<typename GlyphAt, typename Looked>
int shortIPlace(const GlyphAt &at, int end, Looked &&looked)
{
    if (end <= 0)
        return 0;
    int start = shorti::letterStart(at, end);
    int i = start - 1;
    while (i >= 0) {
        looked(i);
        const unsigned char g = at(i);
        if (g == glyph::Halant) {
            start = shorti::letterStart(at, i);
            i = start - 1;
        } else if (g == glyph::Nukta) {
            // the nukta of a half form ("D+") or of a letter with a halant
            // ("M~+") is inside the cluster; after a full letter it ends it
            if (i >= 1 && isHalfForm(at(i - 1))) {
                start = i - 1;
                i -= 2;
            } else if (i >= 1 && at(i - 1) == glyph::Halant) {
                --i;
            } else {
                break;
            }
        } else if (isHalfForm(g)) {
            start = i;
            --i;
        } else {
            break;
        }
    }
    return start;
}

// The same over the glyphs of a cluster (and whatever stands before it).
inline int shortIPlace(std::string_view glyphs)
{
    const auto at = [glyphs](int i) { return static_cast<unsigned char>(glyphs[static_cast<std::size_t>(i)]); };
    return shortIPlace(at, static_cast<int>(glyphs.size()), [](int) {});
}

} // namespace kalamora::engine
