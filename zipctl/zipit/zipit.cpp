#include "zipctl/zipit/zipit.h"

#include "zipctl/zipit/extractfolder.h"

#include <zip.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::int16_t kSuccess = 1;
constexpr std::int16_t kFailure = 0;

enum Action : std::int16_t { Default = 1, Freshen = 2, Update = 3 };

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
        base.assign(1, '_');
    if (!ext.empty())
        base.append(1, '.').append(ext);
    return base;
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

} // namespace

struct ZipItBatch
{
    zip_t *zip = nullptr;
    bool forChanges = false;
    std::unique_ptr<zipit::ExtractFolder> folder; // the last destination, kept for the next entry
    std::vector<char> buffer;

    ~ZipItBatch()
    {
        if (zip)
            zip_discard(zip);
    }

    // The entry at index, if it still holds the name the caller read.
    bool holds(std::int64_t index, const char *storedName) const
    {
        if (index < 0 || index >= zip_get_num_entries(zip, 0) || !storedName)
            return false;
        const char *raw = zip_get_name(zip, zip_uint64_t(index), ZIP_FL_ENC_RAW);
        return raw && std::strcmp(raw, storedName) == 0;
    }

    // The first entry stored under name, byte for byte; else the first whose
    // name, decoded as the archive says, is name in UTF-8.
    std::int64_t find(const char *name) const
    {
        const zip_int64_t n = zip_get_num_entries(zip, 0);
        for (zip_int64_t i = 0; i < n; ++i) {
            const char *raw = zip_get_name(zip, zip_uint64_t(i), ZIP_FL_ENC_RAW);
            if (raw && std::strcmp(raw, name) == 0)
                return i;
        }
        return zip_name_locate(zip, name, 0);
    }

    zipit::ExtractFolder *destination(const char *path)
    {
        const std::string dest = path[0] ? path : ".";
        if (!folder || folder->destination() != dest)
            folder = std::make_unique<zipit::ExtractFolder>(dest);
        return folder->valid() ? folder.get() : nullptr;
    }
};

extern "C" {

ZipItBatch *ZipItOpen(const char *archive, std::int16_t forChanges)
{
    if (!archive || !archive[0])
        return nullptr;
    // A pipe or a device would block or be consumed: only regular files.
    const zipit::FileStatus status = zipit::fileStatus(archive);
    if (status.exists ? !status.regular : !forChanges)
        return nullptr;
    int error = 0;
    zip_t *zip = zip_open(archive, forChanges ? ZIP_CREATE : ZIP_RDONLY, &error);
    if (!zip)
        return nullptr;
    auto *batch = new ZipItBatch;
    batch->zip = zip;
    batch->forChanges = forChanges != 0;
    return batch;
}

std::int16_t ZipItAdd(ZipItBatch *batch, const char *file, std::int16_t storePath, std::int16_t dos83,
                      std::int16_t action, std::int16_t level)
{
    if (!batch || !batch->forChanges || !file || action < Default || action > Update || level < 0 || level > 9)
        return kFailure;
    const zipit::FileStatus st = zipit::fileStatus(file);
    if (!st.regular)
        return kFailure;
    const std::string name = entryNameFor(file, storePath != 0, dos83 != 0);
    if (name.empty())
        return kFailure;

    zip_t *za = batch->zip;
    const zip_int64_t existing = zip_name_locate(za, name.c_str(), 0);
    if (existing >= 0 && action != Default) {
        zip_stat_t zs;
        zip_stat_init(&zs);
        if (zip_stat_index(za, zip_uint64_t(existing), 0, &zs) != 0 || !(zs.valid & ZIP_STAT_MTIME))
            return kFailure;
        // DOS times have two-second steps: within that, the two are the same age.
        if (st.mtime - zs.mtime < 2)
            return kFailure; // up to date: nothing added
    } else if (existing < 0 && action == Freshen) {
        return kFailure;
    }

    zip_source_t *src = zip_source_file(za, file, 0, -1);
    if (!src)
        return kFailure;
    zip_int64_t index = existing;
    if (existing >= 0) {
        if (zip_file_replace(za, zip_uint64_t(existing), src, 0) != 0) {
            zip_source_free(src);
            return kFailure;
        }
    } else {
        index = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_GUESS);
        if (index < 0) {
            zip_source_free(src);
            return kFailure;
        }
    }
    const zip_int32_t method = level == 0 ? ZIP_CM_STORE : ZIP_CM_DEFLATE;
    if (zip_set_file_compression(za, zip_uint64_t(index), method, zip_uint32_t(level)) != 0)
        return kFailure;
    zip_file_set_mtime(za, zip_uint64_t(index), st.mtime, 0);
    return kSuccess;
}

std::int16_t ZipItExtract(ZipItBatch *batch, std::int64_t index, const char *storedName, const char *outputName,
                          const char *destPath, std::int16_t usePath, std::int16_t overwrite, std::int16_t action)
{
    if (!batch || !outputName || !destPath || action < Default || action > Update)
        return kFailure;
    if (!batch->holds(index, storedName) || !safeEntryName(outputName))
        return kFailure;
    zip_t *za = batch->zip;
    zip_stat_t zs;
    zip_stat_init(&zs);
    if (zip_stat_index(za, zip_uint64_t(index), 0, &zs) != 0)
        return kFailure;

    const std::string_view name(outputName);
    const bool folderEntry = name.back() == '/' || name.back() == '\\';
    std::vector<std::string> parts = splitPath(name);
    if (parts.empty() || (!usePath && folderEntry))
        return kFailure;
    zipit::Placement p;
    if (!folderEntry) {
        p.leaf = std::move(parts.back());
        parts.pop_back();
    }
    if (usePath)
        p.folders = std::move(parts);
    if (zs.valid & ZIP_STAT_MTIME)
        p.mtime = zs.mtime;
    p.existing = action != Default ? zipit::Existing::ReplaceIfOlder
        : overwrite            ? zipit::Existing::Replace
                               : zipit::Existing::Keep;
    p.mustExist = action == Freshen;

    zipit::ExtractFolder *folder = batch->destination(destPath);
    if (!folder)
        return kFailure;
    const bool placed = folder->place(p, [&](const zipit::Sink &sink) {
        zip_file_t *zf = zip_fopen_index(za, zip_uint64_t(index), 0);
        if (!zf)
            return false;
        batch->buffer.resize(1 << 16);
        bool ok = true;
        for (;;) {
            const zip_int64_t n = zip_fread(zf, batch->buffer.data(), batch->buffer.size());
            if (n <= 0) {
                ok = n == 0; // below 0: a read or CRC error
                break;
            }
            if (!sink(batch->buffer.data(), std::size_t(n))) {
                ok = false;
                break;
            }
        }
        return zip_fclose(zf) == 0 && ok;
    });
    return placed ? kSuccess : kFailure;
}

std::int16_t ZipItDelete(ZipItBatch *batch, std::int64_t index, const char *storedName)
{
    if (!batch || !batch->forChanges || !batch->holds(index, storedName))
        return kFailure;
    return zip_delete(batch->zip, zip_uint64_t(index)) == 0 ? kSuccess : kFailure;
}

std::int16_t ZipItClose(ZipItBatch *batch, std::int16_t save)
{
    if (!batch)
        return kFailure;
    std::int16_t result = kSuccess;
    if (save && batch->forChanges) {
        // zip_close writes a temporary file and renames it over the
        // archive; on failure the handle stays open and is discarded.
        if (zip_close(batch->zip) == 0)
            batch->zip = nullptr;
        else
            result = kFailure;
    }
    delete batch;
    return result;
}

std::int16_t AddFile(const char *archive, const char *file, std::int16_t storePath, std::int16_t dos83,
                     std::int16_t action, std::int16_t level)
{
    ZipItBatch *batch = ZipItOpen(archive, 1);
    const bool added = ZipItAdd(batch, file, storePath, dos83, action, level) != kFailure;
    return ZipItClose(batch, added) != kFailure && added ? kSuccess : kFailure;
}

std::int16_t ExtractFile(const char *archive, const char *entryName, const char *destPath, std::int16_t usePath,
                         std::int16_t overwrite, std::int16_t action)
{
    if (!entryName)
        return kFailure;
    ZipItBatch *batch = ZipItOpen(archive, 0);
    if (!batch)
        return kFailure;
    const std::int64_t index = batch->find(entryName);
    const char *stored = index >= 0 ? zip_get_name(batch->zip, zip_uint64_t(index), ZIP_FL_ENC_RAW) : nullptr;
    const std::int16_t result = ZipItExtract(batch, index, stored, entryName, destPath, usePath, overwrite, action);
    ZipItClose(batch, 0);
    return result;
}

std::int16_t DeleteFile(const char *archive, const char *entryName)
{
    if (!entryName)
        return kFailure;
    ZipItBatch *batch = ZipItOpen(archive, 1);
    if (!batch)
        return kFailure;
    const std::int64_t index = batch->find(entryName);
    const char *stored = index >= 0 ? zip_get_name(batch->zip, zip_uint64_t(index), ZIP_FL_ENC_RAW) : nullptr;
    const bool deleted = ZipItDelete(batch, index, stored) != kFailure;
    return ZipItClose(batch, deleted) != kFailure && deleted ? kSuccess : kFailure;
}
}
