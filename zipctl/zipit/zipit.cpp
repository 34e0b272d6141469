#include "zipit.h"

#include <zip.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::int16_t kSuccess = 1;
constexpr std::int16_t kFailure = 0;

enum Action : std::int16_t { Default = 1, Freshen = 2, Update = 3 };

// The archive handle, discarded unless committed.
class Archive
{
public:
    Archive(const char *path, int flags)
    {
        int error = 0;
        m_zip = zip_open(path, flags, &error);
    }
    ~Archive()
    {
        if (m_zip)
            zip_discard(m_zip);
    }
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    zip_t *get() const { return m_zip; }
    explicit operator bool() const { return m_zip != nullptr; }

    bool commit()
    {
        if (zip_close(m_zip) == 0) {
            m_zip = nullptr;
            return true;
        }
        return false;
    }

    // Raw bytes first (names come back exactly as the control read them),
    // then the library's own decoding.
    zip_int64_t locate(const char *name) const
    {
        zip_int64_t index = zip_name_locate(m_zip, name, ZIP_FL_ENC_RAW);
        if (index < 0)
            index = zip_name_locate(m_zip, name, 0);
        return index;
    }

private:
    zip_t *m_zip = nullptr;
};

class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    Fd &operator=(Fd &&other) noexcept
    {
        if (this != &other) {
            if (m_fd >= 0)
                ::close(m_fd);
            m_fd = other.m_fd;
            other.m_fd = -1;
        }
        return *this;
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

std::vector<std::string> splitPath(std::string_view path)
{
    std::vector<std::string> parts;
    std::string current;
    for (char c : path) {
        if (c == '/' || c == '\\') {
            if (!current.empty())
                parts.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        parts.push_back(std::move(current));
    return parts;
}

std::string dos83Part(const std::string &part)
{
    auto clean = [](std::string_view s, std::size_t limit) {
        std::string out;
        for (unsigned char c : s) {
            if (out.size() == limit)
                break;
            if (c == ' ' || c == '.')
                continue;
            if (std::isalnum(c) || std::strchr("!#$%&'()-@^_`{}~", c))
                out += static_cast<char>(std::toupper(c));
            else
                out += '_';
        }
        return out;
    };
    const std::size_t dot = part.rfind('.');
    std::string base = clean(dot == std::string::npos || dot == 0 ? part : part.substr(0, dot), 8);
    std::string ext = dot == std::string::npos || dot == 0 ? std::string() : clean(part.substr(dot + 1), 3);
    if (base.empty())
        base = "_";
    return ext.empty() ? base : base + '.' + ext;
}

// The name an added file is stored under: its path made relative (leading
// "/" and any "." or ".." parts dropped, so the entry never points outside an
// extraction folder), or its file name alone.
std::string entryNameFor(const char *file, bool storePath, bool dos83)
{
    std::vector<std::string> parts;
    for (std::string &p : splitPath(file)) {
        if (p == "." || p == "..")
            continue;
        parts.push_back(std::move(p));
    }
    if (parts.empty())
        return {};
    if (!storePath)
        parts.erase(parts.begin(), parts.end() - 1);
    std::string name;
    for (std::string &p : parts) {
        if (!name.empty())
            name += '/';
        name += dos83 ? dos83Part(p) : p;
    }
    return name;
}

// DOS times have two-second steps: within that, the two are the same age.
bool olderThan(std::time_t older, std::time_t newer)
{
    return newer - older >= 2;
}

bool safeEntryName(const char *name)
{
    const std::string_view n(name);
    if (n.empty() || n.front() == '/' || n.front() == '\\')
        return false;
    if (n.size() >= 2 && n[1] == ':' && std::isalpha(static_cast<unsigned char>(n[0])))
        return false;
    for (const std::string &p : splitPath(n)) {
        if (p == "..")
            return false;
    }
    return true;
}

bool writeEntry(zip_t *za, zip_uint64_t index, int dirFd, const std::string &tempName)
{
    Fd out(::openat(dirFd, tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!out.valid())
        return false;
    zip_file_t *zf = zip_fopen_index(za, index, 0);
    if (!zf)
        return false;
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        const zip_int64_t n = zip_fread(zf, buffer.data(), buffer.size());
        if (n < 0) { // read or CRC error
            ok = false;
            break;
        }
        if (n == 0)
            break;
        const char *p = buffer.data();
        zip_int64_t left = n;
        while (left > 0) {
            const ssize_t w = ::write(out.get(), p, static_cast<std::size_t>(left));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                ok = false;
                break;
            }
            p += w;
            left -= w;
        }
        if (!ok)
            break;
    }
    if (zip_fclose(zf) != 0)
        ok = false;
    return ok;
}

} // namespace

extern "C" {

std::int16_t AddFile(const char *archive, const char *file, std::int16_t storePath, std::int16_t dos83,
                     std::int16_t action, std::int16_t level)
{
    if (!archive || !file || action < Default || action > Update || level < 0 || level > 9)
        return kFailure;
    struct stat st {};
    if (::stat(file, &st) != 0 || !S_ISREG(st.st_mode))
        return kFailure;
    const std::string name = entryNameFor(file, storePath != 0, dos83 != 0);
    if (name.empty())
        return kFailure;

    Archive za(archive, ZIP_CREATE);
    if (!za)
        return kFailure;
    const zip_int64_t existing = za.locate(name.c_str());
    if (existing >= 0 && action != Default) {
        zip_stat_t zs;
        zip_stat_init(&zs);
        if (zip_stat_index(za.get(), existing, 0, &zs) != 0 || !(zs.valid & ZIP_STAT_MTIME))
            return kFailure;
        if (!olderThan(zs.mtime, st.st_mtime))
            return kFailure; // up to date: nothing added
    } else if (existing < 0 && action == Freshen) {
        return kFailure;
    }

    zip_source_t *src = zip_source_file(za.get(), file, 0, -1);
    if (!src)
        return kFailure;
    zip_int64_t index = existing;
    if (existing >= 0) {
        if (zip_file_replace(za.get(), existing, src, 0) != 0) {
            zip_source_free(src);
            return kFailure;
        }
    } else {
        index = zip_file_add(za.get(), name.c_str(), src, ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(src);
            return kFailure;
        }
    }
    const zip_int32_t method = level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    if (zip_set_file_compression(za.get(), index, method, static_cast<zip_uint32_t>(level)) != 0)
        return kFailure;
    zip_file_set_mtime(za.get(), index, st.st_mtime, 0);
    return za.commit() ? kSuccess : kFailure;
}

std::int16_t ExtractFile(const char *archive, const char *entryName, const char *destPath, std::int16_t usePath,
                         std::int16_t overwrite, std::int16_t action)
{
    if (!archive || !entryName || !destPath || action < Default || action > Update)
        return kFailure;
    if (!safeEntryName(entryName))
        return kFailure;
    Archive za(archive, ZIP_RDONLY);
    if (!za)
        return kFailure;
    const zip_int64_t index = za.locate(entryName);
    if (index < 0)
        return kFailure;
    zip_stat_t zs;
    zip_stat_init(&zs);
    if (zip_stat_index(za.get(), index, 0, &zs) != 0)
        return kFailure;

    const std::string_view name(entryName);
    const bool folderEntry = name.back() == '/' || name.back() == '\\';
    std::vector<std::string> parts = splitPath(name);
    if (parts.empty())
        return kFailure;
    if (!usePath) {
        if (folderEntry)
            return kFailure;
        parts.erase(parts.begin(), parts.end() - 1);
    }

    // Destination folder first (created when missing, followed if a link:
    // the caller chose it), then every folder of the entry, refusing links.
    std::string dest = destPath[0] ? destPath : ".";
    {
        std::string built;
        for (std::size_t i = 0; i < dest.size(); ++i) {
            built += dest[i];
            if ((dest[i] == '/' && i > 0) || i + 1 == dest.size())
                ::mkdir(built.c_str(), 0755);
        }
    }
    Fd dir(::open(dest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return kFailure;
    const std::size_t folders = folderEntry ? parts.size() : parts.size() - 1;
    for (std::size_t i = 0; i < folders; ++i) {
        if (::mkdirat(dir.get(), parts[i].c_str(), 0755) != 0 && errno != EEXIST)
            return kFailure;
        Fd next(::openat(dir.get(), parts[i].c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next.valid())
            return kFailure; // a link (ELOOP) or a file in the way
        dir = std::move(next);
    }
    if (folderEntry)
        return kSuccess;

    const std::string &leaf = parts.back();
    struct stat existing {};
    const bool exists = ::fstatat(dir.get(), leaf.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists) {
        if (!S_ISREG(existing.st_mode))
            return kFailure; // never write through a link or over a folder
        const bool older = (zs.valid & ZIP_STAT_MTIME) && olderThan(existing.st_mtime, zs.mtime);
        if (action == Default ? overwrite == 0 : !older)
            return kFailure;
    } else if (action == Freshen) {
        return kFailure;
    }

    const std::string tempName = "." + leaf + ".zipit-" + std::to_string(::getpid());
    if (!writeEntry(za.get(), static_cast<zip_uint64_t>(index), dir.get(), tempName)) {
        ::unlinkat(dir.get(), tempName.c_str(), 0);
        return kFailure;
    }
    if (zs.valid & ZIP_STAT_MTIME) {
        const struct timespec times[2] = {{zs.mtime, 0}, {zs.mtime, 0}};
        ::utimensat(dir.get(), tempName.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    if (::renameat(dir.get(), tempName.c_str(), dir.get(), leaf.c_str()) != 0) {
        ::unlinkat(dir.get(), tempName.c_str(), 0);
        return kFailure;
    }
    return kSuccess;
}

std::int16_t DeleteFile(const char *archive, const char *entryName)
{
    if (!archive || !entryName)
        return kFailure;
    Archive za(archive, 0);
    if (!za)
        return kFailure;
    const zip_int64_t index = za.locate(entryName);
    if (index < 0 || zip_delete(za.get(), static_cast<zip_uint64_t>(index)) != 0)
        return kFailure;
    return za.commit() ? kSuccess : kFailure;
}
}
