#pragma once

// Types phonetic keys through the input engine, as a document window does,
// so the conversion tests work on the glyph strings users really produce.

#include "keybinding.h"
#include "memorysurface.h"

#include <string>
#include <string_view>

namespace krutitest {

class Host final : public engine::EngineHost {
public:
    bool englishNumeralsValue = true;
    bool dotPurna() const override { return true; }
    std::string layout() const override { return "Rom"; }
    bool englishNumerals() const override { return englishNumeralsValue; }
    void reapplyHindiFont() override {}
};

inline std::string typeKeys(std::string_view keys, bool englishNumerals = true)
{
    engine::EngineState state;
    state.InputLanguage = "HINDI";
    Host host;
    host.englishNumeralsValue = englishNumerals;
    engine::MemorySurface surface;
    engine::KeyBinding binding(state, host);
    surface.setTextChangedHandler([&binding](engine::MemorySurface &s) { binding.textChanged(s); });
    for (const char c : keys) {
        engine::EditBlock block(surface);
        const engine::KeyCode typed = c == '\n' ? engine::KeyBinding::Enter : static_cast<unsigned char>(c);
        const engine::KeyCode key = binding.keyPress(surface, typed);
        if (key == engine::KeyBinding::Enter)
            surface.setSelText("\n");
        else if (key != 0 && key != engine::KeyBinding::Backspace)
            surface.setSelText(std::string(1, static_cast<char>(key)));
    }
    return surface.text();
}

} // namespace krutitest
