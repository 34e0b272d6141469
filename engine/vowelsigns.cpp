// Vowel signs: the handlers of a, A, e, i, o, O and u.
#include "engine.h"

namespace engine {

void Engine::HandleLowerA(EditSurface &s)
{
    const GlyphString &prev = m_state.PrevGlyph;
    if (s.selStart() == 0 || prev.empty()) {
        s.setSelText("v");
        return;
    }
    // After a word break or a vowel sign a new independent a begins.
    static constexpr std::string_view newVowelAfter = " \nqshw\xA8\xA9S";
    if (prev.size() == 1 && newVowelAfter.find(prev[0]) != std::string_view::npos) {
        s.setSelText("v");
    } else if (prev == "Z") {
        SelectPrevChar(s);
        s.setSelText("kZ");
        m_state.CaretStepped = false;
    } else if (prev == "\t") {
        s.setSelText("v~");
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
    // part of the syllable but not of the scan.
    int last = end - 1;
    if (prev == "\xAA" && last >= 1)
        --last;
    int start = last;
    const unsigned char lastGlyph = s.glyphBefore(last + 1);
    if ((lastGlyph == '+' || lastGlyph == '`') && start >= 1)
        --start;

    int i = start - 1;
    while (i >= 0) {
        s.setSelStart(i);
        s.setSelLength(1);
        const GlyphString sel = s.selText();
        const unsigned char g = sel.empty() ? 0 : static_cast<unsigned char>(sel[0]);
        if (s.selFontName().rfind("Glyphora", 0) == 0)
            ReapplyHindiFont();
        if (g == '+' || g == 'z' || g == '`')
            break;
        if (g == '~') {
            start = i - 1 >= 0 ? i - 1 : 0;
            i -= 2;
            continue;
        }
        if (!isClusterGlyph(g))
            break;
        start = i;
        --i;
    }
    if (i < 0)
        start = 0;

    s.setSelStart(start);
    s.setSelText(sign);
    s.setSelStart(end + 1);
}

} // namespace engine
