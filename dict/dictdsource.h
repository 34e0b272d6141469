#pragma once

#include <string>
#include <string_view>
#include <vector>

// Reading the English-Hindi word list from a dictd database: an index file
// (one line per article: headword, TAB, offset, TAB, length, the numbers in
// dictd's base-64 digits) and the articles themselves (.dict, or .dict.dz:
// gzip, which dictzip only adds random access to).
namespace kalamora::dict {

// One English headword with its Hindi meanings, in the order the articles
// give them, each meaning once. Meanings are UTF-8 Devanagari text.
struct SourceEntry {
    std::string english;
    std::vector<std::string> meanings;
};

// What a read found, besides the entries.
struct SourceReport {
    size_t articles = 0;         // index lines naming an article
    size_t withoutHindi = 0;     // headwords that had no Hindi meaning at all
};

// Decodes one dictd base-64 number ("F1oP"); false when a character is not a
// base-64 digit or the value overflows.
bool decodeDictdNumber(std::string_view digits, unsigned long long *value);

// The meanings an article states: its numbered lines ("1. घर"). Lines that
// carry no Devanagari ("?", an English gloss) are not meanings. The source
// joins words of a phrase with "~" (sometimes "_") and brackets notes with {} or []: a
// meaning comes back with plain spaces and round brackets.
std::vector<std::string> meaningsOfArticle(std::string_view article);

// The whole text of a .dict or .dict.dz file. Throws std::runtime_error
// naming the file when it cannot be read or inflated.
std::string readArticles(const std::string &path);

// Reads every headword of the index with the meanings of all its articles,
// in index order, one entry per headword. dictd's own 00database... entries
// are skipped. Throws std::runtime_error when a file cannot be read or an
// index line points outside the articles.
std::vector<SourceEntry> readDictdSource(const std::string &indexPath, const std::string &articlesPath,
                                         SourceReport *report = nullptr);

} // namespace kalamora::dict
