// Zoom and view geometry, and the ruler.
#include "document/documentmodel.h"
#include "document/units.h"
#include "tests/textengine/printers.h"
#include "textengine/ruler.h"
#include "textengine/textcontrol.h"
#include "textengine/zoomview.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStyleHints>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFrame>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;
using textengine::TXRuler;
using textengine::ZoomView;

namespace {

void fill(TextControl &tc, int paragraphs)
{
    QStringList lines;
    for (int i = 0; i < paragraphs; ++i)
        lines << u"Line %1 of the text, long enough to matter somewhat"_s.arg(i);
    tc.setText(lines.join(u'\n'));
}

// A shown window with a ruler above a control, as the program lays them out.
struct RulerWindow {
    QWidget window;
    TXRuler *ruler = new TXRuler(&window);
    TextControl *tc = new TextControl(&window);

    explicit RulerWindow(QSize size)
    {
        auto *box = new QVBoxLayout(&window);
        box->addWidget(ruler);
        box->addWidget(tc);
        window.resize(size);
        window.show();
    }
};

// The rightmost column of the viewport that holds a dark pixel.
int rightmostInk(TextControl &tc)
{
    const QImage img = tc.viewport()->grab().toImage();
    int right = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = img.width() - 1; x > right; --x)
            if (qGray(img.pixel(x, y)) < 80) {
                right = x;
                break;
            }
    return right;
}

} // namespace

// A click lands on the character drawn under it, in both views and at every
// zoom: the view maps the mouse through the same transform it paints with.
TEST(LayoutView, ClickPlacesTheCaretUnderTheMouse)
{
    struct Case {
        int view, zoom;
    } cases[] = {{0, 100}, {0, 50}, {0, 200}, {1, 100}, {1, 50}, {1, 200}, {1, 10}, {1, 400}};
    for (const Case &k : cases) {
        SCOPED_TRACE(testing::Message() << "view " << k.view << " zoom " << k.zoom);
        TextControl tc;
        tc.resize(900, 600);
        tc.show();
        fill(tc, 40);
        tc.setViewMode(k.view);
        tc.setZoomFactor(k.zoom);
        QCoreApplication::processEvents();
        ZoomView *zv = ZoomView::of(&tc);
        const int target = tc.Text().indexOf(u"Line 3 "_s) + 10;  // inside the fourth paragraph
        QTextCursor c(tc.document());
        c.setPosition(target);
        tc.setTextCursor(c);
        QCoreApplication::processEvents();
        const QRectF caret = QRectF(tc.cursorRect()).translated(tc.horizontalScrollBar()->value(),
                                                                tc.verticalScrollBar()->value());
        tc.setSelStart(target + 20);  // elsewhere on the same line: no scrolling
        QCoreApplication::processEvents();
        // Just right of the caret's line, inside the character after it.
        const QPointF at = zv->toViewport(caret.center() + QPointF(1.5, 0));
        ASSERT_TRUE(tc.viewport()->rect().contains(at.toPoint()));
        int downX = -1, downY = -1;
        QObject::connect(&tc, &TextControl::MouseDown, &tc, [&](int, int, int x, int y) {
            downX = x;
            downY = y;
        });
        QTest::mouseClick(tc.viewport(), Qt::LeftButton, {}, at.toPoint());
        EXPECT_NEAR(tc.SelStart(), target, k.zoom >= 50 ? 1 : 2);
        // The event reports where the mouse was on the control, in twips.
        const QPoint onControl = tc.viewport()->mapTo(&tc, at.toPoint());
        EXPECT_NEAR(downX, onControl.x() * 1440 / tc.logicalDpiX(), 15);
        EXPECT_NEAR(downY, onControl.y() * 1440 / tc.logicalDpiY(), 15);
    }
}

TEST(LayoutView, ZoomScalesWhatIsDrawnButNotTheDocument)
{
    TextControl tc;
    tc.resize(900, 400);
    tc.show();
    tc.setText(u"MMMMMMMMMMMMMMMMMMMM"_s);
    const QTextCharFormat before = tc.document()->begin().charFormat();
    QCoreApplication::processEvents();
    tc.setFocus();
    const int at100 = rightmostInk(tc);
    tc.setZoomFactor(200);
    QCoreApplication::processEvents();
    const int at200 = rightmostInk(tc);
    ASSERT_GT(at100, 20);
    EXPECT_NEAR(double(at200) / at100, 2.0, 0.15);
    EXPECT_EQ(tc.document()->begin().charFormat(), before);
    // Out-of-range factors are held to 10..400.
    tc.setZoomFactor(1000);
    EXPECT_EQ(tc.ZoomFactor(), 400);
    tc.setZoomFactor(0);
    EXPECT_EQ(tc.ZoomFactor(), 10);
}

// Continuous text wraps to the window as the zoom shows it, and the scroll
// range covers exactly the scaled document.
TEST(LayoutView, ContinuousViewWrapsAndScrollsAtTheZoom)
{
    TextControl tc;
    tc.resize(600, 400);
    tc.show();
    fill(tc, 200);
    for (int zoom : {50, 200}) {
        SCOPED_TRACE(zoom);
        tc.setZoomFactor(zoom);
        QCoreApplication::processEvents();
        const double z = zoom / 100.0;
        EXPECT_NEAR(tc.document()->textWidth(), tc.viewport()->width() / z, 2);
        const double docH = tc.document()->documentLayout()->documentSize().height();
        EXPECT_NEAR(tc.verticalScrollBar()->maximum(), docH - tc.viewport()->height() / z, 2);
        // The caret at the end is scrolled into sight.
        tc.moveCursor(QTextCursor::End);
        QCoreApplication::processEvents();
        const QPointF caret = ZoomView::of(&tc)->toViewport(
            QRectF(tc.cursorRect()).translated(0, tc.verticalScrollBar()->value()).bottomLeft());
        EXPECT_LE(caret.y(), tc.viewport()->height() + 1);
        EXPECT_GT(caret.y(), 0);
        EXPECT_NEAR(tc.ScrollPosY(), document::unitsToTwips(tc.verticalScrollBar()->value()), 1);
        tc.moveCursor(QTextCursor::Start);
    }
}

// Page view at 50 percent centres the smaller page in the window.
TEST(LayoutView, PageViewCentresTheScaledPage)
{
    TextControl tc;
    tc.resize(1000, 600);
    tc.show();
    fill(tc, 5);
    tc.setViewMode(1);
    tc.setZoomFactor(50);
    QCoreApplication::processEvents();
    ZoomView *zv = ZoomView::of(&tc);
    const double pageW = document::twipsToUnits(tc.PageWidth());
    const QPointF left = zv->toViewport({0, 0});
    const QPointF right = zv->toViewport({pageW, 0});
    EXPECT_NEAR(right.x() - left.x(), pageW / 2, 1);
    const double total = tc.viewport()->width() + tc.viewport()->x() - tc.frameWidth();
    EXPECT_NEAR(left.x() + (tc.viewport()->x() - tc.frameWidth()), (total - pageW / 2) / 2, 2);
    // Back at 100 the control centres the page itself again.
    tc.setZoomFactor(100);
    QCoreApplication::processEvents();
    EXPECT_NEAR(zv->toViewport({0, 0}).x(), 0, 1);
}

TEST(Ruler, AttachesByHandleAndDetachesWithZero)
{
    TXRuler ruler;
    TextControl a, b;
    EXPECT_NE(ruler.handle(), 0u);
    a.setRulerHandle(ruler.handle());
    EXPECT_EQ(ruler.control(), &a);
    EXPECT_EQ(a.RulerHandle(), ruler.handle());
    // Attaching to another control takes it from the first.
    b.setProperty("RulerHandle", QVariant::fromValue<qulonglong>(ruler.handle()));
    EXPECT_EQ(ruler.control(), &b);
    EXPECT_EQ(a.RulerHandle(), 0u);
    b.setRulerHandle(0);
    EXPECT_EQ(ruler.control(), nullptr);
    EXPECT_EQ(b.RulerHandle(), 0u);
    // A handle that names no ruler detaches too, and a destroyed control
    // leaves the ruler detached.
    {
        TextControl c;
        c.setRulerHandle(ruler.handle());
        c.setRulerHandle(ruler.handle() + 1000);
        EXPECT_EQ(ruler.control(), nullptr);
        c.setRulerHandle(ruler.handle());
    }
    EXPECT_EQ(ruler.control(), nullptr);
}

TEST(Ruler, DraggingMarkersSetsTheIndents)
{
    for (int zoom : {100, 50}) {
        SCOPED_TRACE(zoom);
        RulerWindow w({1000, 500});
        TXRuler *ruler = w.ruler;
        TextControl *tc = w.tc;
        tc->setViewMode(1);
        tc->setZoomFactor(zoom);
        tc->setText(u"A paragraph\nAnother"_s);
        tc->setSelStart(0);
        tc->setRulerHandle(ruler->handle());
        QCoreApplication::processEvents();

        const int bottom = ruler->height() - 2;
        // The other lines' marker from 0 to one inch.
        QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(0)), bottom));
        QTest::mouseMove(ruler, QPoint(int(ruler->xOfTwips(900)), bottom));
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(1440)), bottom));
        EXPECT_NEAR(tc->SelIndent() + tc->SelHangingIndent(), 1440, 100);
        EXPECT_EQ(tc->SelIndent(), 0);
        // The first line's marker to half an inch; the other lines stay.
        QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(0)), 2));
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(720)), 2));
        EXPECT_NEAR(tc->SelIndent(), 720, 100);
        EXPECT_NEAR(tc->SelIndent() + tc->SelHangingIndent(), 1440, 100);
        // The right indent marker an inch in from the right margin.
        const double textW = tc->PageWidth() - tc->PageMarginL() - tc->PageMarginR();
        QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(textW)), bottom));
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(textW - 1440)), bottom));
        EXPECT_NEAR(tc->SelRightIndent(), 1440, 100);
        // A click adds a tab stop of the control's kind; it drags along, and
        // off the ruler it goes.
        tc->setTabType(TextControl::TabRight);
        const int mid = ruler->height() * 3 / 4;
        QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(2880)), mid));
        auto tabs = tc->textCursor().blockFormat().tabPositions();
        ASSERT_EQ(tabs.size(), 1);
        EXPECT_NEAR(document::unitsToTwips(tabs[0].position), 2880, 100);
        EXPECT_EQ(tabs[0].type, QTextOption::RightTab);
        QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(2880)), mid));
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(4320)), mid));
        tabs = tc->textCursor().blockFormat().tabPositions();
        ASSERT_EQ(tabs.size(), 1);
        EXPECT_NEAR(document::unitsToTwips(tabs[0].position), 4320, 100);
        QTest::mousePress(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(4320)), mid));
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, QPoint(int(ruler->xOfTwips(4320)), ruler->height() * 4));
        EXPECT_TRUE(tc->textCursor().blockFormat().tabPositions().isEmpty());
        // Only the caret's paragraph changed.
        tc->setSelStart(tc->Text().indexOf(u"Another"_s));
        EXPECT_EQ(tc->SelIndent(), 0);
        EXPECT_EQ(tc->SelRightIndent(), 0);
    }
}

// A document with text, a table and a picture: the page view, CurrentPages
// and the printed PDF agree on the pages, and each printed page carries ink
// where page view has text.
TEST(LayoutView, PrintedPagesMatchPageView)
{
    TextControl tc;
    tc.resize(900, 700);
    tc.show();
    QStringList lines;
    for (int i = 0; i < 110; ++i)
        lines << u"Paragraph %1 with a few words in it, enough for one line or two of text."_s.arg(i);
    tc.setText(lines.join(u'\n'));
    tc.setSelStart(tc.Text().indexOf(u"Paragraph 30 "_s));
    ASSERT_TRUE(tc.TableInsert(12, 3, -1));
    QImage pic(200, 150, QImage::Format_RGB32);
    pic.fill(Qt::red);
    QTemporaryDir dir;
    pic.save(dir.filePath(u"r.png"_s));
    tc.setSelStart(tc.Text().indexOf(u"Paragraph 100 "_s));
    ASSERT_TRUE(tc.ObjectInsertAsChar(0, dir.filePath(u"r.png"_s), -1, 100, 100));
    tc.setViewMode(1);
    QCoreApplication::processEvents();
    const int viewPages = tc.document()->pageCount();
    ASSERT_GE(viewPages, 3);
    EXPECT_EQ(tc.CurrentPages(), viewPages);

    const QString file = dir.filePath(u"all.pdf"_s);
    {
        QPdfWriter pdf(file);
        pdf.setResolution(150);
        QPainter painter(&pdf);
        tc.setPrintPainter(&painter);
        for (int page = 1; page <= tc.CurrentPages(); ++page) {
            if (page > 1)
                pdf.newPage();
            ASSERT_TRUE(tc.PrintPage(page));
        }
        tc.setPrintPainter(nullptr);
    }
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(f.readAll()).count(QRegularExpression(u"/Type\\s*/Page(?!s)"_s)), viewPages);

    // The red picture prints on the page where page view shows it.
    QTextCursor at(tc.document());
    at.setPosition(tc.Text().indexOf(u"Paragraph 100 "_s) + 1);
    const int picturePage = static_cast<int>(tc.cursorRect(at).translated(0, tc.verticalScrollBar()->value()).top()
                                             / tc.document()->pageSize().height()) + 1;
    for (int page = 1; page <= viewPages; ++page) {
        QImage img(425, 550, QImage::Format_RGB32);
        img.fill(Qt::white);
        tc.setPrintDevice(&img);
        tc.setPrintZoom(50);
        ASSERT_TRUE(tc.PrintPage(page));
        int red = 0;
        for (int y = 0; y < img.height(); y += 2)
            for (int x = 0; x < img.width(); x += 2)
                red += img.pixel(x, y) == qRgb(255, 0, 0);
        EXPECT_EQ(red > 0, page == picturePage) << "page " << page;
    }
    EXPECT_FALSE(tc.PrintPage(viewPages + 1));
    EXPECT_FALSE(tc.PrintPage(0));
}

// Page view's own layout is no step of the document's history.
TEST(LayoutView, PageViewOfAFreshDocumentLeavesNothingToUndo)
{
    TextControl tc;
    tc.resize(800, 600);
    tc.setViewMode(1);
    EXPECT_FALSE(tc.document()->isUndoAvailable());
    TextControl other;
    other.setText(u"Some text"_s);
    ASSERT_TRUE(tc.setRtf(other.toRtf()));
    EXPECT_FALSE(tc.document()->isUndoAvailable());
    EXPECT_EQ(tc.Text(), u"Some text"_s);
    tc.setSelStart(0);
    tc.setSelText(u"x"_s);
    tc.document()->undo();
    EXPECT_EQ(tc.Text(), u"Some text"_s);
    EXPECT_GT(tc.document()->rootFrame()->frameFormat().topMargin(), 50);
}

// A switch of the view was an undo step of the document's: page view set
// its margins in the document, so the next Undo took the switch back and
// seemed to do nothing, and a switch after an Undo ended the Redo.
TEST(LayoutView, ViewSwitchWasAnUndoStep)
{
    TextControl tc;
    tc.resize(800, 600);
    tc.setSelText(u"one "_s);
    tc.setSelText(u"two"_s);
    tc.document()->undo();
    tc.setViewMode(1);
    tc.setViewMode(0);
    tc.setViewMode(1);
    EXPECT_TRUE(tc.document()->isRedoAvailable());
    tc.document()->undo();
    EXPECT_EQ(tc.Text(), QString());
    tc.document()->redo();
    tc.document()->redo();
    EXPECT_EQ(tc.Text(), u"one two"_s);
}

// Headers and footers live in the root frame's format too, and an edit of
// them is an undo step: taking one back must not bring back the margins of
// the view that was shown when it was made.
TEST(LayoutView, UndoOfAHeaderKeepsTheViewsMargins)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"head.rtf"_s);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"({\rtf1{\header\pard Head\par}\pard Body\par})");
    f.close();
    for (const int view : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "imported in view " << view);
        TextControl tc;
        tc.resize(800, 600);
        tc.setViewMode(view);
        tc.setViewMode(1 - view);
        tc.setViewMode(view);
        const QTextFrameFormat before = tc.document()->rootFrame()->frameFormat();
        ASSERT_TRUE(tc.RTFImport(file));
        tc.setViewMode(1 - view);
        const QTextFrameFormat shown = tc.document()->rootFrame()->frameFormat();
        tc.document()->undo();
        QCoreApplication::processEvents();
        EXPECT_EQ(tc.Text(), QString());
        const QTextFrameFormat now = tc.document()->rootFrame()->frameFormat();
        EXPECT_FALSE(now.hasProperty(document::PageStoriesProperty));
        EXPECT_DOUBLE_EQ(now.topMargin(), shown.topMargin());
        EXPECT_DOUBLE_EQ(now.leftMargin(), shown.leftMargin());
        EXPECT_NE(now.topMargin(), before.topMargin());
    }
}

// Continuous view counts the pages that page view counted when it was
// left; the count is the one a control that never showed pages makes, also
// after an edit or a change of the page setup.
TEST(LayoutView, PagesCountedInPageViewAreThoseOfThePagedCopy)
{
    struct Row {
        int width, height, margins;
    };
    for (const Row row : {Row{12240, 15840, 1440}, Row{12240, 15840, 200}, Row{8000, 3000, 1400}, Row{8000, 4000, 1400},
                          Row{3000, 3000, 100}}) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height << " margins " << row.margins);
        TextControl viewed, plain;
        for (TextControl *tc : {&viewed, &plain}) {
            tc->resize(700, 500);
            tc->setPageWidth(row.width);
            tc->setPageHeight(row.height);
            tc->setPageMarginL(row.margins);
            tc->setPageMarginR(row.margins);
            tc->setPageMarginT(row.margins);
            tc->setPageMarginB(row.margins);
            fill(*tc, 40);
        }
        viewed.setViewMode(1);
        // (A page with less than half an inch for text is given that half
        // inch on paper, not on the screen.)
        const bool tooSmall = row.height - 2 * row.margins < 720;
        EXPECT_EQ(viewed.CurrentPages() == plain.CurrentPages(), !tooSmall);
        viewed.setViewMode(0);
        EXPECT_EQ(viewed.CurrentPages(), plain.CurrentPages());
        for (TextControl *tc : {&viewed, &plain})
            tc->setSelText(u"more\nand more\n"_s.repeated(20));
        EXPECT_EQ(viewed.CurrentPages(), plain.CurrentPages()) << "after an edit";
        viewed.setViewMode(1);
        viewed.CurrentPages();
        viewed.setViewMode(0);
        for (TextControl *tc : {&viewed, &plain})
            tc->setPageMarginT(row.margins * 2);
        EXPECT_EQ(viewed.CurrentPages(), plain.CurrentPages()) << "after a change of the margins";
    }
}

// Random edits, undos and redos on two controls, one of which also
// switches views, resizes and changes its page margins: what Undo and Redo
// do, whether the document counts as modified and what it saves are the
// same in both, and page view keeps its margins through all of it.
TEST(LayoutView, ViewChangesLeaveTheHistoryAlone)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 rng(seed);
        const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        TextControl viewed, plain;
        viewed.resize(700, 500);
        plain.resize(700, 500);
        const QString words[] = {u"alpha "_s, u"beta\n"_s, u"gamma"_s, u"\n"_s};
        for (int step = 0; step < 60; ++step) {
            const int op = pick(9);
            QString what;
            if (op < 3) {
                const QString word = words[pick(4)];
                const int at = pick(plain.Text().size() + 1);
                what = u"type at %1"_s.arg(at);
                for (TextControl *tc : {&viewed, &plain}) {
                    tc->setSelStart(at);
                    tc->setSelText(word);
                }
            } else if (op == 3) {
                what = u"undo"_s;
                viewed.document()->undo();
                plain.document()->undo();
            } else if (op == 4) {
                what = u"redo"_s;
                viewed.document()->redo();
                plain.document()->redo();
            } else if (op == 5) {
                what = u"save"_s;
                viewed.document()->setModified(false);
                plain.document()->setModified(false);
            } else if (op == 6) {
                what = u"switch the view"_s;
                viewed.setViewMode(1 - viewed.ViewMode());
            } else if (op == 7) {
                what = u"resize"_s;
                viewed.resize(500 + pick(500), 400);
            } else {
                const int margin = 360 + 360 * pick(4);
                what = u"margins %1"_s.arg(margin);
                for (TextControl *tc : {&viewed, &plain}) {
                    tc->setPageMarginL(margin);
                    tc->setPageMarginT(margin + 100);
                }
            }
            SCOPED_TRACE(testing::Message() << "step " << step << ": " << what.toStdString());
            const QTextDocument *a = viewed.document();
            const QTextDocument *b = plain.document();
            ASSERT_EQ(viewed.Text(), plain.Text());
            ASSERT_EQ(a->availableUndoSteps(), b->availableUndoSteps());
            ASSERT_EQ(a->availableRedoSteps(), b->availableRedoSteps());
            ASSERT_EQ(a->isModified(), b->isModified());
            ASSERT_EQ(viewed.toRtf(), plain.toRtf());
            if (viewed.ViewMode() == 1) {
                const QTextFrameFormat root = a->rootFrame()->frameFormat();
                ASSERT_DOUBLE_EQ(root.leftMargin(), document::twipsToUnits(viewed.PageMarginL()));
                ASSERT_DOUBLE_EQ(root.topMargin(), document::twipsToUnits(viewed.PageMarginT()));
            }
        }
    }
}

namespace {

// Ends the test program with a message when the code under test does not
// come back in time: a hang is a failure, with the case it hung on.
class Watchdog {
public:
    explicit Watchdog(int seconds)
        : m_thread([this, seconds] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, std::chrono::seconds(seconds), [this] { return m_finished; })) {
                  std::fprintf(stderr, "hung: %s\n", m_case.c_str());
                  std::_Exit(1);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }
    void at(std::string c)
    {
        std::lock_guard lock(m_mutex);
        m_case = std::move(c);
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::string m_case;
    std::thread m_thread;
};

} // namespace

// Page view hung below 100 percent at some window widths, even with plain
// text: the control sized its scroll bars for its own layout, the scaled
// view for what it shows, and each bar one showed and the other hid resized
// the viewport and started both over (offscreen: width 900, zoom 50). In
// both views, at every zoom, for widths swept through and the window resized
// while zoomed, the control comes to rest: the viewport keeps its size, and
// the horizontal bar shows when the page is wider than the view shows.
TEST(LayoutView, PageViewHungAtZoomBelow100)
{
    Watchdog dog(60);
    for (const int view : {1, 0}) {
        for (const int zoom : {50, 10, 25, 75, 150, 200, 400}) {
            TextControl tc;
            fill(tc, view == 1 ? 1 : 60);
            tc.resize(900, 600);
            tc.show();
            tc.setViewMode(view);
            const std::string name = "view " + std::to_string(view) + " zoom " + std::to_string(zoom);
            dog.at(name + " width 900");
            tc.setZoomFactor(zoom);
            QCoreApplication::processEvents();
            for (int width = 300; width <= 1500; width += 97) {
                SCOPED_TRACE(name + " width " + std::to_string(width));
                dog.at(name + " width " + std::to_string(width));
                tc.resize(width, 600);
                QCoreApplication::processEvents();
                const QRect settled = tc.viewport()->geometry();
                QCoreApplication::processEvents();
                EXPECT_EQ(tc.viewport()->geometry(), settled) << "the view keeps changing";
                if (view == 1) {
                    const double page = document::twipsToUnits(tc.PageWidth()) * zoom / 100.0;
                    const int room = tc.viewport()->width() + tc.viewport()->x() - tc.frameWidth();
                    if (page < room - 2 || page > room + 2) {
                        EXPECT_EQ(tc.horizontalScrollBar()->isVisible(), page > room) << page << " in " << room;
                    }
                }
            }
        }
    }
}

// The ruler kept the scale it was last drawn at when the zoom, the view or
// the window changed: nothing told it to draw again until the caret moved,
// so at 50 percent it showed inches twice as wide as the page's. What the
// screen shows of it (the window's last painted pixels, not a fresh
// drawing) spans the sheet in page view, edge to edge, after each change.
TEST(Ruler, RulerDidNotScaleWithTheZoom)
{
    RulerWindow w({1000, 600});
    QWidget &window = w.window;
    TXRuler *ruler = w.ruler;
    TextControl *tc = w.tc;
    fill(*tc, 3);
    tc->setViewMode(1);
    tc->setRulerHandle(ruler->handle());
    QCoreApplication::processEvents();
    // The first and last x of a window row whose pixels pass `ink`.
    const auto span = [](const QImage &img, int y, const std::function<bool(QRgb)> &ink) {
        int first = -1, last = -1;
        for (int x = 0; x < img.width(); ++x) {
            if (ink(img.pixel(x, y))) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        return std::pair{first, last};
    };
    const QRgb desk = window.palette().color(QPalette::Window).rgb();
    const std::function<void()> changes[] = {
        [&] { tc->setZoomFactor(50); },   [&] { tc->setZoomFactor(25); },
        [&] { tc->setZoomFactor(75); },   [&] { window.resize(1200, 600); },
        [&] { tc->setZoomFactor(100); },  [&] { window.resize(900, 600); },
        [&] { tc->setViewMode(0); },      [&] { tc->setZoomFactor(50); },
        [&] { tc->setViewMode(1); },
    };
    int step = 0;
    for (const auto &change : changes) {
        SCOPED_TRACE(step++);
        change();
        QCoreApplication::processEvents();
        const QImage shown = window.screen()->grabWindow(window.winId()).toImage();
        const int rulerY = ruler->mapTo(&window, QPoint(0, 5)).y();
        const auto [bandL, bandR] = span(shown, rulerY, [&](QRgb c) { return c != desk; });
        const double scale = document::twipsToUnits(1.0) * tc->ZoomFactor() / 100.0;
        const int textWidth = tc->PageWidth() - tc->PageMarginL() - tc->PageMarginR();
        const auto [whiteL, whiteR] = span(shown, rulerY, [](QRgb c) { return c == qRgb(255, 255, 255); });
        // (The first line's marker covers the text's left end.)
        EXPECT_NEAR(whiteR - whiteL, textWidth * scale, 7) << "the text's width at the zoom";
        if (tc->ViewMode() == 1) {
            EXPECT_NEAR(bandR - bandL, tc->PageWidth() * scale, 2) << "the page's width at the zoom";
            const int sheetY = tc->viewport()->mapTo(&window, QPoint(0, 100)).y();
            const auto [sheetL, sheetR] = span(shown, sheetY, [](QRgb c) { return c == qRgb(255, 255, 255); });
            EXPECT_NEAR(bandL, sheetL, 1) << "the ruler's page starts where the sheet does";
            EXPECT_NEAR(bandR, sheetR, 1);
        }
    }
}

// Zoomed views own the scroll bars for as long as they are zoomed; at 100
// percent the control's own choice (a host that hides them) comes back.
TEST(LayoutView, ZoomGivesTheScrollBarsBack)
{
    for (const int view : {0, 1}) {
        TextControl tc;
        fill(tc, 40);
        tc.resize(700, 400);
        tc.show();
        tc.setViewMode(view);
        tc.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (view == 0)
            tc.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        for (const int zoom : {50, 200, 100}) {
            tc.setZoomFactor(zoom);
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(tc.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << view;
        EXPECT_EQ(tc.verticalScrollBarPolicy(), view == 1 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    }
}

// Typing repaints only what changed; what it leaves in the window is what a
// repaint of everything draws, in both views, at 100 and 200 percent, the
// caret included, and the ruler above does not repaint for keys that leave
// its paragraph's indents alone.
TEST(LayoutView, TypingRepaintsExactlyWhatChanged)
{
    QGuiApplication::styleHints()->setCursorFlashTime(0);  // a steady caret
    for (const int view : {1, 0}) {
        for (const int zoom : {100, 200}) {
            SCOPED_TRACE(testing::Message() << "view " << view << " zoom " << zoom);
            QWidget window;
            auto *box = new QVBoxLayout(&window);
            auto *ruler = new TXRuler(&window);
            auto *tc = new TextControl(&window);
            box->addWidget(ruler);
            box->addWidget(tc);
            window.resize(800, 600);
            window.show();
            tc->setViewMode(view);
            tc->setZoomFactor(zoom);
            QStringList lines;  // paragraphs of several lines
            for (int i = 0; i < 60; ++i)
                lines << u"Line %1 of the text, long enough to matter somewhat"_s.arg(i).repeated(1 + i % 4);
            tc->setText(lines.join(u'\n'));
            tc->setRulerHandle(ruler->handle());
            tc->setSelStart(tc->Text().indexOf(u"Line 3 "_s) + 12);
            window.activateWindow();
            tc->setFocus();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
            QTest::qWait(50);
            struct PaintCounter : QObject {
                int paints = 0;
                bool eventFilter(QObject *, QEvent *e) override
                {
                    paints += e->type() == QEvent::Paint;
                    return false;
                }
            } rulerPaints;
            ruler->installEventFilter(&rulerPaints);
            const auto grab = [&] { return window.screen()->grabWindow(window.winId()).toImage(); };
            // The last keys run the line off the window at 200 percent:
            // the view scrolls sideways, and the ruler with it.
            for (const char *keys : {"a", "bc d", "\b\b<<", "efghijklmnopqrstuvwxyz efghijklmnopqrstuvwxyz"}) {
                if (keys[0] == 'e') {
                    EXPECT_EQ(rulerPaints.paints, 3);  // the repaints of the comparison only
                }
                for (const char *k = keys; *k; ++k) {
                    if (*k == '\b' || *k == '<')
                        QTest::keyClick(tc, *k == '<' ? Qt::Key_Left : Qt::Key_Backspace);
                    else
                        QTest::keyClick(tc, *k);
                }
                QCoreApplication::processEvents();
                const QImage typed = grab();
                tc->viewport()->repaint();
                ruler->repaint();
                EXPECT_EQ(typed, grab()) << keys;
            }
            const int before = rulerPaints.paints;
            tc->setSelIndent(720);
            QCoreApplication::processEvents();
            EXPECT_EQ(rulerPaints.paints, before + 1);
        }
    }
}
