// Loading and saving without the control gives the bytes the control's own
// Load and Save give, for every fixture in every format, so the command
// line, mail and the window agree on what a file holds.
#include "document/documentfile.h"
#include "document/sheets.h"
#include "textengine/textcontrol.h"

#include "tests/format/pdffile.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <map>
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
    EXPECT_TRUE(document::readFileBytes(file, 0, bytes, nullptr));
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
            const int format = document::fileFormatForSuffix(source);
            TextControl tc;
            ASSERT_TRUE(tc.Load(source, 0, format)) << tc.errorString().toStdString();
            QTextDocument doc;
            document::PageSetup page;
            QString error;
            ASSERT_TRUE(document::loadDocumentFile(doc, page, source, format, &error)) << error.toStdString();
            EXPECT_EQ(page, tc.pageSetup());
            const std::unique_ptr<QTextDocument> paged(document::pagedCopy(doc, page, nullptr));
            for (int out : {document::FileRtf, document::FileText, document::FileHtml}) {
                QByteArray mine;
                ASSERT_TRUE(document::encodeDocument(doc, page, out, std::max(1, paged->pageCount()), mine, &error));
                EXPECT_EQ(mine, saved(tc, tmp.filePath(u"control"_s), out)) << "format " << out;
            }
            if (source == in)
                saved(tc, html, document::FileHtml);
        }
    }
}

TEST(DocumentFile, FailuresLeaveTheDocumentAndNameTheCause)
{
    QTemporaryDir tmp;
    QTextDocument doc;
    doc.setPlainText(u"kept"_s);
    document::PageSetup page;
    QString error;
    const struct {
        QByteArray bytes;
        int format;
        const char *cause;
    } rows[] = {
        {"plain words", document::FileRtf, "not an RTF file"},
        {"{\\rtf1 x}", 3, "Unknown file format 3"},
    };
    for (const auto &row : rows) {
        EXPECT_FALSE(document::loadDocument(doc, page, row.bytes, row.format, &error));
        EXPECT_TRUE(error.contains(QLatin1StringView(row.cause))) << error.toStdString();
        EXPECT_EQ(doc.toPlainText(), u"kept"_s);
        EXPECT_EQ(page, document::PageSetup{});
    }
    EXPECT_FALSE(document::loadDocumentFile(doc, page, tmp.filePath(u"missing.rtf"_s), document::FileRtf, &error));
    EXPECT_TRUE(error.startsWith(u"Cannot open"_s)) << error.toStdString();
    // A failed write keeps the old file whole.
    const QString file = tmp.filePath(u"old.txt"_s);
    ASSERT_TRUE(document::writeFileBytes(file, 0, "old", &error));
    EXPECT_FALSE(document::writeFileBytes(file, -1, "new", &error));
    EXPECT_FALSE(document::writeFileBytes(tmp.filePath(u"no/such/dir.txt"_s), 0, "new", &error));
    QByteArray back;
    ASSERT_TRUE(document::readFileBytes(file, 0, back, &error));
    EXPECT_EQ(back, "old");
    // From an offset on: the bytes before it stay.
    ASSERT_TRUE(document::writeFileBytes(file, 2, "NEW", &error));
    ASSERT_TRUE(document::readFileBytes(file, 0, back, &error));
    EXPECT_EQ(back, "olNEW");
}

namespace {

// A sheet drawn at 72 dots per inch, one point a pixel.
QImage sheetImage(const document::Sheets &sheets, int page)
{
    QImage img(sheets.setup.width / 20, sheets.setup.height / 20, QImage::Format_RGB32);
    img.setDotsPerMeterX(2835);
    img.setDotsPerMeterY(2835);
    img.fill(Qt::white);
    QPainter p(&img);
    document::drawSheet(p, sheets, page);
    return img;
}

// Eight short pages with a header and a footer for the first page, the
// left (even) pages and the right ones, with page numbers, and a bordered
// table that breaks across a page.
QByteArray headedPages()
{
    QByteArray rtf = R"({\rtf1\ansi\deff0{\fonttbl{\f0 DejaVu Serif;}}\paperw8000\paperh5000)"
                     R"(\margl1000\margr900\margt900\margb1000\facingp\titlepg)"
                     R"({\headerf\pard First head \chpgn\par}{\footerf\pard First foot\par})"
                     R"({\headerl\pard Left head {\field{\*\fldinst PAGE}{\fldrslt 1}} of )"
                     R"({\field{\*\fldinst NUMPAGES}{\fldrslt 1}}\par}{\footerl\pard Left foot \chpgn\par})"
                     R"({\headerr\pard\qr Right head \chpgn\par}{\footerr\pard\qr Right foot \chpgn\par})";
    for (int i = 1; i <= 24; ++i) {
        rtf += "\\pard Line " + QByteArray::number(i) + " of the body.\\par\n";
        if (i == 9) {
            for (int r = 1; r <= 5; ++r)
                rtf += "\\trowd\\clbrdrt\\brdrs\\clbrdrl\\brdrs\\clbrdrb\\brdrs\\clbrdrr\\brdrs\\cellx3000"
                       "\\pard\\intbl Row " + QByteArray::number(r) + "\\cell\\row\n";
        }
    }
    return rtf + "}";
}

} // namespace

// The command line prints a PDF from a document the library loaded; the
// window prints what its control loaded. Both must give the same sheets,
// line for line, header for header.
TEST(DocumentFile, LibraryAndControlPrintTheSameSheets)
{
    QTemporaryDir tmp;
    const QString headed = tmp.filePath(u"headed.rtf"_s);
    ASSERT_TRUE(document::writeFileBytes(headed, 0, headedPages(), nullptr));
    QStringList files = fixtures();
    ASSERT_GE(files.size(), 20);
    files << headed << tmp.filePath(u"headed.html"_s);
    for (const QString &file : files) {
        SCOPED_TRACE(file.toStdString());
        const int format = document::fileFormatForSuffix(file);
        TextControl tc;
        ASSERT_TRUE(tc.Load(file, 0, format));
        if (file == headed)
            ASSERT_TRUE(tc.Save(files.last(), 0, document::FileHtml));
        QTextDocument doc;
        document::PageSetup page;
        ASSERT_TRUE(document::loadDocumentFile(doc, page, file, format, nullptr));
        const std::unique_ptr<QTextDocument> paged(document::pagedCopy(doc, page, nullptr));
        const document::Sheets mine{&doc, paged.get(), page, std::max(1, paged->pageCount())};
        const document::Sheets control = tc.sheets();
        ASSERT_EQ(mine.pages, control.pages);
        for (int p = 1; p <= mine.pages; ++p)
            EXPECT_EQ(sheetImage(mine, p), sheetImage(control, p)) << "page " << p;
    }

    // Each page of the PDF shows its own kind of header and footer, numbered.
    QTextDocument doc;
    document::PageSetup page;
    ASSERT_TRUE(document::loadDocumentFile(doc, page, headed, document::FileRtf, nullptr));
    const QString out = tmp.filePath(u"headed.pdf"_s);
    QString error;
    ASSERT_TRUE(document::writePdf(doc, page, out, &error)) << error.toStdString();
    const PdfFile pdf(out);
    const int pages = pdf.pages();
    ASSERT_GE(pages, 4);
    const QRegularExpression line(u"Line (\\d+) "_s);
    std::map<int, int> pageOfLine;
    for (int p = 1; p <= pages; ++p) {
        const QString text = pdf.text(p).simplified();
        const QString head = p == 1 ? u"First head 1"_s
            : p % 2 == 0            ? u"Left head %1 of %2"_s.arg(p).arg(pages)
                                    : u"Right head %1"_s.arg(p);
        const QString foot = p == 1 ? u"First foot"_s : (p % 2 ? u"Right foot %1"_s : u"Left foot %1"_s).arg(p);
        EXPECT_TRUE(text.contains(head) && text.count(u"head"_s) == 1) << p << ": " << text.toStdString();
        EXPECT_TRUE(text.contains(foot) && text.count(u"foot"_s) == 1) << p << ": " << text.toStdString();
        for (auto it = line.globalMatch(text); it.hasNext();) {
            const int n = it.next().captured(1).toInt();
            EXPECT_EQ(pageOfLine.count(n), 0u) << "line " << n << " is on two pages";
            pageOfLine[n] = p;
        }
    }
    EXPECT_EQ(pageOfLine.size(), 24u);
}

// Sections ride on their first paragraph or table in the window's document.
// A section right after a one-paragraph section was dropped on the way there;
// each row's sections, with their starts, pages and headers, must come back
// from the document as they were read, and stay so when saved again.
TEST(DocumentFile, SectionAfterAOneParagraphSectionDropped)
{
    const char *const rows[] = {
        R"(\pard A\sect\sectd{\header\pard H2\par}\pard B\sect\sectd\lndscpsxn\pgwsxn15840\pghsxn12240)"
        R"({\header\pard H3 {\field{\*\fldinst PAGE}{\fldrslt 1}}\par}\pard C\par)",
        R"(\pard A\sect\sectd\sbknone{\footer\pard F2\par}\trowd\cellx2000\pard\intbl t\cell\row\pard B\par)",
        R"(\pard A\par B\sect\sectd\sbkodd\titlepg{\headerf\pard H2\par}\pard C)",
        R"(\pard A\par\trowd\cellx2000\pard\intbl t\cell\row\pard\sect\sectd{\header\pard H2\par}\pard B\par)",
    };
    const auto sections = [](const rtf::Document &m) {
        std::string out;
        for (const rtf::Section &s : m.sections) {
            out += "@" + std::to_string(s.start) + " " + std::to_string(s.breakKind) + " "
                + std::to_string(s.page.width.value_or(0)) + (s.page.landscape ? " L" : "") + (s.titlePage ? " T" : "");
            for (const rtf::HeaderFooter &h : s.headers) {
                out += " " + std::to_string(h.kind) + std::to_string(h.pages) + ":";
                for (const rtf::Block &b : h.blocks)
                    for (const rtf::Inline &in : b.paragraph.inlines)
                        out += std::string(in.text.begin(), in.text.end()) + (in.field == rtf::Field::Page ? "<P>" : "");
            }
            out += "; ";
        }
        return out;
    };
    for (const char *row : rows) {
        SCOPED_TRACE(row);
        rtf::Document read;
        ASSERT_TRUE(rtf::read(std::string("{\\rtf1") + row + "}", read).ok);
        ASSERT_FALSE(read.sections.empty());
        QTextDocument doc;
        document::PageSetup page;
        document::loadRtf(doc, page, read);
        const rtf::Document model = document::documentModel(doc, page);
        EXPECT_EQ(sections(model), sections(read));
        const QByteArray saved = document::documentRtf(doc, page);
        QTextDocument again;
        ASSERT_TRUE(document::loadDocument(again, page, saved, document::FileRtf, nullptr));
        EXPECT_EQ(document::documentRtf(again, page), saved);
    }
}
