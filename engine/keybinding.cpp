#include "engine/keybinding.h"

namespace kalamora::engine {

KeyBinding::KeyBinding(EngineState &state, EngineHost &host, Target target)
    : m_state(state)
    , m_host(host)
    , m_target(target)
{
}

KeyCode KeyBinding::keyPress(EditSurface &surface, KeyCode key)
{
    if (key == Backspace && m_target == Target::Document)
        return key;
    if (!m_state.isHindi())
        return key;
    Engine engine(m_state, m_host);
    if (m_target == Target::FindField) {
        engine.PhoneticKeyPress(surface, key);
        return key;
    }
    // The layout is read at every key, so a change in the menu takes effect
    // at the next one.
    const std::string layout = m_host.layout();
    if (layout == "Rom")
        engine.PhoneticKeyPress(surface, key);
    else if (layout == "Rem")
        engine.RemingtonKeyPress(surface, key);
    return key;
}

void KeyBinding::textChanged(EditSurface &surface)
{
    // Nothing to do without a pending reph; testing that first spares a
    // settings read at every change of the text.
    if (!m_state.RephPending)
        return;
    Engine engine(m_state, m_host);
    if (m_target == Target::FindField) {
        if (m_state.isHindi())
            engine.PlacePendingReph(surface);
        return;
    }
    if (m_host.layout() == "Rom")
        engine.PlacePendingReph(surface);
}

} // namespace kalamora::engine
