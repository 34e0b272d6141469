#include "format/frmprintview.h"
#include "format/printing.h"
#include "tests/format/pdffile.h"

#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QFile>
#include <QPageSetupDialog>
#include <QFontDatabase>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextTable>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <random>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;

namespace {

// A document of `pages` pages: one paragraph a page, each ending in a page
// break, "Page N" on page N.
void makePages(TextControl &tc, int pages)
{
    tc.setFontName(u"Glyphora 010"_s);
    for (int p = 1; p <= pages; ++p) {
        tc.setSelText(u"Page %1 kyk"_s.arg(p));
        if (p < pages)
            QTest::keyClick(&tc, Qt::Key_Return, Qt::ControlModifier);  // a page break
    }
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int pdfPages(const QByteArray &pdf)
{
    return int(QString::fromLatin1(pdf).count(QRegularExpression(u"/Type\\s*/Page(?!s)"_s)));
}

// Answers the print dialog: accepted with a page range (0 for all) and a
// number of copies, or cancelled.
struct PrintAnswer {
    explicit PrintAnswer(bool accept, int from = 0, int to = 0, int copies = 1)
    {
        textengine::setDialogHook([=, this](QDialog *d) {
            auto *pd = qobject_cast<QPrintDialog *>(d);
            if (!pd)
                return int(QDialog::Rejected);
            ++shown;
            rangeOffered = pd->testOption(QAbstractPrintDialog::PrintPageRange);
            maxPage = pd->maxPage();
            if (!accept)
                return int(QDialog::Rejected);
            if (from > 0) {
                pd->printer()->setPrintRange(QPrinter::PageRange);
                pd->printer()->setFromTo(from, to);
            }
            pd->printer()->setCopyCount(copies);
            return int(QDialog::Accepted);
        });
    }
    ~PrintAnswer() { textengine::setDialogHook({}); }
    int shown = 0;
    bool rangeOffered = false;
    int maxPage = 0;
};

} // namespace

TEST(Printing, PageRangeCopiesAndCancel)
{
    TextControl tc;
    makePages(tc, 5);
    ASSERT_EQ(tc.CurrentPages(), 5);
    QTemporaryDir dir;
    const struct {
        bool accept;
        int from, to, copies, sheets;
    } cases[] = {
        {true, 2, 3, 1, 2},  // pages 2 to 3: two sheets, one break between
        {true, 0, 0, 1, 5},
        {true, 4, 5, 2, 4},  // two copies of two pages
        {false, 0, 0, 1, -1},
    };
    int n = 0;
    for (const auto &c : cases) {
        const QString file = dir.filePath(u"print%1.pdf"_s.arg(++n));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        PrintAnswer answer(c.accept, c.from, c.to, c.copies);
        EXPECT_EQ(format::PrintDocument(nullptr, tc, printer, true), c.accept);
        EXPECT_EQ(answer.shown, 1);
        EXPECT_TRUE(answer.rangeOffered);
        EXPECT_EQ(answer.maxPage, 5);
        if (c.sheets < 0)
            EXPECT_FALSE(QFile::exists(file));
        else
            EXPECT_EQ(pdfPages(readAll(file)), c.sheets) << n;
    }
    // Pages print at their real size whatever the preview set.
    tc.setPrintZoom(40);
    const QString file = dir.filePath(u"size.pdf"_s);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    ASSERT_TRUE(format::printPages(tc, printer, 1, 1, 1));
    EXPECT_EQ(tc.PrintZoom(), 40);
    const QByteArray pdf = readAll(file);
    EXPECT_TRUE(QString::fromLatin1(pdf).contains(QRegularExpression(u"/MediaBox \\[0 0 612(\\.0*)? 792"_s)));
}

TEST(Printing, PdfExportEveryPageWithTheFontEmbedded)
{
    static const int font = QFontDatabase::addApplicationFont(qEnvironmentVariable("KALAMORA_PROGRAM_DIR")
                                                              + u"/GO10.TTF"_s);
    ASSERT_GE(font, 0) << "GO10.TTF missing from the program folder";
    TextControl tc;
    makePages(tc, 3);
    tc.setPageWidth(11906);
    tc.setPageHeight(16837);
    QTemporaryDir dir;
    const QString file = dir.filePath(u"out.pdf"_s);
    QString error;
    ASSERT_TRUE(format::exportPdf(tc, file, &error)) << error.toStdString();
    const QByteArray pdf = readAll(file);
    EXPECT_EQ(pdfPages(pdf), 3);
    EXPECT_TRUE(pdf.contains("/FontFile2"));
    EXPECT_TRUE(pdf.contains("Glyphora")) << "the program's font is embedded by name";
    EXPECT_TRUE(QString::fromLatin1(pdf).contains(QRegularExpression(u"/MediaBox \\[0 0 595(\\.0*)? 842"_s)))
        << "A4 in points";

    // A file that cannot be written is reported, and an existing file is
    // left whole.
    EXPECT_FALSE(format::exportPdf(tc, dir.filePath(u"missing/out.pdf"_s), &error));
    EXPECT_FALSE(error.isEmpty());
}

// Every page of a PDF also carried the first line of the next page, clipped
// out of sight, so that search, copy and screen readers met it twice. Pages
// of random documents (sizes, spacing, paragraphs and tables that break
// across pages, underlined runs): every word is on exactly one page, and
// the words outside tables in order (a row that breaks across pages puts
// the end of one cell after the start of the next).
TEST(Printing, PdfPagesHeldTheFirstLineOfTheNextPage)
{
    for (unsigned seed = 1; seed <= 3; ++seed) {
        std::mt19937 rng(seed);
        const auto pick = [&](int n) { return int(rng() % unsigned(n)); };
        TextControl tc;
        tc.setPageHeight(7200);
        tc.setPageMarginT(720);
        tc.setPageMarginB(720);
        int n = 0;
        std::set<int> inTables;
        const auto words = [&](int count) {
            QStringList w;
            for (int i = 0; i < count; ++i)
                w << u"w%1"_s.arg(++n);
            return w.join(u' ');
        };
        for (int para = 0; para < 14; ++para) {
            const int sizes[] = {9, 12, 18, 30};
            tc.setFontSize(sizes[pick(4)]);
            tc.setFontUnderline(pick(3) == 0);
            switch (pick(4)) {
            case 0:
            case 1:
                tc.setSelText(words(5 + pick(80)) + u"\n"_s);
                break;
            case 2: {
                const int rows = 2 + pick(6), cols = 1 + pick(3);
                ASSERT_TRUE(tc.TableInsert(rows, cols, -1));
                QTextTable *t = tc.textCursor().currentTable();
                for (int r = 0; r < rows; ++r) {
                    for (int c = 0; c < cols; ++c) {
                        const int first = n + 1;
                        t->cellAt(r, c).firstCursorPosition().insertText(words(1 + pick(12)));
                        for (int i = first; i <= n; ++i)
                            inTables.insert(i);
                    }
                }
                tc.setSelStart(t->lastPosition() + 1);
                break;
            }
            default: {
                QTextCursor c = tc.textCursor();
                QTextBlockFormat bf;
                bf.setLineHeight(150 + 50 * pick(2), QTextBlockFormat::ProportionalHeight);
                bf.setTopMargin(pick(40));
                c.mergeBlockFormat(bf);
                tc.setSelText(words(10 + pick(60)) + u"\n"_s);
                break;
            }
            }
        }
        QTemporaryDir dir;
        const QString file = dir.filePath(u"random.pdf"_s);
        ASSERT_TRUE(format::exportPdf(tc, file));
        const PdfFile pdf(file);
        ASSERT_EQ(pdf.pages(), tc.CurrentPages());
        ASSERT_GT(pdf.pages(), 3) << seed;
        std::map<int, QList<int>> pagesOf;
        for (int page = 1; page <= pdf.pages(); ++page) {
            for (const PdfWord &w : pdf.words(page))
                pagesOf[w.text.mid(1).toInt()].append(page);
        }
        int lastPage = 1;
        for (int i = 1; i <= n; ++i) {
            const QList<int> on = pagesOf[i];
            ASSERT_EQ(on.size(), 1) << "w" << i << " of seed " << seed << " is on " << on.size() << " pages";
            if (inTables.count(i))
                continue;
            EXPECT_GE(on[0], lastPage) << "w" << i << " of seed " << seed;
            lastPage = on[0];
        }
    }
}

TEST(PrintPreview, GeometryNavigationAndPrint)
{
    TextControl one;
    one.setSelText(u"one page"_s);
    {
        frmPrintView view(&one, {});
        view.resize(600, 800);
        view.arrange();
        EXPECT_FALSE(view.cmdPPage->isEnabled());
        EXPECT_FALSE(view.cmdNPage->isEnabled());
        EXPECT_EQ(view.VScroll1->maximum(), 0);
        // A portrait page: the picture is as tall as the window less 1200
        // twips, at the page's proportion, and the zoom fits it.
        const double tpp = 1440.0 / view.logicalDpiY();
        EXPECT_NEAR(view.picView->height() * tpp, 800 * tpp - 1200, tpp);
        EXPECT_NEAR(double(view.picView->width()) / view.picView->height(), 12240.0 / 15840, 0.01);
        EXPECT_NEAR(one.PrintZoom(), int((800 * tpp - 1200) * 100 / 15840), 1);
        EXPECT_EQ(view.picView->y(), int(std::lround(600 / tpp)));
        // It paints without a fault.
        EXPECT_FALSE(view.picView->grab().isNull());
    }

    TextControl three;
    makePages(three, 3);
    int printed = 0;
    auto *view = new frmPrintView(&three, [&] { ++printed; });
    view->resize(600, 800);
    view->show();
    view->arrange();
    EXPECT_EQ(view->currentPage(), 1);
    EXPECT_FALSE(view->cmdPPage->isEnabled());
    EXPECT_TRUE(view->cmdNPage->isEnabled());
    view->cmdNPage->click();
    EXPECT_EQ(view->currentPage(), 2);
    EXPECT_TRUE(view->cmdPPage->isEnabled());
    EXPECT_TRUE(view->cmdNPage->isEnabled());
    view->cmdNPage->click();
    view->cmdNPage->click();  // at the last page: nothing more
    EXPECT_EQ(view->currentPage(), 3);
    EXPECT_FALSE(view->cmdNPage->isEnabled());
    view->cmdPPage->click();
    view->cmdPPage->click();
    EXPECT_EQ(view->currentPage(), 1);
    EXPECT_FALSE(view->cmdPPage->isEnabled());

    // A landscape page fills the width less 300 twips.
    three.setPageWidth(15840);
    three.setPageHeight(12240);
    view->arrange();
    const double tpp = 1440.0 / view->logicalDpiX();
    EXPECT_NEAR(view->picView->width() * tpp, 600 * tpp - 300, tpp);

    QPointer<frmPrintView> alive(view);
    view->cmdPrint->click();
    EXPECT_EQ(printed, 1);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull()) << "the preview closes after printing";
}

TEST(Printing, PrintSetupChangesTheOrientationOnlyOnOk)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageOrientation(QPageLayout::Portrait);
    for (const bool accept : {false, true}) {
        textengine::setDialogHook([accept](QDialog *d) {
            auto *setup = qobject_cast<QPageSetupDialog *>(d);
            if (!setup)
                return int(QDialog::Rejected);
            setup->printer()->setPageOrientation(QPageLayout::Landscape);
            return int(accept ? QDialog::Accepted : QDialog::Rejected);
        });
        EXPECT_EQ(format::PrintSetup(nullptr, printer), accept);
        EXPECT_EQ(printer.pageLayout().orientation(), accept ? QPageLayout::Landscape : QPageLayout::Portrait);
    }
    textengine::setDialogHook({});
}
