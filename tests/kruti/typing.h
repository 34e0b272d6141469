#pragma once

// Types phonetic keys through the input engine, as a document window does,
// so the conversion tests work on the glyph strings users really produce.

#include "engine/fixedhost.h"
#include "engine/keyfeed.h"

#include <string>
#include <string_view>
#include <utility>

using namespace kalamora;

namespace krutitest {

using Host = engine::FixedHost;

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
    engine::bindSurface(binding, surface);
    engine::typeKeys(binding, surface, keys);
    return surface.text();
}

} // namespace krutitest
