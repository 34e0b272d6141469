#include "dict/dictbuild.h"
#include "dict/dictdsource.h"
#include "dict/dictstore.h"
#include "dict/wordlist.h"
#include "tests/dict/dicttestutil.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

using namespace kalamora;

using dicttest::TempDir;

namespace {

void writeFile(const std::string &path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeGzip(const std::string &path, std::string_view bytes)
{
    gzFile out = gzopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    gzwrite(out, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(out);
}

std::string dictdNumber(unsigned long long v)
{
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    do {
        out.insert(out.begin(), digits[v % 64]);
        v /= 64;
    } while (v);
    return out;
}

// A dictd pair in the freedict layout: articles back to back, the index in
// whatever order the lines are given.
struct Article {
    std::string headword;
    std::string body;
};

void writeDictd(const std::string &index, const std::string &articles, const std::vector<Article> &list,
                bool gzip)
{
    std::string text, lines;
    for (const Article &a : list) {
        lines += a.headword + "\t" + dictdNumber(text.size()) + "\t" + dictdNumber(a.body.size()) + "\n";
        text += a.body;
    }
    writeFile(index, lines);
    if (gzip)
        writeGzip(articles, text);
    else
        writeFile(articles, text);
}

std::vector<std::string> similar(dict::DictDatabase &db, std::string_view typed)
{
    std::vector<std::string> out;
    const dict::DbError err = db.wordsBeginningWith(typed, &out);
    EXPECT_FALSE(err) << err.message;
    return out;
}

} // namespace

TEST(DictdSource, NumbersAreBase64Digits)
{
    unsigned long long v = 0;
    EXPECT_TRUE(dict::decodeDictdNumber("B", &v));
    EXPECT_EQ(v, 1u);
    EXPECT_TRUE(dict::decodeDictdNumber("F1oP", &v));
    EXPECT_EQ(v, ((5ull * 64 + 53) * 64 + 40) * 64 + 15);
    EXPECT_TRUE(dict::decodeDictdNumber("/+", &v));
    EXPECT_EQ(v, 63u * 64 + 62);
    EXPECT_FALSE(dict::decodeDictdNumber("", &v));
    EXPECT_FALSE(dict::decodeDictdNumber("A-B", &v));
    EXPECT_FALSE(dict::decodeDictdNumber("//////////////", &v));  // overflows 64 bits
}

TEST(DictdSource, MeaningsAreTheNumberedDevanagariLines)
{
    const std::string article = "run /ɹˈʌn/ <N>\n"
                                "1. दौड़\n"
                                "      \"She goes for a run every morning.\"\n"
                                "2. लम्बा~दौर\n"
                                "      \"यह काम्बली का 'house' है.\"\n"
                                "3. ?\n"
                                "4.  In the party only a few persons were known to me\n"
                                "5. स्याही{चमड़ा~आदि}  [पुराना]\r\n"
                                "12. चलना\n"
                                "x. नहीं\n";
    EXPECT_EQ(dict::meaningsOfArticle(article),
              (std::vector<std::string>{"दौड़", "लम्बा दौर", "स्याही(चमड़ा आदि) (पुराना)", "चलना"}));
}

TEST(DictdSource, ReadsIndexAndArticlesMergingHeadwords)
{
    for (bool gzip : {false, true}) {
        TempDir dir;
        const std::string index = dir.file("x.index"), articles = dir.file(gzip ? "x.dict.dz" : "x.dict");
        writeDictd(index, articles,
                   {{"00databaseinfo", "1. नहीं\n"},
                    {"house", "house <N>\n1. घर\n"},
                    {"abandon", "abandon <V>\n1. छोड़~देना\n"},
                    {"house", "house <V>\n1. घरमें ठहराना\n2. घर\n"},
                    {"quirk", "quirk <N>\n1. ?\n"}},
                   gzip);
        dict::SourceReport report;
        const auto entries = dict::readDictdSource(index, articles, &report);
        ASSERT_EQ(entries.size(), 3u) << gzip;
        EXPECT_EQ(entries[0].english, "house");
        EXPECT_EQ(entries[0].meanings, (std::vector<std::string>{"घर", "घरमें ठहराना"}));
        EXPECT_EQ(entries[1].meanings, (std::vector<std::string>{"छोड़ देना"}));
        EXPECT_TRUE(entries[2].meanings.empty());
        EXPECT_EQ(report.articles, 4u);
        EXPECT_EQ(report.withoutHindi, 1u);
    }
}

TEST(DictdSource, BrokenSourcesFailLoudly)
{
    TempDir dir;
    const std::string index = dir.file("x.index"), articles = dir.file("x.dict");
    writeFile(articles, "house <N>\n1. घर\n");
    const std::vector<std::string> badIndexes = {
        "house\tA\tZZ\n",      // article runs past the end
        "house\tA\n",          // no length
        "house\tA?\tB\n",      // not base 64
    };
    for (const std::string &lines : badIndexes) {
        writeFile(index, lines);
        EXPECT_THROW(dict::readDictdSource(index, articles), std::runtime_error) << lines;
    }
    EXPECT_THROW(dict::readDictdSource(dir.file("none.index"), articles), std::runtime_error);

    // A truncated gzip file is an error, not a short word list.
    const std::string gz = dir.file("x.dict.dz");
    writeGzip(gz, std::string(100000, 'x'));
    const std::string packed = readBytes(gz);
    writeFile(gz, packed.substr(0, packed.size() / 2));
    EXPECT_THROW(dict::readArticles(gz), std::runtime_error);
}

TEST(DictBuild, UnconvertibleMeaningsAreLeftOutWholeAndCounted)
{
    TempDir dir;
    const std::string path = dir.file("Dict.mdb");
    const std::vector<dict::SourceEntry> entries = {
        {"run", {"दौड़", "baseball.दो टीमों", "चलना"}},  // middle meaning has Latin letters
        {"heave", {"heave जोर"}},                       // nothing convertible
        {"quirk", {}},                                  // no Hindi at all
    };
    dict::BuildReport report;
    ASSERT_FALSE(dict::buildDictionary(entries, dicttest::fakeFromUnicode, path, "pw", &report));
    EXPECT_EQ(report.headwords, 3u);
    EXPECT_EQ(report.written, 1u);
    EXPECT_EQ(report.meaningsWritten, 2u);
    EXPECT_EQ(report.meaningsUnconvertible, 2u);
    EXPECT_EQ(report.wordsUnconvertible, 1u);
    EXPECT_EQ(report.withoutHindi, 1u);
    EXPECT_EQ(report.unconvertible.front(), "run: baseball.दो टीमों");

    dict::DictDatabase db;
    ASSERT_FALSE(db.open(path, "pw"));
    std::vector<std::string> words;
    ASSERT_FALSE(db.words(&words));
    EXPECT_EQ(words, std::vector<std::string>{"run"});
    std::optional<std::string> hindi;
    ASSERT_FALSE(db.meaning("run", &hindi));
    ASSERT_TRUE(hindi);
    EXPECT_EQ(dict::storedTextToGlyphs(*hindi), dicttest::fakeGlyphs("दौड़") + ", " + dicttest::fakeGlyphs("चलना"));
}

TEST(DictBuild, StoredTextCarriesEveryGlyphCode)
{
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string stored = dict::glyphsToStoredText(all);
    EXPECT_EQ(dict::storedTextToGlyphs(stored), all);
    EXPECT_EQ(dict::glyphsToStoredText("\x91"), "\u2018");
    EXPECT_EQ(dict::storedTextToGlyphs("\xE0\xA4\x95"), std::string(1, '\0'));  // no glyph code
    EXPECT_EQ(dict::storedTextToGlyphs("a\xC3"), std::string("a\0", 2));         // cut UTF-8
}

TEST(DictWriter, AFailedOrAbandonedBuildLeavesTheOldFile)
{
    TempDir dir;
    const std::string path = dir.file("Dict.mdb");
    writeFile(path, "old");
    {
        dict::DictWriter writer;
        ASSERT_FALSE(writer.create(path, "pw"));
        ASSERT_FALSE(writer.add("house", "x"));
    }
    EXPECT_EQ(readBytes(path), "old");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));

    std::vector<dict::SourceEntry> none;
    dict::BuildReport report;
    const auto refuse = [](std::string_view, size_t *unconverted) {
        *unconverted = 1;
        return std::string();
    };
    EXPECT_TRUE(dict::buildDictionary(none, refuse, path, "pw", &report));
    EXPECT_EQ(readBytes(path), "old");

    ASSERT_FALSE(dict::buildDictionary(dicttest::sampleEntries(), dicttest::fakeFromUnicode, path, "pw", &report));
    dict::DictDatabase db;
    EXPECT_FALSE(db.open(path, "pw"));
}

TEST(DictStore, ConnectStringGivesThePassword)
{
    EXPECT_EQ(dict::passwordFromConnect(dict::ConnectString), "qzvlmtrbkxwe");
    EXPECT_EQ(dict::passwordFromConnect("DSN=x;PWD=abc"), "abc");
    EXPECT_EQ(dict::passwordFromConnect(";uid=me;"), "");
}

class DictStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = dir.file("Dict.mdb");
        dicttest::buildDatabase(path, dicttest::sampleEntries());
        ASSERT_FALSE(db.open(path, dict::passwordFromConnect(dict::ConnectString)));
    }
    TempDir dir;
    std::string path;
    dict::DictDatabase db;
};

TEST_F(DictStoreTest, WordListIsInCaseFoldedOrder)
{
    std::vector<std::string> words;
    ASSERT_FALSE(db.words(&words));
    EXPECT_EQ(words, (std::vector<std::string>{"100%", "a", "a_b", "ab", "abandon", "back\\slash", "hot", "house",
                                               "house arrest", "houseboat", "household", "India", "o'clock",
                                               "star*", "zoo"}));
}

TEST_F(DictStoreTest, TypedTextIsLiteralExceptTheStar)
{
    using V = std::vector<std::string>;
    const struct {
        const char *typed;
        V expected;
    } cases[] = {
        {"hou", {"house", "house arrest", "houseboat", "household"}},
        {"HOUSE ", {"house arrest"}},
        {"ind", {"India"}},
        {"o'", {"o'clock"}},
        {"o''", {}},
        {"'; DROP TABLE DICT; --", {}},
        {"10%", {}},               // "%" is no wildcard...
        {"100%", {"100%"}},        // ...but a character
        {"a_", {"a_b"}},           // "_" matches only "_"
        {"back\\", {"back\\slash"}},
        {"star*", {"star*"}},      // "*" still matches the "*" itself
        {"h*d", {"household"}},
        {"*arrest", {"house arrest"}},
        {"zz", {}},
        {"z", {"zoo"}},
        {"\xC3", {}},              // half a UTF-8 character
    };
    for (const auto &c : cases)
        EXPECT_EQ(similar(db, c.typed), c.expected) << c.typed;
    EXPECT_EQ(similar(db, "*").size(), 15u);

    std::vector<std::string> words;
    ASSERT_FALSE(db.words(&words));
    EXPECT_EQ(words.size(), 15u);
}

TEST_F(DictStoreTest, MeaningOfOneWordIgnoresCase)
{
    std::optional<std::string> hindi;
    ASSERT_FALSE(db.meaning("HOUSE", &hindi));
    ASSERT_TRUE(hindi);
    EXPECT_EQ(dict::storedTextToGlyphs(*hindi), dicttest::fakeGlyphs("घर") + ", " + dicttest::fakeGlyphs("मकान"));
    ASSERT_FALSE(db.meaning("o'clock", &hindi));
    EXPECT_TRUE(hindi);
    for (const char *none : {"hous", "house*", "%", "o'clock' OR '1'='1"}) {
        ASSERT_FALSE(db.meaning(none, &hindi));
        EXPECT_FALSE(hindi) << none;
    }
}

TEST_F(DictStoreTest, UnreadableWithoutTheKey)
{
    const std::string bytes = readBytes(path);
    EXPECT_NE(bytes.substr(0, 15), "SQLite format 3");
    EXPECT_EQ(bytes.find("house"), std::string::npos);
    EXPECT_EQ(bytes.find("DICT"), std::string::npos);

    dict::DictDatabase other;
    for (const char *key : {"", "qzvlmtrbkxwf", "QZVLMTRBKXWE"}) {
        const dict::DbError err = other.open(path, key);
        EXPECT_EQ(err.code, 26) << key << ": " << err.message;
        EXPECT_FALSE(other.isOpen());
    }
}

TEST_F(DictStoreTest, DamagedOrForeignFilesFailToOpen)
{
    dict::DictDatabase other;
    const std::string key = dict::passwordFromConnect(dict::ConnectString);
    writeFile(dir.file("noise.mdb"), std::string(4096, '\x5A'));
    EXPECT_EQ(other.open(dir.file("noise.mdb"), key).code, 26);
    EXPECT_TRUE(other.open(dir.file("absent.mdb"), key));

    // Good first page, the rest cut away: opens, but reading the words fails.
    const std::string bytes = readBytes(path);
    writeFile(dir.file("cut.mdb"), bytes.substr(0, 1024));
    if (!other.open(dir.file("cut.mdb"), key)) {
        std::vector<std::string> words;
        EXPECT_TRUE(other.words(&words));
    }
}

TEST(WordList, FirstWordBeginningWithTheTextIgnoringCase)
{
    dict::WordList list;
    // Out of case-folded order ("Abandon" before "ab"): searched item by item.
    list.assign({"a", "Abandon", "ab", "house", "House arrest", "zoo"});
    EXPECT_EQ(list.firstStartingWith("AB"), 1);
    list.assign({"a", "ab", "Abandon", "house", "House arrest", "zoo"});
    const struct {
        const char *prefix;
        int row;
    } cases[] = {{"", 0}, {"A", 0}, {"ab", 1}, {"aba", 2}, {"HOUSE A", 4}, {"house", 3},
                 {"zoo", 5}, {"zooo", -1}, {"b", -1}, {"0", -1}, {"~", -1}};
    for (const auto &c : cases)
        EXPECT_EQ(list.firstStartingWith(c.prefix), c.row) << c.prefix;
    list.clear();
    EXPECT_EQ(list.firstStartingWith(""), -1);
}
