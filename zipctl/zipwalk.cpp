#include "zipwalk.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace bundlex {

namespace {

std::uint16_t rd16(const std::uint8_t *p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t rd32(const std::uint8_t *p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8)
        | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

struct DirectoryRecord
{
    std::uint64_t localOffset;
    std::uint32_t crc32;
    std::uint32_t compressedSize;
    std::uint32_t uncompressedSize;
};

// The central directory, read only when a header defers its sizes to a data
// descriptor: those sizes exist nowhere else before the data.
class CentralDirectory
{
public:
    explicit CentralDirectory(std::span<const std::uint8_t> image)
    {
        load(image);
    }

    const DirectoryRecord *find(std::uint64_t localOffset) const
    {
        auto it = std::lower_bound(m_records.begin(), m_records.end(), localOffset,
                                   [](const DirectoryRecord &r, std::uint64_t off) { return r.localOffset < off; });
        if (it == m_records.end() || it->localOffset != localOffset)
            return nullptr;
        return &*it;
    }

private:
    void load(std::span<const std::uint8_t> image)
    {
        const std::size_t size = image.size();
        constexpr std::size_t eocdSize = 22;
        if (size < eocdSize)
            return;
        const std::uint8_t *base = image.data();
        // The end record sits within the last 64 KiB + 22 bytes (its comment).
        const std::size_t lowest = size > eocdSize + 0xFFFF ? size - eocdSize - 0xFFFF : 0;
        std::optional<std::size_t> eocd;
        for (std::size_t p = size - eocdSize + 1; p-- > lowest;) {
            if (rd32(base + p) == kEndOfDirectorySignature && p + eocdSize + rd16(base + p + 20) <= size) {
                eocd = p;
                break;
            }
        }
        if (!eocd)
            return;
        const std::uint32_t cdSize = rd32(base + *eocd + 12);
        const std::uint32_t cdOffset = rd32(base + *eocd + 16);
        if (cdOffset == 0xFFFFFFFFu || std::uint64_t(cdOffset) + cdSize > *eocd)
            return;
        // Data prepended to the archive (a self-extractor stub) shifts every
        // recorded offset by the same amount.
        const std::uint64_t shift = *eocd - (std::uint64_t(cdOffset) + cdSize);
        std::uint64_t p = std::uint64_t(cdOffset) + shift;
        const std::uint64_t end = *eocd;
        while (p + 46 <= end && rd32(base + p) == kCentralHeaderSignature) {
            const std::uint8_t *h = base + p;
            m_records.push_back({std::uint64_t(rd32(h + 42)) + shift, rd32(h + 16), rd32(h + 20), rd32(h + 24)});
            p += 46 + std::uint64_t(rd16(h + 28)) + rd16(h + 30) + rd16(h + 32);
        }
        std::sort(m_records.begin(), m_records.end(),
                  [](const DirectoryRecord &a, const DirectoryRecord &b) { return a.localOffset < b.localOffset; });
    }

    std::vector<DirectoryRecord> m_records;
};

WalkResult failure(WalkStatus status, std::uint64_t offset, std::string what, std::size_t entries)
{
    WalkResult r;
    r.status = status;
    r.errorOffset = offset;
    r.message = std::move(what) + " (local header at offset " + std::to_string(offset) + ")";
    r.entries = entries;
    return r;
}

} // namespace

WalkResult walkLocalHeaders(std::span<const std::uint8_t> image,
                            const std::function<void(const LocalHeaderRecord &)> &sink)
{
    const std::uint8_t *base = image.data();
    const std::uint64_t size = image.size();
    std::optional<CentralDirectory> directory;
    std::size_t entries = 0;
    std::uint64_t pos = 0;

    while (pos + 4 <= size) {
        const std::uint32_t signature = rd32(base + pos);
        if (signature == kCentralHeaderSignature || signature == kEndOfDirectorySignature || signature == 0)
            break;
        if (signature != kLocalHeaderSignature) {
            pos += 4;
            continue;
        }
        if (pos + 30 > size)
            return failure(WalkStatus::Truncated, pos, "truncated local header", entries);

        const std::uint8_t *h = base + pos;
        LocalHeaderRecord rec;
        rec.offset = pos;
        rec.version = static_cast<std::int16_t>(rd16(h + 4));
        rec.flag = static_cast<std::int16_t>(rd16(h + 6));
        rec.compressionMethod = static_cast<std::int16_t>(rd16(h + 8));
        rec.dosTime = rd16(h + 10);
        rec.dosDate = rd16(h + 12);
        std::uint32_t crc = rd32(h + 14);
        std::uint32_t compressed = rd32(h + 18);
        std::uint32_t uncompressed = rd32(h + 22);
        const std::uint16_t nameLength = rd16(h + 26);
        const std::uint16_t extraLength = rd16(h + 28);

        if (nameLength >= 0x8000 || extraLength >= 0x8000)
            return failure(WalkStatus::BadHeader, pos, "name or extra field length out of range", entries);

        const bool descriptor = (rd16(h + 6) & kFlagDataDescriptor) != 0;
        if (descriptor) {
            if (!directory)
                directory.emplace(image);
            if (const DirectoryRecord *d = directory->find(pos)) {
                crc = d->crc32;
                compressed = d->compressedSize;
                uncompressed = d->uncompressedSize;
            } else if (compressed == 0) {
                return failure(WalkStatus::BadHeader, pos,
                               "entry with a data descriptor has no central directory record", entries);
            }
        }
        if (compressed >= 0x80000000u || uncompressed >= 0x80000000u)
            return failure(WalkStatus::BadHeader, pos, "entry size out of range", entries);

        const std::uint64_t nameStart = pos + 30;
        const std::uint64_t dataStart = nameStart + nameLength + extraLength;
        const std::uint64_t dataEnd = dataStart + compressed;
        if (dataStart > size)
            return failure(WalkStatus::Truncated, pos, "truncated file name or extra field", entries);
        if (dataEnd > size)
            return failure(WalkStatus::Truncated, pos, "entry data runs past the end of the file", entries);

        rec.crc32 = static_cast<std::int32_t>(crc);
        rec.compressedSize = static_cast<std::int32_t>(compressed);
        rec.uncompressedSize = static_cast<std::int32_t>(uncompressed);
        rec.fileNameLength = static_cast<std::int16_t>(nameLength);
        rec.extraFieldLength = static_cast<std::int16_t>(extraLength);
        rec.fileName = std::string_view(reinterpret_cast<const char *>(base + nameStart), nameLength);
        sink(rec);
        ++entries;

        pos = dataEnd;
        if (descriptor) {
            // Step over the descriptor: with its optional signature 16 bytes,
            // without it 12 (it then starts with the CRC).
            if (pos + 16 <= size && rd32(base + pos) == kDataDescriptorSignature)
                pos += 16;
            else if (pos + 12 <= size && rd32(base + pos) == crc)
                pos += 12;
        }
    }

    WalkResult ok;
    ok.entries = entries;
    return ok;
}

DosDateTime decodeDosDateTime(std::uint16_t date, std::uint16_t time)
{
    DosDateTime t;
    t.year = 1980 + (date >> 9);
    t.month = (date >> 5) & 0x0F;
    t.day = date & 0x1F;
    t.hour = time >> 11;
    t.minute = (time >> 5) & 0x3F;
    t.second = (time & 0x1F) * 2;
    static constexpr int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int days = 0;
    if (t.month >= 1 && t.month <= 12) {
        days = monthDays[t.month - 1];
        const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
        if (t.month == 2 && leap)
            days = 29;
    }
    t.valid = days != 0 && t.day >= 1 && t.day <= days && t.hour <= 23 && t.minute <= 59 && t.second <= 59;
    return t;
}

} // namespace bundlex
