// zipit: the outside zip library that Bundlet loads by name at run time.
// Strings are UTF-8 (on POSIX systems the file system's own bytes);
// booleans are -1 for true and 0 for false; each function returns nonzero on
// success and 0 on any failure, without raising errors or printing anything.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define ZIPIT_API __declspec(dllexport)
#else
#define ZIPIT_API __attribute__((visibility("default")))
#endif

extern "C" {

// One call, one file: each opens the archive, does its work and, for Add and
// Delete, rewrites the archive.

// Adds one file. action: 1 adds or replaces, 2 (freshen) replaces only an
// entry that exists and is older than the file, 3 (update) adds a new entry
// or replaces an older one. level: 0 stores, 1 to 9 deflate at that level.
// storePath keeps the file's path (made relative) in the entry name; dos83
// shortens each name part to an upper-case 8.3 name.
ZIPIT_API std::int16_t AddFile(const char *archive, const char *file, std::int16_t storePath, std::int16_t dos83,
                               std::int16_t action, std::int16_t level);

// Extracts the first entry stored under entryName (its bytes as in the
// archive, whatever their encoding) into destPath (created when missing).
// usePath recreates the entry's folders, otherwise only its file part is
// written. An existing file is replaced only with overwrite, or when freshen
// (2) or update (3) finds it older than the entry; freshen extracts only over
// existing files. Names that are absolute, hold a ".." part, or whose path
// would pass through a symbolic link (a reparse point on Windows) are
// refused. The file is written under a temporary name and renamed into place.
ZIPIT_API std::int16_t ExtractFile(const char *archive, const char *entryName, const char *destPath,
                                   std::int16_t usePath, std::int16_t overwrite, std::int16_t action);

// Deletes the first entry stored under entryName; the archive is rewritten
// to a temporary file and renamed over the original (removed when left
// empty).
ZIPIT_API std::int16_t DeleteFile(const char *archive, const char *entryName);

// Batches: the archive is opened once for any number of entries, which are
// addressed by their index in the central directory; changes are written in
// one rewrite when the batch closes. Each entry call also takes the entry's
// name as stored, and fails when the index holds another name (the archive
// changed since the caller read it).
struct ZipItBatch;

// Opens the archive: for reading (forChanges 0), or for adding and deleting
// (created when absent). Null when it is not a regular file or not a zip
// archive.
ZIPIT_API ZipItBatch *ZipItOpen(const char *archive, std::int16_t forChanges);

// As AddFile, into the batch.
ZIPIT_API std::int16_t ZipItAdd(ZipItBatch *batch, const char *file, std::int16_t storePath, std::int16_t dos83,
                                std::int16_t action, std::int16_t level);

// As ExtractFile, for the entry at index; outputName is the name it is
// written under (the stored name decoded for display), checked as the stored
// name is in ExtractFile.
ZIPIT_API std::int16_t ZipItExtract(ZipItBatch *batch, std::int64_t index, const char *storedName,
                                    const char *outputName, const char *destPath, std::int16_t usePath,
                                    std::int16_t overwrite, std::int16_t action);

// Marks the entry at index for deletion.
ZIPIT_API std::int16_t ZipItDelete(ZipItBatch *batch, std::int64_t index, const char *storedName);

// Closes and frees the batch. With save, the changes are written (an archive
// left without entries is removed); the result is then whether that worked,
// and on failure the archive is as it was. Without save they are dropped.
ZIPIT_API std::int16_t ZipItClose(ZipItBatch *batch, std::int16_t save);
}
