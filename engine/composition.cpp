// Consonant-side composition: half forms, aspirates, ra conjuncts, the
// ligatures of ma, va and ya, the special consonants and the digits.
#include "engine/engine.h"

#include <string>

namespace kalamora::engine {

namespace {

// The half form of a full consonant glyph, for the rows that simply
// replace one glyph; null for every other glyph.
const char *simpleHalfForm(unsigned char g)
{
    switch (g) {
    case 'd': return "D";
    case 'Q': return "\xB6";
    case 'g': return "\xBA";
    case 'y': return "Y";
    case 'p': return "P";
    case ';': return "\xB8";
    case '>': return "\xD6";
    case 'c': return "C";
    case 'e': return "E";
    case 'l': return "L";
    case 'i': return "I";
    case 'o': return "O";
    case 'r': return "R";
    case 't': return "T";
    case 'u': return "U";
    case 'x': return "X";
    case 0x83: return "?";
    case 0xC4: return "?";
    case 0xA8: return "\x83";
    case 'a': return "\xA1";
    case 0xA1: return "W";
    case '-': return "+";
    case '=': return "\xAB";
    default: return nullptr;
    }
}

// The ra conjunct of a half form; null when the glyph is none.
const char *raConjunct(const GlyphString &half)
{
    if (half.size() != 1)
        return nullptr;
    switch (static_cast<unsigned char>(half[0])) {
    case 'D': return "\xD8";
    case '/': return "/kz";
    case 0xB6: return "\xDD";
    case 'I': return "\xC1";
    case '[': return "\xA3";
    case 'R': return "=";
    case 0x91: return "J";
    // ha takes the ra below its half form: the one glyph 0xE2 is ha with ri
    case 0xBA: return "\xBAz";
    case 'E': return "ez";
    case 'L': return "lz";
    case 'O': return "oz";
    case 'T': return "tz";
    case 'C': return "cz";
    case 'H': return "Hkz";
    case 'X': return "Xkz";
    case 'U': return "uz";
    case 'P': return "pz";
    case 'F': return "Fkz";
    case '?': return "?kz";
    case 0xD6: return "\xD6kz";
    case 'Y': return "yz";
    // nna, ya and ssa take the ra below their full letter, as the letters
    // above do; joined to a full ra they would draw a half letter beside it
    case '.': return ".kz";
    case 0xB8: return ";z";
    case 0x93: return "\x93kz";
    default: return nullptr;
    }
}

// The aspirate of a consonant glyph, for the rows that simply replace it.
const char *simpleAspirate(unsigned char g)
{
    switch (g) {
    case 'd': return "[k";
    case 'x': return "?k";
    case 'r': return "Fk";
    case 'V': return "B";
    case 'c': return "Hk";
    case 'i': return "Q";
    case 'l': return "\x91k";
    case 'p': return "N";
    case 't': return ">";
    case 'M': return "<";
    case 'j': return "_";
    default: return nullptr;
    }
}

} // namespace

void Engine::MakeHalfForm(EditSurface &s)
{
    if (s.selStart() == 0)
        return;
    halfFormAt(s);
}

// Converts the glyph before the caret to the form that joins the next
// consonant; the caret ends after the converted glyphs, or where it was
// when nothing converts.
void Engine::halfFormAt(EditSurface &s)
{
    if (s.selStart() == 0)
        return;
    SelectPrevChar(s);
    const GlyphString sel = s.selText();
    const unsigned char g = sel.empty() ? 0 : static_cast<unsigned char>(sel[0]);
    if (const char *half = simpleHalfForm(g)) {
        s.setSelText(half);
        return;
    }
    switch (g) {
    case 'j':
        s.setSelText("j~");
        return;
    case '<': case 'B': case 'M': case 'V': case 'n':
        s.setSelText(GlyphString{static_cast<char>(g), '~'});
        return;
    case 'k':
        s.setSelText({});
        return;
    case '+': case 'Z': {
        // The nukta and the reph stay after the glyph they belong to. A
        // letter kept with a halant keeps its nukta next to it: "n+~".
        s.setSelStart(s.selStart());
        halfFormAt(s);
        const int at = s.selStart();
        if (g == '+' && s.glyphBefore(at) == '~') {
            s.setSelStart(at - 1);
            s.setSelLength(2);
            s.setSelText("+~");
            return;
        }
        s.setSelStart(at + 1);
        return;
    }
    default:
        UnselectPrevChar(s);
        return;
    }
}

void Engine::HandleUpperH(EditSurface &s, bool upperCase)
{
    if (upperCase) {
        s.setSelText("g");
        return;
    }
    if (s.selStart() == 0)
        return;
    if (aspirate(s) && s.glyphBefore(s.selStart() + 1) == 'Z')
        s.setSelStart(s.selStart() + 1);
}

// Turns the consonant before the caret into its aspirate; true when it
// wrote something.
bool Engine::aspirate(EditSurface &s)
{
    if (s.selStart() == 0)
        return false;
    SelectPrevChar(s);
    const GlyphString sel = s.selText();
    if (sel.empty())
        return false;
    const unsigned char g = static_cast<unsigned char>(sel[0]);
    const int at = s.selStart(); // index of g
    if (const char *aspirated = simpleAspirate(g)) {
        s.setSelText(aspirated);
        return true;
    }
    switch (g) {
    case 'n':
        // Da + halant + da + h is the da-dha ligature, unless the cluster
        // starts a line or the text.
        if (at >= 3 && s.glyphBefore(at - 2) != '\n' && s.glyphBefore(at - 1) == 'n'
            && s.glyphBefore(at) == '~') {
            s.setSelStart(at - 2);
            s.setSelLength(3);
            s.setSelText(")");
        } else {
            s.setSelText("/k");
        }
        return true;
    case 'k':
        if (at >= 1) {
            s.setSelStart(at - 1);
            s.setSelLength(2);
            if (s.selText() == "\x91k") {
                // ssa; after half ka the two are ksha
                const bool ksha = at >= 2 && s.glyphBefore(at - 1) == 'D';
                if (ksha) {
                    s.setSelStart(at - 2);
                    s.setSelLength(3);
                }
                s.setSelText(ksha ? "{k" : "\x93k");
                return true;
            }
        }
        s.setSelStart(at + 1);
        return false;
    case 'Z':
        s.setSelStart(at);
        return aspirate(s);
    default:
        UnselectPrevChar(s);
        MakeHalfForm(s);
        s.setSelText("g");
        return true;
    }
}

void Engine::HandleLowerR(EditSurface &s)
{
    EngineState &st = m_state;
    const int pos = s.selStart();
    const GlyphString &prev = st.PrevGlyph;
    auto appendRa = [&] {
        s.setSelText("j");
        st.RaTyped = true;
        st.RaPos = std::to_string(s.selStart() - 1);
    };
    if (pos == 0) {
        appendRa();
        return;
    }
    if (prev.empty())
        return;
    if (const char *conjunct = raConjunct(prev)) {
        SelectPrevChar(s);
        s.setSelText(conjunct);
        return;
    }
    if (prev == "~") {
        if (pos < 2)
            return;
        s.setSelStart(pos - 2);
        s.setSelLength(2);
        const GlyphString pair = s.selText();
        const unsigned char first = pair.empty() ? 0 : static_cast<unsigned char>(pair[0]);
        if (first == '+' && pos >= 3) {
            // A letter with nukta kept with its halant ("M+~"): the ra goes
            // below it, as the subscript ra of its kind.
            const unsigned char letter = s.glyphBefore(pos - 2);
            const bool rounded = letter == 'V' || letter == 'M' || letter == 'B' || letter == '<';
            s.setSelStart(pos - 1);
            s.setSelLength(1);
            s.setSelText(rounded ? "\xAA" : "z");
            return;
        }
        switch (first) {
        case 'V': s.setSelText("V\xAA"); break;
        case 'M': s.setSelText("M\xAA"); break;
        case 'B': s.setSelText("B\xAA"); break;
        case '<': s.setSelText("<\xAA"); break;
        case 'n': s.setSelText("\xE6"); break;
        case 'g': s.setSelText("\xBAz"); break;
        case 'j':
            s.setSelText("jZ~");
            st.RephSuppressed = true;
            break;
        default:
            s.setSelStart(pos);
            break;
        }
        return;
    }
    appendRa();
}

// The ri sign: joined to ka, da and ha, under every other letter as "`".
// Ta and dda take it as "`" too: their "\xAA" is the ra below, not the ri.
void Engine::HandleUpperR(EditSurface &s)
{
    const GlyphString &prev = m_state.PrevGlyph;
    if (s.selStart() == 0 || prev.empty()) {
        s.setSelText("j");
    } else if (prev == "d") {
        SelectPrevChar(s);
        s.setSelText("\xD1");
    } else if (prev == "n") {
        SelectPrevChar(s);
        s.setSelText("\x96");
    } else if (prev == "g") {
        SelectPrevChar(s);
        s.setSelText("\xE2");
    } else {
        s.setSelText("`");
    }
}

// Shared shape of HandleLowerM, HandleV and HandleLowerY: the letter, or a
// ligature with half ha (null: no ligature) or with a dead da before it.
void Engine::ligature(EditSurface &s, char letter, const char *afterHalfHa, const char *afterDa)
{
    const GlyphString &prev = m_state.PrevGlyph;
    const GlyphString plain(1, letter);
    const int pos = s.selStart();
    if (pos == 0 || prev.empty()) {
        s.setSelText(plain);
    } else if (prev == "\xBA" && afterHalfHa) {
        SelectPrevChar(s);
        s.setSelText(afterHalfHa);
    } else if (prev == "~" && pos >= 2 && s.glyphBefore(pos - 1) == 'n') {
        s.setSelStart(pos - 2);
        s.setSelLength(2);
        s.setSelText(afterDa);
    } else {
        s.setSelText(plain);
    }
}

void Engine::HandleLowerM(EditSurface &s)
{
    ligature(s, 'e', "\xE3", "\xF9");
}

void Engine::HandleV(EditSurface &s)
{
    ligature(s, 'o', nullptr, "}");
}

void Engine::HandleLowerY(EditSurface &s)
{
    ligature(s, ';', "\xE1", "|");
}

void Engine::HandleSpecialConsonant(EditSurface &s, KeyCode key)
{
    const char *glyphs = nullptr;
    switch (key) {
    case 'x': glyphs = "{k"; break;
    case 'q': glyphs = "d+"; break;
    case 'z': glyphs = "t+"; break;
    case 'K': glyphs = "[k"; break;
    case 'G': glyphs = "?k"; break;
    case 'B': glyphs = "Hk"; break;
    case 'N': glyphs = ".k"; break;
    case 'S':
        if (m_state.PrevGlyph == "D") {
            // half ka and ssa are ksha, the one glyph the key "x" types
            SelectPrevChar(s);
            s.setSelText("{k");
            return;
        }
        glyphs = "\x93k";
        break;
    case 'Y': glyphs = ";"; break;
    default: return; // "<", "X" and "Z" write nothing
    }
    s.setSelText(glyphs);
}

void Engine::HandleDigit(EditSurface &s, KeyCode key)
{
    if (key < '0' || key > '9')
        return;
    char glyph = static_cast<char>(key);
    if (!m_host.englishNumerals())
        glyph = static_cast<char>(key == '0' ? 140 : 130 + (key - '0'));
    s.setSelText(GlyphString(1, glyph));
}

} // namespace kalamora::engine
