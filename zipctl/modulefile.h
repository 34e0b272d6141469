// The file of the Bundlex library itself, wherever it was loaded from: the
// registration record names it, and zipit is looked for beside it.
#pragma once

#include <QString>

namespace bundlex {

// Absolute path of the loaded library file; empty if the platform cannot say.
QString libraryFile();

} // namespace bundlex
