// kalamora type, run as a process.
#include "settings/settingsstore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quote(const std::string &arg)
{
    std::string q = "'";
    for (const char c : arg) {
        if (c == '\'')
            q += "'\\''";
        else
            q += c;
    }
    return q + "'";
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

Outcome kalamora(const std::vector<std::string> &args, const std::string &input = {})
{
    const char *dir = std::getenv("KALAMORA_PROGRAM_DIR");
    EXPECT_NE(dir, nullptr);
    // A folder of this process's own: test runs of other builds share TempDir().
    static const std::string scratch = [] {
        std::string pattern = testing::TempDir() + "/kalamora-type-XXXXXX";
        return std::string(mkdtemp(pattern.data()) ? pattern.c_str() : testing::TempDir().c_str());
    }();
    const std::string in = scratch + "/type-in", out = scratch + "/type-out", err = scratch + "/type-err";
    std::ofstream(in, std::ios::binary) << input;
    std::string cmd = quote(std::string(dir ? dir : ".") + "/kalamora");
    for (const std::string &a : args)
        cmd += ' ' + quote(a);
    cmd += " <" + quote(in) + " >" + quote(out) + " 2>" + quote(err);
    const int raw = std::system(cmd.c_str());
    Outcome r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

TEST(TypeCommand, HexOutputOfTypedKeys)
{
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"type", "--hex", "k"}, "64 7E\n"},
        {{"type", "--hex", "namaste"}, "75 65 4C 72 73\n"},
        {{"type", "--hex", "rk"}, "64 5A 7E\n"},
        {{"type", "--layout", "Rem", "--hex", "n`"}, "96\n"},
        {{"type", "--layout=Tav", "--hex", "k"}, "6B\n"},
        {{"type", "--english", "--hex", "k"}, "6B\n"},
        {{"type", "--hex", "k\na"}, "64 0A 76\n"},
        {{"type", "--hex", "k\r\n"}, "64 0A\n"},
        {{"type", "--hex", "k\b"}, "64\n"},               // Backspace takes the halant
        {{"type", "--dot-purna", "no", "--hex", "."}, "41\n"},
        {{"type", "--english-numerals", "no", "--hex", "50"}, "87 8C\n"},
        {{"type", "--hex", "\xE2\x80\x98"}, "91\n"},      // U+2018 is glyph 0x91
        {{"type", "--hex", ""}, "\n"},
        {{"type", "--", "--hex"}, "&&gs{k~\n"},        // after "--" even "--hex" is keys
    };
    for (const Case &c : cases) {
        const Outcome r = kalamora(c.args);
        EXPECT_EQ(r.status, 0) << c.args.back() << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.args.back();
    }
}

TEST(TypeCommand, RawAndUnicodeOutputAndStandardInput)
{
    Outcome r = kalamora({"type", "namaste"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "ueLrs\n");
    r = kalamora({"type", "--hex"}, "rk\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "64 5A 0A\n");
    r = kalamora({"type", "--unicode", "namaste"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\xE0\xA4\xA8\xE0\xA4\xAE\xE0\xA4\xB8\xE0\xA5\x8D\xE0\xA4\xA4\xE0\xA5\x87\n");
}

TEST(TypeCommand, SettingsApplyWhenNoOptionOverrides)
{
    {
        SettingsStore store;
        store.writeString(u"layout"_s, u"Rem"_s);
        store.writeString(u"DotPurna"_s, u"False"_s);
    }
    Outcome r = kalamora({"type", "--hex", "n`"});
    EXPECT_EQ(r.out, "96\n");
    r = kalamora({"type", "--layout", "Rom", "--hex", "k."});
    EXPECT_EQ(r.out, "64 41\n");
    r = kalamora({"type", "--layout", "Rom", "--dot-purna", "yes", "--hex", "k."});
    EXPECT_EQ(r.out, "64 2D\n");
    {
        SettingsStore store;
        store.writeString(u"DotPurna"_s, u"maybe"_s); // unreadable: the default
        store.remove(u"Layout"_s);
    }
    r = kalamora({"type", "--hex", "."});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2D\n");
}

TEST(TypeCommand, BadArgumentsExitWithTwoAndOneLine)
{
    const std::vector<std::vector<std::string>> bad = {
        {"type", "--layout", "Qwerty", "k"},
        {"type", "--layout"},
        {"type", "--dot-purna", "maybe", "k"},
        {"type", "--english-numerals"},
        {"type", "--bogus"},
        {"type", "--hex=1", "k"},          // a switch takes no value
        {"type", "--", "a", "b"},
        {"type", "a", "b"},
        {"type", "--hex", "--unicode", "k"},
        {"type", "\xD0\x96"},   // a Cyrillic letter has no glyph code
        {"type", "\xFF"},       // not UTF-8
    };
    for (const auto &args : bad) {
        const Outcome r = kalamora(args);
        EXPECT_EQ(r.status, 2) << args.back();
        EXPECT_TRUE(r.out.empty()) << args.back();
        ASSERT_FALSE(r.err.empty()) << args.back();
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
    const Outcome help = kalamora({"type", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--layout"), std::string::npos);
}

} // namespace
