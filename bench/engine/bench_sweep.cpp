// Types generated Hindi words through the engine, with the keys of the
// phonetic scheme and of the Remington layout, and counts how many come out
// as the word meant: per class of word, with the failures grouped by the
// parts of the word. The phonetic words typed right also go glyphs ->
// Unicode -> glyphs through the converter, which must give the glyphs
// typed. Prints figures; asserts nothing.
//
//     bench_engine_sweep [--quick] [--examples N]
#include "tests/engine/enginetesting.h"
#include "tests/engine/wordsweep.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace kalamora;

namespace {

using enginetest::hex;
using sweep::Outcome;
using sweep::Shape;

struct Tally {
    long words = 0, right = 0, engine = 0, converter = 0, noKeys = 0;
    void add(Outcome o)
    {
        ++words;
        switch (o) {
        case Outcome::Right: ++right; break;
        case Outcome::Engine: ++engine; break;
        case Outcome::Converter: ++converter; break;
        case Outcome::NoKeys: ++noKeys; break;
        }
    }
};

struct Group {
    long count = 0;
    std::vector<std::string> examples;
};

class Sweep {
public:
    explicit Sweep(std::size_t examples)
        : m_examples(examples)
    {
    }

    void run(const Shape &s)
    {
        const std::optional<sweep::Word> w = sweep::build(s);
        if (!w) {
            ++m_noPhoneticKeys;
            return;
        }
        const sweep::Result phonetic = sweep::typePhonetic(*w, s.atDocumentStart);
        record(m_phonetic, m_phoneticGroups, *w, phonetic);
        record(m_remington, m_remingtonGroups, *w, sweep::typeRemington(*w, s.atDocumentStart));
        if (phonetic.outcome == Outcome::Right) {
            ++m_typedRight;
            const std::string back = kruti::fromUnicode(phonetic.read);
            if (back != phonetic.glyphs) {
                Group &g = m_glyphGroups[w->group];
                ++g.count;
                if (g.examples.size() < m_examples)
                    g.examples.push_back("keys \"" + phonetic.keys + "\" typed [" + hex(phonetic.glyphs) +
                                         "] written [" + hex(back) + "]");
            }
        }
    }

    void print() const
    {
        std::printf("shapes the phonetic scheme has no keys for: %ld\n\n", m_noPhoneticKeys);
        printLayout("phonetic layout", m_phonetic, m_phoneticGroups);
        printLayout("Remington layout (keys from the converter's spelling)", m_remington, m_remingtonGroups);
        long failed = 0;
        for (const auto &[name, g] : m_glyphGroups)
            failed += g.count;
        std::printf("== typed glyphs -> Unicode -> glyphs: of %ld phonetic words typed right, %ld give their "
                    "glyphs back (%.3f %%)\n",
                    m_typedRight, m_typedRight - failed,
                    m_typedRight ? 100.0 * static_cast<double>(m_typedRight - failed) / static_cast<double>(m_typedRight)
                                 : 100.0);
        printGroups(m_glyphGroups);
    }

private:
    using Tallies = std::map<std::string, Tally>;
    using Groups = std::map<std::string, Group>;

    void record(Tallies &tallies, Groups &groups, const sweep::Word &w, const sweep::Result &r)
    {
        tallies[w.kind].add(r.outcome);
        tallies["all"].add(r.outcome);
        if (r.outcome != Outcome::Engine && r.outcome != Outcome::Converter)
            return;
        Group &g = groups[std::string(r.outcome == Outcome::Engine ? "engine    " : "converter ") + w.group];
        ++g.count;
        if (g.examples.size() < m_examples)
            g.examples.push_back("keys \"" + r.keys + "\" meant " + w.unicode + "got " + r.read + " [" +
                                 hex(r.glyphs) + "]");
    }

    void printLayout(const char *title, const Tallies &tallies, const Groups &groups) const
    {
        std::printf("== %s\n", title);
        std::printf("%-34s %9s %9s %8s %9s %9s %8s\n", "class", "words", "right", "%", "engine", "converter",
                    "no keys");
        for (const auto &[kind, t] : tallies) {
            const long typed = t.words - t.noKeys;
            std::printf("%-34s %9ld %9ld %8.3f %9ld %9ld %8ld\n", kind.c_str(), t.words, t.right,
                        typed ? 100.0 * static_cast<double>(t.right) / static_cast<double>(typed) : 100.0,
                        t.engine, t.converter, t.noKeys);
        }
        printGroups(groups);
    }

    static void printGroups(const Groups &groups)
    {
        std::vector<std::pair<std::string, const Group *>> sorted;
        for (const auto &[name, g] : groups)
            sorted.emplace_back(name, &g);
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto &a, const auto &b) { return a.second->count > b.second->count; });
        std::printf("\nfailure groups (%zu), largest first:\n", sorted.size());
        for (const auto &[name, g] : sorted) {
            std::printf("%7ld  %s\n", g->count, name.c_str());
            for (const std::string &e : g->examples)
                std::printf("           %s\n", e.c_str());
        }
        std::printf("\n");
    }

    std::size_t m_examples;
    long m_noPhoneticKeys = 0;
    long m_typedRight = 0;
    Tallies m_phonetic, m_remington;
    Groups m_phoneticGroups, m_remingtonGroups, m_glyphGroups;
};

// Every part with every other in small words, the longer clusters with
// fewer companions; prefixes and the document start rotate through the
// cases so that each meets all of them.
void enumerate(Sweep &sweep, bool quick)
{
    using sweep::ConsonantCount;
    using sweep::IndependentCount;
    using sweep::ModifierCount;
    using sweep::VowelCount;
    long n = 0;
    const auto rotate = [&n](Shape &s) {
        ++n;
        s.prefix = static_cast<int>(n % sweep::PrefixCount);
        s.atDocumentStart = n % 7 == 0;
    };
    std::vector<std::pair<Shape::Next, int>> nexts = {{Shape::Next::None, 0},
                                                      {Shape::Next::Consonant, 1},
                                                      {Shape::Next::Consonant, sweep::Ha}};
    for (int v = 0; v < IndependentCount; ++v)
        nexts.emplace_back(Shape::Next::Vowel, v);

    for (int v = 0; v < IndependentCount; ++v)
        for (int m = 0; m < ModifierCount; ++m)
            for (const auto &[next, index] : nexts)
                for (int start = 0; start < 2; ++start) {
                    Shape s;
                    s.initialVowel = v;
                    s.modifier = m;
                    s.next = next;
                    s.nextIndex = index;
                    s.atDocumentStart = start;
                    sweep.run(s);
                }

    const int step = quick ? 5 : 1;
    for (int c = 0; c < ConsonantCount; ++c)
        for (int nukta = 0; nukta < 2; ++nukta)
            for (int form = 0; form < 4; ++form)
                for (int v = 0; v < VowelCount; ++v)
                    for (int m = 0; m < ModifierCount; ++m)
                        for (std::size_t x = 0; x < nexts.size(); x += (quick ? 3 : 1)) {
                            Shape s;
                            rotate(s);
                            s.cluster = {{c, nukta == 1}};
                            s.reph = form & 1;
                            s.subscriptRa = form & 2;
                            s.vowel = v;
                            s.modifier = m;
                            s.next = nexts[x].first;
                            s.nextIndex = nexts[x].second;
                            sweep.run(s);
                        }

    for (int a = 0; a < ConsonantCount; ++a)
        for (int b = 0; b < ConsonantCount; b += step)
            for (int nukta = 0; nukta < 3; ++nukta)
                for (int form = 0; form < 4; ++form)
                    for (int v = 0; v < VowelCount; ++v)
                        for (int m = 0; m < ModifierCount; ++m) {
                            Shape s;
                            rotate(s);
                            s.cluster = {{a, nukta == 1}, {b, nukta == 2}};
                            s.reph = form & 1;
                            s.subscriptRa = form & 2;
                            s.vowel = v;
                            s.modifier = m;
                            sweep.run(s);
                        }

    for (int a = 0; a < ConsonantCount; ++a)
        for (int b = 0; b < ConsonantCount; ++b)
            for (int c = 0; c < ConsonantCount; c += step)
                for (int form = 0; form < 8; ++form) {
                    Shape s;
                    rotate(s);
                    s.cluster = {{a, false}, {b, false}, {c, false}};
                    if (form & 4)
                        s.cluster[static_cast<std::size_t>(n % 3)].nukta = true;
                    s.reph = form & 1;
                    s.subscriptRa = form & 2;
                    s.vowel = static_cast<int>(n % VowelCount);
                    s.modifier = static_cast<int>((n / VowelCount) % ModifierCount);
                    sweep.run(s);
                }
}

} // namespace

int main(int argc, char **argv)
{
    bool quick = false;
    std::size_t examples = 2;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0)
            quick = true;
        else if (std::strcmp(argv[i], "--examples") == 0 && i + 1 < argc)
            examples = static_cast<std::size_t>(std::atoi(argv[++i]));
    }
    Sweep sweep(examples);
    const auto start = std::chrono::steady_clock::now();
    enumerate(sweep, quick);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sweep.print();
    std::printf("%.1f s\n", seconds);
    return 0;
}
