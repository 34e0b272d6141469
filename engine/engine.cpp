// The phonetic keystroke core, the Remington ligatures and the reph.
#include "engine/engine.h"

#include <cctype>
#include <string>

namespace kalamora::engine {

bool EngineState::isHindi() const
{
    if (InputLanguage.size() != 5)
        return false;
    std::string upper = InputLanguage;
    for (char &c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper == "HINDI";
}

bool endsSyllable(unsigned char g)
{
    switch (g) {
    case 'W': case 0xA1: case '`': case 0xD1: case 0x96: case 0xE2: case 0xB1:
        return true;
    default:
        return false;
    }
}

bool isAaSign(const EditSurface &surface, int pos)
{
    return surface.glyphBefore(pos) == 'k' && !isHalfForm(surface.glyphBefore(pos - 1));
}

bool vowelSignBeforeReph(const EditSurface &surface)
{
    const int pos = surface.selStart();
    if (pos < 2 || surface.glyphBefore(pos) != 'Z')
        return false;
    const unsigned char g = surface.glyphBefore(pos - 1);
    return g == 0xA8 || g == 0xA9 || endsSyllable(g) || isAaSign(surface, pos - 1);
}

GlyphString glyphBeforeCaret(const EditSurface &surface)
{
    const int pos = surface.selStart();
    if (pos == 0)
        return {};
    return GlyphString(1, static_cast<char>(surface.glyphBefore(pos)));
}

Engine::Engine(EngineState &state, EngineHost &host)
    : m_state(state)
    , m_host(host)
{
}

void Engine::SelectPrevChar(EditSurface &surface)
{
    surface.setSelStart(surface.selStart() - 1);
    surface.setSelLength(1);
}

void Engine::UnselectPrevChar(EditSurface &surface)
{
    surface.setSelStart(surface.selStart() + 1);
    surface.setSelLength(0);
}

void Engine::PhoneticKeyPress(EditSurface &s, KeyCode &key)
{
    EngineState &st = m_state;
    st.CaretStepped = false;
    bool temporarySpace = false;
    st.PrevGlyph.clear();

    if (key == 1)
        return;
    if (key == 13) {
        lineBreak(s);
        return;
    }
    if (s.selLength() > 0 && key > 31)
        s.setSelText({});
    st.LastKey = key;
    st.PrevGlyph = glyphBeforeCaret(s);

    // A line start reads as a word start after a space; the space stands in
    // for the line feed while the key is handled and goes again at the end.
    if (s.selStart() >= 2 && st.PrevGlyph == "\n") {
        s.setSelText(" ");
        temporarySpace = true;
    }
    if (key <= 31) {
        finish(s, temporarySpace);
        return;
    }

    // A dead consonant inside a cluster that carries a reph has its halant
    // in front of the reph ("X~Z"). Move the halant behind the reph, where
    // a single consonant's reph leaves it, so that this key treats the
    // cluster as any dead consonant: a consonant joins it, "h" makes the
    // aspirate, "a" only closes it, a vowel sign goes on it. The caret
    // stays after both. A syllable that is complete under its reph (the
    // ri sign) only loses the halant; so does a cluster before "A", which
    // types a vowel after the reph, not a letter of the cluster.
    if (s.selStart() > 2 && st.PrevGlyph == "Z" && s.glyphBefore(s.selStart() - 1) == '~') {
        const int pos = s.selStart();
        s.setSelStart(pos - 2);
        s.setSelLength(2);
        if (key == 'A' || endsSyllable(s.glyphBefore(pos - 2))) {
            s.setSelText("Z");
            if (key == 'a') {
                key = 0;
                finish(s, temporarySpace);
                return;
            }
        } else {
            s.setSelText("Z~");
            st.PrevGlyph.assign(1, glyph::Halant);
        }
    }

    // A candra sign, the chandrabindu, the ri sign and the reph with
    // anusvara end their syllable, though a halant follows them: the next
    // key begins anew after them. Without this a consonant would turn the
    // chandrabindu into its half form, the candra sign, and a vowel would
    // become a second sign instead of an independent vowel.
    if (st.PrevGlyph == "~" && s.selStart() >= 2 && endsSyllable(s.glyphBefore(s.selStart() - 1))) {
        SelectPrevChar(s);
        s.setSelText({});
        st.PrevGlyph = glyphBeforeCaret(s);
        if (key == 'a') {
            key = 0; // as after any dead consonant, "a" only closes it
            finish(s, temporarySpace);
            return;
        }
    }

    // A vowel after a syllable that is complete begins a new one, also
    // when a reph stands after its sign.
    if ((st.PrevGlyph != "Z" || vowelSignBeforeReph(s)) && TryIndependentVowel(s, key)) {
        key = 0;
        finish(s, temporarySpace);
        return;
    }

    // Aspirate: "h" after a dead consonant.
    if (key == 'h' && st.PrevGlyph == "~") {
        SelectPrevChar(s);
        s.setSelText({});
        HandleUpperH(s, false);
        s.setSelText("~");
        key = 0;
        finish(s, temporarySpace);
        return;
    }

    if (s.selStart() > 1 && isHalantDroppingKey(key)) {
        if (st.PrevGlyph == "~") {
            SelectPrevChar(s);
            s.setSelText({});
            SelectPrevChar(s);
            st.PrevGlyph = s.selText();
            UnselectPrevChar(s);
            if (key == 'a') {
                // The "a" only closes the consonant.
                key = 0;
                finish(s, temporarySpace);
                return;
            }
        }
        st.RaTyped = false;
    }

    // A vowel sign goes in front of a trailing subscript ra.
    if (s.selStart() >= 2 && st.PrevGlyph == "z" && isStepBackVowelKey(key)) {
        s.setSelStart(s.selStart() - 1);
        st.CaretStepped = true;
    }

    // A consonant after a dead consonant: the earlier one joins as a half form.
    // When a reph ends the cluster, the new consonant goes in front of it,
    // and the handlers see the glyph before it (a ra conjunct or a ligature
    // is made there as anywhere else).
    int consonantStart = s.selStart();
    bool insideRephCluster = false;
    if (s.selStart() > 1 && st.PrevGlyph == "~") {
        s.setSelStart(s.selStart() - 1);
        s.setSelLength(1);
        s.setSelText({});
        if (key != 'R')
            MakeHalfForm(s);
        SelectPrevChar(s);
        if (s.selText() == "Z") {
            s.setSelStart(s.selStart() - 1);
            st.CaretStepped = true;
            insideRephCluster = true;
            UnselectPrevChar(s);
            st.PrevGlyph = glyphBeforeCaret(s);
        } else {
            st.PrevGlyph = s.selText();
            UnselectPrevChar(s);
        }
        consonantStart = s.selStart();
    }

    if (key >= '0' && key <= '9') {
        HandleDigit(s, key);
        key = 0;
    }

    if (st.isHindi())
        dispatch(s, key);

    // Inside a cluster that already carries a reph no second reph is made.
    if (st.PrevGlyph == "~" && st.RaTyped && !st.RephSuppressed && !insideRephCluster)
        convertToReph(s, consonantStart);
    st.RephSuppressed = false;

    if (key > 0 && isConsonantGlyph(key)) {
        GlyphString dead;
        dead += static_cast<char>(key);
        dead += '~';
        s.setSelText(dead);
        key = 0;
    } else if (key == 0 && !isNoHalantKey(st.LastKey)) {
        AppendHalant(s);
    }

    if (temporarySpace || st.CaretStepped)
        finish(s, temporarySpace);
}

void Engine::dispatch(EditSurface &s, KeyCode &key)
{
    using A = PhoneticAction;
    const A action = PhoneticDispatch(key);
    switch (action) {
    case A::None:
        return;
    case A::Map: {
        const int mapped = phoneticKeyMapLookup(key);
        if (mapped >= 0)
            key = static_cast<KeyCode>(mapped);
        if (m_state.PrevGlyph == "Z") {
            // The nukta belongs to the consonant under the reph: it goes in
            // front of the reph, and the end of the key steps over it.
            m_state.CaretStepped = key == glyph::Nukta;
            if (m_state.CaretStepped)
                s.setSelStart(s.selStart() - 1);
        }
        return;
    }
    case A::FullStop:
        key = m_host.dotPurna() ? 0x2D : 0x41;
        return;
    default:
        break;
    }
    switch (action) {
    case A::SpecialConsonant: HandleSpecialConsonant(s, key); break;
    case A::UpperA: HandleUpperA(s); break;
    case A::UpperE: HandleUpperE(s); break;
    case A::UpperH: HandleUpperH(s, true); break;
    case A::UpperI: HandleUpperI(s); break;
    case A::UpperM: HandleUpperM(s); break;
    case A::UpperO: HandleUpperO(s); break;
    case A::UpperR: HandleUpperR(s); break;
    case A::UpperU: HandleUpperU(s); break;
    case A::V: HandleV(s); break;
    case A::HalfForm: MakeHalfForm(s); break;
    case A::LowerA: HandleLowerA(s); break;
    case A::LowerE: HandleLowerE(s); break;
    case A::LowerI: HandleLowerI(s); break;
    case A::LowerM: HandleLowerM(s); break;
    case A::LowerN: HandleLowerN(s); break;
    case A::LowerO: HandleLowerO(s); break;
    case A::LowerR: HandleLowerR(s); break;
    case A::LowerU: HandleLowerU(s); break;
    case A::LowerY: HandleLowerY(s); break;
    default: break;
    }
    key = 0;
}

// The ra typed by HandleLowerR, with the halant MakeHalfForm put back after
// it, turns into a reph that PlacePendingReph writes after the new
// consonant. Only a ra that stood right where this key's consonant begins
// is taken: RaPos may be left over from another place or window, and
// removing glyphs there would damage text the user is not typing in.
void Engine::convertToReph(EditSurface &s, int consonantStart)
{
    EngineState &st = m_state;
    const int saved = s.selStart();
    int raPos = -1;
    try {
        raPos = std::stoi(st.RaPos);
    } catch (...) {
        return;
    }
    if (raPos < 0)
        return;
    s.setSelStart(raPos);
    s.setSelLength(2);
    if (raPos + 2 == consonantStart && s.selText() == "j~") {
        s.setSelText({});
        s.setSelStart(saved - 2);
        st.RephPending = true;
        return;
    }
    s.setSelLength(1);
    if (raPos + 1 == consonantStart && s.selText() == "j") {
        s.setSelText({});
        s.setSelStart(saved - 1);
        st.RephPending = true;
        return;
    }
    s.setSelLength(0);
    s.setSelStart(saved);
}

void Engine::finish(EditSurface &s, bool temporarySpace)
{
    if (temporarySpace) {
        // Find the stand-in space left of the caret and remove it; the caret
        // keeps its place among the glyphs around it.
        int counter = 0;
        for (;;) {
            if (s.selText() == " ")
                break;
            if (s.selStart() == 0)
                break;
            s.setSelStart(s.selStart() - 1);
            s.setSelLength(1);
            ++counter;
            if (s.selText() == " ") {
                s.setSelText({});
                break;
            }
            if (counter > 200)
                break;
        }
        s.setSelStart(s.selStart() + counter - 1);
    }
    if (m_state.CaretStepped)
        s.setSelStart(s.selStart() + 1);
}

void Engine::lineBreak(EditSurface &s)
{
    const int pos = s.selStart();
    if (pos == 1)
        return;
    if (pos > 1) {
        SelectPrevChar(s);
        const GlyphString prev = s.selText();
        if (prev == "~") {
            s.setSelText({});
        } else if (prev == "Z") {
            s.setSelStart(pos - 2);
            s.setSelLength(1);
            if (s.selText() == "~") {
                s.setSelText({});
                s.setSelStart(pos - 1);
            } else {
                s.setSelStart(pos);
            }
        } else {
            s.setSelStart(pos);
        }
    }
    if (s.selStart() == 0)
        m_state.RaTyped = false;
}

bool Engine::TryIndependentVowel(EditSurface &s, KeyCode key)
{
    if (key == ' ')
        return false;
    // The start of the text is a word start as much as the place after a
    // space: "E" types ai in both.
    const GlyphString &prev = m_state.PrevGlyph;
    bool wordStart = s.selStart() == 0 || (prev != "~" && !prev.empty());
    if (prev == "h" && key == 'I')
        wordStart = false;
    const std::string_view vowel = IndependentVowelMap(key);
    if (!wordStart || vowel.empty())
        return false;
    s.setSelText(GlyphString(vowel));
    return true;
}

void Engine::AppendHalant(EditSurface &s)
{
    if (s.selStart() == 0) {
        // Nothing before the caret to make dead; the halant goes at the
        // caret, as it would in an empty text.
        s.setSelText("~");
        return;
    }
    SelectPrevChar(s);
    const GlyphString sel = s.selText();
    if (sel == "Z" || sel.empty()) {
        s.setSelLength(0);
        s.setSelText("~");
        UnselectPrevChar(s);
    } else if (sel == "~" || sel == "a" || sel == "\x83") {
        UnselectPrevChar(s);
    } else {
        UnselectPrevChar(s);
        s.setSelText("~");
    }
}

void Engine::HandleUpperE(EditSurface &s)
{
    const GlyphString &prev = m_state.PrevGlyph;
    if (prev == "\n") {
        s.setSelText(",s");
    } else if (prev.empty() || prev == " ") {
        s.setSelText(",");
    } else if (prev == "S") {
        SelectPrevChar(s);
        s.setSelText(",");
    } else if (prev == ",") {
        SelectPrevChar(s);
        s.setSelText(",s");
    } else {
        s.setSelText("S");
    }
}

void Engine::HandleUpperI(EditSurface &s)
{
    const GlyphString &prev = m_state.PrevGlyph;
    if (prev == "\n" || s.selStart() == 0) {
        s.setSelText("\xC3");
    } else if (prev == "h") {
        SelectPrevChar(s);
        s.setSelText("b");
    } else if (prev == "b") {
        SelectPrevChar(s);
        s.setSelText("\xC3");
    } else if (prev == "Z") {
        SelectPrevChar(s);
        s.setSelText("\xCA");
    } else if (prev == " ") {
        SelectPrevChar(s);
        s.setSelText(" b");
    } else {
        s.setSelText("h");
    }
}

void Engine::HandleUpperU(EditSurface &s)
{
    // A reph before the caret needs no step: the caret already stands after
    // it and the sign is written there.
    const GlyphString &prev = m_state.PrevGlyph;
    if (prev.empty() || prev == " " || prev == "\n") {
        s.setSelText("\xC5");
    } else if (prev == "j") {
        SelectPrevChar(s);
        s.setSelText(":");
    } else if (prev == "w") {
        SelectPrevChar(s);
        s.setSelText("\xC5");
        s.setSelLength(0);
    } else if (prev == "m") {
        s.setSelText("\xC5");
    } else if (prev == "v") {
        s.setSelText("\xA9");
    } else {
        s.setSelText("w");
    }
}

void Engine::HandleUpperM(EditSurface &s)
{
    const GlyphString &prev = m_state.PrevGlyph;
    if (s.selStart() == 0 || prev.empty()) {
        s.setSelText("a");
    } else if (prev == "Z") {
        SelectPrevChar(s);
        s.setSelText("\xB1");
    } else if (prev == "\xB1") {
        // The cycle goes on under a reph: the reph stands alone again and
        // the candra sign follows it.
        SelectPrevChar(s);
        s.setSelText("ZW");
    } else if (prev == "W") {
        SelectPrevChar(s);
        s.setSelText("\xA1");
    } else if (prev == "\xA1" || prev == "a") {
        SelectPrevChar(s);
        s.setSelText("W");
    } else {
        s.setSelText("a");
    }
}

void Engine::HandleLowerN(EditSurface &s)
{
    if (s.selStart() != 0 && m_state.PrevGlyph == "T") {
        SelectPrevChar(s);
        s.setSelText("K");
    } else {
        s.setSelText("u");
    }
}

void Engine::RemingtonKeyPress(EditSurface &s, KeyCode &key)
{
    const KeyCode typed = key;
    try {
        const int pos = s.selStart();
        if (pos == 0 || s.glyphBefore(pos) == '\n')
            return;
        for (const RemingtonComposition &row : RemingtonCompositions) {
            if (row.key != key)
                continue;
            const int n = static_cast<int>(row.before.size());
            if (pos < n)
                continue;
            bool match = true;
            for (int i = 0; i < n && match; ++i)
                match = s.glyphBefore(pos - n + 1 + i) == static_cast<unsigned char>(row.before[i]);
            if (!match)
                continue;
            s.setSelStart(pos - n);
            s.setSelLength(n);
            s.setSelText(GlyphString(row.replacement));
            key = 0;
            return;
        }
    } catch (...) {
        // A failing surface leaves the key to be typed as pressed.
        key = typed;
    }
}

void Engine::PlacePendingReph(EditSurface &s)
{
    if (!m_state.RephPending)
        return;
    // Cleared first: the writes below change the text again, and a surface
    // that reports those changes must not place a second reph.
    m_state.RephPending = false;
    if (s.selStart() == 0) {
        s.setSelText("Z");
        return;
    }
    SelectPrevChar(s);
    if (s.selText() == "~") {
        s.setSelText("Z~");
    } else {
        UnselectPrevChar(s);
        s.setSelText("Z");
    }
}

} // namespace kalamora::engine
