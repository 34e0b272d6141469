// Faults found and being mended on other branches. Each entry keeps the
// soak away from one of them, so that it can go on looking for others; an
// entry goes when its fix has landed. `test_soak --with-known-faults` ignores
// the list, `--with-known-fault WORD` the entries whose description has WORD.

#include "tests/app/soak/world.h"

using namespace Qt::StringLiterals;

namespace soak {

namespace {

// None known now.
const std::vector<KnownFault> Faults = {};

} // namespace

namespace {

bool kept(const KnownFault &f, const RunOptions &options)
{
    return !options.lift || !QLatin1StringView(f.name).contains(*options.lift);
}

} // namespace

bool blockedByKnownFault(const Action &action, const World &world, const RunOptions &options)
{
    for (const KnownFault &f : Faults) {
        if (f.blocks && kept(f, options) && f.blocks(action, world))
            return true;
    }
    return false;
}

bool knownFailingCheck(const QString &check, const RunOptions &options)
{
    for (const KnownFault &f : Faults) {
        if (f.check && kept(f, options) && check == QLatin1StringView(f.check))
            return true;
    }
    return false;
}

} // namespace soak
