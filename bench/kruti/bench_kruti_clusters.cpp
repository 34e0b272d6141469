// The large conversion sweep: every made-up syllable of one, two and three
// consonants in all its variants (and the independent vowels) goes
// Unicode -> glyphs -> Unicode; the syllables the phonetic keys spell are
// also typed through the engine, and the glyphs it types go
// glyphs -> Unicode -> glyphs (counted apart where the engine spells the
// word in glyphs of its own, see Syllable::engineSpellsOtherwise). Prints the counts per class and the failures
// grouped by class and vowel sign, with a few examples each. A short-i sign
// that does not stand before the whole cluster counts as a failure even
// where the way back reads the word right. The short-i key pressed after
// each cluster must put its sign where the converter writes it.
//
//   bench_kruti_clusters [--no-typing] [--triple-modifiers]
#include "kruti/kruti.h"
#include "tests/kruti/clusters.h"
#include "tests/kruti/typing.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace kalamora;

namespace {

std::string hex(const std::string &glyphs)
{
    std::string out;
    char b[4];
    for (unsigned char c : glyphs) {
        std::snprintf(b, sizeof b, "%02X ", c);
        out += b;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

struct Counts {
    long words = 0;
    long roundTripFailures = 0;
    long spelled = 0;     // the keys have a spelling
    long typedRight = 0;  // ... and the engine types the word
    long engineSpellings = 0; // ... in glyphs of its own (see clusters.h)
    long glyphFailures = 0;
    long shortIKeys = 0;      // short i typed after the cluster's glyphs
    long shortIKeyMisplaced = 0;
};

struct Group {
    long count = 0;
    std::vector<std::string> examples;
};

void note(std::map<std::string, Group> &groups, const std::string &key, const std::string &example)
{
    Group &g = groups[key];
    ++g.count;
    if (g.examples.size() < 3)
        g.examples.push_back(example);
}

std::string signName(const krutitest::Syllable &s)
{
    if (s.size == 0 || !krutitest::signs[s.sign].unicode)
        return "no sign";
    return krutitest::Syllable::utf8(std::u32string(1, krutitest::signs[s.sign].unicode));
}

} // namespace

int main(int argc, char **argv)
{
    bool typing = true;
    bool tripleModifiers = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--no-typing")) {
            typing = false;
        } else if (!std::strcmp(argv[i], "--triple-modifiers")) {
            tripleModifiers = true;
        } else {
            std::fprintf(stderr, "usage: %s [--no-typing] [--triple-modifiers]\n", argv[0]);
            return 2;
        }
    }

    std::map<std::string, Counts> counts;
    std::map<std::string, Group> roundTrip, glyphTrip, engineSpellings, mistyped, shortIKey;
    const auto start = std::chrono::steady_clock::now();

    for (int size = 0; size <= 3; ++size) {
        // Typing every triple through the engine would take many minutes;
        // the engine types the vowels, singles and pairs.
        const bool typeThese = typing && size < 3;
        krutitest::forEachSyllable(size, size < 3 || tripleModifiers, [&](const krutitest::Syllable &s) {
            Counts &c = counts[s.className()];
            ++c.words;
            const std::string word = s.unicode();
            const std::string glyphs = kruti::fromUnicode(word);
            const std::string back = kruti::toUnicode(glyphs);
            const int i = s.shortIIndex();
            const bool placed = i < 0
                || (int(glyphs.size()) > i && (glyphs[i] == 'f' || static_cast<unsigned char>(glyphs[i]) == 0xC6));
            if (back != word || !placed) {
                ++c.roundTripFailures;
                note(roundTrip, s.className() + ", " + signName(s) + (placed ? "" : ", short i misplaced"),
                     word + " -> " + hex(glyphs) + " -> " + back);
            }
            if (i >= 0 && s.modifier == 0) {
                krutitest::Syllable plain = s;
                plain.sign = 0;
                const std::string cluster = kruti::fromUnicode(plain.unicode());
                const std::string typed = krutitest::typeShortIAfter(cluster);
                ++c.shortIKeys;
                if (typed != glyphs) {
                    ++c.shortIKeyMisplaced;
                    note(shortIKey, s.className(), word + ": " + hex(typed) + ", converted " + hex(glyphs));
                }
            }
            if (!typeThese)
                return;
            const std::string keys = s.keys();
            if (keys.empty())
                return;
            ++c.spelled;
            std::string typed = krutitest::typeKeys(keys + ' ');
            typed.pop_back();
            const std::string read = kruti::toUnicode(typed);
            if (read != word) {
                note(mistyped, s.className(), keys + " -> " + hex(typed) + " = " + read + ", meant " + word);
                return;
            }
            ++c.typedRight;
            const std::string again = kruti::fromUnicode(read);
            if (again == typed)
                return;
            const std::string example = keys + " -> " + hex(typed) + " = " + read + " -> " + hex(again);
            if (const char *why = s.engineSpellsOtherwise()) {
                ++c.engineSpellings;
                note(engineSpellings, why, example);
            } else {
                ++c.glyphFailures;
                note(glyphTrip, s.className() + ", " + signName(s), example);
            }
        });
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;

    Counts total;
    const auto row = [](const char *name, const Counts &c) {
        std::printf("%-32s %9ld %9ld %9ld %9ld %9ld %9ld\n", name, c.words, c.roundTripFailures, c.spelled,
                    c.typedRight, c.engineSpellings, c.glyphFailures);
    };
    std::printf("%-32s %9s %9s %9s %9s %9s %9s\n", "class", "words", "U>K>U bad", "spelled", "typed ok",
                "own spell", "K>U>K bad");
    for (const auto &[name, c] : counts) {
        row(name.c_str(), c);
        total.words += c.words;
        total.roundTripFailures += c.roundTripFailures;
        total.spelled += c.spelled;
        total.typedRight += c.typedRight;
        total.engineSpellings += c.engineSpellings;
        total.glyphFailures += c.glyphFailures;
        total.shortIKeys += c.shortIKeys;
        total.shortIKeyMisplaced += c.shortIKeyMisplaced;
    }
    row("all", total);
    std::printf("Unicode -> glyphs -> Unicode: %ld of %ld whole (%.3f %%)\n", total.words - total.roundTripFailures,
                total.words, 100.0 * double(total.words - total.roundTripFailures) / double(total.words));
    std::printf("typed glyphs -> Unicode -> glyphs: of %ld words typed right, %ld give their glyphs back, %ld are "
                "in the engine's own spellings, %ld fail (%.1f s)\n",
                total.typedRight, total.typedRight - total.engineSpellings - total.glyphFailures, total.engineSpellings,
                total.glyphFailures, took.count());
    std::printf("short-i key after a cluster: %ld of %ld where the converter writes the sign\n",
                total.shortIKeys - total.shortIKeyMisplaced, total.shortIKeys);

    const auto print = [](const char *title, const std::map<std::string, Group> &groups) {
        if (groups.empty())
            return;
        std::printf("\n%s\n", title);
        for (const auto &[key, g] : groups) {
            std::printf("  %-40s %8ld   e.g. %s\n", key.c_str(), g.count, g.examples.front().c_str());
            for (std::size_t i = 1; i < g.examples.size(); ++i)
                std::printf("  %-40s %8s        %s\n", "", "", g.examples[i].c_str());
        }
    };
    print("Unicode -> glyphs -> Unicode gives another word:", roundTrip);
    print("Typed glyphs -> Unicode -> glyphs gives other glyphs:", glyphTrip);
    print("Typed in the engine's own spellings, which the converter does not copy:", engineSpellings);
    print("The engine types another word (the typing rules, not the converter):", mistyped);
    print("The short-i key puts its sign elsewhere than the converter:", shortIKey);
    return 0;
}
