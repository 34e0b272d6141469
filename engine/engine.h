#pragma once

#include "engine/editsurface.h"
#include "engine/enginehost.h"
#include "engine/enginestate.h"
#include "engine/glyphtables.h"

namespace kalamora::engine {

// The Hindi input engine: the phonetic keystroke core, its composition and
// vowel-sign handlers, the Remington ligatures and the reph placement.
//
// An Engine is a light view over the program's one EngineState and its
// EngineHost; make one wherever a key is handled (it holds no state of its
// own). Every routine works on the surface it is given and only through the
// EditSurface members; none of them reads the whole text, so the cost of a
// key does not depend on the length of the document.
//
// Key codes are passed by reference: on return 0 swallows the key, any
// other value is what the surface must insert at the caret.
class Engine {
public:
    Engine(EngineState &state, EngineHost &host);

    EngineState &state() { return m_state; }

    // The keystroke core of the phonetic layout; runs before the surface
    // inserts the key. Callers run it only for Hindi input.
    void PhoneticKeyPress(EditSurface &surface, KeyCode &key);
    // The Remington layout: every key types its own code except the
    // ligatures of RemingtonCompositions.
    void RemingtonKeyPress(EditSurface &surface, KeyCode &key);
    // Writes a pending reph; bound to the surface's text-change event.
    void PlacePendingReph(EditSurface &surface);

    // Selection helpers shared by every handler.
    static void SelectPrevChar(EditSurface &surface);
    static void UnselectPrevChar(EditSurface &surface);

    bool TryIndependentVowel(EditSurface &surface, KeyCode key);
    void AppendHalant(EditSurface &surface);

    // Handlers of the keys E, I, M, U and n.
    void HandleUpperE(EditSurface &surface);
    void HandleUpperI(EditSurface &surface);
    void HandleUpperM(EditSurface &surface);
    void HandleUpperU(EditSurface &surface);
    void HandleLowerN(EditSurface &surface);

    // Consonant-side composition.
    void MakeHalfForm(EditSurface &surface);
    void HandleUpperH(EditSurface &surface, bool upperCase);
    void HandleLowerR(EditSurface &surface);
    void HandleUpperR(EditSurface &surface);
    void HandleLowerM(EditSurface &surface);
    void HandleV(EditSurface &surface);
    void HandleLowerY(EditSurface &surface);
    void HandleSpecialConsonant(EditSurface &surface, KeyCode key);
    void HandleDigit(EditSurface &surface, KeyCode key);

    // Vowel signs.
    void HandleLowerA(EditSurface &surface);
    void HandleUpperA(EditSurface &surface);
    void HandleLowerE(EditSurface &surface);
    void HandleLowerI(EditSurface &surface);
    void HandleLowerO(EditSurface &surface);
    void HandleUpperO(EditSurface &surface);
    void HandleLowerU(EditSurface &surface);
    void ReapplyHindiFont();

private:
    void lineBreak(EditSurface &surface);
    void finish(EditSurface &surface, bool temporarySpace);
    void dispatch(EditSurface &surface, KeyCode &key);
    void convertToReph(EditSurface &surface, int consonantStart);
    bool aspirate(EditSurface &surface);
    void halfFormAt(EditSurface &surface);
    void ligature(EditSurface &surface, char letter, const char *afterHalfHa, const char *afterDa);

    EngineState &m_state;
    EngineHost &m_host;
};

// The glyph just before the caret as a glyph string: empty at position 0.
GlyphString glyphBeforeCaret(const EditSurface &surface);

// Glyphs that complete a syllable though the core writes a halant after
// them: the candra sign, the chandrabindu, the ri sign and its ligatures
// with ka, da and ha, the reph with anusvara.
bool endsSyllable(unsigned char g);
// The glyph before position `pos` is the aa sign, not the stroke that
// completes a two-glyph letter ("[k" kha, "/k" dha, ...).
bool isAaSign(const EditSurface &surface, int pos);
// The caret stands after a reph that follows the aa, o or au sign.
bool vowelSignBeforeReph(const EditSurface &surface);

} // namespace kalamora::engine
