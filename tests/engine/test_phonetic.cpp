// Key scripts through the phonetic layout: keys in, glyph text and caret out.
#include "tests/engine/enginetesting.h"

#include <gtest/gtest.h>

using namespace kalamora;

using enginetest::hex;
using enginetest::Typist;

namespace {

struct Script {
    const char *keys;
    std::string expected;
    int caret = -1;         // expected caret; -1: end of the text
    std::string before = {}; // text already there
    int start = -1;         // caret before the first key; -1: end
};

void PrintTo(const Script &s, std::ostream *os)
{
    *os << "keys \"" << s.keys << "\" after [" << hex(s.before) << "]";
}

class PhoneticScript : public testing::TestWithParam<Script> {};

TEST_P(PhoneticScript, TypesExpectedGlyphs)
{
    const Script &s = GetParam();
    Typist t(s.before, s.start);
    t.type(s.keys);
    EXPECT_EQ(hex(t.text()), hex(s.expected));
    EXPECT_EQ(t.caret(), s.caret < 0 ? static_cast<int>(t.text().size()) : s.caret);
}

// The key map, the key classes and the full stop.
INSTANTIATE_TEST_SUITE_P(KeyMap, PhoneticScript, testing::Values(
    Script{">", "+~"},                 // the first of the two entries for ">" wins
    Script{"f", "Q~"}, Script{"F", "Q~"}, Script{"P", "Q~"},
    Script{"(", "\xBC"}, Script{"[", "\xBC"}, Script{")", "\xBD"}, Script{"]", "\xBD"},
    Script{"kaQ", "d~"},               // Q types nothing but kills the vowel again
    Script{"k.", "d-"},                // full stop drops the halant, types the dot
    Script{"k`", "dz"},                // subscript ra takes no halant
    Script{"&", "K~"},                 // 0x4B is a consonant glyph
    Script{"@#_", "\x84\x98\xED~"},    // "_" drops the halant first
    Script{"W", "}"},
    Script{"$%^", "$%^"}));

// The keystroke core: dead consonants, word and line starts, Enter.
INSTANTIATE_TEST_SUITE_P(Core, PhoneticScript, testing::Values(
    Script{"k", "d~"},
    Script{"ka", "d"},
    Script{"k ", "d "},
    Script{"kai", "db"},               // a vowel after a full syllable is independent
    Script{"E", ",s"},                 // the start of the text is a word start
    Script{"i", "b"},
    Script{"namaste", "ueLrs"},
    Script{"i", "x\nb", 3, "x\n"},     // line start: independent vowel, no space left
    Script{"k", "x\nd~", 4, "x\n"},
    Script{"(", "x\n\xBC", 3, "x\n"},
    Script{"k\n", "d\n"},              // Enter drops the halant
    Script{"rk\n", "dZ\n"},            // also in front of a reph
    Script{"k\n", " d\nX", 3, " X", 1}, // in the middle of a line
    Script{"kM", "da"},                // anusvara, no halant after it
    Script{"kMM", "dW~"},
    Script{"E", "x\n,s", 4, "x\n"},
    Script{"kE", "dS"},
    Script{"I", "\xC3"},
    Script{"kI", "dh"},
    Script{"kII", "db"},                // after the ii sign, I is no word start
    Script{"U", "\xC5"},
    Script{"kU", "dw"},
    Script{"rkaU", "dZw"},
    Script{"rU", ":"},
    Script{"kn", "Du~"},
    Script{"jn", "K~"},
    Script{"\\", "~"},                 // no half form at 0; the core still adds the halant
    Script{"k\\", "D~"}));

// Consonant composition.
INSTANTIATE_TEST_SUITE_P(Composition, PhoneticScript, testing::Values(
    Script{"kh", "[k~"},
    Script{"ddh", " )~", -1, " "},
    Script{"ddh", "n~/k~"},            // no da-dha ligature at the start of the text
    Script{"ddh", "x\nn~/k~", -1, "x\n"}, // nor at a line start
    Script{"sh", "\x91k~"},
    Script{"shh", "\x93k~"},
    Script{"mh", "Eg~"},
    Script{"Th", "B~"},
    Script{"rr", "jZ~"},
    Script{"rrh", "_Z~", 3},
    Script{"kr", "\xD8~"},
    Script{"Tr", "V\xAA~"},
    Script{"dr", "\xE6~"},
    Script{"hr", "\xBA" "z~"},          // ha-ra: half ha and the ra below
    Script{"dy", "|~"}, Script{"dv", "}~"}, Script{"dm", "\xF9~"},
    Script{"Ty", "V~;~"},
    Script{"hm", "\xE3~"}, Script{"hy", "\xE1~"}, Script{"hv", "\xBAo~"},
    Script{"kR", "\xD1~"}, Script{"dR", "\x96~"}, Script{"hR", "\xE2~"},
    Script{"TR", "V`~"}, Script{"tR", "r`~"},
    Script{"R", "j~"},
    Script{"x", "{k~"}, Script{"q", "d+~"}, Script{"z", "t+~"}, Script{"K", "[k~"},
    Script{"G", "?k~"}, Script{"B", "Hk~"}, Script{"N", ".k~"}, Script{"S", "\x93k~"},
    Script{"Y", ";~"},
    Script{"X", "~"},                  // writes nothing; the halant alone
    Script{"kk", "Dd~"},
    Script{"kq", "Dd+~"},
    Script{"qk", "D+d~"},              // the nukta stays after the half form
    Script{"rkk", "Dd~Z"},             // the reph stays after the cluster
    Script{"rkt", "Dr~Z"}));

// The reph.
INSTANTIATE_TEST_SUITE_P(Reph, PhoneticScript, testing::Values(
    Script{"rk", "dZ~"},
    Script{"rka", "dZ"},
    Script{"rkaM", "d\xB1~"},
    Script{"rkaI", "d\xCA"},
    Script{"rkao", "d\xA8Z"},
    Script{"rkaO", "d\xA9Z"},
    Script{"rkaa", "dkZ"},
    Script{"rkae", "dZs"},
    Script{"rm", "eZ~"},               // the handler writes after the ra's halant
    Script{"ry", ";Z~"},
    Script{"rv", "oZ~"},
    Script{"rx", "{kZ~"},
    Script{"rk", "x dZ~", -1, "x "},
    Script{"rk ", "dZ "}));

// Vowel signs.
INSTANTIATE_TEST_SUITE_P(Vowels, PhoneticScript, testing::Values(
    Script{"kaa", "dk"},
    Script{"a", "x\nv", 3, "x\n"},
    Script{"a", "\tv~", -1, "\t"},
    Script{"ke", "d\xA2"}, Script{"pe", "is"}, Script{"e", ","},
    Script{"ki", " fd", 3, " "},
    Script{"kki", " fDd", 4, " "},
    Script{"ddi", " fn~n", 5, " "},
    Script{"qi", " fd+", 4, " "},
    Script{"qki", " fD+d", 5, " "},    // a half letter with nukta is part of the cluster
    Script{"i", " \xC6" "d", 3, " dZ"},
    Script{"rkai", " \xC6" "d", 3, " "},
    Script{"pri", "f\xC1"},
    Script{"ki", "fd", 2},
    Script{"O", "v\xA9"}, Script{"o", "v\xA8"},
    Script{"ko", "d\xA8"}, Script{"kO", "d\xA9"},
    Script{"ru", "#"}, Script{"ku", "dq"}, Script{"u", "m"},
    Script{"A", "v~"},
    Script{"kA", "Dv~"}));

// Digits, through the core, with Latin numerals (the default).
INSTANTIATE_TEST_SUITE_P(Digits, PhoneticScript, testing::Values(
    Script{"k5", "d5"},
    Script{"190", "190"}));

TEST(PhoneticCore, DotPurnaIsReadAtEveryFullStop)
{
    Typist t;
    t.type(".");
    t.host.dotPurnaValue = false;
    t.type(".");
    EXPECT_EQ(t.text(), "-A");
}

TEST(PhoneticCore, DevanagariDigitsWithoutEnglishNumerals)
{
    Typist t;
    t.host.englishNumeralsValue = false;
    t.type("5019");
    EXPECT_EQ(hex(t.text()), hex("\x87\x8C\x83\x8B"));
}

TEST(PhoneticCore, PrintableKeyReplacesSelectionControlKeyDoesNot)
{
    engine::EngineState state;
    state.InputLanguage = "HINDI";
    enginetest::FakeHost host;
    engine::Engine e(state, host);

    engine::MemorySurface s("abc");
    s.setSelStart(0);
    s.setSelLength(3);
    engine::KeyCode tab = 9;
    e.PhoneticKeyPress(s, tab);
    EXPECT_EQ(tab, 9);
    EXPECT_EQ(s.text(), "abc");
    EXPECT_EQ(s.selLength(), 3);

    engine::KeyCode k = 'k';
    e.PhoneticKeyPress(s, k);
    EXPECT_EQ(k, 0);
    EXPECT_EQ(s.text(), "d~");
}

TEST(PhoneticCore, RaConjunctKeepsRaAndSuppressesReph)
{
    Typist t;
    t.type("rr");
    EXPECT_EQ(t.text(), "jZ~");
    EXPECT_FALSE(t.state.RephPending);
    EXPECT_FALSE(t.state.RephSuppressed); // consumed by the same key
    EXPECT_TRUE(t.state.RaTyped);
}

// Typing inside a text must give the same glyphs as typing at its end, and
// leave the text after the caret alone.
TEST(PhoneticCore, TypingInTheMiddleMatchesTypingAtTheEnd)
{
    const char *words[] = {
        "namaste", "rka", "rkae", "rkao", "rkaO", "rkai", "rkaU", "rkaI", "rkaM", "rkaa",
        "rkaka", "rkt", "rktai", "kh", "shh", "pri", "kki", "ddh", "dharma", "kr`",
        "p`A", "Tr", "hmr", "k5", "qk", "rkk", "sUrya", "ki", "kRi", "vidyaa",
    };
    for (const char *w : words) {
        Typist atEnd(" ");
        atEnd.type(w);
        const std::string typed = atEnd.text();

        const std::string tail = " tail";
        Typist inside(" " + tail, 1);
        inside.type(w);
        EXPECT_EQ(hex(inside.text()), hex(typed + tail)) << "keys " << w;
        EXPECT_EQ(inside.caret(), static_cast<int>(typed.size())) << "keys " << w;
    }
}

// A ra typed somewhere else must not be taken away when a consonant is
// typed here.
TEST(PhoneticCore, LeftOverRaElsewhereIsNotRemoved)
{
    Typist t(" xyz", 0);
    t.type("r");
    ASSERT_EQ(t.text(), "j~ xyz");
    t.surface.setSelStart(t.surface.length());
    t.type("Tk");
    EXPECT_EQ(t.text(), "j~ xyzV~d~");
    EXPECT_FALSE(t.state.RephPending);
}

TEST(PhoneticCore, EnglishInputLeavesDigitsToTheCore)
{
    // The digit step runs whatever the input language; the binding only
    // calls the core for Hindi, so this is the core on its own.
    engine::EngineState state;
    state.InputLanguage = "English";
    enginetest::FakeHost host;
    host.englishNumeralsValue = false;
    engine::Engine e(state, host);
    engine::MemorySurface s;
    engine::KeyCode k = '3';
    e.PhoneticKeyPress(s, k);
    EXPECT_EQ(k, 0);
    EXPECT_EQ(hex(s.text()), "85");
    engine::KeyCode x = 'k';
    e.PhoneticKeyPress(s, x);
    EXPECT_EQ(x, 'k');
}

} // namespace

namespace {

// Random keys, including control keys, Enter and Backspace, over random
// texts with the caret and selection anywhere: the engine must keep every
// position inside the text, never write a code 0 and never run away.
TEST(PhoneticCore, RandomKeysKeepTheSurfaceConsistent)
{
    unsigned seed = 2024;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                 "0123456789 .,;:'\"`~!@#$%^&*()-_=+[]{}|\\<>?/\n\t\x91\x93";
    const char *layouts[] = {"Rom", "Rom", "Rom", "Rem", "Tav"};
    for (int round = 0; round < 300; ++round) {
        std::string before;
        const int n = static_cast<int>(next() % 12);
        for (int i = 0; i < n; ++i)
            before += "dZ~jnkz\n +`\xAAhs"[next() % 14];
        Typist t(before, static_cast<int>(next() % (before.size() + 1)));
        t.surface.setSelLength(static_cast<int>(next() % 3));
        for (int k = 0; k < 40; ++k) {
            t.host.layoutValue = layouts[next() % 5];
            const unsigned pick = next() % (alphabet.size() + 3);
            engine::KeyCode key;
            if (pick < alphabet.size())
                key = static_cast<unsigned char>(alphabet[pick]);
            else if (pick == alphabet.size())
                key = engine::KeyBinding::Backspace;
            else if (pick == alphabet.size() + 1)
                key = 1;
            else
                key = 0x20AC; // a character with no glyph code
            if (key == '\n')
                key = engine::KeyBinding::Enter;
            if (key == 0x20AC) {
                // Not insertable into a glyph surface; the engine must pass it.
                engine::EditBlock block(t.surface);
                EXPECT_EQ(t.binding.keyPress(t.surface, key), key);
            } else {
                t.press(key);
            }
            ASSERT_GE(t.caret(), 0);
            ASSERT_LE(t.caret() + t.surface.selLength(), t.surface.length());
            ASSERT_EQ(t.text().find('\0'), std::string::npos) << "round " << round;
        }
    }
}

} // namespace

namespace {

// The same in random words: keys typed inside a text leave the same glyphs
// and caret as at the end, and the text after them untouched.
TEST(PhoneticCore, RandomWordsTypeTheSameInsideText)
{
    unsigned seed = 77;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    const std::string alphabet = "\nabcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                 ".,;:'\"`@#&*()-_=+[]{}|\\<>?/0123456789";
    for (int round = 0; round < 4000; ++round) {
        std::string keys;
        const int n = 1 + static_cast<int>(next() % 10);
        for (int i = 0; i < n; ++i)
            keys += alphabet[next() % alphabet.size()];
        Typist atEnd(" ");
        atEnd.type(keys);
        Typist inside("  tail", 1);
        inside.type(keys);
        ASSERT_EQ(hex(inside.text()), hex(atEnd.text() + " tail")) << "keys " << keys;
        ASSERT_EQ(inside.caret(), atEnd.caret()) << "keys " << keys;
    }
}

} // namespace
