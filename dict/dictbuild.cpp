#include "dict/dictbuild.h"

namespace kalamora::dict {

namespace {

// A glyph string holds codes 1..255; a 0 is a character the converter let
// through without a code.
bool convertFully(const Converter &convert, std::string_view utf8, std::string *glyphs)
{
    size_t unconverted = 0;
    *glyphs = convert(utf8, &unconverted);
    return unconverted == 0 && !glyphs->empty() && glyphs->find('\0') == std::string::npos;
}

} // namespace

std::string convertMeanings(const SourceEntry &entry, const Converter &convert, BuildReport *report)
{
    std::string separator;
    convertFully(convert, MeaningSeparator, &separator);

    std::string joined;
    for (const std::string &meaning : entry.meanings) {
        std::string glyphs;
        if (!convertFully(convert, meaning, &glyphs)) {
            ++report->meaningsUnconvertible;
            report->unconvertible.push_back(entry.english + ": " + meaning);
            continue;
        }
        if (!joined.empty())
            joined += separator;
        joined += glyphs;
        ++report->meaningsWritten;
    }
    return joined;
}

DbError buildDictionary(const std::vector<SourceEntry> &entries, const Converter &convert, const std::string &path,
                        std::string_view password, BuildReport *report)
{
    *report = BuildReport{};
    std::string separator;
    if (!convertFully(convert, MeaningSeparator, &separator))
        return {1, "the converter cannot express the meaning separator"};

    DictWriter writer;
    if (DbError err = writer.create(path, password))
        return err;
    for (const SourceEntry &entry : entries) {
        ++report->headwords;
        if (entry.meanings.empty()) {
            ++report->withoutHindi;
            continue;
        }
        const std::string glyphs = convertMeanings(entry, convert, report);
        if (glyphs.empty()) {
            ++report->wordsUnconvertible;
            continue;
        }
        if (DbError err = writer.add(entry.english, glyphsToStoredText(glyphs)))
            return err;
        ++report->written;
    }
    return writer.finish();
}

} // namespace kalamora::dict
