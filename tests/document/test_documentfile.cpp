// Loading and saving without the control gives the bytes the control's own
// Load and Save give, for every fixture in every format, so the command
// line, mail and the window agree on what a file holds.
#include "document/documentfile.h"
#include "textengine/textcontrol.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;

namespace {

QStringList fixtures()
{
    const QDir dir(QDir(qEnvironmentVariable("KALAMORA_SOURCE_DIR", u"../.."_s)).filePath(u"tests/textengine/fixtures"_s));
    QStringList files;
    for (const QString &name : dir.entryList({u"*.rtf"_s, u"*.txt"_s}, QDir::Files, QDir::Name))
        files << dir.filePath(name);
    return files;
}

QByteArray saved(TextControl &tc, const QString &file, int format)
{
    QByteArray bytes;
    EXPECT_TRUE(tc.Save(file, 0, format)) << tc.errorString().toStdString();
    EXPECT_TRUE(textengine::readFileBytes(file, 0, bytes, nullptr));
    return bytes;
}

} // namespace

TEST(DocumentFile, LibraryAndControlWriteTheSameBytes)
{
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QStringList files = fixtures();
    ASSERT_GE(files.size(), 20);
    // Each fixture, then what the control wrote of it as HTML read back.
    int n = 0;
    for (const QString &in : files) {
        const QString html = tmp.filePath(u"page%1.html"_s.arg(n++));
        for (const QString &source : {in, html}) {
            SCOPED_TRACE(source.toStdString());
            const int format = textengine::fileFormatForSuffix(source);
            TextControl tc;
            ASSERT_TRUE(tc.Load(source, 0, format)) << tc.errorString().toStdString();
            QTextDocument doc;
            textengine::PageSetup page;
            QString error;
            ASSERT_TRUE(textengine::loadDocumentFile(doc, page, source, format, &error)) << error.toStdString();
            EXPECT_EQ(page, tc.pageSetup());
            const std::unique_ptr<QTextDocument> paged(textengine::pagedCopy(doc, page, nullptr));
            for (int out : {textengine::FileRtf, textengine::FileText, textengine::FileHtml}) {
                QByteArray mine;
                ASSERT_TRUE(textengine::encodeDocument(doc, page, out, std::max(1, paged->pageCount()), mine, &error));
                EXPECT_EQ(mine, saved(tc, tmp.filePath(u"control"_s), out)) << "format " << out;
            }
            if (source == in)
                saved(tc, html, textengine::FileHtml);
        }
    }
}

TEST(DocumentFile, FailuresLeaveTheDocumentAndNameTheCause)
{
    QTemporaryDir tmp;
    QTextDocument doc;
    doc.setPlainText(u"kept"_s);
    textengine::PageSetup page;
    QString error;
    const struct {
        QByteArray bytes;
        int format;
        const char *cause;
    } rows[] = {
        {"plain words", textengine::FileRtf, "not an RTF file"},
        {"{\\rtf1 x}", 3, "Unknown file format 3"},
    };
    for (const auto &row : rows) {
        EXPECT_FALSE(textengine::loadDocument(doc, page, row.bytes, row.format, &error));
        EXPECT_TRUE(error.contains(QLatin1StringView(row.cause))) << error.toStdString();
        EXPECT_EQ(doc.toPlainText(), u"kept"_s);
        EXPECT_EQ(page, textengine::PageSetup{});
    }
    EXPECT_FALSE(textengine::loadDocumentFile(doc, page, tmp.filePath(u"missing.rtf"_s), textengine::FileRtf, &error));
    EXPECT_TRUE(error.startsWith(u"Cannot open"_s)) << error.toStdString();
    // A failed write keeps the old file whole.
    const QString file = tmp.filePath(u"old.txt"_s);
    ASSERT_TRUE(textengine::writeFileBytes(file, 0, "old", &error));
    EXPECT_FALSE(textengine::writeFileBytes(file, -1, "new", &error));
    EXPECT_FALSE(textengine::writeFileBytes(tmp.filePath(u"no/such/dir.txt"_s), 0, "new", &error));
    QByteArray back;
    ASSERT_TRUE(textengine::readFileBytes(file, 0, back, &error));
    EXPECT_EQ(back, "old");
    // From an offset on: the bytes before it stay.
    ASSERT_TRUE(textengine::writeFileBytes(file, 2, "NEW", &error));
    ASSERT_TRUE(textengine::readFileBytes(file, 0, back, &error));
    EXPECT_EQ(back, "olNEW");
}
