#pragma once

// Types phonetic keys through the input engine, as a document window does,
// so the conversion tests work on the glyph strings users really produce.

#include "keybinding.h"
#include "memorysurface.h"

#include <string>
#include <string_view>
#include <utility>

namespace krutitest {

class Host final : public engine::EngineHost {
public:
    bool englishNumeralsValue = true;
    std::string layoutValue = "Rom";
    bool dotPurna() const override { return true; }
    std::string layout() const override { return layoutValue; }
    bool englishNumerals() const override { return englishNumeralsValue; }
    void reapplyHindiFont() override {}
};

// Types `keys` on the layout "Rom", "Rem" or "Tav", after the glyphs
// `before` with the caret at their end.
inline std::string typeKeys(std::string_view keys, bool englishNumerals = true, std::string layout = "Rom",
                            std::string_view before = {})
{
    engine::EngineState state;
    state.InputLanguage = "HINDI";
    Host host;
    host.englishNumeralsValue = englishNumerals;
    host.layoutValue = std::move(layout);
    engine::MemorySurface surface(before);
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
