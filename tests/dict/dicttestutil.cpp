#include "tests/dict/dicttestutil.h"

#include "dict/dictbuild.h"
#include "dict/dictstore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using namespace kalamora;

namespace dicttest {

std::string fakeFromUnicode(std::string_view utf8, size_t *unconverted)
{
    std::string out;
    size_t missing = 0;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x80) {
            const bool letter = (b | 0x20) >= 'a' && (b | 0x20) <= 'z';
            if (letter)
                ++missing;
            else
                out += static_cast<char>(b);
            ++i;
            continue;
        }
        const int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
        char32_t cp = len == 4 ? b & 0x07 : len == 3 ? b & 0x0F : b & 0x1F;
        for (int k = 1; k < len && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        if (cp >= 0x900 && cp <= 0x97F)
            out += static_cast<char>(0x80 | (cp & 0x7F));
        else
            ++missing;
        i += len;
    }
    if (unconverted)
        *unconverted = missing;
    return out;
}

std::string fakeGlyphs(std::string_view utf8)
{
    return fakeFromUnicode(utf8, nullptr);
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kalamora-dict-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string TempDir::file(std::string_view name) const
{
    return m_path + "/" + std::string(name);
}

std::vector<dict::SourceEntry> sampleEntries()
{
    return {
        {"house", {"घर", "मकान"}},
        {"abandon", {"छोड़ देना"}},
        {"a", {"एक"}},
        {"house arrest", {"नज़रबंदी"}},
        {"household", {"परिवार"}},
        {"houseboat", {"नाव घर"}},
        {"hot", {"गरम"}},
        {"India", {"भारत"}},
        {"o'clock", {"बजे"}},
        {"100%", {"पूरा"}},
        {"a_b", {"अब"}},
        {"ab", {"अब भी"}},
        {"star*", {"तारा"}},
        {"back\\slash", {"उलटी रेखा"}},
        {"zoo", {"चिड़ियाघर"}},
    };
}

void buildDatabase(const std::string &path, const std::vector<dict::SourceEntry> &entries,
                   const std::string *password)
{
    dict::BuildReport report;
    const std::string key = password ? *password : dict::passwordFromConnect(dict::ConnectString);
    const dict::DbError err = dict::buildDictionary(entries, fakeFromUnicode, path, key, &report);
    ASSERT_FALSE(err) << err.code << " " << err.message;
}

} // namespace dicttest
