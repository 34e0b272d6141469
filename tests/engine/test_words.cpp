// Whole words: faults that once gave a wrong word, one test each;
// generated words typed with the keys of the phonetic and Remington
// layouts and read back as Unicode; the examples of the help pages.
#include "tests/engine/enginetesting.h"
#include "tests/engine/wordsweep.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <regex>
#include <vector>

using namespace kalamora;

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
    Found{"LigatureUnderRephLost", "rdy ", "र्द्य ", "|Z "},
    Found{"RiAfterTaTypedRaBelow", "TR DR ", "टृ डृ ", "V` M` "},
    Found{"RiUnderRephAfterTaTypedRaBelow", "rTR ", "र्टृ ", "V`Z "},
    Found{"NnaYaSsaWithRaBelowTypedHalfLetterAndRa", "Nr yr Sr ", "ण्र य्र ष्र ", ".kz ;z \x93kz "},
    Found{"KshaTypedAsHalfKaAndSsa", "kShatriy kshha rkS ", "क्षत्रिय क्ष र्क्ष ", "{kf=; {k {kZ "},
    // 0xE2 is ha with ri in this encoding; ha-ra is half ha and the ra below
    Found{"HaRaTypedAsTheGlyphOfHaWithRi", "hrasv hre rHri ", "ह्रस्व ह्रे र्ह्रि ", "\xBAzLo \xBAsz \xC6\xBAz "},
    Found{"HaWithRiNotJoinedAsKaAndDaAre", "hRday rHR ", "हृदय र्हृ ", "\xE2n; \xE2Z "},
    Found{"VowelAfterHaWithRiBecameSign", "hRu hRk ", "हृउ हृक ", "\xE2m \xE2" "d "}),
    [](const testing::TestParamInfo<Found> &info) { return std::string(info.param.name); });

} // namespace

namespace {

// Generated words of every shape, typed with the phonetic keys and with the
// Remington keys of the converter's spelling. A word that reads wrongly
// only because the converter misreads a cluster with nukta counts apart;
// the glyphs the engine typed must still be right. The converter writes
// each word typed right in the glyphs typed, except da-dha at the start
// of the text, which the engine keeps apart there ("n~/k") and joins
// elsewhere.
TEST(WordSweep, GeneratedWordsTypeRight)
{
    std::mt19937 rng(19);
    std::map<std::string, int> typed, converter;
    int remingtonTyped = 0;
    for (int n = 0; n < 20000; ++n) {
        const sweep::Shape shape = sweep::randomShape(rng);
        const std::optional<sweep::Word> w = sweep::build(shape);
        if (!w)
            continue;
        const sweep::Result phonetic = sweep::typePhonetic(*w, shape.atDocumentStart);
        ++typed[w->kind];
        if (phonetic.outcome == sweep::Outcome::Converter)
            ++converter[w->kind];
        EXPECT_NE(phonetic.outcome, sweep::Outcome::Engine)
            << w->group << ": keys \"" << phonetic.keys << "\" meant " << w->unicode << "got " << phonetic.read
            << " [" << hex(phonetic.glyphs) << "]";
        if (phonetic.outcome == sweep::Outcome::Right && !phonetic.glyphs.starts_with("n~/k")) {
            EXPECT_EQ(hex(kruti::fromUnicode(phonetic.read)), hex(phonetic.glyphs))
                << w->group << ": keys \"" << phonetic.keys << "\" typed " << phonetic.read;
        }

        const sweep::Result remington = sweep::typeRemington(*w, shape.atDocumentStart);
        if (remington.outcome == sweep::Outcome::NoKeys)
            continue;
        ++remingtonTyped;
        EXPECT_NE(remington.outcome, sweep::Outcome::Engine)
            << w->group << ": Remington keys \"" << remington.keys << "\" meant " << w->unicode << "got "
            << remington.read << " [" << hex(remington.glyphs) << "]";
    }
    int total = 0;
    for (const auto &[kind, count] : typed) {
        total += count;
        std::printf("%-36s %5d words, %4d misread by the converter\n", kind.c_str(), count, converter[kind]);
    }
    EXPECT_GT(total, 14000);
    EXPECT_GT(remingtonTyped, 3000);
}

} // namespace

namespace {

// The examples of the help pages type as the pages say: every row of the
// tables marked "examples" (phonetic) and "examples-rem" (Remington).
struct HelpExample {
    std::string keys;    // one byte a key
    std::string unicode;
    bool remington;
};

std::string decodeCell(std::string_view html)
{
    std::string out;
    for (std::size_t i = 0; i < html.size();) {
        static constexpr std::pair<std::string_view, char> entities[] = {{"&gt;", '>'}, {"&lt;", '<'}, {"&amp;", '&'}};
        bool entity = false;
        for (const auto &[name, c] : entities) {
            if (html.substr(i, name.size()) == name) {
                out += c;
                i += name.size();
                entity = true;
                break;
            }
        }
        if (!entity)
            out += html[i++];
    }
    return out;
}

std::vector<HelpExample> helpExamples(const std::string &file)
{
    std::ifstream in(std::string(KALAMORA_HELP_DIR) + "/" + file, std::ios::binary);
    const std::string html((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<HelpExample> out;
    const std::regex table(R"re(<table class="(examples(-rem)?)">([\s\S]*?)</table>)re");
    const std::regex pair(R"re(<td class="keys">([^<]*)</td><td class="hi">([^<]*)</td>)re");
    for (std::sregex_iterator t(html.begin(), html.end(), table), end; t != end; ++t) {
        const std::string body = (*t)[3];
        for (std::sregex_iterator p(body.begin(), body.end(), pair); p != end; ++p) {
            // Keys are UTF-8 in the page; each stands for its Windows-1252 byte.
            const std::string utf8 = decodeCell((*p)[1].str());
            std::string keys;
            for (std::size_t i = 0; i < utf8.size();)
                keys += static_cast<char>(kruti::nextUtf8(utf8, i));
            out.push_back({keys, (*p)[2].str(), (*t)[2].matched});
        }
    }
    return out;
}

TEST(HelpPages, ExamplesTypeAsShown)
{
    int checked = 0;
    for (const char *file : {"typing.html", "layouts.html"}) {
        for (const HelpExample &e : helpExamples(file)) {
            const std::string keys = e.keys + " ";
            const std::string glyphs = sweep::typeKeys(keys, e.remington ? "Rem" : "Rom", false);
            const sweep::Result r = sweep::judge(keys, glyphs, e.unicode + " ", false);
            EXPECT_NE(r.outcome, sweep::Outcome::Engine)
                << file << ": keys \"" << e.keys << "\" meant " << e.unicode << " got " << r.read;
            ++checked;
        }
    }
    EXPECT_GT(checked, 40);
}

} // namespace
