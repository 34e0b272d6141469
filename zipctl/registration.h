// The per-user registration record: an INI file in the user's configuration
// folder, written by DllRegisterServer and removed by DllUnregisterServer.
// Sections are named after the types (Bundlet, _Bundlet, __Bundlet,
// ZipFileEntry, _ZipFileEntry, ZipAction, ZipLevel) plus TypeLib; each holds
// Id and Kind, the classes also Path (the library file) and Creatable.
#pragma once

#include "zipctl/bundlexglobal.h"

#include <QString>

namespace bundlex {

BUNDLEX_EXPORT QString registrationFile();

// The library file registered for the class, or an empty string when the
// class is not registered.
BUNDLEX_EXPORT QString registeredLibrary(const QString &classId);

} // namespace bundlex
