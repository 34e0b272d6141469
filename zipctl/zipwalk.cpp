#include "zipctl/zipwalk.h"

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

std::uint64_t rd64(const std::uint8_t *p)
{
    return std::uint64_t(rd32(p)) | (std::uint64_t(rd32(p + 4)) << 32);
}

constexpr std::uint32_t kMax32 = 0xFFFFFFFFu;
constexpr std::uint16_t kZip64ExtraId = 0x0001;

// The zip64 extended information of an extra field block: the 64-bit values
// stand in, in this order, for those of the 32-bit fields that are maxed out.
// Fields whose value is not maxed keep it. False when a needed value is
// missing.
bool applyZip64(const std::uint8_t *extra, std::size_t length, std::uint64_t &uncompressed,
                std::uint64_t &compressed, std::uint64_t *localOffset, bool &found)
{
    found = false;
    for (std::size_t p = 0; p + 4 <= length;) {
        const std::uint16_t id = rd16(extra + p);
        const std::size_t size = rd16(extra + p + 2);
        if (p + 4 + size > length)
            break;
        if (id == kZip64ExtraId) {
            found = true;
            const std::uint8_t *q = extra + p + 4;
            std::size_t left = size;
            auto take = [&](std::uint64_t &field) {
                if (field != kMax32)
                    return true;
                if (left < 8)
                    return false;
                field = rd64(q);
                q += 8;
                left -= 8;
                return true;
            };
            return take(uncompressed) && take(compressed) && (!localOffset || take(*localOffset));
        }
        p += 4 + size;
    }
    return uncompressed != kMax32 && compressed != kMax32 && (!localOffset || *localOffset != kMax32);
}

struct DirectoryRecord
{
    std::uint64_t localOffset; // in the image, prepended data included
    std::int64_t index;        // position in the directory
    std::uint16_t versionNeeded;
    std::uint16_t flags;
    std::uint16_t method;
    std::uint32_t dosTimeDate;
    std::uint32_t crc32;
    std::uint64_t compressedSize;
    std::uint64_t uncompressedSize;
    std::string_view name;
};

// The central directory, read whole: the walk checks every local header
// against it, and data-descriptor entries take their sizes from it, since
// they exist nowhere else before the data.
class CentralDirectory
{
public:
    enum class State { Absent, Damaged, Ok };

    explicit CentralDirectory(std::span<const std::uint8_t> image) { m_state = load(image); }

    State state() const { return m_state; }
    std::size_t size() const { return m_records.size(); }

    const DirectoryRecord *find(std::uint64_t localOffset) const
    {
        auto it = std::lower_bound(m_records.begin(), m_records.end(), localOffset,
                                   [](const DirectoryRecord &r, std::uint64_t off) { return r.localOffset < off; });
        if (it == m_records.end() || it->localOffset != localOffset)
            return nullptr;
        return &*it;
    }

private:
    State load(std::span<const std::uint8_t> image)
    {
        const std::size_t size = image.size();
        constexpr std::size_t eocdSize = 22;
        if (size < eocdSize)
            return State::Absent;
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
            return State::Absent;
        const std::uint8_t *e = base + *eocd;
        if (rd16(e + 4) != 0 || rd16(e + 6) != 0)
            return State::Damaged; // spanned archives are not read
        std::uint64_t entries = rd16(e + 10);
        std::uint64_t cdSize = rd32(e + 12);
        std::uint64_t cdOffset = rd32(e + 16);
        // The directory ends where the zip64 end record starts, if there is
        // one, else at the end record.
        std::uint64_t cdEnd = *eocd;
        if (*eocd >= 20 && rd32(e - 20) == kZip64LocatorSignature) {
            const std::uint64_t recorded = rd64(e - 20 + 8);
            // Prepended data moves the record: it then sits right before the
            // locator instead of at the offset that was written.
            std::uint64_t at = recorded;
            if (at > *eocd - 20 || *eocd - 20 - at < 56 || rd32(base + at) != kZip64EndSignature)
                at = *eocd - 20 >= 56 ? *eocd - 20 - 56 : *eocd;
            if (at + 56 > *eocd - 20 || rd32(base + at) != kZip64EndSignature)
                return State::Damaged;
            const std::uint8_t *z = base + at;
            // The record's own length must bring it to the locator.
            if (rd32(z + 16) != 0 || rd32(z + 20) != 0 || rd64(z + 4) != *eocd - 20 - at - 12)
                return State::Damaged;
            entries = rd64(z + 32);
            cdSize = rd64(z + 40);
            cdOffset = rd64(z + 48);
            cdEnd = at;
        }
        if (cdSize > cdEnd || cdOffset > cdEnd - cdSize)
            return State::Damaged;
        const std::uint64_t cdStart = cdEnd - cdSize;
        // Data prepended to the archive (a self-extractor stub) shifts every
        // recorded offset by the same amount.
        m_shift = cdStart - cdOffset;
        if (entries > cdSize / 46)
            return State::Damaged;
        m_records.reserve(std::size_t(entries));
        std::uint64_t p = cdStart;
        while (p < cdEnd) {
            if (p + 46 > cdEnd || rd32(base + p) != kCentralHeaderSignature)
                return State::Damaged;
            const std::uint8_t *h = base + p;
            const std::uint16_t nameLength = rd16(h + 28);
            const std::uint16_t extraLength = rd16(h + 30);
            const std::uint64_t next = p + 46 + nameLength + extraLength + rd16(h + 32);
            if (next > cdEnd)
                return State::Damaged;
            DirectoryRecord r;
            r.index = std::int64_t(m_records.size());
            r.versionNeeded = rd16(h + 6);
            r.flags = rd16(h + 8);
            r.method = rd16(h + 10);
            r.dosTimeDate = rd32(h + 12);
            r.crc32 = rd32(h + 16);
            r.compressedSize = rd32(h + 20);
            r.uncompressedSize = rd32(h + 24);
            r.localOffset = rd32(h + 42);
            r.name = std::string_view(reinterpret_cast<const char *>(h + 46), nameLength);
            bool zip64 = false;
            if (!applyZip64(h + 46 + nameLength, extraLength, r.uncompressedSize, r.compressedSize, &r.localOffset,
                            zip64))
                return State::Damaged;
            // An entry on another disk, or one that needs a format version
            // beyond the last published (6.3), is not this archive's.
            if (r.localOffset > size - m_shift || (rd16(h + 34) != 0 && rd16(h + 34) != 0xFFFF)
                || (r.versionNeeded & 0xFF) > 63)
                return State::Damaged;
            r.localOffset += m_shift;
            m_records.push_back(r);
            p = next;
        }
        if (m_records.size() != entries)
            return State::Damaged;
        // Writers list entries in file order: sorted already, as a rule.
        const auto byOffset = [](const DirectoryRecord &a, const DirectoryRecord &b) {
            return a.localOffset < b.localOffset;
        };
        if (!std::is_sorted(m_records.begin(), m_records.end(), byOffset))
            std::sort(m_records.begin(), m_records.end(), byOffset);
        return State::Ok;
    }

    State m_state = State::Absent;
    std::uint64_t m_shift = 0;
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

// Length of the data descriptor at pos that repeats the directory's CRC and
// sizes: 12 or 20 bytes without its signature, 16 or 24 with it (the longer
// forms carry 64-bit sizes). Zip64 forms are tried first after a header that
// carried a zip64 extra field, as such writers use them. 0 when none fits.
std::size_t descriptorLength(const std::uint8_t *base, std::uint64_t size, std::uint64_t pos,
                             const DirectoryRecord &d, bool zip64First)
{
    auto fits = [&](bool signature, bool wide) -> std::size_t {
        const std::size_t length = (signature ? 4 : 0) + 4 + (wide ? 16 : 8);
        if (pos + length > size)
            return 0;
        const std::uint8_t *p = base + pos;
        if (signature) {
            if (rd32(p) != kDataDescriptorSignature)
                return 0;
            p += 4;
        }
        if (rd32(p) != d.crc32)
            return 0;
        const std::uint64_t compressed = wide ? rd64(p + 4) : rd32(p + 4);
        const std::uint64_t uncompressed = wide ? rd64(p + 12) : rd32(p + 8);
        return compressed == d.compressedSize && uncompressed == d.uncompressedSize ? length : 0;
    };
    for (bool signature : {true, false}) {
        for (bool wide : {zip64First, !zip64First}) {
            if (const std::size_t n = fits(signature, wide))
                return n;
        }
    }
    return 0;
}

} // namespace

WalkResult walkLocalHeaders(std::span<const std::uint8_t> image,
                            const std::function<void(const LocalHeaderRecord &)> &sink)
{
    const std::uint8_t *base = image.data();
    const std::uint64_t size = image.size();
    const CentralDirectory directory(image);
    const bool checked = directory.state() == CentralDirectory::State::Ok;
    std::size_t entries = 0;
    std::uint64_t pos = 0;

    auto done = [&](WalkResult r) {
        r.directoryFound = directory.state() != CentralDirectory::State::Absent;
        return r;
    };
    if (directory.state() == CentralDirectory::State::Damaged) {
        WalkResult r;
        r.status = WalkStatus::Mismatch;
        r.message = "damaged central directory";
        return done(r);
    }

    while (pos + 4 <= size) {
        const std::uint32_t signature = rd32(base + pos);
        if (signature == kCentralHeaderSignature || signature == kEndOfDirectorySignature || signature == 0)
            break;
        if (signature != kLocalHeaderSignature) {
            pos += 4;
            continue;
        }
        if (pos + 30 > size)
            return done(failure(WalkStatus::Truncated, pos, "truncated local header", entries));

        const std::uint8_t *h = base + pos;
        LocalHeaderRecord rec;
        rec.offset = pos;
        rec.version = static_cast<std::int16_t>(rd16(h + 4));
        rec.flag = static_cast<std::int16_t>(rd16(h + 6));
        rec.compressionMethod = static_cast<std::int16_t>(rd16(h + 8));
        rec.dosTime = rd16(h + 10);
        rec.dosDate = rd16(h + 12);
        std::uint32_t crc = rd32(h + 14);
        std::uint64_t compressed = rd32(h + 18);
        std::uint64_t uncompressed = rd32(h + 22);
        const std::uint16_t nameLength = rd16(h + 26);
        const std::uint16_t extraLength = rd16(h + 28);

        if (nameLength >= 0x8000 || extraLength >= 0x8000)
            return done(failure(WalkStatus::BadHeader, pos, "name or extra field length out of range", entries));

        const std::uint64_t nameStart = pos + 30;
        const std::uint64_t dataStart = nameStart + nameLength + extraLength;
        if (dataStart > size)
            return done(failure(WalkStatus::Truncated, pos, "truncated file name or extra field", entries));
        const std::string_view name(reinterpret_cast<const char *>(base + nameStart), nameLength);

        bool zip64 = false;
        const bool sized = applyZip64(base + nameStart + nameLength, extraLength, uncompressed, compressed, nullptr,
                                      zip64);
        const bool descriptor = (rd16(h + 6) & kFlagDataDescriptor) != 0;
        const DirectoryRecord *d = directory.find(pos);
        if (checked) {
            if (!d)
                return done(failure(WalkStatus::Mismatch, pos, "local header not listed in the central directory",
                                    entries));
            // The fields the two records share must agree: readers take
            // some from one record and some from the other.
            // The version needed may be lower in the directory (Info-ZIP
            // writes 4.5 in a zip64 local header and 1.0 in its directory
            // record), never higher: readers refuse what they cannot meet.
            if (d->name != name || d->flags != rd16(h + 6) || d->method != rd16(h + 8)
                || d->dosTimeDate != rd32(h + 10) || (d->versionNeeded & 0xFF) > (rd16(h + 4) & 0xFF))
                return done(failure(WalkStatus::Mismatch, pos,
                                    "local header and central directory differ in name, version, flags, method or time",
                                    entries));
            if (!descriptor
                && (d->crc32 != crc || d->compressedSize != compressed || d->uncompressedSize != uncompressed))
                return done(failure(WalkStatus::Mismatch, pos,
                                    "local header and central directory differ in CRC or sizes", entries));
            rec.directoryIndex = d->index;
        }
        if (descriptor) {
            if (!d)
                return done(failure(WalkStatus::BadHeader, pos,
                                    "entry with a data descriptor has no central directory record", entries));
            crc = d->crc32;
            compressed = d->compressedSize;
            uncompressed = d->uncompressedSize;
        } else if (!sized) {
            return done(failure(WalkStatus::BadHeader, pos, "zip64 sizes missing from the extra field", entries));
        }
        if (compressed >= 0x80000000u || uncompressed >= 0x80000000u)
            return done(failure(WalkStatus::BadHeader, pos, "entry size out of range", entries));

        const std::uint64_t dataEnd = dataStart + compressed;
        if (dataEnd > size)
            return done(failure(WalkStatus::Truncated, pos, "entry data runs past the end of the file", entries));

        rec.crc32 = static_cast<std::int32_t>(crc);
        rec.compressedSize = static_cast<std::int32_t>(compressed);
        rec.uncompressedSize = static_cast<std::int32_t>(uncompressed);
        rec.fileNameLength = static_cast<std::int16_t>(nameLength);
        rec.extraFieldLength = static_cast<std::int16_t>(extraLength);
        rec.fileName = name;
        sink(rec);
        ++entries;

        pos = dataEnd;
        if (descriptor) {
            const std::size_t length = descriptorLength(base, size, pos, *d, zip64);
            if (length == 0)
                return done(failure(WalkStatus::Mismatch, rec.offset,
                                    "data descriptor does not match the central directory", entries));
            pos += length;
        }
    }

    if (checked && entries != directory.size()) {
        const std::uint64_t at = std::min<std::uint64_t>(pos, size ? size - 1 : 0);
        return done(failure(WalkStatus::Mismatch, at,
                            "the central directory lists " + std::to_string(directory.size())
                                + " entries, the local headers " + std::to_string(entries),
                            entries));
    }
    WalkResult ok;
    ok.entries = entries;
    return done(ok);
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
