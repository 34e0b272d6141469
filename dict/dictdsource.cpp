#include "dict/dictdsource.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unordered_map>

namespace kalamora::dict {

namespace {

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot open " + path);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

// Inflates every gzip member of `packed` (dictzip writes one, but plain gzip
// may concatenate several).
std::string gunzip(const std::string &packed, const std::string &path)
{
    std::string out;
    z_stream zs{};
    if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK)
        throw std::runtime_error("cannot inflate " + path);
    zs.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.data()));
    zs.avail_in = static_cast<uInt>(packed.size());
    char buffer[1 << 16];
    for (;;) {
        zs.next_out = reinterpret_cast<Bytef *>(buffer);
        zs.avail_out = sizeof buffer;
        const int rc = inflate(&zs, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - zs.avail_out);
        if (rc == Z_STREAM_END) {
            if (zs.avail_in == 0)
                break;
            inflateReset(&zs);
            continue;
        }
        if (rc != Z_OK) {
            inflateEnd(&zs);
            throw std::runtime_error(path + " is damaged (inflate failed)");
        }
        if (zs.avail_in == 0 && zs.avail_out != 0) {
            inflateEnd(&zs);
            throw std::runtime_error(path + " is truncated");
        }
    }
    inflateEnd(&zs);
    return out;
}

bool hasDevanagari(std::string_view text)
{
    // U+0900..U+097F is E0 A4 80 .. E0 A5 BF in UTF-8.
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (static_cast<unsigned char>(text[i]) == 0xE0) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            if (next == 0xA4 || next == 0xA5)
                return true;
        }
    }
    return false;
}

std::string cleanMeaning(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    for (char c : raw) {
        switch (c) {
        case '~': case '_': case '\t': c = ' '; break;
        case '{': case '[': c = '('; break;
        case '}': case ']': c = ')'; break;
        default: break;
        }
        if (c == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool isMetaEntry(std::string_view headword)
{
    return headword.starts_with("00database") || headword.starts_with("00-database");
}

} // namespace

bool decodeDictdNumber(std::string_view digits, unsigned long long *value)
{
    if (digits.empty())
        return false;
    unsigned long long v = 0;
    for (char c : digits) {
        int d;
        if (c >= 'A' && c <= 'Z')
            d = c - 'A';
        else if (c >= 'a' && c <= 'z')
            d = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            d = c - '0' + 52;
        else if (c == '+')
            d = 62;
        else if (c == '/')
            d = 63;
        else
            return false;
        if (v > (~0ULL >> 6))
            return false;
        v = v * 64 + static_cast<unsigned>(d);
    }
    *value = v;
    return true;
}

std::vector<std::string> meaningsOfArticle(std::string_view article)
{
    std::vector<std::string> meanings;
    size_t pos = 0;
    while (pos < article.size()) {
        size_t end = article.find('\n', pos);
        if (end == std::string_view::npos)
            end = article.size();
        std::string_view line = article.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);

        size_t i = 0;
        while (i < line.size() && line[i] >= '0' && line[i] <= '9')
            ++i;
        if (i == 0 || i + 1 >= line.size() || line[i] != '.' || (line[i + 1] != ' ' && line[i + 1] != '\t'))
            continue;
        std::string meaning = cleanMeaning(line.substr(i + 1));
        if (!meaning.empty() && meaning.front() == ' ')
            meaning.erase(0, 1);
        if (hasDevanagari(meaning))
            meanings.push_back(std::move(meaning));
    }
    return meanings;
}

std::string readArticles(const std::string &path)
{
    std::string bytes = readFile(path);
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1F
        && static_cast<unsigned char>(bytes[1]) == 0x8B)
        return gunzip(bytes, path);
    return bytes;
}

std::vector<SourceEntry> readDictdSource(const std::string &indexPath, const std::string &articlesPath,
                                         SourceReport *report)
{
    const std::string index = readFile(indexPath);
    const std::string articles = readArticles(articlesPath);

    std::vector<SourceEntry> entries;
    std::unordered_map<std::string, size_t> byHeadword;
    SourceReport counts;

    size_t pos = 0;
    size_t lineNo = 0;
    while (pos < index.size()) {
        size_t end = index.find('\n', pos);
        if (end == std::string::npos)
            end = index.size();
        std::string_view line(index.data() + pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;

        const size_t tab1 = line.find('\t');
        const size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos)
            throw std::runtime_error(indexPath + ":" + std::to_string(lineNo) + ": not a dictd index line");
        const std::string_view headword = line.substr(0, tab1);
        unsigned long long offset = 0, length = 0;
        if (!decodeDictdNumber(line.substr(tab1 + 1, tab2 - tab1 - 1), &offset)
            || !decodeDictdNumber(line.substr(tab2 + 1), &length))
            throw std::runtime_error(indexPath + ":" + std::to_string(lineNo) + ": bad offset or length");
        if (headword.empty() || isMetaEntry(headword))
            continue;
        if (offset > articles.size() || length > articles.size() - offset)
            throw std::runtime_error(indexPath + ":" + std::to_string(lineNo) + ": article lies outside "
                                     + articlesPath);
        ++counts.articles;

        auto [it, added] = byHeadword.try_emplace(std::string(headword), entries.size());
        if (added)
            entries.push_back(SourceEntry{std::string(headword), {}});
        SourceEntry &entry = entries[it->second];
        for (std::string &m : meaningsOfArticle(std::string_view(articles).substr(offset, length))) {
            if (std::find(entry.meanings.begin(), entry.meanings.end(), m) == entry.meanings.end())
                entry.meanings.push_back(std::move(m));
        }
    }

    counts.withoutHindi = static_cast<size_t>(
        std::count_if(entries.begin(), entries.end(), [](const SourceEntry &e) { return e.meanings.empty(); }));
    if (report)
        *report = counts;
    return entries;
}

} // namespace kalamora::dict
