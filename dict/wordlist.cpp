#include "dict/wordlist.h"

#include <algorithm>

namespace kalamora::dict {

namespace {

unsigned char fold(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
}

// Byte order after folding ASCII capitals: SQLite's NOCASE order.
bool foldedLess(std::string_view a, std::string_view b)
{
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return fold(x) < fold(y); });
}

bool startsWithFolded(std::string_view word, std::string_view prefix)
{
    return word.size() >= prefix.size()
        && std::equal(prefix.begin(), prefix.end(), word.begin(), [](char x, char y) { return fold(x) == fold(y); });
}

} // namespace

void WordList::assign(std::vector<std::string> words)
{
    m_words = std::move(words);
    m_folded = std::is_sorted(m_words.begin(), m_words.end(),
                              [](const std::string &a, const std::string &b) { return foldedLess(a, b); });
}

int WordList::firstStartingWith(std::string_view prefix) const
{
    if (m_folded) {
        const auto it = std::lower_bound(m_words.begin(), m_words.end(), prefix,
                                         [](const std::string &w, std::string_view p) { return foldedLess(w, p); });
        if (it != m_words.end() && startsWithFolded(*it, prefix))
            return static_cast<int>(it - m_words.begin());
        return -1;
    }
    for (size_t i = 0; i < m_words.size(); ++i) {
        if (startsWithFolded(m_words[i], prefix))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace kalamora::dict
