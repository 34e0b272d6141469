// RTF files written by other word processors (LibreOffice Writer 7.4 and
// AbiWord 3.0): each loads with the text the program that wrote it shows,
// the formats it holds, and survives being written and read again.
#include "tests/textengine/printers.h"
#include "textengine/textcontrol.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;

namespace {

QString fixture(const QString &name)
{
    return QDir(qEnvironmentVariable("KALAMORA_SOURCE_DIR", u"../.."_s)).filePath(u"tests/textengine/fixtures/"_s + name);
}

QString expectedText(const QString &name)
{
    QFile f(fixture(name + u".txt"_s));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
    return QString::fromUtf8(f.readAll());
}

bool select(TextControl &tc, const QString &what)
{
    const int at = tc.Text().indexOf(what);
    if (at < 0)
        return false;
    tc.setSelStart(at);
    tc.setSelLength(int(what.size()));
    return true;
}

QTextTable *firstTable(const QTextDocument &doc)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (QTextTable *t = QTextCursor(b).currentTable())
            return t;
    }
    return nullptr;
}

int imageCount(const QTextDocument &doc)
{
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it)
            n += it.fragment().charFormat().isImageFormat() ? 1 : 0;
    }
    return n;
}

const QStringList writers = {u"lo"_s, u"abi"_s};

} // namespace

TEST(Fixtures, TextOfEachFileAndStableRoundTrip)
{
    for (const QString &writer : writers) {
        for (const QString &kind : {u"plain"_s, u"format"_s, u"table"_s, u"image"_s, u"kruti"_s}) {
            const QString name = writer + u"-"_s + kind;
            SCOPED_TRACE(name.toStdString());
            TextControl tc;
            ASSERT_TRUE(tc.Load(fixture(name + u".rtf"_s), 0, 5)) << tc.errorString().toStdString();
            QString text = tc.Text();
            EXPECT_EQ(text.size(), tc.document()->characterCount() - 1);
            text.remove(QChar::ObjectReplacementCharacter);
            EXPECT_EQ(text, expectedText(name));
            // RTF -> RTF -> RTF gives the same file the second time.
            const QByteArray once = tc.toRtf();
            TextControl again;
            ASSERT_TRUE(again.setRtf(once));
            EXPECT_EQ(again.Text(), tc.Text());
            EXPECT_EQ(again.toRtf(), once);
        }
    }
}

TEST(Fixtures, FormatsTablesPicturesAndKrutiRuns)
{
    for (const QString &writer : writers) {
        SCOPED_TRACE(writer.toStdString());
        TextControl fmt;
        ASSERT_TRUE(fmt.Load(fixture(writer + u"-format.rtf"_s), 0, 5));
        ASSERT_TRUE(select(fmt, u"bold"_s));
        EXPECT_TRUE(fmt.FontBold());
        EXPECT_FALSE(fmt.FontItalic());
        ASSERT_TRUE(select(fmt, u"italic"_s));
        EXPECT_TRUE(fmt.FontItalic());
        ASSERT_TRUE(select(fmt, u"underlined"_s));
        EXPECT_TRUE(fmt.FontUnderline());
        ASSERT_TRUE(select(fmt, u"struck"_s));
        EXPECT_TRUE(fmt.FontStrikeThru());
        ASSERT_TRUE(select(fmt, u"Red centred"_s));
        EXPECT_EQ(fmt.ForeColor(), 0x0000FF);
        EXPECT_EQ(fmt.AlignMent(), 2);
        ASSERT_TRUE(select(fmt, u"Big right"_s));
        EXPECT_EQ(fmt.FontSize(), 20);
        EXPECT_EQ(fmt.AlignMent(), 1);
        ASSERT_TRUE(select(fmt, u"Justified"_s));
        EXPECT_EQ(fmt.AlignMent(), 3);

        TextControl table;
        ASSERT_TRUE(table.Load(fixture(writer + u"-table.rtf"_s), 0, 5));
        QTextTable *t = firstTable(*table.document());
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->rows(), 2);
        EXPECT_EQ(t->columns(), 3);
        EXPECT_EQ(t->cellAt(1, 2).firstCursorPosition().block().text(), u"C2"_s);

        TextControl image;
        ASSERT_TRUE(image.Load(fixture(writer + u"-image.rtf"_s), 0, 5));
        EXPECT_EQ(imageCount(*image.document()), 1);
        EXPECT_NE(image.toRtf().indexOf("\\pngblip"), -1);

        TextControl kruti;
        ASSERT_TRUE(kruti.Load(fixture(writer + u"-kruti.rtf"_s), 0, 5));
        ASSERT_TRUE(select(kruti, u"dey fgUnh \u2018\u0192"_s));
        EXPECT_EQ(kruti.FontName(), u"Kruti Dev 010"_s);
        ASSERT_TRUE(select(kruti, u"English"_s));
        EXPECT_NE(kruti.FontName(), u"Kruti Dev 010"_s);
        // The glyph run goes out as Windows-1252 bytes.
        EXPECT_NE(kruti.toRtf().indexOf("dey fgUnh \\'91\\'83"), -1);
    }
}

TEST(Fixtures, ConvertCommandGivesTheExpectedText)
{
    const QString program = QDir(qEnvironmentVariable("KALAMORA_PROGRAM_DIR")).filePath(u"kalamora"_s);
    if (qEnvironmentVariableIsEmpty("KALAMORA_PROGRAM_DIR") || !QFile::exists(program))
        GTEST_SKIP() << "kalamora is not built";
    QTemporaryDir dir;
    for (const QString &writer : writers) {
        for (const QString &kind : {u"plain"_s, u"format"_s, u"table"_s, u"image"_s, u"kruti"_s}) {
            const QString name = writer + u"-"_s + kind;
            SCOPED_TRACE(name.toStdString());
            const QString out = dir.filePath(name + u".txt"_s);
            QProcess p;
            p.start(program, {u"convert"_s, fixture(name + u".rtf"_s), out});
            ASSERT_TRUE(p.waitForFinished(30000));
            ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
            TextControl tc;  // the written text file read back as the program reads text
            ASSERT_TRUE(tc.Load(out, 0, 1));
            EXPECT_EQ(tc.Text(), expectedText(name));
        }
    }
}

// HTML written by Save and by `kalamora convert` named its pictures
// "rtfpict:1" and carried them nowhere: every picture of the page is in the
// page itself, as a data: URI that decodes to the picture.
TEST(Fixtures, HtmlWithoutItsPictures)
{
    const auto pictures = [](const QByteArray &html) {
        QList<QImage> out;
        const QRegularExpression src(u"<img[^>]* src=\"([^\"]*)\""_s);
        for (auto it = src.globalMatch(QString::fromUtf8(html)); it.hasNext();) {
            const QString uri = it.next().captured(1);
            EXPECT_TRUE(uri.startsWith(u"data:image/"_s)) << uri.left(40).toStdString();
            out.append(QImage::fromData(QByteArray::fromBase64(uri.section(u',', 1).toLatin1())));
        }
        return out;
    };
    QTemporaryDir dir;
    // Pictures of every kind the control holds: PNG and JPEG data, one it
    // shows a stand-in for, an embedded file's icon, a fixed picture.
    const QString png = dir.filePath(u"p.png"_s), jpeg = dir.filePath(u"p.jpg"_s);
    QImage img(30, 20, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(png));
    ASSERT_TRUE(img.save(jpeg));
    TextControl tc;
    ASSERT_TRUE(tc.setRtf("{\\rtf1 metafile {\\pict\\wmetafile8\\picw100\\pich100\\picwgoal600\\pichgoal600 0102}\\par}"));
    tc.setSelStart(tc.Text().size());
    ASSERT_TRUE(tc.ObjectInsertAsChar(0, png, -1, 100, 100));
    ASSERT_TRUE(tc.ObjectInsertAsChar(0, jpeg, -1, 100, 100));
    ASSERT_TRUE(tc.ObjectInsertAsChar(1, png, -1, 100, 100));
    ASSERT_TRUE(tc.ObjectInsertFixed(0, png, 0, 0, 200, 200));
    const QString file = dir.filePath(u"all.htm"_s);
    ASSERT_TRUE(tc.Save(file, 0, TextControl::FormatHtml));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QImage> shown = pictures(f.readAll());
    ASSERT_EQ(shown.size(), 5);
    for (const QImage &i : shown)
        EXPECT_FALSE(i.isNull());

    const QString program = QDir(qEnvironmentVariable("KALAMORA_PROGRAM_DIR")).filePath(u"kalamora"_s);
    ASSERT_TRUE(QFile::exists(program));
    for (const QString &writer : writers) {
        const QString out = dir.filePath(writer + u".html"_s);
        QProcess p;
        p.start(program, {u"convert"_s, fixture(writer + u"-image.rtf"_s), out});
        ASSERT_TRUE(p.waitForFinished(30000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        QFile o(out);
        ASSERT_TRUE(o.open(QIODevice::ReadOnly));
        const QList<QImage> converted = pictures(o.readAll());
        ASSERT_EQ(converted.size(), 1) << writer.toStdString();
        EXPECT_EQ(converted[0].size(), QSize(40, 30)) << writer.toStdString();
    }
}
