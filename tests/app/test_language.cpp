// The input language stays with the user through edits that leave the
// caret where there is no text to follow.
#include "tests/app/shellfixture.h"

#include <QAction>
#include <QComboBox>
#include <QRadioButton>
#include <QTemporaryDir>

#include <functional>
#include <random>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

class LanguageTest : public ShellTest {
protected:
    // What `keys` type in `input` into a document of their own.
    QString typedIn(const QString &input, const QString &keys)
    {
        main->commands().mnuFileNew->trigger();
        useInput(input);
        type(keys);
        const QString text = glyphs();
        answers.assign(1, QMessageBox::No);
        main->activeDocument()->parentWidget()->close();
        return text;
    }

    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(rtf(), k, m); }
};

// Hindi typed after Select All and Delete came out in English: the emptied
// caret read the document's default font and the format refresh switched
// the language. Every way of emptying the text or a paragraph, in every
// input, over a first paragraph in the other language: the language stays,
// and what is typed next is what that input types, in its font.
TEST_F(LanguageTest, TypingFlipsToEnglishAfterSelectAllAndDelete)
{
    CommandSurface &c = main->commands();
    QTemporaryDir dir;
    struct Emptying {
        const char *what;
        bool wholeText; // empties the text, not only the last paragraph
        std::function<void()> run;
    };
    const Emptying ways[] = {
        {"Ctrl+A, Delete", true, [&] { key(Qt::Key_A, Qt::ControlModifier); key(Qt::Key_Delete); }},
        {"Ctrl+A, Backspace", true, [&] { key(Qt::Key_A, Qt::ControlModifier); key(Qt::Key_Backspace); }},
        {"Ctrl+A, Ctrl+X", true, [&] { key(Qt::Key_A, Qt::ControlModifier); key(Qt::Key_X, Qt::ControlModifier); }},
        {"Edit > Select All, Edit > Delete", true, [&] { c.mnuEditSelectAll->trigger(); c.mnuEditClear->trigger(); }},
        {"Ctrl+A, Delete, a click", true,
         [&] {
             key(Qt::Key_A, Qt::ControlModifier);
             key(Qt::Key_Delete);
             QTest::mouseClick(rtf()->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
         }},
        {"a new document, a click", true,
         [&] {
             c.mnuFileNew->trigger();
             QTest::mouseClick(rtf()->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
         }},
        {"the last paragraph selected, Delete", false,
         [&] { key(Qt::Key_Home); key(Qt::Key_End, Qt::ShiftModifier); key(Qt::Key_Delete); }},
        {"the last paragraph backspaced", false,
         [&] {
             while (!glyphs().endsWith(u'\n'))
                 key(Qt::Key_Backspace);
         }},
        {"the last paragraph cut", false,
         [&] { key(Qt::Key_Home); key(Qt::Key_End, Qt::ShiftModifier); key(Qt::Key_X, Qt::ControlModifier); }},
        {"Ctrl+A, Delete, File > Save", true,
         [&] {
             key(Qt::Key_A, Qt::ControlModifier);
             key(Qt::Key_Delete);
             fileChoices.push_back({dir.filePath(u"empty.rtf"_s), 1});
             c.mnuFileSave->trigger();
         }},
    };
    const QString inputs[] = {u"Rom"_s, u"Rem"_s, u"English"_s};
    for (const QString &input : inputs) {
        const QString other = input == u"English"_s ? u"Rom"_s : u"English"_s;
        const QString word = typedIn(input, u"ghar"_s);
        for (const Emptying &way : ways) {
            SCOPED_TRACE(testing::Message() << input.toStdString() << ", " << way.what);
            c.mnuFileNew->trigger();
            useInput(other);
            type(u"kamal"_s);
            key(Qt::Key_Return);
            useInput(input);
            type(u"ghar"_s);
            const QString first = glyphs().section(u'\n', 0, 0);
            way.run();
            type(u"ghar"_s);
            EXPECT_EQ(main->isHindi(), input != u"English"_s);
            EXPECT_EQ(glyphs(), way.wholeText ? word : first + u'\n' + word);
            rtf()->setSelStart(rtf()->Text().size() - 1);
            rtf()->setSelLength(1);
            EXPECT_EQ(rtf()->FontName().startsWith(u"Glyphora"_s), input != u"English"_s);
            // Text in the other language still takes the language along.
            if (!way.wholeText) {
                rtf()->setSelStart(1);
                EXPECT_EQ(main->isHindi(), other != u"English"_s);
            }
        }
    }
}

} // namespace

namespace {

// Selecting English text while typing Hindi (and back) swapped the sizes
// the two languages keep: the refresh put the text's size into the size
// box before the language switch stored the box under the language being
// left. The sizes stay with their languages, and typing after Ctrl+L takes
// the language's own size.
TEST_F(LanguageTest, SelectingTheOtherLanguageSwappedTheFontSizes)
{
    type(u"ghar"_s);
    key(Qt::Key_L, Qt::ControlModifier);
    type(u" home"_s);
    for (int round = 0; round < 2; ++round) {
        rtf()->setSelStart(6);
        rtf()->setSelLength(4);
        rtf()->setSelStart(0);
        rtf()->setSelLength(3);
    }
    EXPECT_TRUE(main->isHindi());
    EXPECT_EQ(main->language().cmbFontSize()->currentText(), u"24"_s);
    EXPECT_EQ(settings->readString(u"EngFontSize"_s), u"20"_s);
    EXPECT_EQ(settings->readString(u"HinFontSize"_s), u"24"_s);
    key(Qt::Key_End); // after "home": English
    for (const auto &[keys, size] : {std::pair{u" ka"_s, 24}, std::pair{u" x"_s, 20}}) {
        key(Qt::Key_L, Qt::ControlModifier);
        type(keys);
        rtf()->setSelStart(rtf()->Text().size() - 1);
        rtf()->setSelLength(1);
        EXPECT_EQ(rtf()->FontSize(), size) << keys.toStdString();
        key(Qt::Key_End);
    }
}

// Moving the caret and selecting never change the document, whatever the
// languages, fonts and sizes of the text the caret enters: a seeded walk
// of clicks, arrows, Shift selections and word selections over text in
// both languages at sizes of their own.
TEST_F(LanguageTest, CaretMovesReformattedTheText)
{
    type(u"ghar kamal"_s);
    key(Qt::Key_L, Qt::ControlModifier);
    type(u" small words"_s);
    key(Qt::Key_L, Qt::ControlModifier);
    type(u" bhaarat"_s);
    key(Qt::Key_Return);
    key(Qt::Key_L, Qt::ControlModifier);
    type(u"big"_s);
    // Sizes the user set on runs of each language.
    const struct {
        int start, length, size;
    } runs[] = {{11, 5, 12}, {5, 5, 32}, {int(rtf()->Text().size()) - 3, 3, 40}};
    for (const auto &r : runs) {
        rtf()->setSelStart(r.start);
        rtf()->setSelLength(r.length);
        rtf()->setFontSize(r.size);
    }
    const QString before = QString::fromLatin1(rtf()->toRtf());
    const int length = int(rtf()->Text().size());
    std::mt19937 random(15);
    const Qt::Key moves[] = {Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End};
    for (int step = 0; step < 300; ++step) {
        switch (random() % 4) {
        case 0:
            rtf()->setSelStart(int(random() % (length + 1)));
            break;
        case 1:
            rtf()->setSelStart(int(random() % (length + 1)));
            rtf()->setSelLength(int(random() % 8));
            break;
        case 2:
            key(moves[random() % 6], random() % 2 ? Qt::ShiftModifier : Qt::NoModifier);
            break;
        case 3:
            key(random() % 2 ? Qt::Key_Left : Qt::Key_Right, Qt::ControlModifier | Qt::ShiftModifier);
            break;
        }
        ASSERT_EQ(QString::fromLatin1(rtf()->toRtf()), before) << "step " << step << " at " << rtf()->SelStart() << "+"
                                          << rtf()->SelLength();
        const QString font = rtf()->FontName();
        if (!font.isEmpty()) {
            ASSERT_EQ(main->isHindi(), font.startsWith(u"Glyphora"_s)) << "step " << step;
        }
    }
}

} // namespace

namespace {

// Hindi typed over a selection that began in English came out as Latin
// letters: the first key took the English format of the replaced text and
// the refresh switched the language. Typing over a selection that mixes
// both languages, from either end, stays in the language in use.
TEST_F(LanguageTest, TypingOverAMixedSelectionFlippedTheLanguage)
{
    const QString inputs[] = {u"Rom"_s, u"Rem"_s, u"English"_s};
    for (const QString &input : inputs) {
        const QString other = input == u"English"_s ? u"Rom"_s : u"English"_s;
        const QString word = typedIn(input, u"ghar"_s);
        for (const bool otherFirst : {true, false}) {
            SCOPED_TRACE(testing::Message() << input.toStdString() << (otherFirst ? ", other first" : ", own first"));
            main->commands().mnuFileNew->trigger();
            useInput(otherFirst ? other : input);
            type(u"kamal "_s);
            useInput(otherFirst ? input : other);
            type(u"nayaa"_s);
            useInput(input);
            key(Qt::Key_A, Qt::ControlModifier);
            ASSERT_EQ(main->isHindi(), input != u"English"_s) << "a mixed selection keeps the language";
            type(u"ghar"_s);
            EXPECT_EQ(main->isHindi(), input != u"English"_s);
            EXPECT_EQ(glyphs(), word);
            rtf()->setSelStart(1);
            EXPECT_EQ(rtf()->FontName().startsWith(u"Glyphora"_s), input != u"English"_s);
        }
    }
}

} // namespace

namespace {

// "phir" typed in Hindi after English text showed its short-i sign as a
// Latin "f": the engine writes the sign in front of the consonant, where
// the caret took the format of the English character before it. Every
// glyph a Hindi word leaves is in the Hindi font, and the English text
// before it keeps its own, whatever stands before the word.
TEST_F(LanguageTest, ShortISignTookTheEnglishFontBeforeIt)
{
    const QString words[] = {u"phir"_s, u"kitaab"_s, u"sthiti"_s, u"priy"_s, u"shikShak"_s, u"dil"_s};
    const QString befores[] = {u"abc "_s, u"abc"_s, u"abc\n"_s, QString()};
    for (const QString &before : befores) {
        for (const QString &word : words) {
            SCOPED_TRACE(testing::Message() << '"' << before.toStdString() << "\" then " << word.toStdString());
            main->commands().mnuFileNew->trigger();
            useInput(u"English"_s);
            for (QChar c : before)
                c == u'\n' ? key(Qt::Key_Return) : type(QString(c));
            const int english = int(glyphs().size());
            useInput(u"Rom"_s);
            type(word);
            ASSERT_GT(glyphs().size(), english);
            for (int i = 0; i < glyphs().size(); ++i) {
                if (glyphs().at(i) == u'\n')
                    continue;
                rtf()->setSelStart(i);
                rtf()->setSelLength(1);
                EXPECT_EQ(rtf()->FontName().startsWith(u"Glyphora"_s), i >= english)
                    << i << " in " << glyphs().toStdString();
            }
        }
    }
}

} // namespace
