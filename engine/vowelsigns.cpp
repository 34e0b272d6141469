// Vowel signs: the handlers of a, A, e, i, o, O and u.
#include "engine/engine.h"
#include "engine/shortiscan.h"

#include <vector>

namespace kalamora::engine {

namespace {

// The glyph at index i, counted from 0, of the surface's text.
auto glyphAt(const EditSurface &s)
{
    return [&s](int i) { return s.glyphBefore(i + 1); };
}

// The syllable before the caret carries the short-i sign.
bool hasShortI(const EditSurface &s)
{
    int last = s.selStart() - 1;
    if (last < 1)
        return false;
    if (s.glyphBefore(last + 1) == 0xAA || s.glyphBefore(last + 1) == 'z')
        --last;
    const int start = shortIPlace(glyphAt(s), last + 1, [](int) {});
    const unsigned char before = start > 0 ? s.glyphBefore(start) : 0;
    return before == 'f' || before == 0xC6;
}

// The caret stands after a subscript ra with a vowel sign in front of it
// (the core writes u, uu, e and ai there).
bool signBeforeSubscriptRa(const EditSurface &s)
{
    const int pos = s.selStart();
    const unsigned char last = s.glyphBefore(pos);
    if (pos < 2 || (last != 'z' && last != 0xAA))
        return false;
    const unsigned char sign = s.glyphBefore(pos - 1);
    return sign == 'q' || sign == 'w' || sign == 's' || sign == 'S';
}

} // namespace

void Engine::HandleLowerA(EditSurface &s)
{
    const GlyphString &prev = m_state.PrevGlyph;
    if (s.selStart() == 0 || prev.empty()) {
        s.setSelText("v");
        return;
    }
    // After a word break, a vowel sign (also one joined to its letter: ru,
    // ruu, kri, dri, hri, e after ka, reph with ii) or a sign after the vowel
    // (anusvara, candra, chandrabindu, visarga) a new independent a begins;
    // so it does after the aa sign and after a syllable with short i.
    static constexpr std::string_view newVowelAfter =
        " \nqshw\xA8\xA9S#:\xA2\xCA`\xD1\x96\xE2" "aW\xA1%\xB1";
    if (prev.size() == 1 && newVowelAfter.find(prev[0]) != std::string_view::npos) {
        s.setSelText("v");
    } else if (prev == "Z") {
        if (vowelSignBeforeReph(s)) {
            s.setSelText("v");
        } else {
            SelectPrevChar(s);
            s.setSelText("kZ");
            m_state.CaretStepped = false;
        }
    } else if (prev == "\t") {
        s.setSelText("v~");
    } else if ((prev == "k" && isAaSign(s, s.selStart())) || hasShortI(s) || signBeforeSubscriptRa(s)) {
        s.setSelText("v");
    } else {
        s.setSelText("k");
    }
}

void Engine::HandleUpperA(EditSurface &s)
{
    s.setSelText("v");
}

void Engine::HandleLowerE(EditSurface &s)
{
    const GlyphString &prev = m_state.PrevGlyph;
    if (s.selStart() == 0 || prev.empty())
        s.setSelText(",");
    else if (prev == "d" || prev == "Q")
        s.setSelText("\xA2");
    else
        s.setSelText("s");
}

// The o and au signs. A caret the core stepped left (before a subscript ra)
// is moved back first; that uses the step up, so the end of the key does
// not move the caret a second time. The o sign decides by PrevGlyph, the au
// sign by the glyph that stands before the caret once it has moved back.
static void oSign(EditSurface &s, EngineState &st, bool byCaret, const char *independent,
                  const char *sign, const char *beforeReph)
{
    if (st.CaretStepped) {
        Engine::UnselectPrevChar(s);
        st.CaretStepped = false;
    }
    const GlyphString prev = byCaret ? glyphBeforeCaret(s) : st.PrevGlyph;
    if (s.selStart() == 0 || prev.empty() || prev == " " || prev == "\n") {
        s.setSelText(independent);
    } else if (prev == "Z") {
        Engine::SelectPrevChar(s);
        s.setSelText(beforeReph);
    } else {
        s.setSelText(sign);
    }
}

void Engine::HandleLowerO(EditSurface &s)
{
    oSign(s, m_state, false, "v\xA8", "\xA8", "\xA8Z");
}

void Engine::HandleUpperO(EditSurface &s)
{
    oSign(s, m_state, true, "v\xA9", "\xA9", "\xA9Z");
}

void Engine::HandleLowerU(EditSurface &s)
{
    const GlyphString &prev = m_state.PrevGlyph;
    if (prev.empty() || prev == " " || prev == "\n") {
        s.setSelText("m");
    } else if (prev == "j") {
        SelectPrevChar(s);
        s.setSelText("#");
    } else {
        s.setSelText("q");
    }
}

void Engine::ReapplyHindiFont()
{
    m_host.reapplyHindiFont();
}

// The short-i sign is written before the whole consonant cluster it
// follows in speech: find where that cluster starts and insert it there.
void Engine::HandleLowerI(EditSurface &s)
{
    const GlyphString &prev = m_state.PrevGlyph;
    const int pos = s.selStart();
    if (pos == 0) {
        s.setSelText("b");
        return;
    }
    if (pos == 1) {
        if (prev == " " || prev.empty()) {
            s.setSelText("b");
        } else {
            s.setSelStart(0);
            s.setSelText("f");
            s.setSelStart(2);
        }
        return;
    }
    if (prev == " " || prev == "\n") {
        s.setSelText("b");
        return;
    }
    const char *sign = "f";
    if (prev == "Z") {
        SelectPrevChar(s);
        s.setSelText({});
        sign = "\xC6";
    }
    const int end = s.selStart();
    if (end == 0) {
        s.setSelText(sign);
        return;
    }

    // Index of the syllable's last glyph; a subscript ra "ª" after it is
    // part of the syllable but not of the scan. Under a reph the subscript
    // ra "z" stands there too (without a reph the core has already put the
    // caret in front of it).
    int last = end - 1;
    const unsigned char beforeCaret = s.glyphBefore(end);
    const bool underReph = prev == "Z";
    if ((prev == "\xAA" || (underReph && (beforeCaret == 0xAA || beforeCaret == 'z'))) && last >= 1)
        --last;
    // The scan selects each glyph it looks at; glyphs set in the program's
    // font get the Hindi font and size of the main window again.
    std::vector<int> looked;
    const int start = shortIPlace(glyphAt(s), last + 1, [&looked](int i) { looked.push_back(i); });
    for (const int i : looked) {
        s.setSelStart(i);
        s.setSelLength(1);
        if (s.selFontName().rfind("Glyphora", 0) == 0)
            ReapplyHindiFont();
    }

    s.setSelStart(start);
    s.setSelText(sign);
    s.setSelStart(end + 1);
}

} // namespace kalamora::engine
