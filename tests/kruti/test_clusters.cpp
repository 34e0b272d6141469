// Made-up syllables of every shape (clusters.h), all of them up to one
// consonant and a fixed-seed draw of the larger ones: Unicode -> glyphs ->
// Unicode gives the word back with the short-i sign before the whole
// cluster, and the glyphs the engine types for a word come back from its
// Unicode as they were. bench_kruti_clusters runs every one of them.
#include "kruti/kruti.h"
#include "tests/kruti/clusters.h"
#include "tests/kruti/typing.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace kalamora;

namespace {

using krutitest::Syllable;

std::string hex(const std::string &glyphs)
{
    std::string out;
    for (unsigned char c : glyphs) {
        static constexpr char digits[] = "0123456789ABCDEF";
        out += {digits[c >> 4], digits[c & 15], ' '};
    }
    return out;
}

// Empty when the word survives the way to glyphs and back.
std::string roundTripFault(const Syllable &s)
{
    const std::string word = s.unicode();
    std::size_t unconverted = 0;
    const std::string glyphs = kruti::fromUnicode(word, &unconverted);
    const std::string back = kruti::toUnicode(glyphs);
    const int i = s.shortIIndex();
    const bool placed = i < 0 || (int(glyphs.size()) > i && (glyphs[i] == 'f' || glyphs[i] == '\xC6'));
    if (back == word && placed && unconverted == 0)
        return {};
    return word + " -> " + hex(glyphs) + "-> " + back + (placed ? "" : " (short i misplaced)");
}

TEST(KrutiClusters, EveryVowelAndSingleConsonantRoundTrips)
{
    int words = 0;
    for (int size : {0, 1}) {
        krutitest::forEachSyllable(size, true, [&](const Syllable &s) {
            ++words;
            const std::string fault = roundTripFault(s);
            EXPECT_TRUE(fault.empty()) << s.className() << ": " << fault;
        });
    }
    EXPECT_GT(words, 25000);
}

TEST(KrutiClusters, RandomPairsAndTriplesRoundTrip)
{
    std::mt19937 rng(19);
    int failures = 0;
    for (int n = 0; n < 200000 && failures < 20; ++n) {
        const Syllable s = krutitest::randomSyllable(rng, 2, 3);
        const std::string fault = roundTripFault(s);
        if (!fault.empty())
            ++failures;
        EXPECT_TRUE(fault.empty()) << s.className() << ": " << fault;
    }
}

// Where the engine types a word right, the converter writes it in the same
// glyphs, except where clusters.h names a spelling of the engine's own.
TEST(KrutiClusters, EngineTypedClustersComeBackAsTyped)
{
    std::mt19937 rng(1019);
    int compared = 0;
    int failures = 0;
    for (int n = 0; n < 50000 && failures < 20; ++n) {
        const Syllable s = krutitest::randomSyllable(rng, 0, 2);
        const std::string keys = s.keys();
        if (keys.empty())
            continue;
        std::string typed = krutitest::typeKeys(keys + ' ');
        typed.pop_back();
        const std::string word = s.unicode();
        if (kruti::toUnicode(typed) != word || s.engineSpellsOtherwise())
            continue;
        ++compared;
        const std::string again = kruti::fromUnicode(word);
        if (again != typed)
            ++failures;
        EXPECT_EQ(hex(again), hex(typed)) << keys << " = " << word;
    }
    EXPECT_GT(compared, 5000);
}

} // namespace

// The short-i key after a cluster puts its sign where the converter writes
// it for the same syllable, clusters no keys spell included (a paste or a
// conversion leaves them before the next key).
TEST(KrutiClusters, ShortIKeyAfterAClusterGoesWhereTheConverterWritesIt)
{
    std::mt19937 rng(2027);
    int failures = 0;
    for (int n = 0; n < 40000 && failures < 20; ++n) {
        Syllable s = krutitest::randomSyllable(rng, 1, 3);
        s.modifier = 0;
        s.sign = 0;
        const std::string cluster = kruti::fromUnicode(s.unicode());
        s.sign = 2; // the short i
        const std::string written = kruti::fromUnicode(s.unicode());
        const std::string typed = krutitest::typeShortIAfter(cluster);
        if (typed != written)
            ++failures;
        EXPECT_EQ(hex(typed), hex(written)) << s.className() << ": " << s.unicode();
    }
}
