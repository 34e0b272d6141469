// The one place where zipit touches the file system for extraction, with a
// POSIX and a Windows branch: files are written below a destination folder
// and never outside it. No step below the destination follows a symbolic link
// (POSIX) or a reparse point such as a junction (Windows); an existing link or
// reparse point where a folder or the file should be refuses the file. Data
// goes to a temporary file in the target folder that is renamed over the
// name only when complete, so a failed extraction leaves no half file.
#pragma once

#include <cstddef>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zipit {

// Writes one file's data through the given sink; false (from either side)
// abandons the file.
using Sink = std::function<bool(const char *data, std::size_t length)>;
using Produce = std::function<bool(const Sink &sink)>;

// What to do about a regular file already at the target name.
enum class Existing { Keep, Replace, ReplaceIfOlder };

struct Placement
{
    std::vector<std::string> folders; // below the destination, each one a single name
    std::string leaf;                 // the file's name; empty: only the folders
    std::optional<std::time_t> mtime; // given to the file, and what ReplaceIfOlder compares
    Existing existing = Existing::Keep;
    bool mustExist = false; // write only over a file that is there already
};

// True for a name that may stand as one folder or file name on this platform
// (never "", "." or ".."; on Windows also no device name, stream colon,
// reserved character or trailing dot or space).
bool validPart(const std::string &part);

// Folders and the paths of files given to zipit, in UTF-8.
struct FileStatus
{
    bool exists = false;
    bool regular = false;
    std::time_t mtime = 0;
};
FileStatus fileStatus(const std::string &path);

class ExtractFolder
{
public:
    // The destination, created when missing. It may itself lie behind links:
    // the caller chose it.
    explicit ExtractFolder(const std::string &destination);
    ~ExtractFolder();
    ExtractFolder(const ExtractFolder &) = delete;
    ExtractFolder &operator=(const ExtractFolder &) = delete;

    bool valid() const;
    const std::string &destination() const { return m_destination; }

    // Creates the missing folders of p and writes its file with produce's
    // data. False, with nothing left behind but folders, when a name is not
    // valid, a link or reparse point is in the way, the existing file is to
    // be kept, or writing fails. Folders opened once stay open for the next
    // file of the batch.
    bool place(const Placement &p, const Produce &produce);

private:
    struct Folder;
    Folder *folder(const std::vector<std::string> &parts);

    std::string m_destination;
    std::unique_ptr<Folder> m_root;
    std::map<std::string, std::unique_ptr<Folder>> m_folders;
    std::string m_tempPrefix; // ".zipit-<process>-", a counter follows
    unsigned m_temps = 0;
};

} // namespace zipit
