// The file of the Bundlex library itself, wherever it was loaded from: the
// registration record names it, and zipit is looked for beside it.
#pragma once

#include <QString>

namespace bundlex {

// Absolute path of the loaded library file; empty if the platform cannot say.
QString libraryFile();

// True when the process runs a widget application (QApplication), the only
// kind in which the control may have a window.
bool widgetApplication();

// An entry point of libbundletwidget, the control's window, loaded from this
// library's folder (else wherever the platform's loader finds it) at the
// first call; null when it cannot be loaded or lacks the entry.
QFunctionPointer widgetEntry(const char *name);

} // namespace bundlex
