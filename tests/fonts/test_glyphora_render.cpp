// Words typed through the engine, set in Glyphora 010, must look like the
// same words in Unicode set in the font Glyphora is drawn from: each pair is
// rendered and the two inks compared (how much of each lies near the other).
// A wrong or misplaced glyph drops the agreement well below what
// rasterising differences cost.
#include "kruti/cp1252.h"
#include "kruti/kruti.h"
#include "tests/kruti/typing.h"

#include <QFontDatabase>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

constexpr int pixelSize = 64;
// Rasterising the same outlines at slightly different places (the short-i
// sign's width variants, mark anchoring) costs a few percent; a wrong
// letter or a sign on the wrong side costs far more.
constexpr double maxDisagreement = 0.15;

QString programFile(const char *name)
{
    const char *dir = std::getenv("KALAMORA_PROGRAM_DIR");
    return QString::fromLocal8Bit(dir ? dir : ".") + u'/' + QString::fromLatin1(name);
}

QString glyphText(const std::string &glyphs)
{
    const std::u16string u = kruti::glyphsToUtf16(glyphs);
    return QString::fromStdU16String(u);
}

QImage render(const QString &text, const QFont &font)
{
    QImage image(pixelSize * (text.size() + 4), pixelSize * 3, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(pixelSize, pixelSize * 2, text);
    p.end();
    return image;
}

// Dark pixels, as rows of flags.
struct Ink {
    int width = 0;
    int height = 0;
    std::vector<char> on;
    bool at(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height && on[y * width + x]; }
};

// The ink of an image, cropped to its columns: the left edge of the ink
// aligns the two renderings, the baseline (the same row in both) the height.
Ink inkOf(const QImage &image)
{
    int left = image.width();
    int right = -1;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    Ink ink;
    if (right < 0)
        return ink;
    ink.width = right - left + 1;
    ink.height = image.height();
    ink.on.resize(std::size_t(ink.width) * ink.height);
    for (int y = 0; y < ink.height; ++y) {
        const uchar *row = image.constScanLine(y);
        for (int x = 0; x < ink.width; ++x)
            ink.on[y * ink.width + x] = row[left + x] < 128;
    }
    return ink;
}

// The worst spot where one rendering has ink the other lacks: pixels of
// a's ink with no ink of b within `radius`, counted in every square of a
// quarter em, as a share of that square. Rasterising the same outlines at
// slightly different places leaves a thin scatter of such pixels; a
// missing, extra, wrong or displaced glyph leaves a dense patch.
double worstSpot(const Ink &a, const Ink &b)
{
    constexpr int radius = pixelSize / 16;
    constexpr int window = pixelSize / 4;
    const int w = a.width + 1;
    const int h = a.height + 1;
    std::vector<int> sum(std::size_t(w) * h, 0); // summed-area table of uncovered ink
    for (int y = 0; y < a.height; ++y) {
        for (int x = 0; x < a.width; ++x) {
            bool uncovered = false;
            if (a.at(x, y)) {
                uncovered = true;
                for (int dy = -radius; dy <= radius && uncovered; ++dy) {
                    for (int dx = -radius; dx <= radius && uncovered; ++dx)
                        uncovered = !b.at(x + dx, y + dy);
                }
            }
            sum[(y + 1) * w + x + 1] = uncovered + sum[y * w + x + 1] + sum[(y + 1) * w + x] - sum[y * w + x];
        }
    }
    int worst = 0;
    for (int y = window; y < h; ++y) {
        for (int x = window; x < w; ++x) {
            const int n = sum[y * w + x] - sum[(y - window) * w + x] - sum[y * w + x - window]
                + sum[(y - window) * w + x - window];
            worst = std::max(worst, n);
        }
    }
    return double(worst) / double(window * window);
}

// How far two renderings disagree, 0 for the same picture.
double disagreement(const Ink &a, const Ink &b)
{
    return std::max(worstSpot(a, b), worstSpot(b, a));
}

bool isConsonant(char32_t c)
{
    return c >= 0x0915 && c <= 0x0939;
}

// This encoding joins consonants through half forms and draws only a few
// conjuncts as one glyph; the source font has many more ligatures. The
// reference asks for the half forms (a zero width joiner after the virama)
// wherever Glyphora draws them.
QString withHalfForms(const QString &text)
{
    static const QString conjuncts[] = {
        u"क्ष"_s, u"ज्ञ"_s, u"द्ध"_s, u"द्य"_s, u"द्व"_s, u"द्म"_s, u"ह्म"_s, u"ह्य"_s,
    };
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] != QChar(0x094D) || i == 0 || i + 1 >= text.size())
            continue;
        const char32_t before = text[i - 1] == QChar(0x093C) && i >= 2 ? text[i - 2].unicode() : text[i - 1].unicode();
        const char32_t after = text[i + 1].unicode();
        if (!isConsonant(before) || !isConsonant(after) || before == 0x0930 || after == 0x0930)
            continue;
        const QString pair = QString(QChar(char16_t(before))) + QChar(0x094D) + QChar(char16_t(after));
        if (std::find(std::begin(conjuncts), std::end(conjuncts), pair) != std::end(conjuncts))
            continue;
        // letters with no half form show their virama
        static const QString noHalf = u"ङछटठडढद"_s;
        out += noHalf.contains(QChar(char16_t(before))) ? QChar(0x200C) : QChar(0x200D);
    }
    return out;
}

class GlyphoraRender : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const int glyphora = QFontDatabase::addApplicationFont(programFile("GO10.TTF"));
        const int source = QFontDatabase::addApplicationFont(QString::fromUtf8(GLYPHORA_SOURCE_FONT));
        ASSERT_GE(glyphora, 0) << "GO10.TTF missing from the program folder";
        ASSERT_GE(source, 0);
        ASSERT_EQ(QFontDatabase::applicationFontFamilies(glyphora).value(0), u"Glyphora 010"_s);
        s_sourceFamily = new QString(QFontDatabase::applicationFontFamilies(source).value(0));
    }

    static QFont font(const QString &family)
    {
        QFont f(family);
        f.setPixelSize(pixelSize);
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setStyleStrategy(QFont::NoFontMerging);
        return f;
    }

    double score(const std::string &glyphs, const std::string &unicode)
    {
        const Ink a = inkOf(render(glyphText(glyphs), font(u"Glyphora 010"_s)));
        const Ink b = inkOf(render(withHalfForms(QString::fromUtf8(unicode)), font(*s_sourceFamily)));
        return disagreement(a, b);
    }

    static QString *s_sourceFamily;
};

QString *GlyphoraRender::s_sourceFamily = nullptr;

std::vector<std::string> wordList()
{
    std::ifstream in(KRUTI_WORDS_FILE);
    std::vector<std::string> words;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != '#')
            words.push_back(line);
    }
    return words;
}

// Where a font of this encoding must draw differently from a shaping font:
// the subscript ra and the nukta are marks of their own (the source font
// has a ligature per letter), the short i and the long i have one width
// whatever the cluster, and the signs under letters without a stem at the
// right edge sit where they sit on every other letter.
bool drawnDifferently(const std::string &glyphs)
{
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        const auto g = static_cast<unsigned char>(glyphs[i]);
        const auto next = i + 1 < glyphs.size() ? static_cast<unsigned char>(glyphs[i + 1]) : 0;
        if (g == 'z' || g == 0xB1 || g == 0xD8)
            return true;
        if (g == 'f' && i + 2 < glyphs.size() && kruti::glyphInfo(next).role != kruti::Role::Consonant)
            return true;
        // a half form before ra: the source font's ra ligature
        if (kruti::glyphInfo(g).role == kruti::Role::HalfForm) {
            std::size_t j = i + 1;
            while (j < glyphs.size() && (glyphs[j] == '+' || glyphs[j] == 'f'))
                ++j;
            if (j < glyphs.size() && glyphs[j] == 'j')
                return true;
        }
        // the source font has a letter of its own for each nukta letter
        if (g == '+')
            return true;
        static constexpr std::string_view noRightStem = "dQNgVBM<n\xB3";
        if (noRightStem.find(static_cast<char>(g)) != std::string_view::npos && next
            && (kruti::isMark(kruti::glyphInfo(next).role) || next == 'h'))
            return true;
    }
    return false;
}

TEST_F(GlyphoraRender, TypedWordsLookLikeTheirUnicode)
{
    const std::vector<std::string> words = wordList();
    double worst = 0.0;
    std::string worstWord;
    std::size_t compared = 0;
    for (const std::string &keys : words) {
        // a word ends with a space: no dead consonant is left at its end
        std::string glyphs = krutitest::typeKeys(keys + ' ');
        glyphs.pop_back();
        if (drawnDifferently(glyphs))
            continue;
        ++compared;
        const double s = score(glyphs, kruti::toUnicode(glyphs));
        EXPECT_LE(s, maxDisagreement) << keys << " -> " << kruti::toUnicode(glyphs);
        if (s > worst) {
            worst = s;
            worstWord = keys;
        }
    }
    EXPECT_GT(compared, 200u);
    std::printf("highest disagreement %.3f (%s) over %zu words of %zu\n", worst, worstWord.c_str(), compared,
                words.size());
}

// The measure must see the faults it is there for.
TEST_F(GlyphoraRender, WrongOrMisplacedGlyphsFallBelowTheThreshold)
{
    const struct {
        const char *glyphs;
        const char *unicode;
    } faults[] = {
        {"ueLrs", "नमस्ता"},      // another vowel sign
        {"fgUnh", "हन्दिी"},      // short i on the wrong side
        {"deZ", "कम"},            // reph missing
        {"Hkkjr", "कारत"},        // another letter
        {"d\xA2", "कु"},          // sign above instead of below
        {"iq=", "पुर"},            // another conjunct
        {"dkZ", "र्कर्ा"},         // reph drawn as a full ra
        {"ueLrs", "नमसते"},       // half form drawn full
        {"vkt", "अज"},            // a stroke missing
    };
    double lowest = 1.0;
    for (const auto &f : faults) {
        const double s = score(f.glyphs, f.unicode);
        EXPECT_GT(s, maxDisagreement) << f.unicode;
        lowest = std::min(lowest, s);
    }
    std::printf("lowest disagreement of a faulty rendering %.3f\n", lowest);
}

// Two lines typed through the engine, set in Glyphora 010 above and as
// Unicode in the source font below, for looking at:
// <build>/tests/glyphora-side-by-side.png.
TEST_F(GlyphoraRender, SideBySideImage)
{
    const std::string keys = "namaste! meraa naam raam hE. mEM bhaarat meM rahataa hUM.\n"
                             "kRpayaa vidyaalay kI sthiti Or dharm par prashn pUcheM.";
    const std::string glyphs = krutitest::typeKeys(keys);
    const QStringList glyphLines = glyphText(glyphs).split(u'\n');
    const QStringList unicodeLines = QString::fromUtf8(kruti::toUnicode(glyphs)).split(u'\n');
    const int line = pixelSize * 3 / 2;
    QImage image(pixelSize * 26, line * 5, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(Qt::black);
    for (int i = 0; i < glyphLines.size(); ++i) {
        p.setFont(font(u"Glyphora 010"_s));
        p.drawText(pixelSize / 2, line * (i + 1), glyphLines[i]);
        p.setFont(font(*s_sourceFamily));
        p.drawText(pixelSize / 2, line * (i + 3) + pixelSize / 4, unicodeLines.value(i));
    }
    p.end();
    const QString out = QString::fromUtf8(KALAMORA_TEST_OUTPUT_DIR) + u"/glyphora-side-by-side.png"_s;
    EXPECT_TRUE(image.save(out));
}

} // namespace
