#pragma once

#include "engine/engine.h"
#include "engine/fixedhost.h"
#include "engine/keyfeed.h"

#include <string>

using namespace kalamora;

namespace enginetest {

// Typing options a test sets directly.
using FakeHost = engine::FixedHost;

// One surface bound as a document window binds its text control, with the
// program's state in Hindi input.
struct Typist {
    engine::EngineState state;
    FakeHost host;
    engine::MemorySurface surface;
    engine::KeyBinding binding{state, host};

    explicit Typist(std::string_view text = {}, int caret = -1)
    {
        state.InputLanguage = "HINDI";
        surface.setText(text);
        if (caret >= 0)
            surface.setSelStart(caret);
        engine::bindSurface(binding, surface);
    }

    // One key press as the window runs it: the binding, then the insertion
    // of the key it leaves (Enter as a line feed, Backspace as a deletion).
    void press(engine::KeyCode typed) { engine::pressKey(binding, surface, typed); }

    void type(std::string_view keys) { engine::typeKeys(binding, surface, keys); }

    std::string text() const { return surface.text(); }
    int caret() const { return surface.selStart(); }
};

// Glyph strings printed as hex in failure messages.
inline std::string hex(const std::string &glyphs)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : glyphs) {
        const unsigned char g = static_cast<unsigned char>(ch);
        if (!out.empty())
            out += ' ';
        out += digits[g >> 4];
        out += digits[g & 15];
    }
    return out;
}

} // namespace enginetest
