// Throughput of the two conversions on a large text of typical Hindi, in
// MB of input per second, by wall time and by the thread's CPU time (the
// second holds up on a loaded machine).
#include "kruti/kruti.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

using namespace kalamora;

namespace {

double threadSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

struct Rate {
    double wall = 0;
    double cpu = 0;
};

template<typename F>
Rate megabytesPerSecond(std::size_t bytes, F &&run)
{
    using clock = std::chrono::steady_clock;
    Rate best;
    for (int round = 0; round < 5; ++round) {
        const auto start = clock::now();
        const double cpuStart = threadSeconds();
        run();
        const double cpu = threadSeconds() - cpuStart;
        const std::chrono::duration<double> wall = clock::now() - start;
        best.wall = std::max(best.wall, bytes / 1e6 / wall.count());
        best.cpu = std::max(best.cpu, bytes / 1e6 / cpu);
    }
    return best;
}

} // namespace

int main()
{
    // Glyph text as the engine writes it: clusters, reph, short i, signs,
    // ligatures, digits and punctuation.
    const std::string sample =
        "esjk uke jke gS- eSa Hkkjr esa jgrk gw¡A ;g fgUnh dh ,d ijh{kk gS] "
        "ftlesa LorU=rk] fo|ky;] deZ] /keZ vkSj Ñi;k tSls 'kCn gSaA "
        "ÁfrHkk dk fodkl ?kj ls 'kq: gksrk gS \x83\x8C\x84\x87 esaA\n";
    std::string glyphs;
    while (glyphs.size() < 64u * 1024 * 1024)
        glyphs += sample;

    std::string unicode;
    const Rate to = megabytesPerSecond(glyphs.size(), [&] { unicode = kruti::toUnicode(glyphs); });
    std::string back;
    const Rate from = megabytesPerSecond(unicode.size(), [&] { back = kruti::fromUnicode(unicode); });
    const double ratio = double(back.size()) / double(unicode.size());

    std::printf("toUnicode:   %8.1f MB/s wall, %8.1f MB/s CPU (%zu glyph bytes -> %zu UTF-8 bytes)\n", to.wall,
                to.cpu, glyphs.size(), unicode.size());
    std::printf("fromUnicode: %8.1f MB/s wall, %8.1f MB/s CPU (%zu UTF-8 bytes -> %zu glyph bytes)\n", from.wall,
                from.cpu, unicode.size(), back.size());
    std::printf("fromUnicode: %8.1f MB/s wall, %8.1f MB/s CPU of glyph output\n", from.wall * ratio,
                from.cpu * ratio);
    return 0;
}
