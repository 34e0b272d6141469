#include "tests/app/soak/world.h"

#include "textengine/textcontrol.h"

#include <QRegularExpression>

#include <atomic>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace soak {

std::atomic<quint64> progress{0};

namespace {

void print(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString name(const Step &s)
{
    return u"%1#%2"_s.arg(QLatin1StringView(actions()[size_t(s.action)].name)).arg(s.seed, 0, 16);
}

bool runnable(const Action &a, const World &w, const RunOptions &options)
{
    return a.can(w) && !blockedByKnownFault(a, w, options);
}

// Runs one step and the checks after it. A failure names the step.
void perform(World &w, const Step &step, int number, const RunOptions &options)
{
    const Action &a = actions()[size_t(step.action)];
    ++progress;
    if (options.echo)
        print(u"step "_s + name(step));
    if (options.verbose)
        print(u"  %1. %2"_s.arg(number, 3).arg(name(step)));
    w.messages.clear();
    w.answers.clear();
    w.fileChoices.clear();
    w.note.clear();
    QPointer<frmDocument> d = w.doc();
    const bool watchFormat = a.keepsFormat && d && !w.find();
    const QString formatBefore = watchFormat ? World::formats(d->rtftext()) : QString();
    try {
        Rng r(step.seed);
        a.perform(w, r);
        w.settle();
        if (watchFormat && d)
            w.check(World::formats(d->rtftext()) == formatBefore, u"format-changed"_s,
                    u"the formatting changed:\n  before %1\n  after  %2"_s.arg(formatBefore,
                                                                             World::formats(d->rtftext())));
        w.verify();
    } catch (const Failure &f) {
        throw Failure(f.check, u"step %1 %2 (%3): %4"_s.arg(number).arg(name(step), w.note, f.message));
    }
    if (options.verbose)
        print(u"         %1\n         -> %2"_s.arg(w.note, w.rtf() ? u'"' + escaped(w.visible()->Text()) + u'"' : u"no document"_s));
}

} // namespace

QString format(const std::vector<Step> &steps)
{
    QStringList parts;
    for (const Step &s : steps)
        parts.append(name(s));
    return parts.join(u' ');
}

std::optional<std::vector<Step>> parseSteps(const QString &text)
{
    std::vector<Step> steps;
    static const QRegularExpression item(u"^([a-z-]+)#([0-9a-f]+)$"_s);
    for (const QString &part : text.split(QRegularExpression(u"\\s+"_s), Qt::SkipEmptyParts)) {
        const auto m = item.match(part);
        const int action = m.hasMatch() ? actionIndex(m.captured(1)) : -1;
        bool ok = false;
        const quint64 seed = m.captured(2).toULongLong(&ok, 16);
        if (action < 0 || !ok)
            return std::nullopt;
        steps.push_back({action, seed});
    }
    return steps;
}

void runSeed(quint64 seed, int count, const RunOptions &options, std::vector<Step> &steps)
{
    World w(options);
    Rng r(seed);
    const std::vector<Action> &all = actions();
    for (int i = 1; i <= count; ++i) {
        int total = 0;
        std::vector<int> open;
        for (size_t a = 0; a < all.size(); ++a) {
            if (runnable(all[a], w, options)) {
                open.push_back(int(a));
                total += all[a].weight;
            }
        }
        int roll = r.below(total);
        size_t k = 0;
        while (roll >= all[size_t(open[k])].weight)
            roll -= all[size_t(open[k++])].weight;
        steps.push_back({open[k], r.next()});
        perform(w, steps.back(), i, options);
    }
}

void replay(const std::vector<Step> &steps, const RunOptions &options)
{
    World w(options);
    int number = 0;
    for (const Step &s : steps) {
        ++number;
        if (runnable(actions()[size_t(s.action)], w, options))
            perform(w, s, number, options);
        else if (options.verbose)
            print(u"  %1. %2  (cannot run here: skipped)"_s.arg(number, 3).arg(name(s)));
    }
}

} // namespace soak
