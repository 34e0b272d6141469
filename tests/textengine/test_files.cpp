#include "document/documentmodel.h"
#include "tests/textengine/printers.h"
#include "textengine/textcontrol.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
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

QByteArray pngBytes(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return data;
}

// A document with each thing RTF carries: formats, Kruti glyph text in the
// program's font, paragraph formats, a page break, a table and a picture.
void fill(TextControl &tc)
{
    tc.setPageWidth(11906);
    tc.setPageHeight(16838);
    tc.setPageMarginL(1134);
    tc.setPageMarginT(1000);
    tc.setPageMarginR(900);
    tc.setPageMarginB(800);
    tc.setSelText(u"Plain "_s);
    tc.setFontBold(true);
    tc.setSelText(u"bold"_s);
    tc.setFontBold(false);
    tc.setFontName(u"Glyphora 010"_s);
    tc.setFontSize(20);
    tc.setForeColor(0x0000FF);
    tc.setTextBkColor(0x00FFFF);
    tc.setSelText(u"d\u2018\u0192\u0081{}\\"_s);  // glyph codes 0x91 0x83 0x81
    tc.setFontName(u"Arial"_s);
    tc.setForeColor(0);
    tc.setSelText(u" \u0915\u093E \U0001F600\tx"_s);  // Unicode beyond Windows-1252
    tc.setSelText(u"\nsecond"_s);
    tc.setAlignMent(TextControl::AlignJustify);
    tc.setSelIndent(720);
    tc.setSelHangingIndent(360);
    tc.setSelRightIndent(288);
    tc.setSelText(u"\nitem"_s);
    tc.setSelBullet(true);
    tc.setSelText(u"\n"_s);
    tc.setSelBullet(false);
    tc.setSelIndent(0);
    tc.setSelHangingIndent(0);
    tc.setSelRightIndent(0);
    QTextCursor c = tc.textCursor();
    QTextBlockFormat bf = c.blockFormat();
    bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    bf.setAlignment(Qt::AlignLeft);
    c.setBlockFormat(bf);
    c.insertText(u"after the break"_s);
    c.insertBlock();
    bf.setPageBreakPolicy(QTextFormat::PageBreak_Auto);
    c.setBlockFormat(bf);
    QTextTableFormat tf;
    tf.setBorder(1);
    tf.setColumnWidthConstraints({QTextLength(QTextLength::FixedLength, 100), QTextLength(QTextLength::FixedLength, 150)});
    QTextTable *t = c.insertTable(2, 2, tf);
    t->cellAt(0, 0).firstCursorPosition().insertText(u"a1"_s);
    t->cellAt(0, 1).firstCursorPosition().insertText(u"b1"_s);
    t->cellAt(1, 0).firstCursorPosition().insertText(u"a2"_s);
    QTextCursor cc = t->cellAt(1, 1).firstCursorPosition();
    cc.insertText(u"b2"_s);
    cc.insertBlock();
    cc.insertText(u"b2 second"_s);
    c.setPosition(t->lastPosition() + 1);
    const QByteArray png = pngBytes(30, 20);
    tc.document()->addResource(QTextDocument::ImageResource, QUrl(u"img:1"_s), png);
    QTextImageFormat img;
    img.setName(u"img:1"_s);
    img.setWidth(45);
    img.setHeight(30);
    c.insertText(u"pic "_s);
    c.insertImage(img);
}

QString structure(const QTextDocument &doc)
{
    QString s;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        s += u"["_s + b.text() + u"]"_s;
        if (QTextCursor(b).currentTable())
            s += u"T"_s;
    }
    return s;
}

} // namespace

TEST(Files, RtfRoundTripKeepsTextFormatsPageTablesAndPictures)
{
    TextControl a;
    fill(a);
    const QByteArray rtf1 = a.toRtf();
    TextControl b;
    ASSERT_TRUE(b.setRtf(rtf1)) << b.errorString().toStdString();
    EXPECT_EQ(b.Text(), a.Text());
    EXPECT_EQ(structure(*b.document()), structure(*a.document()));
    const QByteArray rtf2 = b.toRtf();
    EXPECT_EQ(rtf2, rtf1);  // what we write we read back the same

    EXPECT_EQ(b.PageWidth(), 11906);
    EXPECT_EQ(b.PageHeight(), 16838);
    EXPECT_EQ(b.PageMarginL(), 1134);
    EXPECT_EQ(b.PageMarginT(), 1000);
    EXPECT_EQ(b.PageMarginR(), 900);
    EXPECT_EQ(b.PageMarginB(), 800);

    const QString text = b.Text();
    const auto select = [&](const QString &what) {
        const int at = text.indexOf(what);
        ASSERT_GE(at, 0) << what.toStdString();
        b.setSelStart(at);
        b.setSelLength(int(what.size()));
    };
    select(u"bold"_s);
    EXPECT_TRUE(b.FontBold());
    select(u"d\u2018\u0192\u0081"_s);
    EXPECT_EQ(b.FontName(), u"Glyphora 010"_s);
    EXPECT_EQ(b.FontSize(), 20);
    EXPECT_EQ(b.ForeColor(), 0x0000FF);
    EXPECT_EQ(b.TextBkColor(), 0x00FFFF);
    EXPECT_FALSE(b.FontBold());
    select(u"second"_s);
    EXPECT_EQ(b.AlignMent(), 3);
    EXPECT_EQ(b.SelIndent(), 720);
    EXPECT_EQ(b.SelHangingIndent(), 360);
    EXPECT_EQ(b.SelRightIndent(), 288);
    select(u"item"_s);
    EXPECT_TRUE(b.SelBullet());
    select(u"after"_s);
    EXPECT_EQ(b.textCursor().blockFormat().pageBreakPolicy(), QTextFormat::PageBreak_AlwaysBefore);
    select(u"b2 second"_s);
    QTextTable *t = b.textCursor().currentTable();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows(), 2);
    EXPECT_EQ(t->columns(), 2);
    EXPECT_EQ(t->cellAt(0, 1).firstCursorPosition().block().text(), u"b1"_s);
    // Glyph codes travel as Windows-1252 bytes under \fcharset0.
    EXPECT_NE(rtf1.indexOf("d\\'91\\'83\\'81\\{\\}\\\\"), -1);
    EXPECT_NE(rtf1.indexOf("\\u2325?"), -1);
    EXPECT_NE(rtf1.indexOf("\\pngblip"), -1);
}

TEST(Files, TablesAtTheStartAndMergedCellsRoundTrip)
{
    TextControl a;
    QTextCursor c(a.document());
    QTextTable *t = c.insertTable(3, 3);
    t->mergeCells(0, 0, 1, 2);
    t->mergeCells(1, 2, 2, 1);
    t->cellAt(0, 0).firstCursorPosition().insertText(u"wide"_s);
    t->cellAt(1, 2).firstCursorPosition().insertText(u"tall"_s);
    const QByteArray rtf1 = a.toRtf();
    TextControl b;
    ASSERT_TRUE(b.setRtf(rtf1));
    EXPECT_EQ(structure(*b.document()), structure(*a.document()));
    EXPECT_EQ(b.toRtf(), rtf1);
    c = QTextCursor(b.document());
    c.setPosition(1);
    QTextTable *bt = c.currentTable();
    ASSERT_NE(bt, nullptr);
    EXPECT_EQ(bt->cellAt(0, 0).columnSpan(), 2);
    EXPECT_EQ(bt->cellAt(1, 2).rowSpan(), 2);
}

TEST(Files, LoadSaveThroughFilesInEachFormat)
{
    QTemporaryDir dir;
    const QString rtf = dir.filePath(u"a.rtf"_s);
    const QString txt = dir.filePath(u"a.txt"_s);
    const QString htm = dir.filePath(u"a.htm"_s);
    TextControl a;
    a.setSelText(u"line d\u2018\nline two"_s);
    ASSERT_TRUE(a.Save(rtf, 0, 5));
    ASSERT_TRUE(a.Save(txt, 0, 1));
    ASSERT_TRUE(a.Save(htm, 0, 4));
    QFile f(txt);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("line d\x91\r\nline two"));
    for (const auto &[file, format] : {std::pair{rtf, 5}, {txt, 1}, {htm, 4}}) {
        TextControl b;
        ASSERT_TRUE(b.Load(file, 0, format)) << b.errorString().toStdString();
        EXPECT_EQ(b.Text(), a.Text()) << format;
    }
    // Import inserts at the caret, replacing the selection.
    TextControl c;
    c.setSelText(u"[XX]"_s);
    c.setSelStart(1);
    c.setSelLength(2);
    ASSERT_TRUE(c.RTFImport(rtf));
    EXPECT_EQ(c.Text(), u"[line d\u2018\nline two]"_s);
    c.setSelStart(0);
    ASSERT_TRUE(c.TextImport(txt));
    EXPECT_EQ(c.Text(), u"line d\u2018\nline two[line d\u2018\nline two]"_s);
    // Save from an offset keeps the bytes before it.
    QFile p(dir.filePath(u"p.rtf"_s));
    ASSERT_TRUE(p.open(QIODevice::WriteOnly));
    p.write("HEADER");
    p.close();
    ASSERT_TRUE(a.Save(p.fileName(), 6, 5));
    TextControl d;
    ASSERT_TRUE(d.Load(p.fileName(), 6, 5));
    EXPECT_EQ(d.Text(), a.Text());
}

TEST(Files, FailuresLeaveTheDocumentAndFilesAlone)
{
    QTemporaryDir dir;
    TextControl a;
    a.setSelText(u"keep"_s);
    const QString bad = dir.filePath(u"bad.rtf"_s);
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("this is no rtf");
    f.close();
    EXPECT_FALSE(a.Load(bad, 0, 5));
    EXPECT_FALSE(a.Load(bad, 0, 7));
    EXPECT_FALSE(a.Load(dir.filePath(u"missing.rtf"_s), 0, 5));
    EXPECT_EQ(a.Text(), u"keep"_s);
    EXPECT_FALSE(a.Save(dir.filePath(u"no/such/folder/x.rtf"_s), 0, 5));
    EXPECT_FALSE(a.Save(bad, 0, 2));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("this is no rtf"));
}

TEST(Files, HtmlCharacterSets)
{
    QTemporaryDir dir;
    struct Case {
        QByteArray bytes;
        QString text;
    };
    const Case cases[] = {
        // Glyph text in Windows-1252, with and without saying so.
        {"<html><head><meta charset=\"windows-1252\"></head><body>d\x91\x81</body></html>", u"d\u2018\u0081"_s},
        {"<html><body>d\x91\x83</body></html>", u"d\u2018\u0192"_s},
        {"<html><body>\xE0\xA4\x95</body></html>", u"\u0915"_s},
        {"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\"></head>"
         "<body>\xC1</body></html>", u"\u0430"_s},
    };
    for (const Case &c : cases) {
        const QString file = dir.filePath(u"a.htm"_s);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.bytes);
        f.close();
        TextControl tc;
        ASSERT_TRUE(tc.Load(file, 0, 4));
        EXPECT_EQ(tc.Text(), c.text) << c.bytes.toStdString();
    }
}

// Lengths far beyond any page (damage, or a hostile file) are bounded when
// read, so the document lays out at once instead of without end.
TEST(Files, AbsurdLengthsLayOutPromptly)
{
    const char *cases[] = {
        "{\\rtf1 \\li2147483647\\ri2147483647\\fi-2147483647 indents\\par x}",
        "{\\rtf1 \\sb2147483647\\sa2147483647 space\\par y}",
        "{\\rtf1 \\tx2147483647\\tqr\\tx-5 a\\tab b}",
        "{\\rtf1 {\\pict\\pngblip\\picwgoal2147483647\\pichgoal2147483647 89504e47}}",
        "{\\rtf1 \\trowd\\trgaph2147483647\\trleft-2147483647\\cellx2147483647\\cellx-2147483647"
        "\\intbl a\\cell b\\cell\\row}",
        "{\\rtf1\\paperw2147483647\\paperh1\\margl2147483647\\margr2147483647 page}",
    };
    for (const char *rtf : cases) {
        TextControl tc;
        tc.resize(600, 400);
        ASSERT_TRUE(tc.setRtf(QByteArray(rtf)));
        tc.setViewMode(1);
        const QSizeF size = tc.document()->documentLayout()->documentSize();
        EXPECT_LT(size.width(), 1e5) << rtf;
        EXPECT_LT(size.height(), 1e5) << rtf;
        EXPECT_GE(tc.CurrentPages(), 1);
        EXPECT_LE(tc.PageWidth(), 31680);
    }
}

TEST(Files, RtfCodePagesOfOtherScripts)
{
    struct Case {
        const char *rtf;
        QString text;
    };
    const Case cases[] = {
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset204 Cyr;}}\\f0 \\'c0\\'c1}", u"\u0410\u0411"_s},
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset128 Jp;}}\\f0 \\'82\\'a0}", u"\u3042"_s},    // one character, two bytes
        {"{\\rtf1\\ansi\\ansicpg1251 \\'c0}", u"\u0410"_s},                             // no font: the ANSI code page
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset0 Kruti Dev 010;}}\\f0 \\'c0\\'81}", u"\u00c0\u0081"_s},  // glyph codes
    };
    for (const Case &c : cases) {
        TextControl tc;
        ASSERT_TRUE(tc.setRtf(QByteArray(c.rtf)));
        EXPECT_EQ(tc.Text(), c.text) << c.rtf;
    }
}
