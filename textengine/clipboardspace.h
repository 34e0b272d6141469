#pragma once

namespace kalamora::textengine {

class TextControl;

// Ctrl+C and Ctrl+X put a space in front of the selection on the clipboard,
// which other programs of this encoding expect at the start of pasted Hindi
// text; the control's text itself never changes for it. After a cut with
// the space, copies and cuts of that control are plain: `cutDone` is the
// host's memory of that cut, kept per control.
//
// Call from the control's KeyPress handler before anything else sees the
// key. Returns whether the key was taken; a taken key is set to 0 so the
// control inserts nothing for it.
bool takeClipboardKey(TextControl &control, int &key, bool &cutDone);

} // namespace kalamora::textengine
