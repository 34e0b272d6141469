#pragma once

#include "engine/editsurface.h"
#include "engine/engine.h"
#include "engine/enginehost.h"
#include "engine/enginestate.h"

namespace kalamora::engine {

// Binds a surface's key events to the engine, by the input language and
// the layout. One binding per bound surface; every binding shares the
// program's one EngineState.
//
// Use, for each key press of the surface:
//
//     EditBlock block(surface);            // one undo step for the key
//     KeyCode key = binding.keyPress(surface, typed);
//     if (key) <insert key at the caret, as the surface does>;
//
// and call textChanged(surface) from the surface's text-change event (the
// engine's own edits raise it too, before keyPress returns). Keys that
// reach the engine are glyph codes: a window maps the typed character to
// its Windows-1252 byte first (kruti::charToGlyph) and passes characters
// without one unchanged; they match no table and are typed as they are.
class KeyBinding {
public:
    enum class Target {
        // A document's text control: Backspace never reaches the engine;
        // the layout picks the handler; a pending reph is written on text
        // change when the layout is "Rom".
        Document,
        // A document's hidden rich text box: as Document, but Backspace is
        // handed to the engine like any other key.
        HiddenText,
        // A field of the find window: phonetic input whatever the layout,
        // and the reph written on text change when the input is Hindi.
        FindField,
    };

    static constexpr KeyCode Backspace = 8;
    static constexpr KeyCode Enter = 13;

    KeyBinding(EngineState &state, EngineHost &host, Target target = Target::Document);

    // The key code the surface must insert after the engine has run
    // (0: the key is swallowed).
    KeyCode keyPress(EditSurface &surface, KeyCode key);
    // The surface's text-change event.
    void textChanged(EditSurface &surface);

    Target target() const { return m_target; }

private:
    EngineState &m_state;
    EngineHost &m_host;
    Target m_target;
};

} // namespace kalamora::engine
