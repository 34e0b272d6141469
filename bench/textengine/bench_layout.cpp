// bench_textengine_layout: the page view under typing and paging.
//  - key press to the end of the next repaint, in a 1 MB document shown in
//    page view at 100 percent (median, 90th percentile, worst; and the
//    processor time, which a loaded machine disturbs less), then the same in
//    the continuous view for comparison;
//  - laying out a 200-page document for CurrentPages, and drawing each of
//    its pages as the print preview does (PrintPage into an image).
// With --show ZOOM it instead opens a window with the ruler and a document
// holding text, a table and a picture in page view at ZOOM percent, for a
// look or a screenshot; --seconds N closes it after N seconds; --dialog
// paragraph|find|table|font opens that dialog over it.
#include "textengine/ruler.h"
#include "textengine/textcontrol.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;

namespace {

QString paragraphs(qsizetype bytes)
{
    static const QString words[] = {u"dey"_s, u"fgUnh"_s, u"Hkkjr"_s, u"esa"_s, u"vkSj"_s, u"dk"_s,
                                    u"ds"_s, u"fy,"_s, u"gS"_s, u"iqLrd"_s, u"Nk="_s, u"word"_s};
    QString out;
    out.reserve(bytes + 200);
    int i = 0;
    while (out.size() < bytes) {
        for (int w = 0; w < 14 + i % 9; ++w, ++i)
            out += words[(i * 7 + w) % 12] + u' ';
        out += u'\n';
    }
    return out;
}

// Counts paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Processor time of this process, which a busy machine disturbs less than
// the wall clock.
double cpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

void keyToRepaint(int view)
{
    TextControl tc;
    tc.resize(1000, 800);
    tc.show();
    tc.setViewMode(view);
    QElapsedTimer t;
    t.start();
    tc.setText(paragraphs(1024 * 1024));
    QCoreApplication::processEvents();
    const char *viewName = view == 1 ? "page view" : "continuous view";
    std::printf("1 MB document: %d paragraphs, set and laid out in %s in %.0f ms\n",
                tc.document()->blockCount(), viewName, double(t.elapsed()));
    tc.setFocus();
    tc.setSelStart(tc.Text().size() / 2);
    QCoreApplication::processEvents();
    PaintCounter counter;
    tc.viewport()->installEventFilter(&counter);
    std::vector<double> ms, cpu;
    for (int i = 0; i < 300; ++i) {
        const int before = counter.paints;
        const double cpu0 = cpuMs();
        t.restart();
        QTest::keyClick(&tc, i % 20 == 19 ? Qt::Key_Space : Qt::Key_A);
        while (counter.paints == before && t.elapsed() < 1000)
            QCoreApplication::processEvents();
        ms.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs() - cpu0);
    }
    std::printf("key press to repaint, %s 100%%: median %.2f ms, 90%% %.2f ms, worst %.2f ms (%zu keys); "
                "processor time median %.2f ms\n",
                viewName, percentile(ms, 0.5), percentile(ms, 0.9), percentile(ms, 1.0), ms.size(),
                percentile(cpu, 0.5));
    t.restart();
    const int pages = tc.CurrentPages();
    std::printf("CurrentPages after typing (%d): %.0f ms\n", pages, double(t.elapsed()));
}

void pagination()
{
    TextControl tc;
    // About 200 pages of Letter with one-inch margins.
    tc.setText(paragraphs(200 * 3800));
    QElapsedTimer t;
    t.start();
    const int pages = tc.CurrentPages();
    std::printf("200-page document: CurrentPages %d in %.0f ms\n", pages, double(t.elapsed()));
    QImage img(425, 550, QImage::Format_RGB32);  // a preview picture
    tc.setPrintZoom(50);
    tc.setPrintDevice(&img);
    std::vector<double> ms;
    for (int p = 1; p <= pages; ++p) {
        img.fill(Qt::white);
        t.restart();
        tc.PrintPage(p);
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("preview paging (PrintPage into an image at 50%%): median %.2f ms, worst %.2f ms a page\n",
                percentile(ms, 0.5), percentile(ms, 1.0));
}

int show(int zoom, int seconds, const QString &dialog)
{
    QWidget window;
    window.setWindowTitle(u"Page view %1 %"_s.arg(zoom));
    auto *box = new QVBoxLayout(&window);
    box->setContentsMargins(0, 0, 0, 0);
    auto *ruler = new textengine::TXRuler(&window);
    auto *tc = new TextControl(&window);
    box->addWidget(ruler);
    box->addWidget(tc);
    window.setGeometry(0, 0, 1000, 740);
    tc->setText(u"A table and a picture in page view\n"
                "The first paragraph runs on for a while, long enough to wrap at the right margin of the "
                "page and show the text area between the margins.\n"_s);
    tc->setSelStart(tc->Text().size());
    tc->TableInsert(3, 3, -1);
    const QStringList cells = {u"Name"_s, u"Words"_s, u"Pages"_s, u"One"_s, u"120"_s, u"1"_s,
                               u"Two"_s, u"4500"_s, u"9"_s};
    QTextTable *table = tc->textCursor().currentTable();
    for (int i = 0; i < cells.size(); ++i)
        table->cellAt(i / 3, i % 3).firstCursorPosition().insertText(cells[i]);
    QTextCursor after(tc->document());
    after.movePosition(QTextCursor::End);
    tc->setTextCursor(after);
    tc->setSelText(u"\nBelow the table, a picture as a character: "_s);
    QTemporaryDir dir;
    QImage pic(160, 110, QImage::Format_RGB32);
    pic.fill(QColor(0x30, 0x70, 0xC0));
    {
        QPainter p(&pic);
        p.setBrush(QColor(0xF0, 0xC0, 0x20));
        p.drawEllipse(QPoint(80, 55), 40, 40);
    }
    pic.save(dir.filePath(u"pic.png"_s));
    tc->ObjectInsertAsChar(0, dir.filePath(u"pic.png"_s), -1, 100, 100);
    tc->setSelText(u" and text after it.\n"_s + paragraphs(6000));
    tc->setViewMode(1);
    tc->setZoomFactor(zoom);
    tc->setRulerHandle(ruler->handle());
    tc->setSelStart(3);
    window.show();
    tc->setFocus();
    if (seconds > 0) {
        QTimer::singleShot(seconds * 1000, &window, [&window] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
            window.close();
        });
    }
    if (!dialog.isEmpty()) {
        QTimer::singleShot(300, tc, [tc, dialog] {
            if (dialog == u"paragraph"_s)
                tc->ParagraphDialog();
            else if (dialog == u"find"_s)
                tc->FindReplace(2);
            else if (dialog == u"table"_s) {
                tc->setSelStart(tc->Text().indexOf(u"Name"_s));
                tc->TableAttrDialog();
            } else if (dialog == u"font"_s)
                tc->FontDialog();
        });
    }
    return QApplication::exec();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const qsizetype showAt = args.indexOf(u"--show"_s);
    if (showAt >= 0 && showAt + 1 < args.size()) {
        const qsizetype sec = args.indexOf(u"--seconds"_s);
        const qsizetype dlg = args.indexOf(u"--dialog"_s);
        return show(args[showAt + 1].toInt(), sec >= 0 && sec + 1 < args.size() ? args[sec + 1].toInt() : 0,
                    dlg >= 0 && dlg + 1 < args.size() ? args[dlg + 1] : QString());
    }
    keyToRepaint(1);
    keyToRepaint(0);
    pagination();
    return 0;
}
