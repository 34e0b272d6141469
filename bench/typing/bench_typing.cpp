// bench_typing: a key press through the whole program, as a typist feels it.
//
// The real main window (offscreen unless QT_QPA_PLATFORM says otherwise),
// started as the program starts it on fresh settings, opens a Hindi document
// of 1 KB, 1 MB and 10 MB from an RTF file, and phonetic keys that make the
// engine rewrite the glyphs before the caret (conjuncts, short i, reph) are
// typed into it, at the end and in the middle, in page view and continuous
// view, at 100 and 200 percent. Each key goes to the window as the window
// system delivers it (shortcuts, the document window, the engine, the format
// controls, the status bar) and is timed to the end of the repaint of the
// text that shows it: median, 90th percentile and worst, on the wall clock
// and in processor time, which a loaded machine disturbs less; "later" is
// the processor time of work the key left queued after that repaint.
// After the keys, each size times Edit > Select All and Shift+Down with
// nearly the whole document selected, where the format controls follow a
// selection as long as the document.
//
//   bench_typing [--keys N] [--sizes 1K,1M,10M] [--views page,continuous]
//                [--zooms 100,200] [--where end,middle]
//
// The last line is the summary: page view at 100 percent, end and middle
// together.
#include "bench/hindidocument.h"

#include "app/filecommands.h"
#include "app/frmdocument.h"
#include "app/frmmain.h"
#include "app/gui.h"

#include "engine/enginestate.h"
#include "settings/settingsstore.h"
#include "textengine/textcontrol.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

// Each word makes the engine rewrite what it typed: a conjunct with a short
// i written before it (shakti, sthiti), a reph moved onto the next
// consonant (dharma, pUrva), ksha and tra (kShetra), a half letter (vidyaalaya).
const char Script[] = "shakti dharma sthiti kShetra vidyaalaya pUrva hindI prakriti ";

double cpuMs()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * double(v.size() - 1) + 0.5))];
}

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

struct Samples {
    std::vector<double> wall, cpu, later;
    int unpainted = 0;
    void add(const Samples &o)
    {
        wall.insert(wall.end(), o.wall.begin(), o.wall.end());
        cpu.insert(cpu.end(), o.cpu.begin(), o.cpu.end());
        later.insert(later.end(), o.later.begin(), o.later.end());
        unpainted += o.unpainted;
    }
};

// Lets queued work (layout, scroll bars, the deferred repaints of a view
// change) finish before the keys are timed.
void settle()
{
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QTest::qWait(40);
    }
}

// One key, from the window system's event to the end of the repaint of the
// text. Kept out of line: `valgrind --tool=callgrind --collect-atstart=no
// --toggle-collect='*typeOneKey*'` counts exactly the typing.
[[gnu::noinline]] void typeOneKey(QWindow *window, char key, PaintCounter &counter, Samples &s)
{
    const int before = counter.paints;
    QElapsedTimer t;
    const double cpu0 = cpuMs();
    t.start();
    QTest::keyClick(window, key);
    while (counter.paints == before && t.elapsed() < 2000)
        QCoreApplication::processEvents();
    const double wall = t.nsecsElapsed() / 1e6;
    const double cpu1 = cpuMs();
    QCoreApplication::processEvents();
    s.later.push_back(cpuMs() - cpu1);
    if (counter.paints == before)
        ++s.unpainted;
    s.wall.push_back(wall);
    s.cpu.push_back(cpu1 - cpu0);
}

struct Options {
    int keys = 124;
    QStringList sizes = {u"1K"_s, u"1M"_s, u"10M"_s};
    QStringList views = {u"page"_s, u"continuous"_s};
    QStringList zooms = {u"100"_s, u"200"_s};
    QStringList where = {u"end"_s, u"middle"_s};
};

qsizetype bytesOf(const QString &size)
{
    const qsizetype n = size.left(size.size() - 1).toLongLong();
    return size.endsWith(u'M') ? n * 1024 * 1024 : n * 1024;
}

class Bench {
public:
    Bench(frmMain &main, const Options &o, const QString &folder) : m_main(main), m_o(o), m_folder(folder) {}

    void run()
    {
        for (const QString &size : m_o.sizes)
            runSize(size);
        printSummary();
    }

private:
    void runSize(const QString &size)
    {
        const QString path = m_folder + u"/hindi-"_s + size + u".rtf"_s;
        {
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly) || f.write(bench::hindiRtf(bytesOf(size))) < 0) {
                std::fprintf(stderr, "bench_typing: cannot write %s\n", qPrintable(path));
                return;
            }
        }
        QElapsedTimer t;
        const double cpu0 = cpuMs();
        t.start();
        frmDocument *doc = m_main.files().OpenDocument(path);
        if (!doc) {
            std::fprintf(stderr, "bench_typing: cannot open %s\n", qPrintable(path));
            return;
        }
        if (!QTest::qWaitForWindowExposed(&m_main))
            std::fprintf(stderr, "bench_typing: the window is not shown\n");
        QCoreApplication::processEvents();
        std::printf("%s: %lld characters, %d paragraphs; opened into the window in %.0f ms (processor %.0f ms)\n",
                    qPrintable(size), static_cast<long long>(doc->rtftext()->document()->characterCount()),
                    doc->rtftext()->document()->blockCount(), t.nsecsElapsed() / 1e6, cpuMs() - cpu0);
        std::fflush(stdout);

        for (const QString &view : m_o.views) {
            t.restart();
            (view == u"page"_s ? m_main.commands().mnuViewPageView : m_main.commands().mnuViewEditor)->trigger();
            settle();
            // The switch, and apart from it the count of pages, which
            // continuous view has to lay the document out on pages for.
            const double switched = t.nsecsElapsed() / 1e6;
            t.restart();
            const int pages = doc->rtftext()->CurrentPages();
            std::printf("  %s view: laid out in %.0f ms; %d pages, counted in %.0f ms\n", qPrintable(view), switched,
                        pages, t.nsecsElapsed() / 1e6);
            for (const QString &zoom : m_o.zooms) {
                QAction *item = m_main.commands().mnuZoom[zoom == u"200"_s ? 4 : 3];
                item->trigger();
                settle();
                for (const QString &where : m_o.where) {
                    const Samples s = typeInto(doc, where == u"middle"_s);
                    report(size, view, zoom, where, s);
                    m_results[{size, view, zoom}].add(s);
                }
            }
        }
        selectAll(size, doc);
        doc->closeWithoutQuestion();
        QCoreApplication::processEvents();
    }

    // Edit > Select All, and a key that extends the selection by a line,
    // with the whole document selected: the format controls follow the
    // selection.
    void selectAll(const QString &size, frmDocument *doc)
    {
        doc->rtftext()->setSelStart(0);
        settle();
        QElapsedTimer t;
        double cpu0 = cpuMs();
        t.start();
        m_main.commands().mnuEditSelectAll->trigger();
        QCoreApplication::processEvents();
        const double allWall = t.nsecsElapsed() / 1e6, allCpu = cpuMs() - cpu0;
        doc->rtftext()->setSelStart(0);
        doc->rtftext()->setSelLength(doc->rtftext()->document()->characterCount() - 200);
        settle();
        cpu0 = cpuMs();
        t.restart();
        QTest::keyClick(m_main.windowHandle(), Qt::Key_Down, Qt::ShiftModifier);
        QCoreApplication::processEvents();
        std::printf("  %-4s Select All %.0f ms (processor %.0f ms); Shift+Down over it %.0f ms (processor %.0f ms)\n",
                    qPrintable(size), allWall, allCpu, t.nsecsElapsed() / 1e6, cpuMs() - cpu0);
        doc->rtftext()->setSelStart(0);
        settle();
    }

    Samples typeInto(frmDocument *doc, bool middle)
    {
        textengine::TextControl *rtf = doc->rtftext();
        QTextDocument *d = rtf->document();
        rtf->SetFocus();
        int pos = d->characterCount() - 1;
        if (middle) {
            // The end of the paragraph in the middle, after its last word.
            const QTextBlock b = d->findBlock(pos / 2);
            pos = b.position() + b.length() - 1;
        }
        rtf->setSelStart(pos);
        if (!m_main.isHindi())
            m_main.selectHindi();  // as a typist would, where the caret stands in English text
        settle();
        PaintCounter counter;
        rtf->viewport()->installEventFilter(&counter);
        Samples s;
        QWindow *window = m_main.windowHandle();
        const int scriptLength = int(sizeof Script - 1);
        for (int i = 0; i < m_o.keys; ++i)
            typeOneKey(window, Script[i % scriptLength], counter, s);
        rtf->viewport()->removeEventFilter(&counter);
        // The words must have come out in Hindi: "dharma" is "/keZ".
        if (m_o.keys >= 14 && !rtf->Text().mid(pos, 200).contains(u"/keZ"_s))
            std::fprintf(stderr, "bench_typing: the keys did not type Hindi (%s)\n",
                         qPrintable(rtf->Text().mid(pos, 40)));
        settle();
        return s;
    }

    void report(const QString &size, const QString &view, const QString &zoom, const QString &where,
                const Samples &s)
    {
        std::printf("  %-4s %-10s %3s %% %-6s  wall %6.2f %6.2f %7.2f  processor %6.2f %6.2f %7.2f  later %5.2f ms",
                    qPrintable(size), qPrintable(view), qPrintable(zoom), qPrintable(where), percentile(s.wall, 0.5),
                    percentile(s.wall, 0.9), percentile(s.wall, 1.0), percentile(s.cpu, 0.5), percentile(s.cpu, 0.9),
                    percentile(s.cpu, 1.0), percentile(s.later, 0.5));
        if (s.unpainted)
            std::printf("  (%d keys without a repaint)", s.unpainted);
        std::printf("\n");
        std::fflush(stdout);
    }

    void printSummary()
    {
        std::printf("\nkey to repaint, end and middle together (median / 90%% / worst, ms):\n");
        for (const auto &[key, s] : m_results) {
            std::printf("  %-4s %-10s %3s %%  wall %6.2f %6.2f %7.2f  processor %6.2f %6.2f %7.2f\n",
                        qPrintable(key[0]), qPrintable(key[1]), qPrintable(key[2]), percentile(s.wall, 0.5),
                        percentile(s.wall, 0.9), percentile(s.wall, 1.0), percentile(s.cpu, 0.5),
                        percentile(s.cpu, 0.9), percentile(s.cpu, 1.0));
        }
        const auto median = [this](const QString &size, const QString &view, const QString &zoom) {
            const auto it = m_results.find({size, view, zoom});
            return it == m_results.end() ? 0.0 : percentile(it->second.cpu, 0.5);
        };
        std::printf("ratios of the processor-time medians to 1 KB:\n");
        for (const QString &view : m_o.views) {
            for (const QString &zoom : m_o.zooms) {
                const double small = median(u"1K"_s, view, zoom);
                if (small <= 0)
                    continue;
                std::printf("  %-10s %3s %%  1 MB/1 KB %.2f  10 MB/1 KB %.2f\n", qPrintable(view), qPrintable(zoom),
                            median(u"1M"_s, view, zoom) / small, median(u"10M"_s, view, zoom) / small);
            }
        }
        const double small = median(u"1K"_s, u"page"_s, u"100"_s);
        const double mb = median(u"1M"_s, u"page"_s, u"100"_s);
        const double ten = median(u"10M"_s, u"page"_s, u"100"_s);
        std::printf("typing: page view 1 MB median %.2f ms processor, 1 MB/1 KB %.2f, 10 MB/1 KB %.2f\n", mb,
                    small > 0 ? mb / small : 0.0, small > 0 ? ten / small : 0.0);
    }

    frmMain &m_main;
    const Options &m_o;
    QString m_folder;
    std::map<QStringList, Samples> m_results;
};

QStringList listArg(const QStringList &args, const QString &name, const QStringList &fallback)
{
    const qsizetype at = args.indexOf(name);
    return at >= 0 && at + 1 < args.size() ? args[at + 1].split(u',', Qt::SkipEmptyParts) : fallback;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A first start on settings of its own: never the user's.
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", (home.path() + u"/config"_s).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + u"/data"_s).toLocal8Bit());

    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Kalamora"_s);
    QApplication::setApplicationName(u"Kalamora"_s);
    if (!kalamora::registerProgramFont())
        std::fprintf(stderr, "bench_typing: GO10.TTF is missing; the Hindi text shows in another font\n");

    const QStringList args = QApplication::arguments();
    Options o;
    const qsizetype keysAt = args.indexOf(u"--keys"_s);
    if (keysAt >= 0 && keysAt + 1 < args.size())
        o.keys = std::max(1, args[keysAt + 1].toInt());
    o.sizes = listArg(args, u"--sizes"_s, o.sizes);
    o.views = listArg(args, u"--views"_s, o.views);
    o.zooms = listArg(args, u"--zooms"_s, o.zooms);
    o.where = listArg(args, u"--where"_s, o.where);

    SettingsStore settings;
    engine::EngineState state;
    frmMain main(settings, state);
    main.show();
    main.startUp();
    if (!QTest::qWaitForWindowExposed(&main))
        std::fprintf(stderr, "bench_typing: the window is not shown\n");

    std::printf("%d keys of \"%s\" a run; columns: median, 90th percentile, worst (ms)\n", o.keys, Script);
    Bench bench(main, o, home.path());
    bench.run();

    for (frmDocument *doc : main.documents())
        doc->closeWithoutQuestion();
    main.close();
    return 0;
}
