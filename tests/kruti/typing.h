#pragma once

// Types phonetic keys through the input engine, as a document window does,
// so the conversion tests work on the glyph strings users really produce.

#include "engine/engine.h"
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

// The short-i key pressed after the glyphs `cluster`, reaching its handler
// with the state the core leaves: the reph before the caret, or the caret
// stepped in front of a final subscript ra "z".
inline std::string typeShortIAfter(std::string_view cluster)
{
    engine::EngineState state;
    Host host;
    engine::MemorySurface surface(cluster);
    engine::Engine keys(state, host);
    if (!cluster.empty())
        state.PrevGlyph.assign(1, cluster.back());
    if (state.PrevGlyph == "z") {
        surface.setSelStart(int(cluster.size()) - 1);
        state.CaretStepped = true;
    }
    keys.HandleLowerI(surface);
    return surface.text();
}

} // namespace krutitest
