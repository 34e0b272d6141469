// Time from starting the kalamora process to its first document window on
// screen, over several runs. Needs a display (run it under xvfb-run).
//
//   bench_startup [RUNS]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const QString program = QCoreApplication::applicationDirPath() + u"/kalamora"_s;
    QTemporaryDir home; // a first start every time: no settings, no recent files

    std::vector<double> ms;
    for (int i = 0; i < runs + 1; ++i) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"KALAMORA_QUIT_WHEN_SHOWN"_s, u"1"_s);
        env.insert(u"XDG_CONFIG_HOME"_s, home.path() + u"/config"_s);
        env.insert(u"XDG_DATA_HOME"_s, home.path() + u"/data"_s);
        p.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        p.start(program, {});
        if (!p.waitForStarted(10000)) {
            std::fprintf(stderr, "bench_startup: cannot start %s\n", qPrintable(program));
            return 1;
        }
        bool shown = false;
        while (!shown && p.waitForReadyRead(20000))
            shown = p.readAllStandardOutput().contains("shown");
        const double elapsed = timer.nsecsElapsed() / 1e6;
        p.waitForFinished(10000);
        if (!shown) {
            std::fprintf(stderr, "bench_startup: the window never appeared (is there a display?)\n");
            return 1;
        }
        if (i > 0) // the first run warms the file cache
            ms.push_back(elapsed);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("start to first document window, %d runs: median %.0f ms, min %.0f ms, max %.0f ms\n", runs,
                ms[ms.size() / 2], ms.front(), ms.back());
    std::printf("(of which the splash window's timer: 400 ms)\n");
    return 0;
}
