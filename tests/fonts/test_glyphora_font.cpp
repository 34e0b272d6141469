// The generated font file: every code of the encoding has its glyph under
// both of its character codes, signs have no advance, letters have one, and
// FNT.ATT holds the same bytes in base64.
#include "cp1252.h"
#include "kruti.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

using namespace Qt::StringLiterals;

namespace {

QString programFile(const char *name)
{
    const char *dir = std::getenv("KALAMORA_PROGRAM_DIR");
    return QString::fromLocal8Bit(dir ? dir : ".") + u'/' + QString::fromLatin1(name);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

quint32 glyphFor(const QRawFont &font, char32_t ch)
{
    const QString s = QString::fromUcs4(&ch, 1);
    QList<quint32> indexes = font.glyphIndexesForString(s);
    return indexes.isEmpty() ? 0 : indexes.first();
}

TEST(GlyphoraFont, EveryCodeHasItsGlyph)
{
    const QByteArray data = readAll(programFile("GO10.TTF"));
    ASSERT_FALSE(data.isEmpty());
    QRawFont font(data, 100);
    ASSERT_TRUE(font.isValid());
    EXPECT_EQ(font.familyName(), u"Glyphora 010"_s);

    for (int code = 0x20; code < 256; ++code) {
        const kruti::GlyphInfo &info = kruti::glyphInfo(static_cast<unsigned char>(code));
        if (info.role == kruti::Role::Unused)
            continue;
        const quint32 glyph = glyphFor(font, kruti::glyphToChar(static_cast<unsigned char>(code)));
        ASSERT_NE(glyph, 0u) << "code " << code;
        if (code >= 0x80 && code <= 0x9F) {
            EXPECT_EQ(glyphFor(font, char32_t(code)), glyph) << "raw code point " << code;
        }

        const QList<QPointF> advances = font.advancesForGlyphIndexes(QList<quint32>{glyph});
        const double advance = advances.value(0).x();
        if (kruti::isMark(info.role)) {
            EXPECT_EQ(advance, 0.0) << "code " << code;
        } else {
            EXPECT_GT(advance, 0.0) << "code " << code;
        }
        if (code != 0x20 && code != 0xA0) {
            EXPECT_FALSE(font.pathForGlyph(glyph).isEmpty()) << "code " << code;
        }
    }
}

// An outline filled without smoothing, its bounding box at the origin.
QImage filled(const QPainterPath &path)
{
    const QRectF box = path.boundingRect();
    QImage image(int(std::ceil(box.width())) + 2, int(std::ceil(box.height())) + 2, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter p(&image);
    p.translate(QPointF(1, 1) - box.topLeft());
    p.fillPath(path, Qt::black);
    return image;
}

// Pixels inked in one image and not the other, as a share of those inked
// in either; 1 for images of different sizes.
double difference(const QImage &a, const QImage &b)
{
    if (std::abs(a.width() - b.width()) > 1 || std::abs(a.height() - b.height()) > 1)
        return 1.0;
    int differ = 0;
    int inked = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y) {
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const bool inA = qGray(a.pixel(x, y)) < 128;
            const bool inB = qGray(b.pixel(x, y)) < 128;
            differ += inA != inB;
            inked += inA || inB;
        }
    }
    return inked ? double(differ) / inked : 0.0;
}

// Each code that stands for one whole letter draws that letter of the font
// Glyphora is made from; 0xC4 is gha, which the converter reads it as.
TEST(GlyphoraFont, LetterCodesDrawTheirLetters)
{
    const QByteArray data = readAll(programFile("GO10.TTF"));
    const QByteArray sourceData = readAll(QString::fromUtf8(GLYPHORA_SOURCE_FONT));
    ASSERT_FALSE(data.isEmpty());
    ASSERT_FALSE(sourceData.isEmpty());
    const QRawFont glyphora(data, 400);
    const QRawFont source(sourceData, 400);
    const auto letter = [&](const char *utf8) {
        return filled(source.pathForGlyph(glyphFor(source, QString::fromUtf8(utf8).toUcs4().value(0))));
    };

    int letters = 0;
    for (int code = 0x20; code < 256; ++code) {
        const kruti::GlyphInfo &info = kruti::glyphInfo(static_cast<unsigned char>(code));
        if (info.role != kruti::Role::Consonant || QString::fromUtf8(info.unicode).size() != 1)
            continue;
        ++letters;
        const QImage drawn = filled(glyphora.pathForGlyph(glyphFor(glyphora, kruti::glyphToChar(code))));
        EXPECT_LT(difference(drawn, letter(info.unicode)), 0.02) << "code " << code << " " << info.unicode;
    }
    EXPECT_GT(letters, 25);
    // the measure tells gha from dha, which differ only in the headline
    const QImage gha = filled(glyphora.pathForGlyph(glyphFor(glyphora, kruti::glyphToChar(0xC4))));
    EXPECT_GT(difference(gha, letter("ध")), 0.02);
}

TEST(GlyphoraFont, AttachmentTextDecodesToTheFont)
{
    const QByteArray font = readAll(programFile("GO10.TTF"));
    QByteArray text = readAll(programFile("FNT.ATT"));
    ASSERT_FALSE(text.isEmpty());
    EXPECT_TRUE(text.endsWith("\r\n"));
    text.replace("\r\n", "");
    const auto decoded = QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, font);
}

} // namespace
