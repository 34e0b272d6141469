#include "dict/dictstore.h"

#include "kruti/cp1252.h"

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <filesystem>
#include <system_error>

namespace kalamora::dict {

namespace {

DbError errorOf(sqlite3 *db, int rc)
{
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW)
        return {};
    const char *text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return {rc & 0xFF, text ? text : ""};
}

std::string columnText(sqlite3_stmt *stmt, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt, column))) : std::string();
}

int bindText(sqlite3_stmt *stmt, int index, std::string_view text)
{
    return sqlite3_bind_text(stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// Steps `stmt` to the end, collecting column 0 of every row.
DbError collectColumn(sqlite3 *db, sqlite3_stmt *stmt, std::vector<std::string> *out)
{
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        out->push_back(columnText(stmt, 0));
    DbError err = errorOf(db, rc);
    sqlite3_reset(stmt);
    return err;
}

// Applies the key and proves that it reads the file: SQLCipher only
// decrypts (and so only notices a wrong key) on the first read.
DbError applyKey(sqlite3 *db, std::string_view password)
{
    if (!password.empty()) {
        const int rc = sqlite3_key(db, password.data(), static_cast<int>(password.size()));
        if (rc != SQLITE_OK)
            return errorOf(db, rc);
    }
    return errorOf(db, sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr));
}

void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

std::string glyphsToStoredText(std::string_view glyphs)
{
    std::string out;
    out.reserve(glyphs.size() * 2);
    for (char c : glyphs)
        appendUtf8(out, kruti::glyphToChar(static_cast<unsigned char>(c)));
    return out;
}

std::string storedTextToGlyphs(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : -1;
        char32_t cp = extra == 3 ? b & 0x07 : extra == 2 ? b & 0x0F : extra == 1 ? b & 0x1F : b;
        size_t next = i + 1;
        for (int k = 0; k < extra; ++k, ++next) {
            if (next >= text.size() || (static_cast<unsigned char>(text[next]) & 0xC0) != 0x80) {
                extra = -1;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(text[next]) & 0x3F);
        }
        out += static_cast<char>(extra < 0 || cp > 0xFFFF ? 0 : kruti::charToGlyph(static_cast<char16_t>(cp)));
        i = extra < 0 ? i + 1 : next;
    }
    return out;
}

std::string passwordFromConnect(std::string_view connect)
{
    size_t pos = 0;
    while (pos <= connect.size()) {
        size_t end = connect.find(';', pos);
        if (end == std::string_view::npos)
            end = connect.size();
        const std::string_view part = connect.substr(pos, end - pos);
        const size_t eq = part.find('=');
        if (eq != std::string_view::npos) {
            std::string key(part.substr(0, eq));
            for (char &c : key)
                c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
            if (key == "pwd")
                return std::string(part.substr(eq + 1));
        }
        pos = end + 1;
    }
    return {};
}

PrefixQuery prefixQuery(std::string_view typed)
{
    PrefixQuery q;
    bool literal = true;
    for (char c : typed) {
        if (c == '*') {
            q.likePattern += '%';
            literal = false;
            continue;
        }
        if (c == '%' || c == '_' || c == '\\')
            q.likePattern += '\\';
        q.likePattern += c;
        if (literal)
            q.lowerBound += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    q.likePattern += '%';

    // NOCASE folds ASCII capitals to small letters before comparing bytes, so
    // every word that begins with the folded prefix sorts in
    // [prefix, prefix with its last byte raised by one).
    q.upperBound = q.lowerBound;
    while (!q.upperBound.empty() && static_cast<unsigned char>(q.upperBound.back()) == 0xFF)
        q.upperBound.pop_back();
    if (q.upperBound.empty())
        q.lowerBound.clear();
    else
        q.upperBound.back() = static_cast<char>(static_cast<unsigned char>(q.upperBound.back()) + 1);
    return q;
}

DictDatabase::~DictDatabase()
{
    close();
}

void DictDatabase::close()
{
    for (sqlite3_stmt **stmt : {&m_prefix, &m_prefixAll, &m_meaning}) {
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
    }
    if (m_db) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

DbError DictDatabase::lastError() const
{
    return errorOf(m_db, sqlite3_errcode(m_db));
}

DbError DictDatabase::open(const std::string &path, std::string_view password)
{
    close();
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    DbError err = errorOf(db, rc);
    if (!err)
        err = applyKey(db, password);
    if (err) {
        sqlite3_close(db);
        return err;
    }
    m_db = db;
    return {};
}

DbError DictDatabase::prepare(sqlite3_stmt **stmt, const char *sql)
{
    if (!m_db)
        return {SQLITE_MISUSE, "the dictionary database is not open"};
    if (*stmt)
        return {};
    return errorOf(m_db, sqlite3_prepare_v2(m_db, sql, -1, stmt, nullptr));
}

DbError DictDatabase::words(std::vector<std::string> *out)
{
    out->clear();
    if (!m_db)
        return {SQLITE_MISUSE, "the dictionary database is not open"};
    sqlite3_stmt *stmt = nullptr;
    DbError err = errorOf(m_db, sqlite3_prepare_v2(m_db, "SELECT ENG FROM DICT ORDER BY ENG", -1, &stmt, nullptr));
    if (!err)
        err = collectColumn(m_db, stmt, out);
    sqlite3_finalize(stmt);
    return err;
}

DbError DictDatabase::wordsBeginningWith(std::string_view typed, std::vector<std::string> *out)
{
    out->clear();
    const PrefixQuery q = prefixQuery(typed);
    sqlite3_stmt *stmt;
    DbError err;
    if (q.lowerBound.empty()) {
        err = prepare(&m_prefixAll, "SELECT ENG FROM DICT WHERE ENG LIKE ?1 ESCAPE '\\' ORDER BY ENG");
        stmt = m_prefixAll;
    } else {
        err = prepare(&m_prefix, "SELECT ENG FROM DICT WHERE ENG >= ?1 AND ENG < ?2 AND ENG LIKE ?3 ESCAPE '\\' "
                                 "ORDER BY ENG");
        stmt = m_prefix;
    }
    if (err)
        return err;
    int rc = SQLITE_OK;
    if (q.lowerBound.empty()) {
        rc = bindText(stmt, 1, q.likePattern);
    } else {
        rc = bindText(stmt, 1, q.lowerBound);
        if (rc == SQLITE_OK)
            rc = bindText(stmt, 2, q.upperBound);
        if (rc == SQLITE_OK)
            rc = bindText(stmt, 3, q.likePattern);
    }
    if (rc != SQLITE_OK) {
        sqlite3_reset(stmt);
        return errorOf(m_db, rc);
    }
    return collectColumn(m_db, stmt, out);
}

DbError DictDatabase::meaning(std::string_view word, std::optional<std::string> *out)
{
    out->reset();
    if (DbError err = prepare(&m_meaning, "SELECT Hindi FROM DICT WHERE ENG = ?1 LIMIT 1"))
        return err;
    int rc = bindText(m_meaning, 1, word);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(m_meaning);
        if (rc == SQLITE_ROW)
            *out = columnText(m_meaning, 0);
    }
    DbError err = errorOf(m_db, rc);
    sqlite3_reset(m_meaning);
    return err;
}

DictWriter::~DictWriter()
{
    abandon();
}

void DictWriter::abandon()
{
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    if (m_db) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
    if (!m_tempPath.empty()) {
        std::error_code ec;
        std::filesystem::remove(m_tempPath, ec);
        std::filesystem::remove(m_tempPath + "-journal", ec);
        m_tempPath.clear();
    }
}

DbError DictWriter::create(const std::string &path, std::string_view password)
{
    abandon();
    m_path = path;
    m_tempPath = path + ".tmp";
    std::error_code ec;
    std::filesystem::remove(m_tempPath, ec);
    std::filesystem::remove(m_tempPath + "-journal", ec);

    int rc = sqlite3_open_v2(m_tempPath.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    DbError err = errorOf(m_db, rc);
    if (!err && !password.empty())
        err = errorOf(m_db, sqlite3_key(m_db, password.data(), static_cast<int>(password.size())));
    if (!err)
        err = errorOf(m_db, sqlite3_exec(m_db,
                                         "BEGIN;"
                                         "CREATE TABLE DICT (ENG TEXT NOT NULL COLLATE NOCASE, Hindi TEXT NOT NULL);",
                                         nullptr, nullptr, nullptr));
    if (!err)
        err = errorOf(m_db, sqlite3_prepare_v2(m_db, "INSERT INTO DICT (ENG, Hindi) VALUES (?1, ?2)", -1,
                                               &m_insert, nullptr));
    if (err)
        abandon();
    return err;
}

DbError DictWriter::add(std::string_view english, std::string_view hindi)
{
    if (!m_insert)
        return {SQLITE_MISUSE, "no dictionary is being written"};
    int rc = bindText(m_insert, 1, english);
    if (rc == SQLITE_OK)
        rc = bindText(m_insert, 2, hindi);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(m_insert);
    DbError err = errorOf(m_db, rc);
    sqlite3_reset(m_insert);
    return err;
}

DbError DictWriter::finish()
{
    if (!m_insert)
        return {SQLITE_MISUSE, "no dictionary is being written"};
    sqlite3_finalize(m_insert);
    m_insert = nullptr;
    DbError err = errorOf(m_db, sqlite3_exec(m_db, "CREATE INDEX DICT_ENG ON DICT (ENG); COMMIT;", nullptr,
                                             nullptr, nullptr));
    if (!err) {
        const int rc = sqlite3_close(m_db);
        if (rc != SQLITE_OK)
            err = errorOf(m_db, rc);
        else
            m_db = nullptr;
    }
    if (!err) {
        std::error_code ec;
        std::filesystem::rename(m_tempPath, m_path, ec);
        if (ec)
            err = {SQLITE_CANTOPEN, "cannot rename " + m_tempPath + " to " + m_path + ": " + ec.message()};
        else
            m_tempPath.clear();
    }
    if (err)
        abandon();
    return err;
}

} // namespace kalamora::dict
