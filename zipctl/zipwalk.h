// The local-header walk behind Bundlet::Read: plain C++, no Qt, so that the
// fuzzer and the benchmark drive exactly the code the control runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace bundlex {

// One local file header as the control keeps it. Sizes come from the header's
// zip64 extra field when the 32-bit fields are maxed out, and sizes and CRC
// from the central directory record of the same entry when the header defers
// them to a data descriptor (flag bit 3).
struct LocalHeaderRecord
{
    std::uint64_t offset = 0; // of the "PK\3\4" signature
    // Position of the entry's record in the central directory (the index a
    // zip library addresses it by), or -1 when the image has no directory.
    std::int64_t directoryIndex = -1;
    std::int16_t version = 0;
    std::int16_t flag = 0;
    std::int16_t compressionMethod = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::int32_t crc32 = 0;
    std::int32_t compressedSize = 0;
    std::int32_t uncompressedSize = 0;
    std::int16_t fileNameLength = 0;
    std::int16_t extraFieldLength = 0;
    std::string_view fileName; // raw bytes, valid while the image is
};

enum class WalkStatus {
    Ok,
    BadHeader, // a length or size outside the signed fields, or a descriptor entry the directory does not know
    Truncated, // a header, name or data running past the end of the file
    Mismatch,  // the local headers and the central directory tell different stories
};

struct WalkResult
{
    WalkStatus status = WalkStatus::Ok;
    std::uint64_t errorOffset = 0; // offset of the header at fault
    std::string message;           // one line, English, for the method's error
    std::size_t entries = 0;
    bool directoryFound = false; // an end of central directory record was found
};

constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
constexpr std::uint32_t kEndOfDirectorySignature = 0x06054B50;
constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50;
constexpr std::uint32_t kZip64EndSignature = 0x06064B50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr std::uint16_t kFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kFlagUtf8 = 0x0800;

// Walks the local headers of a zip image from its first byte, calling sink for
// each one in file order. Stops at a central directory header, the end of
// central directory record, a zero word or the end of the image; any other
// word is stepped over four bytes at a time. The position only ever moves
// forward, by at least four bytes a step, so the walk always ends. A header
// whose lengths or sizes do not fit the signed fields (name or extra field of
// 32768 bytes or more, sizes of 2^31 or more), or that runs past the end of
// the image, ends the walk with an error after the entries before it.
//
// When the image has an end of central directory record (zip32 or zip64),
// the walk answers to the directory: every local header must be the one its
// directory record points to, with the same name, method, CRC and sizes; a
// data descriptor (12 to 24 bytes, zip32 or zip64, with or without its
// signature) must repeat the directory's CRC and sizes; and the walk must find
// as many entries as the directory lists. Anything else ends the walk with
// Mismatch: a walk that stopped early would otherwise pass for a short
// archive.
WalkResult walkLocalHeaders(std::span<const std::uint8_t> image,
                            const std::function<void(const LocalHeaderRecord &)> &sink);

struct DosDateTime
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool valid = false;
};

// Calendar fields straight from the DOS date and time words (two-second
// resolution); valid is false for a month, day or time of day that does not
// exist.
DosDateTime decodeDosDateTime(std::uint16_t date, std::uint16_t time);

} // namespace bundlex
