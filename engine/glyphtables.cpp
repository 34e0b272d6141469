#include "engine/glyphtables.h"

#include <string>

namespace kalamora::engine {

int phoneticKeyMapLookup(KeyCode key)
{
    // Literal search, exactly as the table is defined: the first "<key>:"
    // anywhere in the string, then the decimal number up to the next ".".
    const std::string needle = std::to_string(key) + ':';
    const std::size_t at = PhoneticKeyMap.find(needle);
    if (at == std::string_view::npos)
        return -1;
    int value = 0;
    for (std::size_t i = at + needle.size(); i < PhoneticKeyMap.size() && PhoneticKeyMap[i] != '.'; ++i)
        value = value * 10 + (PhoneticKeyMap[i] - '0');
    return value;
}

bool inClass(std::string_view cls, int code)
{
    if (code <= 0 || code > 255)
        return false;
    return cls.find(static_cast<char>(static_cast<unsigned char>(code))) != std::string_view::npos;
}

bool isHalantDroppingKey(KeyCode key)
{
    return key == '"' || inClass(HalantDroppingKeys, key);
}

bool isNoHalantKey(KeyCode key)
{
    return key == '"' || inClass(NoHalantKeys, key);
}

bool isConsonantGlyph(KeyCode code)
{
    return inClass(ConsonantGlyphs, code);
}

bool isStepBackVowelKey(KeyCode key)
{
    return inClass(StepBackVowelKeys, key);
}

bool isClusterGlyph(unsigned char g)
{
    return inClass(ClusterGlyphs, g);
}

bool isHalfForm(unsigned char g)
{
    return g != '~' && g != 'z' && g != '`' && isClusterGlyph(g);
}

PhoneticAction PhoneticDispatch(KeyCode key)
{
    using A = PhoneticAction;
    if (key < 34 || key > 125)
        return A::None;
    switch (key) {
    case '.':
        return A::FullStop;
    case '<': case 'B': case 'G': case 'K': case 'N': case 'S':
    case 'X': case 'Y': case 'Z': case 'q': case 'x': case 'z':
        return A::SpecialConsonant;
    case 'A': return A::UpperA;
    case 'E': return A::UpperE;
    case 'H': return A::UpperH;
    case 'I': return A::UpperI;
    case 'M': return A::UpperM;
    case 'O': return A::UpperO;
    case 'R': return A::UpperR;
    case 'U': return A::UpperU;
    case 'V': case 'v': case 'w':
        return A::V;
    case '\\': return A::HalfForm;
    case 'a': return A::LowerA;
    case 'e': return A::LowerE;
    case 'i': return A::LowerI;
    case 'm': return A::LowerM;
    case 'n': return A::LowerN;
    case 'o': return A::LowerO;
    case 'r': return A::LowerR;
    case 'u': return A::LowerU;
    case 'y': return A::LowerY;
    case '$': case '%': case '^':
        return A::None;
    default:
        break;
    }
    if (key >= '0' && key <= '9')
        return A::None;
    return A::Map;
}

std::string_view IndependentVowelMap(KeyCode key)
{
    switch (key) {
    case 'i': return "b";
    case 'I': return "\xC3";
    case 'u': return "m";
    case 'U': return "\xC5";
    case 'e': return ",";
    case 'E': return ",s";
    case 'o': return "v\xA8";
    case 'O': return "v\xA9";
    default: return {};
    }
}

} // namespace kalamora::engine
