// Cost per key of phonetic typing, at the end and in the middle of a small
// and of a large document. Prints median and 99th percentile per case.
#include "engine/fixedhost.h"
#include "engine/keyfeed.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace kalamora;

namespace {

// Phonetic keys of running Hindi prose: plain syllables, conjuncts and half
// forms, aspirates, vowel signs (short i included), reph, nukta, anusvara,
// full stops and line breaks.
const char *const passage =
    "bhaarat ek vishaal desh hE. yahaaM anek dharma Or bhaaShaaeM hEM.\n"
    "hamaare pUrvajoM ne vidyaa Or karma ko sarvashreShTh maanaa. "
    "sUrya kI kiraNeM praata:kaal meM parvatoM par paDatI hEM.\n"
    "kRShNa ne arjun ko gItaa kaa jnaan diyaa. shraddhaa Or niShThaa se "
    "kaarya karanaa caahie. raaShTra kI pragati meM sabakaa yogadaan hE.\n"
    "viddhaan log sadaa satya bolate hEM. zamIn par qalam Or kaagaz rakho. "
    "patra likhakar mitra ko bhejo. ";

struct Figures {
    double median;
    double p99;
    double mean; // whole run over key count: a check on the clock's granularity
};

Figures typeInto(std::size_t documentSize, bool middle, const std::string &keys)
{
    std::string filler;
    const std::string line = "ueLrs Hkkjr ,d fo'kky ns'k gSA\n";
    while (filler.size() < documentSize)
        filler += line;
    filler.resize(documentSize);

    engine::EngineState state;
    state.InputLanguage = "HINDI";
    engine::FixedHost host; // "." types the dot, Latin digits, the phonetic layout
    engine::KeyBinding binding(state, host);
    engine::MemorySurface surface(filler);
    engine::bindSurface(binding, surface);
    surface.setSelStart(middle ? static_cast<int>(documentSize / 2) : static_cast<int>(documentSize));
    // Park the caret after a line feed-free separator so both cases start alike.
    surface.setSelText(" ");

    std::vector<double> costs;
    costs.reserve(keys.size());
    const auto start = std::chrono::steady_clock::now();
    for (const char c : keys) {
        const engine::KeyCode typed = c == '\n' ? engine::KeyBinding::Enter : static_cast<unsigned char>(c);
        const auto t0 = std::chrono::steady_clock::now();
        engine::pressKey(binding, surface, typed);
        const auto t1 = std::chrono::steady_clock::now();
        costs.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    const double total = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    std::sort(costs.begin(), costs.end());
    return {costs[costs.size() / 2], costs[std::min(costs.size() - 1, costs.size() * 99 / 100)],
            total / static_cast<double>(keys.size())};
}

} // namespace

int main()
{
    std::string keys;
    while (keys.size() < 6000)
        keys += passage;

    // One warm-up pass so the first case does not pay for cold caches.
    typeInto(1024, false, keys);

    std::printf("typing %zu phonetic keys, cost per key in microseconds\n", keys.size());
    std::printf("%-22s %10s %10s %10s\n", "document", "median", "p99", "mean");
    const struct {
        const char *name;
        std::size_t size;
        bool middle;
    } cases[] = {
        {"1 KB, at the end", 1024, false},
        {"1 KB, in the middle", 1024, true},
        {"1 MB, at the end", 1024 * 1024, false},
        {"1 MB, in the middle", 1024 * 1024, true},
    };
    Figures small[2] = {};
    for (const auto &c : cases) {
        const Figures f = typeInto(c.size, c.middle, keys);
        std::printf("%-22s %10.3f %10.3f %10.3f\n", c.name, f.median, f.p99, f.mean);
        if (c.size == 1024)
            small[c.middle ? 1 : 0] = f;
        else
            std::printf("%-22s %10.2fx %9.2fx\n", "  ratio to 1 KB", f.median / small[c.middle ? 1 : 0].median,
                        f.p99 / small[c.middle ? 1 : 0].p99);
    }
    return 0;
}
