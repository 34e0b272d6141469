#pragma once

#include "dict/dictdsource.h"
#include "dict/dictstore.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Turns the English-Hindi source entries into the dictionary database.
namespace kalamora::dict {

// Unicode (UTF-8) to glyph codes; counts into *unconverted the characters it
// could not express. kruti::fromUnicode in the program; tests pass a fake.
using Converter = std::function<std::string(std::string_view utf8, size_t *unconverted)>;

// The text that separates the meanings of one word, before conversion.
inline constexpr std::string_view MeaningSeparator = ", ";

struct BuildReport {
    size_t headwords = 0;             // entries offered
    size_t written = 0;               // rows written
    size_t withoutHindi = 0;          // entries that had no Hindi meaning
    size_t meaningsWritten = 0;
    size_t meaningsUnconvertible = 0; // meanings left out: not fully convertible
    size_t wordsUnconvertible = 0;    // entries left out: no meaning convertible
    std::vector<std::string> unconvertible;  // "word: meaning" of each left-out meaning
};

// The glyph string of one entry: its fully convertible meanings joined by
// the separator, or empty when none converts. A meaning the converter cannot
// fully express is left out whole (counted in the report), never written
// in part.
std::string convertMeanings(const SourceEntry &entry, const Converter &convert, BuildReport *report);

// Writes every entry with a convertible meaning into a new database at
// `path`, encrypted with `password`. The file appears only when the whole
// build succeeded.
DbError buildDictionary(const std::vector<SourceEntry> &entries, const Converter &convert, const std::string &path,
                        std::string_view password, BuildReport *report);

} // namespace kalamora::dict
