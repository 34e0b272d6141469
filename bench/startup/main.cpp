// Time from starting the kalamora process to its first document window on
// screen, over several runs; then a 10 MB Hindi RTF file opened from the
// command line, from process start to the window titled with its name,
// beside the command line's conversion of the same file. Needs a display
// (run it under xvfb-run).
//
//   bench_startup [RUNS] [--open-mb N]
#include "bench/hindidocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Figures {
    double median, min, max;
};

Figures summary(std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

// Milliseconds from starting kalamora with `args` until it prints "shown"
// (the window is up and the files named have opened), or -1.
double untilShown(const QString &program, const QStringList &args, const QString &home)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"KALAMORA_QUIT_WHEN_SHOWN"_s, u"1"_s);
    env.insert(u"XDG_CONFIG_HOME"_s, home + u"/config"_s);
    env.insert(u"XDG_DATA_HOME"_s, home + u"/data"_s);
    p.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    bool shown = false;
    while (!shown && p.waitForReadyRead(60000))
        shown = p.readAllStandardOutput().contains("shown");
    const double elapsed = timer.nsecsElapsed() / 1e6;
    p.waitForFinished(60000);
    return shown ? elapsed : -1;
}

double converted(const QString &program, const QStringList &args)
{
    QProcess p;
    QElapsedTimer timer;
    timer.start();
    p.start(program, args);
    if (!p.waitForStarted(10000) || !p.waitForFinished(120000) || p.exitCode() != 0)
        return -1;
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const int runs = argc > 1 && args[1].toInt() > 0 ? args[1].toInt() : 10;
    const qsizetype mbAt = args.indexOf(u"--open-mb"_s);
    const int mb = mbAt >= 0 && mbAt + 1 < args.size() ? std::max(1, args[mbAt + 1].toInt()) : 10;
    const QString program = QCoreApplication::applicationDirPath() + u"/kalamora"_s;
    QTemporaryDir home; // a first start every time: no settings, no recent files

    std::vector<double> ms;
    for (int i = 0; i < runs + 1; ++i) {
        const double elapsed = untilShown(program, {}, home.path());
        if (elapsed < 0) {
            std::fprintf(stderr, "bench_startup: the window never appeared (is there a display?)\n");
            return 1;
        }
        if (i > 0) // the first run warms the file cache
            ms.push_back(elapsed);
    }
    const Figures start = summary(ms);
    std::printf("start to first document window, %d runs: median %.0f ms, min %.0f ms, max %.0f ms\n", runs,
                start.median, start.min, start.max);
    std::printf("(of which the splash window's timer: 400 ms)\n");

    // The same file opened into the window and converted on the command line.
    const QString file = home.filePath(u"hindi-%1mb.rtf"_s.arg(mb));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly) || f.write(bench::hindiRtf(qsizetype(mb) * 1024 * 1024)) < 0) {
            std::fprintf(stderr, "bench_startup: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    const int openRuns = std::max(3, runs / 2);
    std::vector<double> window, convert;
    for (int i = 0; i < openRuns + 1; ++i) {
        const double w = untilShown(program, {file}, home.path());
        const double c = converted(program, {u"convert"_s, file, home.filePath(u"out.txt"_s)});
        if (w < 0 || c < 0) {
            std::fprintf(stderr, "bench_startup: opening or converting %s failed\n", qPrintable(file));
            return 1;
        }
        if (i > 0) {
            window.push_back(w);
            convert.push_back(c);
        }
    }
    const Figures w = summary(window), c = summary(convert);
    std::printf("%d MB RTF, %d runs (median, min, max):\n", mb, openRuns);
    std::printf("  opened into the window from the command line: %5.0f %5.0f %5.0f ms\n", w.median, w.min, w.max);
    std::printf("  converted on the command line (to text):       %5.0f %5.0f %5.0f ms\n", c.median, c.min, c.max);
    std::printf("  window / command line: %.2f\n", w.median / c.median);
    return 0;
}
