// Bundlex beside the standard tools on the same 10,000-entry archives, side
// by side in one run:
//   - BundletCore::Read in this process against `zipinfo -1` as a process;
//   - `bundlex list` against `zipinfo -1`, both whole processes;
//   - `bundlex extract` of every entry against `unzip -o -q`, each into an
//     emptied folder (emptied outside the timing), then over the files
//     already there.
// Runs alternate, A B A B ..., so a change in the machine's speed falls on
// both; each line prints the two medians and the median of the pairwise
// ratios. Archives are made by Python's zipfile: one written to a seekable
// file, one streamed (every entry with a data descriptor).
//
//   bench_zip [pairs]        (default 15 for listings, a third of it for extraction)
#include "zipctl/bundletcore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kEntries = 10000;

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

QProcessEnvironment g_env;

// Milliseconds from start to exit of a program whose output is thrown away.
double timeProcess(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(g_env);
    p.setStandardOutputFile(QProcess::nullDevice());
    p.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit)
        std::fprintf(stderr, "%s did not finish normally\n", qPrintable(program));
    return t.nsecsElapsed() / 1e6;
}

// Runs a and b in turn, pairs times, with prepare (untimed) before each.
void sideBySide(const char *label, const char *aName, const char *bName, int pairs,
                const std::function<double()> &a, const std::function<double()> &b,
                const std::function<void()> &prepare = [] {})
{
    std::vector<double> as, bs, ratios;
    prepare();
    a(); // warm the caches for both
    prepare();
    b();
    for (int i = 0; i < pairs; ++i) {
        prepare();
        const double ta = a();
        prepare();
        const double tb = b();
        as.push_back(ta);
        bs.push_back(tb);
        ratios.push_back(ta / tb);
    }
    std::printf("%-34s %-16s %9.2f ms   %-14s %9.2f ms   ratio %.2f\n", label, aName, median(as), bName, median(bs),
                median(ratios));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    QTemporaryDir dir;
    g_env = QProcessEnvironment::systemEnvironment();
    g_env.insert(u"XDG_CONFIG_HOME"_s, dir.filePath(u"config"_s)); // the host's registration record
    const QString bundlex = QCoreApplication::applicationDirPath() + u"/bundlex"_s;

    const QString plain = dir.filePath(u"plain.zip"_s);
    const QString streamed = dir.filePath(u"streamed.zip"_s);
    if (!makeArchive(plain, false) || !makeArchive(streamed, true)) {
        std::fprintf(stderr, "cannot make the archives (needs /usr/bin/python3)\n");
        return 1;
    }
    std::printf("%d entries; medians of %d pairs (extraction: %d), A/B ratio per pair\n", kEntries, pairs,
                std::max(3, pairs / 3));

    for (const auto &[label, archive] : {std::pair{"seekable (sizes in headers)", plain},
                                         std::pair{"streamed (data descriptors)", streamed}}) {
        BundletCore core;
        core.setFilename(archive);
        if (core.GetEntryNum() != kEntries) {
            std::fprintf(stderr, "%s: read %d entries, expected %d\n", label, core.GetEntryNum(), kEntries);
            return 1;
        }
        const QString name = QString::fromLatin1(label);
        sideBySide(qPrintable(u"Read, "_s + name), "Read in process", "zipinfo -1", pairs,
                   [&] {
                       QElapsedTimer t;
                       t.start();
                       core.Read();
                       return t.nsecsElapsed() / 1e6;
                   },
                   [&] { return timeProcess(u"zipinfo"_s, {u"-1"_s, archive}); });
        sideBySide(qPrintable(u"list, "_s + name), "bundlex list", "zipinfo -1", pairs,
                   [&] { return timeProcess(bundlex, {u"list"_s, archive}); },
                   [&] { return timeProcess(u"zipinfo"_s, {u"-1"_s, archive}); });
    }

    const QString ours = dir.filePath(u"bundlex-out"_s);
    const QString theirs = dir.filePath(u"unzip-out"_s);
    sideBySide("extract all, seekable", "bundlex extract", "unzip -o -q", std::max(3, pairs / 3),
               [&] { return timeProcess(bundlex, {u"extract"_s, plain, u"--path"_s, ours}); },
               [&] { return timeProcess(u"unzip"_s, {u"-o"_s, u"-q"_s, plain, u"-d"_s, theirs}); },
               [&] {
                   QDir(ours).removeRecursively();
                   QDir(theirs).removeRecursively();
               });
    // Over the files of the run before: each replaces every file (bundlex
    // through a temporary file and a rename, so the old file stays whole
    // until the new one is).
    sideBySide("extract all over existing files", "bundlex extract", "unzip -o -q", std::max(3, pairs / 3),
               [&] { return timeProcess(bundlex, {u"extract"_s, plain, u"--path"_s, ours}); },
               [&] { return timeProcess(u"unzip"_s, {u"-o"_s, u"-q"_s, plain, u"-d"_s, theirs}); });
    return 0;
}
