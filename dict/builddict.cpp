// Builds the dictionary database from the dictd English-Hindi files:
//   kalamora-builddict [--list-unconvertible] INDEX ARTICLES OUT
// Prints what it wrote and what it left out; exit 1 on failure, 2 on bad
// arguments.
#include "dict/dictbuild.h"
#include "dict/dictdsource.h"
#include "dict/dictstore.h"
#include "kruti/kruti.h"

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

using namespace kalamora;

int main(int argc, char **argv)
{
    bool listUnconvertible = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--list-unconvertible")
            listUnconvertible = true;
        else
            paths.emplace_back(arg);
    }
    if (paths.size() != 3) {
        std::fputs("usage: kalamora-builddict [--list-unconvertible] INDEX ARTICLES OUT\n", stderr);
        return 2;
    }

    try {
        dict::SourceReport source;
        const std::vector<dict::SourceEntry> entries = dict::readDictdSource(paths[0], paths[1], &source);
        const dict::Converter convert = [](std::string_view utf8, size_t *unconverted) {
            return kruti::fromUnicode(utf8, unconverted);
        };
        dict::BuildReport report;
        const dict::DbError err = dict::buildDictionary(entries, convert, paths[2],
                                                        dict::passwordFromConnect(dict::ConnectString), &report);
        if (err) {
            std::fprintf(stderr, "kalamora-builddict: %s: error %d: %s\n", paths[2].c_str(), err.code,
                         err.message.c_str());
            return 1;
        }
        std::printf("%s: %zu words written (%zu meanings) from %zu articles; %zu words had no Hindi meaning; "
                    "%zu meanings not convertible to glyphs left out, %zu words left out for that\n",
                    paths[2].c_str(), report.written, report.meaningsWritten, source.articles, report.withoutHindi,
                    report.meaningsUnconvertible, report.wordsUnconvertible);
        if (listUnconvertible) {
            for (const std::string &line : report.unconvertible)
                std::printf("  %s\n", line.c_str());
        }
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "kalamora-builddict: %s\n", e.what());
        return 1;
    }
}
