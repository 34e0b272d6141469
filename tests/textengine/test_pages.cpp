#include "tests/textengine/printers.h"
#include "textengine/textcontrol.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextTable>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;

namespace {

// Five pages, each one paragraph; page `redPage` also holds a red picture.
void fivePages(TextControl &tc, int redPage)
{
    QImage red(60, 60, QImage::Format_RGB32);
    red.fill(Qt::red);
    tc.document()->addResource(QTextDocument::ImageResource, QUrl(u"red"_s), red);
    QTextCursor c(tc.document());
    for (int page = 1; page <= 5; ++page) {
        if (page > 1) {
            QTextBlockFormat bf;
            bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            c.insertBlock(bf);
        }
        c.insertText(u"Page %1 "_s.arg(page));
        if (page == redPage) {
            QTextImageFormat img;
            img.setName(u"red"_s);
            c.insertImage(img);
        }
    }
}

int redPixels(const QImage &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
    return n;
}

} // namespace

TEST(Pages, PagesPrintWhereTheyBelong)
{
    TextControl tc;
    fivePages(tc, 2);
    EXPECT_EQ(tc.CurrentPages(), 5);
    // A page as an image, at half size: only page 2 shows the picture.
    tc.setPrintZoom(50);
    for (int page = 1; page <= 3; ++page) {
        QImage img(tc.PageWidth() * 96 / 1440 / 2, tc.PageHeight() * 96 / 1440 / 2, QImage::Format_RGB32);
        img.fill(Qt::white);
        tc.setPrintDevice(&img);
        ASSERT_TRUE(tc.PrintPage(page));
        if (page == 2)
            EXPECT_GT(redPixels(img), 500);  // 30 by 30 at half size
        else
            EXPECT_EQ(redPixels(img), 0) << page;
    }
    EXPECT_FALSE(tc.PrintPage(0));
    EXPECT_FALSE(tc.PrintPage(6));
    // More text means more pages; the count follows the page setup too.
    tc.setPageHeight(3000);
    tc.setPageMarginT(1000);
    tc.setPageMarginB(1000);
    tc.setSelStart(0);
    tc.setSelText(QString(400, u'x').replace(u"xxxxx"_s, u"word "_s));
    EXPECT_GT(tc.CurrentPages(), 5);
}

TEST(Pages, PagesTwoToThreeOfFiveToPdf)
{
    TextControl tc;
    fivePages(tc, 3);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"p.pdf"_s);
    {
        QPdfWriter pdf(file);
        pdf.setResolution(300);
        QPainter painter(&pdf);
        tc.setPrintPainter(&painter);
        for (int page = 2; page <= 3; ++page) {
            if (page > 2)
                pdf.newPage();
            ASSERT_TRUE(tc.PrintPage(page));
        }
        tc.setPrintPainter(nullptr);
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString pdfText = QString::fromLatin1(f.readAll());
    EXPECT_EQ(pdfText.count(QRegularExpression(u"/Type\\s*/Page(?!s)"_s)), 2);
}

TEST(Tables, InsertFindAndDeleteRows)
{
    TextControl tc;
    tc.setSelText(u"before"_s);
    int changes = 0;
    QObject::connect(&tc, &TextControl::Change, [&] { ++changes; });
    EXPECT_EQ(tc.TableAtInputPos(), 0);
    EXPECT_TRUE(tc.TableCanInsert());
    EXPECT_FALSE(tc.TableCanDeleteLines());
    EXPECT_FALSE(tc.TableInsert(0, 3, -1));
    ASSERT_TRUE(tc.TableInsert(3, 2, -1));  // rows first
    EXPECT_EQ(changes, 1);
    QTextTable *t = tc.textCursor().currentTable();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows(), 3);
    EXPECT_EQ(t->columns(), 2);
    EXPECT_EQ(tc.TableAtInputPos(), 1);
    EXPECT_FALSE(tc.TableCanInsert());
    EXPECT_TRUE(tc.TableCanDeleteLines());
    EXPECT_FALSE(tc.TableInsert(2, 2, -1));  // no table in a table
    tc.setSelText(u"r1"_s);
    // A second table after the first one is number 2.
    ASSERT_TRUE(tc.TableInsert(1, 1, tc.document()->characterCount() - 1));
    EXPECT_EQ(tc.TableAtInputPos(), 2);
    // Delete the rows a selection touches: rows 2 and 3 of the first table.
    QTextCursor c = t->cellAt(1, 0).firstCursorPosition();
    c.setPosition(t->cellAt(2, 1).firstCursorPosition().position(), QTextCursor::KeepAnchor);
    tc.setTextCursor(c);
    ASSERT_TRUE(tc.TableDeleteLines());
    EXPECT_EQ(t->rows(), 1);
    tc.setTextCursor(t->cellAt(0, 0).firstCursorPosition());
    ASSERT_TRUE(tc.TableDeleteLines());  // the last row takes the table with it
    EXPECT_EQ(tc.TableAtInputPos(), 0);
    EXPECT_FALSE(tc.TableDeleteLines());
    EXPECT_TRUE(tc.Text().startsWith(u"before"_s));
}

TEST(Objects, PictureInsertedAsCharacterIsKeptInRtf)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"p.png"_s);
    QImage img(20, 10, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(file));
    TextControl tc;
    tc.setSelText(u"ab"_s);
    ASSERT_TRUE(tc.ObjectInsertAsChar(0, file, 1, 200, 100));
    EXPECT_EQ(tc.Text(), u"a\uFFFCb"_s);
    const QByteArray rtf = tc.toRtf();
    EXPECT_NE(rtf.indexOf("\\pngblip"), -1);
    EXPECT_NE(rtf.indexOf("\\picwgoal600\\pichgoal150"), -1);
    EXPECT_FALSE(tc.ObjectInsertAsChar(0, dir.filePath(u"none.png"_s), -1, 100, 100));
    EXPECT_FALSE(tc.ObjectInsertAsChar(0, dir.path(), -1, 100, 100));
    EXPECT_EQ(tc.Text(), u"a\uFFFCb"_s);
}

TEST(Pages, PageViewPutsEachPageOnItsSheet)
{
    TextControl tc;
    tc.resize(900, 600);
    ASSERT_TRUE(tc.setRtf("{\\rtf1\\paperw12240\\paperh7000\\margl1440\\margr1440\\margt1000\\margb1000 "
                          "one\\par\\page two\\par\\page three}"));
    const auto top = [&](const QString &text) {
        for (QTextBlock b = tc.document()->begin(); b.isValid(); b = b.next()) {
            if (b.text() == text)
                return tc.document()->documentLayout()->blockBoundingRect(b).top();
        }
        return -1.0;
    };
    const double twip = 96.0 / 1440;  // the offscreen screen's units
    tc.setViewMode(1);
    EXPECT_EQ(tc.ViewMode(), 1);
    EXPECT_NEAR(top(u"one"_s), 1000 * twip, 2);
    // Page two's sheet starts below page one's and a strip of desk.
    EXPECT_GT(top(u"two"_s), (7000 + 1000) * twip);
    EXPECT_LT(top(u"two"_s), (7000 + 1000 + 600) * twip);
    EXPECT_EQ(tc.CurrentPages(), 3);
    tc.setViewMode(0);
    EXPECT_LT(top(u"two"_s), 100);
    tc.setViewMode(7);
    EXPECT_EQ(tc.ViewMode(), 0);
    tc.setZoomFactor(1000);
    EXPECT_EQ(tc.ZoomFactor(), 400);
}

TEST(Pages, CtrlEnterBreaksThePage)
{
    TextControl tc;
    QList<int> keys;
    QObject::connect(&tc, &TextControl::KeyPress, [&](int &key) { keys << key; });
    tc.setSelText(u"one"_s);
    QTest::keyClick(&tc, Qt::Key_Return, Qt::ControlModifier);
    tc.setSelText(u"two"_s);
    EXPECT_EQ(keys, QList<int>{10});
    EXPECT_EQ(tc.Text(), u"one\ntwo"_s);
    EXPECT_EQ(tc.CurrentPages(), 2);
    EXPECT_NE(tc.toRtf().indexOf("\\pagebb"), -1);
}
