#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kalamora::dict {

// The dictionary's full word list with the list box's prefix search: the
// first word, from the top, that begins with the typed text, ignoring ASCII
// letter case. The database returns the list in that same case-folded order,
// so the search is a binary search; a list in any other order is searched
// from the top, item by item, with the same result.
class WordList {
public:
    void assign(std::vector<std::string> words);
    void clear() { assign({}); }

    const std::vector<std::string> &words() const { return m_words; }
    int size() const { return static_cast<int>(m_words.size()); }
    const std::string &at(int row) const { return m_words[static_cast<size_t>(row)]; }

    // The row of the first word that begins with `prefix` (an empty prefix
    // begins every word), or -1 when none does.
    int firstStartingWith(std::string_view prefix) const;

private:
    std::vector<std::string> m_words;
    bool m_folded = true;
};

} // namespace kalamora::dict
