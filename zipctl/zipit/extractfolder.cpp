#include "zipctl/zipit/extractfolder.h"

#include <cctype>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zipit {

namespace {

#if defined(_WIN32)

// Windows: there is no openat, so every folder of the way is held open
// without FILE_SHARE_DELETE while the batch runs: it can then be neither
// renamed nor replaced by a junction, and its path keeps naming it.
using Handle = HANDLE;
const Handle kNoHandle = INVALID_HANDLE_VALUE;

std::wstring wide(const std::string &utf8)
{
    if (utf8.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring w(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), int(utf8.size()), w.data(), n);
    return w;
}

std::time_t toTimeT(const FILETIME &ft)
{
    const ULONGLONG ticks = (ULONGLONG(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return std::time_t(ticks / 10000000ULL) - std::time_t(11644473600LL);
}

FILETIME toFileTime(std::time_t t)
{
    const ULONGLONG ticks = (ULONGLONG(t) + 11644473600ULL) * 10000000ULL;
    FILETIME ft;
    ft.dwLowDateTime = DWORD(ticks);
    ft.dwHighDateTime = DWORD(ticks >> 32);
    return ft;
}

void closeHandle(Handle h)
{
    if (h != kNoHandle)
        CloseHandle(h);
}

// Attributes of what the handle itself names (opened with
// FILE_FLAG_OPEN_REPARSE_POINT, so a link is seen, not its target).
bool attributes(Handle h, DWORD &attrs)
{
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof info))
        return false;
    attrs = info.FileAttributes;
    return true;
}

Handle openFolder(const std::wstring &path, bool followLinks)
{
    const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
    Handle h = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, flags, nullptr);
    if (h == kNoHandle)
        return h;
    DWORD attrs = 0;
    if (!attributes(h, attrs) || !(attrs & FILE_ATTRIBUTE_DIRECTORY) || (attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
        CloseHandle(h);
        return kNoHandle;
    }
    return h;
}

#else

// POSIX: each folder is opened relative to its parent with O_NOFOLLOW, and
// the file is created relative to its folder, so no name is looked up again
// from the top.
using Handle = int;
constexpr Handle kNoHandle = -1;

void closeHandle(Handle h)
{
    if (h >= 0)
        ::close(h);
}

#endif

} // namespace

struct ExtractFolder::Folder
{
    Handle handle = kNoHandle;
    std::string path; // UTF-8, for the Windows calls that take a path
    ~Folder() { closeHandle(handle); }
};

bool validPart(const std::string &part)
{
    if (part.empty() || part == "." || part == "..")
        return false;
#if defined(_WIN32)
    for (unsigned char c : part) {
        if (c < 0x20 || std::strchr("<>:\"|?*", c))
            return false;
    }
    if (part.back() == '.' || part.back() == ' ')
        return false;
    // Device names stay devices whatever extension follows them.
    std::string stem = part.substr(0, part.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char &c : stem)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    static const char *const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char *d : devices) {
        if (stem == d)
            return false;
    }
    if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0)
        && std::isdigit(static_cast<unsigned char>(stem[3])))
        return false;
#endif
    return true;
}

FileStatus fileStatus(const std::string &path)
{
    FileStatus s;
#if defined(_WIN32)
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data))
        return s;
    s.exists = true;
    s.regular = !(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    s.mtime = toTimeT(data.ftLastWriteTime);
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return s;
    s.exists = true;
    s.regular = S_ISREG(st.st_mode);
    s.mtime = st.st_mtime;
#endif
    return s;
}

ExtractFolder::ExtractFolder(const std::string &destination)
    : m_destination(destination.empty() ? std::string(".") : destination), m_root(std::make_unique<Folder>())
{
    m_root->path = m_destination;
    // The destination and the folders up to it are created when missing.
    for (std::size_t i = 1; i <= m_destination.size(); ++i) {
        if (i == m_destination.size() || m_destination[i] == '/' || m_destination[i] == '\\') {
            const std::string upTo = m_destination.substr(0, i);
#if defined(_WIN32)
            CreateDirectoryW(wide(upTo).c_str(), nullptr);
#else
            ::mkdir(upTo.c_str(), 0755);
#endif
        }
    }
#if defined(_WIN32)
    m_root->handle = openFolder(wide(m_destination), true);
    m_tempPrefix = ".zipit-" + std::to_string(GetCurrentProcessId()) + '-';
#else
    m_root->handle = ::open(m_destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    m_tempPrefix = ".zipit-" + std::to_string(::getpid()) + '-';
#endif
}

ExtractFolder::~ExtractFolder() = default;

bool ExtractFolder::valid() const
{
    return m_root->handle != kNoHandle;
}

ExtractFolder::Folder *ExtractFolder::folder(const std::vector<std::string> &parts)
{
    Folder *current = m_root.get();
    std::string key;
    for (const std::string &part : parts) {
        key += part;
        key += '/';
        auto found = m_folders.find(key);
        if (found != m_folders.end()) {
            current = found->second.get();
            continue;
        }
        auto next = std::make_unique<Folder>();
        next->path = current->path + '/' + part;
#if defined(_WIN32)
        const std::wstring path = wide(next->path);
        if (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return nullptr;
        next->handle = openFolder(path, false); // a junction or link in the way is refused
#else
        if (::mkdirat(current->handle, part.c_str(), 0755) != 0 && errno != EEXIST)
            return nullptr;
        next->handle = ::openat(current->handle, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
#endif
        if (next->handle == kNoHandle)
            return nullptr; // a link, or a file where the folder should be
        current = next.get();
        m_folders.emplace(key, std::move(next));
    }
    return current;
}

bool ExtractFolder::place(const Placement &p, const Produce &produce)
{
    if (!valid())
        return false;
    for (const std::string &part : p.folders) {
        if (!validPart(part))
            return false;
    }
    if (!p.leaf.empty() && !validPart(p.leaf))
        return false;
    Folder *dir = folder(p.folders);
    if (!dir)
        return false;
    if (p.leaf.empty())
        return true;

    // What stands at the name now: nothing, a regular file, or anything else
    // (a link, a reparse point, a folder), which is never written through.
    bool exists = false;
    bool regular = false;
    std::time_t existingTime = 0;
#if defined(_WIN32)
    const std::wstring leafPath = wide(dir->path + '/' + p.leaf);
    {
        Handle h = CreateFileW(leafPath.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                               nullptr);
        if (h != kNoHandle) {
            exists = true;
            DWORD attrs = 0;
            FILETIME written{};
            regular = attributes(h, attrs)
                && !(attrs & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))
                && GetFileTime(h, nullptr, nullptr, &written);
            existingTime = toTimeT(written);
            CloseHandle(h);
        } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
            return false;
        }
    }
#else
    struct stat st {};
    if (::fstatat(dir->handle, p.leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        exists = true;
        regular = S_ISREG(st.st_mode);
        existingTime = st.st_mtime;
    } else if (errno != ENOENT) {
        return false;
    }
#endif
    if (exists) {
        if (!regular)
            return false;
        // Two-second steps in zip times: within them the two are the same age.
        const bool older = p.mtime && *p.mtime - existingTime >= 2;
        if (p.existing == Existing::Keep || (p.existing == Existing::ReplaceIfOlder && !older))
            return false;
    } else if (p.mustExist) {
        return false;
    }

#if defined(_WIN32)
    const std::string tempName = m_tempPrefix + std::to_string(m_temps++);
    const std::wstring tempPath = wide(dir->path + '/' + tempName);
    Handle out = CreateFileW(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (out == kNoHandle)
        return false;
    bool ok = produce([out](const char *data, std::size_t length) {
        while (length > 0) {
            DWORD written = 0;
            const DWORD chunk = length > 0x40000000u ? 0x40000000u : DWORD(length);
            if (!WriteFile(out, data, chunk, &written, nullptr) || written == 0)
                return false;
            data += written;
            length -= written;
        }
        return true;
    });
    if (ok && p.mtime) {
        const FILETIME ft = toFileTime(*p.mtime);
        SetFileTime(out, nullptr, &ft, &ft);
    }
    ok = CloseHandle(out) && ok;
    // Replaces a link at the name itself, never its target.
    if (ok && MoveFileExW(tempPath.c_str(), leafPath.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    DeleteFileW(tempPath.c_str());
    return false;
#else
    const std::string tempName = m_tempPrefix + std::to_string(m_temps++);
    const int out = ::openat(dir->handle, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out < 0)
        return false;
    bool ok = produce([out](const char *data, std::size_t length) {
        while (length > 0) {
            const ssize_t w = ::write(out, data, length);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return false;
            }
            data += w;
            length -= std::size_t(w);
        }
        return true;
    });
    if (ok && p.mtime) {
        const struct timespec times[2] = {{*p.mtime, 0}, {*p.mtime, 0}};
        ::futimens(out, times);
    }
    ok = ::close(out) == 0 && ok;
    // rename replaces a link at the name itself, never its target.
    if (ok && ::renameat(dir->handle, tempName.c_str(), dir->handle, p.leaf.c_str()) == 0)
        return true;
    ::unlinkat(dir->handle, tempName.c_str(), 0);
    return false;
#endif
}

} // namespace zipit
