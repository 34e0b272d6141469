// Figures for the dictionary window over the real Dict.mdb of the program
// folder: opening it with the full word list, and the search that each
// keystroke in the word box runs. Prints milliseconds; asserts nothing.
#include "dict/frmdict.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

struct Stats {
    double median, p95, max, mean;
};

Stats stats(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v)
        sum += x;
    return {v[v.size() / 2], v[v.size() * 95 / 100], v.back(), sum / static_cast<double>(v.size())};
}

double elapsedMs(const QElapsedTimer &t)
{
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

// CPU time of this thread: on a shared machine, wall time also counts the
// slices other processes take.
double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString path = frmDict::databasePath();
    if (!QFileInfo::exists(path)) {
        std::fprintf(stderr, "bench_dict: %s not found (build the kalamora_dictdb target)\n", qPrintable(path));
        return 1;
    }
    dict::setMessageHook([](const dict::Message &m) {
        std::fprintf(stderr, "bench_dict: message: %s\n", qPrintable(m.text));
    });

    // Opening: create, load (key derivation, open, full word list), show and
    // paint once.
    std::vector<double> opens, opensCpu;
    int words = 0;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer t;
        const double cpu = threadCpuMs();
        t.start();
        frmDict window;
        window.load(path);
        window.show();
        QApplication::processEvents();
        opens.push_back(elapsedMs(t));
        opensCpu.push_back(threadCpuMs() - cpu);
        words = window.findChild<QListView *>(u"lstDict"_s)->model()->rowCount();
    }

    // Keystrokes: type every 50th word of the list letter by letter, each
    // change of the box's text running the search, then the repaint.
    frmDict window;
    window.load(path);
    window.show();
    QApplication::processEvents();
    auto *txtWord = window.findChild<QLineEdit *>(u"txtWord"_s);
    auto *lstDict = window.findChild<QListView *>(u"lstDict"_s);
    std::vector<QString> sample;
    for (int r = 0; r < lstDict->model()->rowCount(); r += 50)
        sample.push_back(lstDict->model()->index(r, 0).data().toString());

    std::vector<double> keys, oneLetter, searchOnly, keysCpu;
    for (const QString &word : sample) {
        txtWord->clear();
        QApplication::processEvents();
        for (qsizetype n = 1; n <= word.size(); ++n) {
            QElapsedTimer t;
            const double cpu = threadCpuMs();
            t.start();
            txtWord->setText(word.left(n));
            searchOnly.push_back(elapsedMs(t));
            QApplication::processEvents();
            const double ms = elapsedMs(t);
            keysCpu.push_back(threadCpuMs() - cpu);
            keys.push_back(ms);
            if (n == 1)
                oneLetter.push_back(ms);
        }
    }

    const Stats oc = stats(opensCpu);
    const Stats o = stats(opens), k = stats(keys), one = stats(oneLetter), s = stats(searchOnly),
                c = stats(keysCpu);
    std::printf("dictionary: %d words\n", words);
    std::printf("open window with full word list: median %.1f ms, max %.1f ms (%zu runs; target <= 150 ms)\n",
                o.median, o.max, opens.size());
    std::printf("  in CPU time of the thread: median %.1f ms, max %.1f ms\n", oc.median, oc.max);
    std::printf("keystroke search: mean %.2f ms, median %.2f ms, p95 %.2f ms, max %.2f ms (%zu keystrokes; "
                "target <= 5 ms)\n",
                k.mean, k.median, k.p95, k.max, keys.size());
    std::printf("  in CPU time of the thread: median %.2f ms, p95 %.2f ms, max %.2f ms\n", c.median, c.p95, c.max);
    std::printf("  of which the search itself (queries, lists, selection, meaning): median %.2f ms, p95 %.2f ms, "
                "max %.2f ms\n",
                s.median, s.p95, s.max);
    std::printf("  first letter only (largest similar-word lists): median %.2f ms, max %.2f ms\n", one.median,
                one.max);
    return 0;
}
