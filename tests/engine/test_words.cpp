// Whole words: faults that once gave a wrong word, one test each.
#include "enginetesting.h"
#include "kruti.h"

#include <gtest/gtest.h>


using enginetest::hex;
using enginetest::Typist;

namespace {

// Types keys after `before` and expects the glyphs.
void expectTyped(const char *keys, const std::string &expected, const std::string &before = " ")
{
    Typist t(before);
    t.type(keys);
    EXPECT_EQ(hex(t.text()), hex(before + expected)) << "keys " << keys << " read "
                                                      << kruti::toUnicode(t.text());
}

TEST(WordFault, ChandrabinduBeforeConsonantTurnedIntoCandra)
{
    expectTyped("aaMMMkh", "vk\xA1[k~");         // आँख्
    expectTyped("saaMMMp", "lk\xA1i~");           // साँप्
    expectTyped("aaMMMh", "vk\xA1g~");            // a plain ha, no aspirate of the sign
}

TEST(WordFault, VowelAfterCandraSignBecameSign)
{
    expectTyped("kaaMMi", "dkWb");                // कॉइ
    expectTyped("kaaMMMe", "dk\xA1,");            // काँए
    expectTyped("kRu", "\xD1m");                  // कृउ
}

TEST(WordFault, VowelAfterRephOnAaSyllableBecameSign)
{
    expectTyped("kaaryakartaaoM", "dk;ZdrkZv\xA8" "a"); // कार्यकर्ताओं
    expectTyped("kartaaaa", "drkZvk");               // कर्ताआ
}

TEST(WordFault, InherentAAfterRephOnClusterTypedAaSign)
{
    expectTyped("karttavya", "dRrZO;");           // कर्त्तव्य
    expectTyped("karttavy ", "dRrZO; ");
}

TEST(WordFault, NuktaAfterRephLandedOutsideTheCluster)
{
    expectTyped("sarph>iMg", "l\xC6Q+ax~");       // सर्फ़िंग्
    expectTyped("sarph>", "lQ+~Z");
}

TEST(WordFault, AspirateAfterRephOnClusterLost)
{
    expectTyped("saMvarddhan", "lao)Zu~");        // संवर्द्धन्
    expectTyped("arddh ", "v)Z ");
}

TEST(WordFault, IndependentVowelAfterRuBecameSign)
{
    expectTyped("shuruaat", "\x91kq#vkr~");       // शुरुआत्
    expectTyped("rUa", ":v");                     // रूअ
}

TEST(WordFault, SubscriptRaAfterRephOnConjunctDropped)
{
    expectTyped("aardr ", "vk\xE6Z ");            // आर्द्र
    expectTyped("arkr ", "v\xD8Z ");              // अर्क्र
}

TEST(WordFault, FirstKeyOfDocumentTypedEInsteadOfAi)
{
    expectTyped("Ek", ",sd~", "");                // ऐक्
    expectTyped("E", ",s", "");
}

TEST(WordFault, ShortIInsideNuktaClusterLandedAfterHalfLetter)
{
    expectTyped("k>vij>", "fD+ot+~");             // क़्विज़्
    expectTyped("qki", "fD+d");
}

// Faults the generated words found besides those above: each row types a
// word after a space and expects its glyphs, "" standing for the Unicode
// alone (read through the converter).
struct Found {
    const char *name;
    const char *keys;
    const char *unicode;
    std::string glyphs = {};
};

void PrintTo(const Found &f, std::ostream *os)
{
    *os << f.name;
}

class WordFound : public testing::TestWithParam<Found> {};

TEST_P(WordFound, TypesTheWordMeant)
{
    const Found &f = GetParam();
    Typist t(" ");
    t.type(f.keys);
    EXPECT_EQ(kruti::toUnicode(t.text()), std::string(" ") + f.unicode) << "keys " << f.keys;
    if (!f.glyphs.empty()) {
        EXPECT_EQ(hex(t.text()), hex(" " + f.glyphs)) << "keys " << f.keys;
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, WordFound, testing::Values(
    Found{"LaWithRaBelowTypedVocalicR", "lr ", "ल्र ", "yz "},
    Found{"HalfJhaLeftOutOfShortICluster", "Jki ", "झ्कि ", "f\xD6" "d "},
    Found{"AAfterAaSignTypedSecondAa", "kaaa ", "काअ "},
    Found{"AAfterShortITypedAa", "kia ", "किअ "},
    Found{"AAfterVisargaTypedAa", "ka:a ", "कःअ "},
    Found{"AAfterAnusvaraTypedAa", "kaMa ", "कंअ "},
    Found{"AAfterSignBeforeSubscriptRaTypedAa", "grea ", "ग्रेअ "},
    Found{"NuktaLetterWithoutHalfFormLostRaBelow", "D>r ", "ड़्र ", "M+\xAA "},
    Found{"NuktaLetterWithoutHalfFormPutHalantBeforeNukta", "d>k ", "द़्क ", "n+~d "},
    Found{"CandraSignUnderRephTypedSecondAnusvara", "rkaaMM ", "र्कॉ ", "dkZW "},
    Found{"ShortIUnderRephWithSubscriptRaDroppedRa", "rgri ", "र्ग्रि ", "\xC6Xkz "},
    Found{"VowelAfterRiUnderRephBecameSign", "rkRu ", "र्कृउ "},
    Found{"ConsonantAfterRephClusterStartedNewSyllable", "karttvy ", "कर्त्त्व्य "},
    Found{"RiUnderRephClusterTypedRa", "rkkR ", "र्क्कृ ", "D\xD1Z "},
    Found{"JnaUnderRephTypedJaNa", "rjn ", "र्ज्ञ "},
    Found{"LigatureUnderRephLost", "rdy ", "र्द्य ", "|Z "}),
    [](const testing::TestParamInfo<Found> &info) { return std::string(info.param.name); });

} // namespace
