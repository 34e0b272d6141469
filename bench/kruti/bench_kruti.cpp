// Throughput of the two conversions on a large text of typical Hindi, in
// MB of input per second.
#include "kruti.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

template<typename F>
double megabytesPerSecond(std::size_t bytes, F &&run)
{
    using clock = std::chrono::steady_clock;
    double best = 0;
    for (int round = 0; round < 5; ++round) {
        const auto start = clock::now();
        run();
        const std::chrono::duration<double> seconds = clock::now() - start;
        best = std::max(best, bytes / 1e6 / seconds.count());
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
    const double toRate = megabytesPerSecond(glyphs.size(), [&] { unicode = kruti::toUnicode(glyphs); });
    std::string back;
    const double fromRate = megabytesPerSecond(unicode.size(), [&] { back = kruti::fromUnicode(unicode); });

    std::printf("toUnicode:   %8.1f MB/s (%zu glyph bytes -> %zu UTF-8 bytes)\n", toRate, glyphs.size(),
                unicode.size());
    std::printf("fromUnicode: %8.1f MB/s (%zu UTF-8 bytes -> %zu glyph bytes)\n", fromRate, unicode.size(),
                back.size());
    std::printf("fromUnicode: %8.1f MB/s of glyph output\n", fromRate * back.size() / unicode.size());
    return 0;
}
