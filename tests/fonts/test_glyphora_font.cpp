// The generated font file: every code of the encoding has its glyph under
// both of its character codes, signs have no advance, letters have one, and
// FNT.ATT holds the same bytes in base64.
#include "cp1252.h"
#include "kruti.h"

#include <QByteArray>
#include <QFile>
#include <QPainterPath>
#include <QRawFont>
#include <QString>

#include <gtest/gtest.h>

#include <cstdlib>

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
