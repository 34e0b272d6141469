#pragma once

#include "engine/keybinding.h"
#include "engine/memorysurface.h"

#include <string_view>

namespace kalamora::engine {

// Typing into a MemorySurface as a document window types into its text
// control: the command line's `type`, the keyboard chart, the tests and the
// benchmark all feed keys through these, so they agree with the window.

// Raises the binding's text-change handler on every change of the surface.
void bindSurface(KeyBinding &binding, MemorySurface &surface);

// One key press: the binding runs inside one edit block, then the surface
// does what a text control does with the key the binding leaves: Backspace
// deletes, Enter writes a line feed, 0 writes nothing, any other code is
// written as it is.
void pressKey(KeyBinding &binding, MemorySurface &surface, KeyCode typed);

// Each byte of `keys` as one key press; a line feed is the Enter key.
void typeKeys(KeyBinding &binding, MemorySurface &surface, std::string_view keys);

} // namespace kalamora::engine
