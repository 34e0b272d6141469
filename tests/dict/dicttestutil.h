#pragma once

#include "dict/dictdsource.h"

#include <string>
#include <string_view>
#include <vector>

using namespace kalamora;

// Shared pieces of the dictionary tests: a stand-in converter, a scratch
// folder, a small word list and the database built from it.
namespace dicttest {

// A converter with the shape of the real one: each Devanagari character
// becomes one glyph code (0x80 | its low seven bits, so the Windows-1252
// specials 0x80..0x9F occur), ASCII spaces, digits and punctuation stay, and
// Latin letters or other scripts are counted as unconverted and left out.
std::string fakeFromUnicode(std::string_view utf8, size_t *unconverted);

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    std::string file(std::string_view name) const;
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

// Headwords in no particular order, with quotes, "%", "_", "*", "\" and a
// capital among them.
std::vector<dict::SourceEntry> sampleEntries();

// Builds `entries` into a database at `path` with the fake converter and the
// program's password (or `password` when given).
void buildDatabase(const std::string &path, const std::vector<dict::SourceEntry> &entries,
                   const std::string *password = nullptr);

// What the stored text of a one-meaning entry reads as, in glyph codes.
std::string fakeGlyphs(std::string_view utf8);

} // namespace dicttest
