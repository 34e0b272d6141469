#include "textengine/clipboardspace.h"

#include "textengine/textcontrol.h"

using namespace Qt::StringLiterals;

namespace kalamora::textengine {

namespace {
constexpr int CtrlC = 3; // the character codes of Ctrl+C and Ctrl+X
constexpr int CtrlX = 24;
} // namespace

bool takeClipboardKey(TextControl &control, int &key, bool &cutDone)
{
    if ((key != CtrlC && key != CtrlX) || cutDone)
        return false;
    const bool done = key == CtrlC ? control.copyWithLead(u" "_s) : control.cutWithLead(u" "_s);
    cutDone = done && key == CtrlX;
    key = 0;
    return true;
}

} // namespace kalamora::textengine
