#include "engine/keyfeed.h"

namespace kalamora::engine {

void bindSurface(KeyBinding &binding, MemorySurface &surface)
{
    surface.setTextChangedHandler([&binding](MemorySurface &s) { binding.textChanged(s); });
}

void pressKey(KeyBinding &binding, MemorySurface &surface, KeyCode typed)
{
    EditBlock block(surface);
    const KeyCode key = binding.keyPress(surface, typed);
    if (key == KeyBinding::Backspace)
        surface.backspace();
    else if (key == KeyBinding::Enter)
        surface.setSelText("\n");
    else if (key != 0)
        surface.setSelText(GlyphString(1, static_cast<char>(key)));
}

void typeKeys(KeyBinding &binding, MemorySurface &surface, std::string_view keys)
{
    for (const char c : keys)
        pressKey(binding, surface, c == '\n' ? KeyBinding::Enter : static_cast<unsigned char>(c));
}

} // namespace kalamora::engine
