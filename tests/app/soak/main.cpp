// The soak's command line.
//
//   test_soak                          the fixed seeds that CI runs
//   test_soak --minutes N              new seeds until N minutes have passed
//   test_soak --seeds A-B              seeds A to B
//   test_soak --replay 'STEPS'         one action list, its steps described
//
// Options: --actions N (per seed), --first-seed S (with --minutes),
// --with-known-faults (also take the actions that known faults trip on, and
// make the checks they fail), --with-known-fault WORD (only for the known
// faults whose description has WORD), --no-shrink.
//
// The seeds run in worker processes, so a crash, a sanitizer report or a
// hang is caught with the seed and the actions that led to it. Every
// finding is shrunk by dropping actions while it still fails the same way,
// and printed with a command that replays it.

#include "tests/app/soak/world.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

constexpr int CiSeeds = 24;
constexpr int DefaultActions = 250;
constexpr int SeedsPerWorker = 10;
constexpr int QuietLimitMs = 300'000; // a worker silent this long has hung
constexpr int StepLimitS = 20;        // one step taking this long has hung

void say(const QString &text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct Options {
    quint64 firstSeed = 1, lastSeed = CiSeeds;
    double minutes = 0;
    int actions = DefaultActions;
    std::optional<QString> lift; // known faults not kept out of the way
    bool shrink = true;
    QString replay;
    bool worker = false;
};

std::optional<Options> parse(const QStringList &args)
{
    Options o;
    for (int i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        const QString value = i + 1 < args.size() ? args[i + 1] : QString();
        bool ok = true;
        if (a == u"--minutes"_s) {
            o.minutes = value.toDouble(&ok);
            ++i;
        } else if (a == u"--seeds"_s) {
            const QStringList ab = value.split(u'-');
            bool ok2 = false;
            o.firstSeed = ab.value(0).toULongLong(&ok);
            o.lastSeed = ab.size() > 1 ? ab[1].toULongLong(&ok2) : o.firstSeed;
            ok = ok && (ab.size() == 1 || ok2) && o.lastSeed >= o.firstSeed;
            ++i;
        } else if (a == u"--first-seed"_s) {
            o.firstSeed = value.toULongLong(&ok);
            ++i;
        } else if (a == u"--actions"_s) {
            o.actions = value.toInt(&ok);
            ok = ok && o.actions > 0;
            ++i;
        } else if (a == u"--replay"_s) {
            o.replay = value;
            ok = !value.isEmpty();
            ++i;
        } else if (a == u"--with-known-faults"_s) {
            o.lift = QString();
        } else if (a == u"--with-known-fault"_s) {
            o.lift = value;
            ok = !value.isEmpty();
            ++i;
        } else if (a == u"--no-shrink"_s) {
            o.shrink = false;
        } else if (a == u"--worker"_s) {
            o.worker = true;
        } else {
            ok = false;
        }
        if (!ok) {
            std::fprintf(stderr, "test_soak: bad argument %s\n", qPrintable(a));
            return std::nullopt;
        }
    }
    return o;
}

// --- inside a worker ----------------------------------------------------------

// Ends the process when one step runs for too long (a layout that never
// settles, a modal box nobody answers), saying so for the supervisor.
void startWatchdog()
{
    const int limit = qEnvironmentVariableIntValue("SOAK_STEP_LIMIT") > 0
                          ? qEnvironmentVariableIntValue("SOAK_STEP_LIMIT") : StepLimitS;
    std::thread([limit] {
        quint64 seen = soak::progress;
        for (int still = 0;; ++still) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            if (soak::progress != seen) {
                seen = soak::progress;
                still = 0;
            } else if (still >= limit) {
                std::fprintf(stdout, "HANG one step ran for %d s\n", limit);
                std::fflush(stdout);
                std::_Exit(124);
            }
        }
    }).detach();
}

int runWorker(const Options &o)
{
    soak::RunOptions run;
    run.lift = o.lift;
    run.echo = true;
    for (quint64 seed = o.firstSeed; seed <= o.lastSeed; ++seed) {
        say(u"begin %1"_s.arg(seed));
        std::vector<soak::Step> steps;
        try {
            soak::runSeed(seed, o.actions, run, steps);
            say(u"ok %1 %2"_s.arg(seed).arg(steps.size()));
        } catch (const soak::Failure &f) {
            QString message = f.message;
            say(u"fail %1 %2\t%3"_s.arg(seed).arg(f.check, message.replace(u'\n', u" | "_s)));
        }
    }
    say(u"done"_s);
    return 0;
}

int runReplay(const Options &o)
{
    const auto steps = soak::parseSteps(o.replay);
    if (!steps) {
        std::fputs("test_soak: the action list does not read\n", stderr);
        return 2;
    }
    soak::RunOptions run;
    run.lift = o.lift;
    run.verbose = true;
    try {
        soak::replay(*steps, run);
    } catch (const soak::Failure &f) {
        say(u"FAIL %1\t%2"_s.arg(f.check, f.message));
        return 3;
    }
    say(u"PASS"_s);
    return 0;
}

// --- the supervisor ----------------------------------------------------------

struct Finding {
    quint64 seed = 0;
    QString check, message;
    std::vector<soak::Step> steps;
};

QStringList childArgs(const Options &o)
{
    if (!o.lift)
        return {};
    return o.lift->isEmpty() ? QStringList{u"--with-known-faults"_s} : QStringList{u"--with-known-fault"_s, *o.lift};
}

// How a child ended: "" for a clean end, else the kind of failure and what
// it printed last.
struct Ending {
    QString check, message;
};

Ending ending(QProcess &p, bool hung, const QStringList &tail)
{
    if (hung)
        return {u"hang"_s, u"no progress for %1 s"_s.arg(QuietLimitMs / 1000)};
    const QString said = tail.join(u'\n');
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 124)
        return {u"hang"_s, tail.isEmpty() ? QString() : tail.last()};
    if (said.contains(u"ERROR: AddressSanitizer"_s) || said.contains(u"runtime error:"_s))
        return {u"sanitizer"_s, said};
    if (p.exitStatus() == QProcess::CrashExit)
        return {u"crash"_s, u"crashed\n"_s + said};
    return {};
}

// Runs a child to its end, handing each line of its output to `line`.
Ending runChild(const QStringList &args, const std::function<void(const QString &)> &line)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QCoreApplication::applicationFilePath(), args);
    QStringList tail;
    bool hung = false;
    while (p.state() != QProcess::NotRunning || p.canReadLine() || p.bytesAvailable()) {
        if (!p.canReadLine() && p.state() != QProcess::NotRunning && !p.waitForReadyRead(QuietLimitMs)) {
            if (p.state() != QProcess::NotRunning) {
                hung = true;
                p.kill();
                p.waitForFinished();
            }
            continue;
        }
        QString text = QString::fromUtf8(p.canReadLine() ? p.readLine() : p.readAll());
        while (text.endsWith(u'\n') || text.endsWith(u'\r'))
            text.chop(1);
        if (text.trimmed().isEmpty())
            continue;
        tail.append(text);
        if (tail.size() > 60)
            tail.removeFirst();
        line(text);
    }
    p.waitForFinished();
    return ending(p, hung, tail);
}

// Does this list still fail in the same way?
bool stillFails(const Options &o, const std::vector<soak::Step> &steps, const QString &check)
{
    QString failed;
    const Ending e = runChild(QStringList{u"--replay"_s, soak::format(steps)} + childArgs(o), [&](const QString &l) {
        if (l.startsWith(u"FAIL "_s))
            failed = l.mid(5).section(u'\t', 0, 0);
    });
    return (e.check.isEmpty() ? failed : e.check) == check;
}

std::vector<soak::Step> shrink(const Options &o, std::vector<soak::Step> steps, const QString &check)
{
    QElapsedTimer clock;
    clock.start();
    for (size_t chunk = steps.size() / 2; chunk >= 1 && clock.elapsed() < 20 * 60'000; chunk /= 2) {
        for (size_t i = 0; i < steps.size() && steps.size() > 1;) {
            std::vector<soak::Step> fewer = steps;
            fewer.erase(fewer.begin() + qsizetype(i), fewer.begin() + qsizetype(qMin(i + chunk, fewer.size())));
            if (stillFails(o, fewer, check))
                steps = std::move(fewer);
            else
                i += chunk;
        }
    }
    return steps;
}

void report(const Options &o, const Finding &f)
{
    say(u"\nFINDING seed %1: %2\n  %3"_s.arg(f.seed).arg(f.check, QString(f.message).replace(u"\n"_s, u"\n  "_s)));
    std::vector<soak::Step> steps = f.steps;
    if (o.shrink) {
        if (!stillFails(o, steps, f.check)) {
            say(u"  (does not fail again when replayed alone; the full list follows)"_s);
        } else {
            steps = shrink(o, steps, f.check);
            say(u"  shrunk from %1 to %2 actions:"_s.arg(f.steps.size()).arg(steps.size()));
        }
    }
    runChild(QStringList{u"--replay"_s, soak::format(steps)} + childArgs(o), [](const QString &l) { say(l); });
    QString lift;
    for (const QString &a : childArgs(o))
        lift += a.startsWith(u'-') ? u' ' + a : u" '"_s + a + u'\'';
    say(u"  replay: %1 --replay '%2'%3"_s.arg(QCoreApplication::applicationFilePath(), soak::format(steps), lift));
}

int supervise(const Options &o)
{
    QElapsedTimer clock;
    clock.start();
    const auto timeUp = [&] { return o.minutes > 0 && clock.elapsed() > o.minutes * 60'000; };
    std::vector<Finding> findings;
    quint64 seed = o.firstSeed, seeds = 0, actionsRun = 0;
    while (o.minutes > 0 ? !timeUp() : seed <= o.lastSeed) {
        const quint64 last = o.minutes > 0 ? seed + SeedsPerWorker - 1 : qMin(o.lastSeed, seed + SeedsPerWorker - 1);
        Finding current;
        bool inSeed = false;
        const Ending e = runChild(
            QStringList{u"--worker"_s, u"--seeds"_s, u"%1-%2"_s.arg(seed).arg(last), u"--actions"_s,
                        QString::number(o.actions)} + childArgs(o),
            [&](const QString &l) {
                const QString kind = l.section(u' ', 0, 0);
                if (kind == u"begin"_s) {
                    current = Finding{l.section(u' ', 1, 1).toULongLong(), {}, {}, {}};
                    inSeed = true;
                } else if (kind == u"step"_s) {
                    if (auto s = soak::parseSteps(l.section(u' ', 1)))
                        current.steps.insert(current.steps.end(), s->begin(), s->end());
                } else if (kind == u"ok"_s || kind == u"fail"_s) {
                    ++seeds;
                    actionsRun += current.steps.size();
                    inSeed = false;
                    if (kind == u"fail"_s) {
                        current.check = l.section(u' ', 2).section(u'\t', 0, 0);
                        current.message = l.section(u'\t', 1);
                        findings.push_back(current);
                        say(u"seed %1: %2"_s.arg(current.seed).arg(current.check));
                    }
                }
            });
        if (inSeed) {
            // The worker died or hung inside this seed; go on after it.
            current.check = e.check.isEmpty() ? u"crash"_s : e.check;
            current.message = e.message;
            ++seeds;
            actionsRun += current.steps.size();
            findings.push_back(current);
            say(u"seed %1: %2"_s.arg(current.seed).arg(current.check));
            seed = current.seed + 1;
        } else {
            seed = last + 1;
        }
        if (o.minutes > 0)
            say(u"%1 seeds, %2 actions, %3 findings, %4 min"_s.arg(seeds).arg(actionsRun).arg(findings.size())
                    .arg(clock.elapsed() / 60000.0, 0, 'f', 1));
    }
    for (const Finding &f : findings)
        report(o, f);
    say(u"soak: %1 seeds, %2 actions, %3 findings in %4 s"_s.arg(seeds).arg(actionsRun).arg(findings.size())
            .arg(clock.elapsed() / 1000));
    return findings.empty() ? 0 : 1;
}

// Every process of the soak runs on the offscreen platform with folders of
// its own, so a soak never reads or writes the user's settings or files.
void prepareEnvironment(QTemporaryDir &scratch)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("KALAMORA_PROGRAM_DIR"))
        qputenv("KALAMORA_PROGRAM_DIR", SOAK_PROGRAM_DIR);
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
        const QString dir = scratch.filePath(QString::fromLatin1(name));
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(name, dir.toLocal8Bit());
    }
}

} // namespace

int main(int argc, char **argv)
{
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));
    const auto options = parse(args);
    if (!options)
        return 2;
    QTemporaryDir scratch;
    prepareEnvironment(scratch);
    if (options->worker || !options->replay.isEmpty()) {
        QApplication app(argc, argv);
        startWatchdog();
        return options->worker ? runWorker(*options) : runReplay(*options);
    }
    QCoreApplication app(argc, argv);
    return supervise(*options);
}
