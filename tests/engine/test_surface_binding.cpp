// The in-memory surface, the key binding, the Remington layout, the reph
// and the handlers that are reached directly.
#include "tests/engine/enginetesting.h"

#include <gtest/gtest.h>

#include <string>

using namespace kalamora;

using enginetest::FakeHost;
using enginetest::hex;
using enginetest::Typist;
using engine::Engine;
using engine::EngineState;
using engine::KeyBinding;
using engine::KeyCode;
using engine::MemorySurface;

namespace {

TEST(MemorySurface, ClampsAndLeavesCaretAfterWrittenText)
{
    MemorySurface s("abcdef");
    EXPECT_EQ(s.selStart(), 6);
    s.setSelStart(100);
    EXPECT_EQ(s.selStart(), 6);
    s.setSelStart(-3);
    EXPECT_EQ(s.selStart(), 0);
    s.setSelStart(4);
    s.setSelLength(10);
    EXPECT_EQ(s.selLength(), 2);
    EXPECT_EQ(s.selText(), "ef");
    s.setSelStart(2);
    EXPECT_EQ(s.selLength(), 0); // setting the start collapses the selection
    s.setSelLength(2);
    s.setSelText("XYZ");
    EXPECT_EQ(s.text(), "abXYZef");
    EXPECT_EQ(s.selStart(), 5);
    EXPECT_EQ(s.glyphBefore(5), 'Z');
    EXPECT_EQ(s.glyphBefore(1), 'a');
    EXPECT_EQ(s.glyphBefore(0), 0);
    EXPECT_EQ(s.glyphBefore(8), 0);
}

TEST(MemorySurface, GapMovesWithEditsAnywhere)
{
    // Edits scattered over a text that outgrows its gap several times.
    MemorySurface s;
    std::string model;
    unsigned seed = 12345;
    for (int i = 0; i < 3000; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int pos = model.empty() ? 0 : static_cast<int>((seed >> 8) % (model.size() + 1));
        const int len = static_cast<int>((seed >> 20) % 3);
        const std::string ins(static_cast<std::size_t>((seed >> 4) % 4), static_cast<char>('a' + i % 26));
        s.setSelStart(pos);
        s.setSelLength(len);
        const int real = s.selLength();
        s.setSelText(ins);
        model.replace(static_cast<std::size_t>(pos), static_cast<std::size_t>(real), ins);
        ASSERT_EQ(s.length(), static_cast<int>(model.size()));
    }
    EXPECT_EQ(s.text(), model);
    for (int p = 1; p <= s.length(); p += 97)
        EXPECT_EQ(s.glyphBefore(p), static_cast<unsigned char>(model[static_cast<std::size_t>(p - 1)]));
}

TEST(MemorySurface, TextChangeIsRaisedOnceAndNotForTheHandlersOwnEdits)
{
    MemorySurface s("ab");
    int calls = 0;
    s.setTextChangedHandler([&](MemorySurface &surface) {
        ++calls;
        surface.setSelText("!"); // an edit made by the handler itself
    });
    s.setSelText("c");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(s.text(), "abc!");
    s.setSelText({}); // nothing selected, nothing written: no change
    EXPECT_EQ(calls, 1);
    s.backspace();
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(s.text(), "abc!");
    s.setSelStart(0);
    s.deleteForward();
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(s.text(), "!bc!");
}

TEST(MemorySurface, BackspaceAndDelete)
{
    MemorySurface s("abcd");
    s.setSelStart(2);
    s.backspace();
    EXPECT_EQ(s.text(), "acd");
    EXPECT_EQ(s.selStart(), 1);
    s.deleteForward();
    EXPECT_EQ(s.text(), "ad");
    s.setSelStart(0);
    s.backspace();
    EXPECT_EQ(s.text(), "ad");
    s.setSelLength(2);
    s.backspace();
    EXPECT_EQ(s.text(), "");
    s.deleteForward();
    EXPECT_EQ(s.text(), "");
}

TEST(KeyBinding, LanguageAndLayoutPickTheHandler)
{
    Typist t;
    t.type("k");
    EXPECT_EQ(t.text(), "d~");
    t.host.layoutValue = "Rem"; // takes effect at the next key
    t.type("k");
    EXPECT_EQ(t.text(), "d~k");
    t.host.layoutValue = "Tav";
    t.type("k");
    EXPECT_EQ(t.text(), "d~kk");
    t.host.layoutValue = "Rom";
    t.state.InputLanguage = "English";
    t.type("k");
    EXPECT_EQ(t.text(), "d~kkk");
    t.state.InputLanguage = "hindi"; // compared upper-cased
    t.type("k");
    EXPECT_EQ(t.text(), "d~kkkd~");
}

TEST(KeyBinding, BackspaceNeverReachesTheEngineInADocument)
{
    Typist t;
    t.type("k");
    t.press(KeyBinding::Backspace);
    EXPECT_EQ(t.text(), "d");
    t.type("\n");
    EXPECT_EQ(t.caret(), 2);
    // In the hidden text box the engine sees Backspace first; it changes
    // nothing there (a control key), so the box still deletes one glyph.
    FakeHost host;
    KeyBinding hidden(t.state, host, KeyBinding::Target::HiddenText);
    EXPECT_EQ(hidden.keyPress(t.surface, KeyBinding::Backspace), KeyBinding::Backspace);
    EXPECT_EQ(t.state.LastKey, KeyBinding::Backspace);
    EXPECT_EQ(t.text(), "d\n");
}

TEST(KeyBinding, FindFieldIsPhoneticWhateverTheLayout)
{
    EngineState state;
    FakeHost host;
    host.layoutValue = "Tav";
    KeyBinding find(state, host, KeyBinding::Target::FindField);
    MemorySurface field;
    field.setTextChangedHandler([&](MemorySurface &s) { find.textChanged(s); });
    auto type = [&](char c) {
        const KeyCode key = find.keyPress(field, static_cast<unsigned char>(c));
        if (key)
            field.setSelText(std::string(1, static_cast<char>(key)));
    };
    state.InputLanguage = "English";
    type('r');
    EXPECT_EQ(field.text(), "r");
    field.setText("");
    state.InputLanguage = "HINDI";
    type('r');
    type('k');
    EXPECT_EQ(field.text(), "dZ~");
}

TEST(KeyBinding, RephOnlyInThePhoneticLayoutAndOnAnySurface)
{
    EngineState state;
    state.InputLanguage = "HINDI";
    state.RephPending = true;
    FakeHost host;
    KeyBinding binding(state, host);
    MemorySurface other("d");
    host.layoutValue = "Rem";
    binding.textChanged(other);
    EXPECT_EQ(other.text(), "d");
    EXPECT_TRUE(state.RephPending);
    host.layoutValue = "Rom";
    state.InputLanguage = "English"; // the document binding does not test it
    binding.textChanged(other);
    EXPECT_EQ(other.text(), "dZ"); // no halant before the caret: at the caret
    EXPECT_FALSE(state.RephPending);
}

TEST(KeyBinding, EveryKeyIsOneEditBlock)
{
    Typist t;
    t.type("rka");
    EXPECT_EQ(t.surface.editBlocks(), 3);
    EXPECT_EQ(t.surface.editDepth(), 0);
}

struct RemingtonRow {
    std::string before;
    char key;
    std::string expected;
};

class Remington : public testing::TestWithParam<RemingtonRow> {};

TEST_P(Remington, FormsLigatureAndKeepsTextAfterCaret)
{
    const RemingtonRow &r = GetParam();
    // " " keeps the glyphs off the line start; the tail must stay untouched.
    Typist t(" " + r.before + "XY", 1 + static_cast<int>(r.before.size()));
    t.host.layoutValue = "Rem";
    t.press(static_cast<unsigned char>(r.key));
    EXPECT_EQ(hex(t.text()), hex(" " + r.expected + "XY"));
    EXPECT_EQ(t.caret(), 1 + static_cast<int>(r.expected.size()));
}

INSTANTIATE_TEST_SUITE_P(Rows, Remington, testing::Values(
    RemingtonRow{"n", '`', "\x96"},
    RemingtonRow{"d", '`', "\xD1"},
    RemingtonRow{"g", '`', "\xE2"},  // ha with ri; ha-ra is "\xBAz"
    RemingtonRow{"[k", '`', "[k`"}, // kha with ri stays as typed: 0xA3 is kha-ra
    RemingtonRow{"b", 'Z', "\xC3"},
    RemingtonRow{"/", 'k', "/k"},   // dha stays two glyphs: 0xC4 is gha
    RemingtonRow{"m", 'w', "\xC5"},
    RemingtonRow{"d", 'z', "\xD8"},
    RemingtonRow{"d", 's', "d\xA2"},
    RemingtonRow{"Q", 's', "Q\xA2"},
    RemingtonRow{"k", '`', "k`"},   // no row: typed as pressed
    RemingtonRow{"x", 's', "xs"},
    RemingtonRow{"d", 'a', "da"}));

TEST(Remington, LineStartAndTextStartTypeTheKeyUnchanged)
{
    Typist start;
    start.host.layoutValue = "Rem";
    start.type("`");
    EXPECT_EQ(start.text(), "`");
    Typist line("n\n");
    line.host.layoutValue = "Rem";
    line.type("`");
    EXPECT_EQ(line.text(), "n\n`");
}

// Handlers reached directly, with the state the core would leave.
struct Direct {
    EngineState state;
    FakeHost host;
    MemorySurface surface;
    Engine engine{state, host};

    Direct(std::string_view text, int caret, std::string prevGlyph)
    {
        surface.setText(text);
        surface.setSelStart(caret);
        state.PrevGlyph = std::move(prevGlyph);
    }
};

struct HalfFormRow {
    std::string text;
    int caret;
    std::string expected;
    int expectedCaret;
};

class HalfForm : public testing::TestWithParam<HalfFormRow> {};

TEST_P(HalfForm, ConvertsTheGlyphBeforeTheCaret)
{
    const HalfFormRow &r = GetParam();
    Direct d(r.text, r.caret, {});
    d.engine.MakeHalfForm(d.surface);
    EXPECT_EQ(hex(d.surface.text()), hex(r.expected));
    EXPECT_EQ(d.surface.selStart(), r.expectedCaret);
    EXPECT_EQ(d.surface.selLength(), 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, HalfForm, testing::Values(
    HalfFormRow{"xa", 2, "x\xA1", 2},
    HalfFormRow{"x\xA1", 2, "xW", 2},
    HalfFormRow{"d+", 2, "D+", 2},
    HalfFormRow{"nZ", 2, "n~Z", 3},
    HalfFormRow{"nZ yz", 2, "n~Z yz", 3},   // wherever the caret stands
    HalfFormRow{"ab d+Zcd", 6, "ab D+Zcd", 6},
    HalfFormRow{"[k", 2, "[", 1},
    HalfFormRow{"j", 1, "j~", 2},
    HalfFormRow{"d`", 2, "d`", 2},
    HalfFormRow{"\x83", 1, "?", 1},
    HalfFormRow{"\xA8", 1, "\x83", 1},
    HalfFormRow{"x=", 2, "x\xAB", 2},
    HalfFormRow{"xs", 2, "xs", 2},
    HalfFormRow{"dk", 0, "dk", 0}));

TEST(Handlers, ShortIScanWithCaretBeforeSubscriptRa)
{
    // The core has stepped the caret back before a final "z".
    Direct d(" iz", 2, "z");
    d.state.CaretStepped = true;
    d.engine.HandleLowerI(d.surface);
    EXPECT_EQ(d.surface.text(), " fiz");
    EXPECT_EQ(d.surface.selStart(), 3);
}

struct ShortIRow {
    std::string text;
    std::string expected;
};

class ShortI : public testing::TestWithParam<ShortIRow> {};

TEST_P(ShortI, GoesBeforeTheCluster)
{
    const ShortIRow &r = GetParam();
    const std::string prev = r.text.substr(r.text.size() - 1);
    Direct d(r.text, static_cast<int>(r.text.size()), prev);
    d.surface.setFontName("Glyphora 010");
    d.engine.HandleLowerI(d.surface);
    EXPECT_EQ(hex(d.surface.text()), hex(r.expected));
    const bool reph = prev == "Z";
    EXPECT_EQ(d.surface.selStart(), static_cast<int>(r.text.size()) + (reph ? 0 : 1));
    EXPECT_GT(d.host.reapplied, 0); // every scanned glyph is in the Hindi font
}

INSTANTIATE_TEST_SUITE_P(Rows, ShortI, testing::Values(
    ShortIRow{" d", " fd"},
    ShortIRow{" Dd", " fDd"},
    ShortIRow{" n~n", " fn~n"},
    ShortIRow{" d+", " fd+"},
    ShortIRow{" d+d", " d+fd"},
    ShortIRow{" izd", " izfd"},
    ShortIRow{" V\xAA", " fV\xAA"},
    ShortIRow{" dZ", " \xC6" "d"},
    ShortIRow{"xk\xB6\xBA" "d", "xkf\xB6\xBA" "d"},
    ShortIRow{"\x91~Dd", "f\x91~Dd"}));

// A letter kept whole by a halant, or the last letter, with the ra below
// it (and a nukta on that ra) is one letter to the scan: the sign went in
// between the letter and its ra.
INSTANTIATE_TEST_SUITE_P(RaBelowALetterIsPartOfIt, ShortI, testing::Values(
    ShortIRow{" Xkz~d", " fXkz~d"},
    ShortIRow{" V\xAA~d", " fV\xAA~d"},
    ShortIRow{" \xB3z+~d", " f\xB3z+~d"},
    ShortIRow{" Xkz+", " fXkz+"},
    ShortIRow{" M~+d", " fM~+d"},
    ShortIRow{"dXkz~dZ", "d\xC6Xkz~d"}));

TEST(Handlers, ShortIScanReappliesNoFontOutsideGlyphora)
{
    Direct d(" Dd", 3, "d");
    d.surface.setFontName("Arial");
    d.engine.HandleLowerI(d.surface);
    EXPECT_EQ(d.surface.text(), " fDd");
    EXPECT_EQ(d.host.reapplied, 0);
}

TEST(Handlers, SpecialConsonantsThatWriteNothing)
{
    for (const char key : {'<', 'X', 'Z'}) {
        Direct d("ab", 2, "b");
        d.engine.HandleSpecialConsonant(d.surface, static_cast<unsigned char>(key));
        EXPECT_EQ(d.surface.text(), "ab") << key;
    }
}

TEST(Handlers, PendingRephGoesInFrontOfTheHalant)
{
    Direct d("xd~", 3, {});
    d.state.RephPending = true;
    d.engine.PlacePendingReph(d.surface);
    EXPECT_EQ(d.surface.text(), "xdZ~");
    EXPECT_EQ(d.surface.selStart(), 4);
    d.engine.PlacePendingReph(d.surface); // consumed: nothing more
    EXPECT_EQ(d.surface.text(), "xdZ~");
}

TEST(Handlers, HalantAtTextStartDoesNotLandInsideFollowingText)
{
    // "<" writes nothing; the halant the core adds stays at the caret.
    Typist t("ab", 0);
    t.type("<");
    EXPECT_EQ(t.text(), "~ab");
    EXPECT_EQ(t.caret(), 1);
}

} // namespace
