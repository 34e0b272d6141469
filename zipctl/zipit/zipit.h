// zipit: the outside zip library that Bundlet loads by name at run time.
// Strings are 8-bit file-system strings (UTF-8 here); booleans are -1 for
// true and 0 for false; each function returns nonzero on success and 0 on any
// failure, without raising errors or printing anything.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define ZIPIT_API __declspec(dllexport)
#else
#define ZIPIT_API __attribute__((visibility("default")))
#endif

extern "C" {

// Adds one file. action: 1 adds or replaces, 2 (freshen) replaces only an
// entry that exists and is older than the file, 3 (update) adds a new entry
// or replaces an older one. level: 0 stores, 1 to 9 deflate at that level.
// storePath keeps the file's path (made relative) in the entry name; dos83
// shortens each name part to an upper-case 8.3 name.
ZIPIT_API std::int16_t AddFile(const char *archive, const char *file, std::int16_t storePath, std::int16_t dos83,
                               std::int16_t action, std::int16_t level);

// Extracts the entry stored under entryName into destPath (created when
// missing). usePath recreates the entry's folders, otherwise only its file
// part is written. An existing file is replaced only with overwrite, or when
// freshen (2) or update (3) finds it older than the entry; freshen extracts
// only over existing files. Names that are absolute, hold a ".." part, or
// whose path would pass through a symbolic link are refused. The file is
// written under a temporary name and renamed into place.
ZIPIT_API std::int16_t ExtractFile(const char *archive, const char *entryName, const char *destPath,
                                   std::int16_t usePath, std::int16_t overwrite, std::int16_t action);

// Deletes the entry stored under entryName; the archive is rewritten to a
// temporary file and renamed over the original (removed when left empty).
ZIPIT_API std::int16_t DeleteFile(const char *archive, const char *entryName);
}
