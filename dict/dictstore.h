#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// The dictionary database: an SQLite file encrypted by SQLCipher, holding the
// table DICT (ENG, Hindi). ENG is compared without regard to ASCII letter
// case (COLLATE NOCASE) and indexed, so both the ordered word list and the
// prefix search walk the index. Hindi holds the meaning as a glyph string,
// stored as text: each glyph code as its Windows-1252 document character.
namespace kalamora::dict {

// The file name in the program folder and the connect string the program
// opens it with.
inline constexpr std::string_view DatabaseFileName = "Dict.mdb";
inline constexpr std::string_view ConnectString = ";pwd=qzvlmtrbkxwe;";

// The password of a connect string of the form ";pwd=SECRET;" (the "pwd"
// key in any letter case, other keys ignored); empty when it names none.
std::string passwordFromConnect(std::string_view connect);

// An SQLite result code with its description; code 0 is success.
struct DbError {
    int code = 0;
    std::string message;
    explicit operator bool() const { return code != 0; }
};

// Turns what the user typed into the pattern and index range of the
// beginning-with query. "*" stands for any run of characters (the wildcard
// the word list's users know); every other character, "%", "_", quotes and
// the escape character included, stands for itself.
struct PrefixQuery {
    std::string likePattern;  // for LIKE ... ESCAPE '\'
    std::string lowerBound;   // ENG >= lowerBound (empty: no bound)
    std::string upperBound;   // ENG < upperBound (empty: no bound)
};
PrefixQuery prefixQuery(std::string_view typed);

// Read access, as the dictionary window uses it. Opens read-only: nothing
// here ever writes the file.
class DictDatabase {
public:
    DictDatabase() = default;
    ~DictDatabase();
    DictDatabase(const DictDatabase &) = delete;
    DictDatabase &operator=(const DictDatabase &) = delete;

    // Opens `path` with `password` and checks that the key reads it (a wrong
    // key and a damaged file both fail here, "file is encrypted or is not a
    // database"). On failure the database stays closed.
    DbError open(const std::string &path, std::string_view password);
    void close();
    bool isOpen() const { return m_db != nullptr; }

    // Every ENG value in ENG order.
    DbError words(std::vector<std::string> *out);
    // The ENG values that begin with `typed` (see prefixQuery), in ENG order.
    DbError wordsBeginningWith(std::string_view typed, std::vector<std::string> *out);
    // The Hindi text of the first row whose ENG equals `word` (letter case
    // ignored); nullopt when there is none.
    DbError meaning(std::string_view word, std::optional<std::string> *out);

private:
    DbError lastError() const;
    DbError prepare(sqlite3_stmt **stmt, const char *sql);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_prefix = nullptr;
    sqlite3_stmt *m_prefixAll = nullptr;
    sqlite3_stmt *m_meaning = nullptr;
};

// Creates a dictionary database. Rows go to a temporary file beside the
// target, which replaces the target only when finish() succeeds; abandoning
// the writer (or a failure) leaves no file behind and any old target as it
// was.
class DictWriter {
public:
    DictWriter() = default;
    ~DictWriter();
    DictWriter(const DictWriter &) = delete;
    DictWriter &operator=(const DictWriter &) = delete;

    DbError create(const std::string &path, std::string_view password);
    // `hindi` is the meaning as stored: UTF-8 text of document characters.
    DbError add(std::string_view english, std::string_view hindi);
    DbError finish();

private:
    void abandon();

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;
    std::string m_path;
    std::string m_tempPath;
};

// Glyph codes <-> the stored Hindi text (UTF-8 of each code's Windows-1252
// character). A stored character without a glyph code reads as code 0.
std::string glyphsToStoredText(std::string_view glyphs);
std::string storedTextToGlyphs(std::string_view text);

} // namespace kalamora::dict
