// Bundlet::Read of a 10,000-entry archive beside `zipinfo -1` on the same
// file, in the same run. Prints the median of several runs of each and the
// ratio. Archives are made by Python's zipfile: one written to a seekable
// file, one streamed (every entry with a data descriptor).
#include "bundlet.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kEntries = 10000;
constexpr int kRuns = 15;

bool makeArchive(const QString &path, bool streamed)
{
    const QString script = uR"(import io, sys, zipfile
out = sys.stdout.buffer if %1 else io.BytesIO()
with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as z:
    for i in range(%2):
        z.writestr('dir%03d/file%05d.txt' % (i // 100, i), ('entry %d ' % i) * 8)
if not %1:
    sys.stdout.buffer.write(out.getvalue())
)"_s.arg(streamed ? u"True"_s : u"False"_s).arg(kEntries);
    QProcess p;
    p.start(u"/usr/bin/python3"_s, {u"-c"_s, script});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return false;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(p.readAllStandardOutput()) > 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void measure(const QString &label, const QString &archive)
{
    Bundlet bundlet;
    bundlet.setFilename(archive);
    if (bundlet.GetEntryNum() != kEntries) {
        std::fprintf(stderr, "%s: read %d entries, expected %d\n", qPrintable(label), bundlet.GetEntryNum(), kEntries);
        return;
    }
    std::vector<double> readMs, zipinfoMs;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        bundlet.Read();
        readMs.push_back(t.nsecsElapsed() / 1e6);

        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        t.start();
        p.start(u"zipinfo"_s, {u"-1"_s, archive});
        p.waitForFinished(60000);
        zipinfoMs.push_back(t.nsecsElapsed() / 1e6);
    }
    const double r = median(readMs), z = median(zipinfoMs);
    std::printf("%-28s Read %8.2f ms   zipinfo -1 %8.2f ms   ratio %.2f\n", qPrintable(label), r, z, r / z);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString plain = dir.filePath(u"plain.zip"_s);
    const QString streamed = dir.filePath(u"streamed.zip"_s);
    if (!makeArchive(plain, false) || !makeArchive(streamed, true)) {
        std::fprintf(stderr, "cannot make the archives (needs /usr/bin/python3)\n");
        return 1;
    }
    std::printf("%d entries, median of %d runs\n", kEntries, kRuns);
    measure(u"seekable (sizes in headers)"_s, plain);
    measure(u"streamed (data descriptors)"_s, streamed);
    return 0;
}
