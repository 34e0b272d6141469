// kalamora type: types keys into an empty document through the same key
// binding a document window uses, and prints the text that results.
#include "app/commandline.h"
#include "app/commands.h"

#include "engine/keyfeed.h"
#include "kruti/cp1252.h"
#include "kruti/kruti.h"

#include "settings/settingsstore.h"
#include "settings/typingoptions.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const char *const typeUsage =
    "usage: kalamora type [--layout Rom|Rem|Tav] [--english] [--dot-purna yes|no]\n"
    "                     [--english-numerals yes|no] [--hex|--unicode] [KEYS]\n"
    "\n"
    "Types KEYS (or standard input), one character a key press, into an empty\n"
    "document with Hindi input, and prints the resulting text as raw glyph\n"
    "codes. A line feed is the Enter key (CR LF counts once), a backspace\n"
    "character (\\b, 0x08) the Backspace key. KEYS are UTF-8; a character\n"
    "must have a Windows-1252 code. Put -- before KEYS that begin with \"-\".\n"
    "\n"
    "  --layout L            keyboard layout: Rom (phonetic), Rem (Remington),\n"
    "                        Tav (keys typed as they are)\n"
    "  --english             English input: every key is typed as it is\n"
    "  --dot-purna yes|no    \".\" types the dot (yes) or the purna viram (no)\n"
    "  --english-numerals yes|no\n"
    "                        digits stay Latin digits (yes) or become\n"
    "                        Devanagari digits (no)\n"
    "  --hex                 print glyph codes as hex pairs (line break: 0A)\n"
    "  --unicode             print the text as Unicode Devanagari (UTF-8)\n"
    "\n"
    "Options not given are read from the settings (Layout, DotPurna,\n"
    "NumeralTypeEng).\n";

// The typing options: given on the command line, or read from the
// settings at the moment the engine asks, as a window would.
class TypeHost final : public engine::EngineHost {
public:
    std::optional<std::string> layoutOption;
    std::optional<bool> dotPurnaOption;
    std::optional<bool> englishNumeralsOption;

    bool dotPurna() const override
    {
        if (dotPurnaOption)
            return *dotPurnaOption;
        return kalamora::TypingOptions::readDotPurna(store());
    }

    std::string layout() const override
    {
        if (layoutOption)
            return *layoutOption;
        return kalamora::TypingOptions::readLayout(store()).toStdString();
    }

    bool englishNumerals() const override
    {
        if (englishNumeralsOption)
            return *englishNumeralsOption;
        return kalamora::TypingOptions::readEnglishNumerals(store());
    }

    void reapplyHindiFont() override {}

private:
    SettingsStore &store() const
    {
        if (!m_store)
            m_store = std::make_unique<SettingsStore>();
        return *m_store;
    }

    mutable std::unique_ptr<SettingsStore> m_store;
};

std::optional<bool> yesNo(std::string_view value)
{
    if (value == "yes")
        return true;
    if (value == "no")
        return false;
    return std::nullopt;
}

// Decodes UTF-8; false on a malformed sequence.
bool decodeUtf8(std::string_view in, std::vector<char32_t> &out)
{
    for (std::size_t i = 0; i < in.size();) {
        const unsigned char c = static_cast<unsigned char>(in[i]);
        int extra = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else {
            return false;
        }
        if (extra > 0 && i + static_cast<std::size_t>(extra) >= in.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = static_cast<unsigned char>(in[i + static_cast<std::size_t>(k)]);
            if ((cc & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        static constexpr char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
        if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

} // namespace

int runType(int argc, char **argv)
{
    TypeHost host;
    kalamora::CommandLine line("kalamora type", typeUsage, kalamora::CommandLine::Usage::HelpOnly,
                               {u"english"_s, u"hex"_s, u"unicode"_s},
                               {u"layout"_s, u"dot-purna"_s, u"english-numerals"_s});
    if (const std::optional<int> status = line.parse(argc, argv))
        return *status;
    // Every value given is checked; the last one counts.
    for (const QString &given : line.values(u"layout"_s)) {
        const std::string v = kalamora::CommandLine::toBytes(given);
        if (v != "Rom" && v != "Rem" && v != "Tav")
            return line.bad("--layout takes Rom, Rem or Tav");
        host.layoutOption = v;
    }
    for (const QString &given : line.values(u"dot-purna"_s)) {
        if (!(host.dotPurnaOption = yesNo(kalamora::CommandLine::toBytes(given))))
            return line.bad("--dot-purna takes yes or no");
    }
    for (const QString &given : line.values(u"english-numerals"_s)) {
        if (!(host.englishNumeralsOption = yesNo(kalamora::CommandLine::toBytes(given))))
            return line.bad("--english-numerals takes yes or no");
    }
    const bool english = line.isSet(u"english"_s);
    const bool hex = line.isSet(u"hex"_s);
    const bool unicode = line.isSet(u"unicode"_s);
    std::optional<QString> given;
    if (const std::optional<int> status = line.atMostOnePositional(&given, "more than one KEYS argument"))
        return *status;
    std::optional<std::string> keysArg;
    if (given)
        keysArg = kalamora::CommandLine::toBytes(*given);
    if (const std::optional<int> status = line.exclusive(u"hex"_s, u"unicode"_s))
        return *status;

    std::string keys;
    if (keysArg)
        keys = *keysArg;
    else
        keys.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());

    std::vector<char32_t> chars;
    if (!decodeUtf8(keys, chars))
        return line.bad("KEYS are not valid UTF-8");

    std::vector<engine::KeyCode> codes;
    codes.reserve(chars.size());
    for (std::size_t i = 0; i < chars.size(); ++i) {
        const char32_t c = chars[i];
        if (c == U'\r') {
            if (i + 1 < chars.size() && chars[i + 1] == U'\n')
                continue;
            codes.push_back(engine::KeyBinding::Enter);
        } else if (c == U'\n') {
            codes.push_back(engine::KeyBinding::Enter);
        } else {
            const unsigned char glyph = c < 0x80 ? static_cast<unsigned char>(c)
                                        : c <= 0xFFFF ? kruti::charToGlyph(static_cast<char16_t>(c))
                                                      : 0;
            if (glyph == 0) {
                char buf[64];
                std::snprintf(buf, sizeof buf, "U+%04X has no glyph code", static_cast<unsigned>(c));
                return line.bad(buf);
            }
            codes.push_back(glyph);
        }
    }

    engine::EngineState state;
    state.InputLanguage = english ? "English" : "HINDI";
    engine::KeyBinding binding(state, host, engine::KeyBinding::Target::Document);
    engine::MemorySurface surface;
    engine::bindSurface(binding, surface);
    for (const engine::KeyCode typed : codes)
        engine::pressKey(binding, surface, typed);

    const engine::GlyphString text = surface.text();
    if (hex) {
        std::string line;
        static constexpr char digits[] = "0123456789ABCDEF";
        for (const char ch : text) {
            const unsigned char g = static_cast<unsigned char>(ch);
            if (!line.empty())
                line += ' ';
            line += digits[g >> 4];
            line += digits[g & 15];
        }
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    } else if (unicode) {
        const std::string utf8 = kruti::toUnicode(text) + '\n';
        std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    } else {
        const std::string line = text + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    if (std::fflush(stdout) != 0)
        return 1;
    return 0;
}

} // namespace kalamora
