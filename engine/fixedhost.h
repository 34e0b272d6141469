#pragma once

#include "engine/enginehost.h"

#include <string>

namespace kalamora::engine {

// An engine host whose typing options are plain values, for typing with no
// window and no settings: the keyboard chart, the tests and the benchmarks.
class FixedHost final : public EngineHost {
public:
    bool dotPurnaValue = true;
    std::string layoutValue = "Rom";
    bool englishNumeralsValue = true;
    int reapplied = 0; // calls of reapplyHindiFont

    FixedHost() = default;
    FixedHost(bool dotPurna, std::string layout, bool englishNumerals)
        : dotPurnaValue(dotPurna), layoutValue(std::move(layout)), englishNumeralsValue(englishNumerals)
    {
    }

    bool dotPurna() const override { return dotPurnaValue; }
    std::string layout() const override { return layoutValue; }
    bool englishNumerals() const override { return englishNumeralsValue; }
    void reapplyHindiFont() override { ++reapplied; }
};

} // namespace kalamora::engine
