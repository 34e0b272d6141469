#pragma once

#include "engine/editsurface.h"
#include "engine/glyphtables.h"

#include <string>

namespace kalamora::engine {

// The input engine's state: one object for the whole program, owned by the
// program and shared by every window and surface it binds, so a dead
// consonant or a pending reph carries from one key to the next wherever the
// keys land. Switching layout or language resets none of it.
struct EngineState {
    // "HINDI" or "English", as the main window's language options set it;
    // compared upper-cased with "HINDI".
    std::string InputLanguage;
    // The glyph before the caret as the current key found it (0 or 1 glyph).
    GlyphString PrevGlyph;
    // The current key as typed, before any mapping.
    KeyCode LastKey = 0;
    // The caret stands one place left of where it belongs; the end of the
    // key moves it right again.
    bool CaretStepped = false;
    // HandleLowerR typed a ra at RaPos (decimal text) that a following
    // consonant may turn into a reph.
    bool RaTyped = false;
    std::string RaPos;
    // Skip the next reph conversion; cleared at every printable key.
    bool RephSuppressed = false;
    // A ra + halant was removed before a new consonant; the next text
    // change writes the reph.
    bool RephPending = false;

    bool isHindi() const;
};

} // namespace kalamora::engine
