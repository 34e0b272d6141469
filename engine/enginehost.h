#pragma once

#include <string>

namespace kalamora::engine {

// What the engine asks of the program around it: the typing options the
// user sets in the main window, and one formatting action. Read at the
// moment the engine needs them, so a change takes effect at the next key.
class EngineHost {
public:
    virtual ~EngineHost() = default;

    // Setting "DotPurna": a typed full stop stays a dot (default true).
    virtual bool dotPurna() const = 0;
    // Setting "Layout": "Rom", "Rem" or "Tav" (default "Rom").
    virtual std::string layout() const = 0;
    // The check of "Use English Numerals": digits stay Latin digits.
    virtual bool englishNumerals() const = 0;
    // Sets the active document's selection to the Hindi font box's font and
    // the size box's size. Errors are the host's to swallow.
    virtual void reapplyHindiFont() = 0;
};

} // namespace kalamora::engine
