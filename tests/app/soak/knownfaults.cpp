// Faults found and being mended on other branches. Each entry keeps the
// soak away from one of them, so that it can go on looking for others; an
// entry goes when its fix has landed. `soak --with-known-faults` ignores the
// list.

#include "world.h"

#include "textcontrol.h"

#include <cstring>

using namespace Qt::StringLiterals;

namespace soak {

namespace {

bool is(const Action &a, std::initializer_list<const char *> names)
{
    for (const char *n : names) {
        if (std::strcmp(a.name, n) == 0)
            return true;
    }
    return false;
}

// Where the engine stands a space in for the line feed before the caret,
// which a control key (Ctrl+C, X, V, Z, Y) then trips over.
bool controlKeyAtLineStart(const World &w)
{
    const textengine::TextControl *c = w.rtf();
    const int start = c->SelStart();
    return w.hindi() && w.layout() == u"Rom"_s && start >= 2 && c->Text().at(start - 1) == u'\n';
}

const std::vector<KnownFault> Faults = {
    {"paste with an empty clipboard crashes",
     [](const Action &a, const World &w) { return is(a, {"paste"}) && w.clipboardEmpty(); }, nullptr},
    {"copy or cut of a selection that starts at a line start deletes text (Ctrl+V, Z and Y there go through the "
     "engine's stand-in space too: Undo does nothing)",
     [](const Action &a, const World &w) {
         return is(a, {"copy", "cut", "paste", "copy-oddly", "undo", "redo"}) && controlKeyAtLineStart(w);
     },
     nullptr},
    {"the clipboard space's removal deletes a character when the C key comes up late or elsewhere",
     [](const Action &a, const World &) { return is(a, {"copy-oddly"}); }, nullptr},
    {"Undo after Copy or Cut brings the clipboard space back into the text", nullptr, "undo-clipboard-space"},
    {"closing a document while its find window is open crashes",
     [](const Action &a, const World &w) { return is(a, {"close"}) && w.findDoc; }, nullptr},
    {"File > Exit loses the find window's replacements",
     [](const Action &a, const World &w) { return is(a, {"exit"}) && w.findDoc; }, nullptr},
    {"shared menu and toolbar actions keep a stale enabled state", nullptr, "command-state"},
    {"the pop-up menu offers Cut and Copy while the Edit commands they run are disabled", nullptr,
     "popup-runs-disabled-command"},
    {"later documents open in continuous view under a checked page view", nullptr, "view-mode"},
};

} // namespace

const std::vector<KnownFault> &knownFaults()
{
    return Faults;
}

bool blockedByKnownFault(const Action &action, const World &world)
{
    for (const KnownFault &f : Faults) {
        if (f.blocks && f.blocks(action, world))
            return true;
    }
    return false;
}

bool knownFailingCheck(const QString &check)
{
    for (const KnownFault &f : Faults) {
        if (f.check && check == QLatin1StringView(f.check))
            return true;
    }
    return false;
}

} // namespace soak
