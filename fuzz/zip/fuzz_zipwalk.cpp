// Any byte string as an archive: the walk must end, hand out headers at
// strictly increasing offsets whose name, extra field and data lie inside
// the input, each mapped to its own directory record when there is a
// directory, and report an error rather than read past it.
#include "zipctl/zipwalk.h"

#include <cstdint>
#include <cstdlib>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::span<const std::uint8_t> image(data, size);
    std::uint64_t lastOffset = 0;
    bool first = true;
    std::size_t count = 0;
    std::set<std::int64_t> indices;
    const bundlex::WalkResult result = bundlex::walkLocalHeaders(image, [&](const bundlex::LocalHeaderRecord &r) {
        if (!first && r.offset <= lastOffset)
            std::abort();
        first = false;
        lastOffset = r.offset;
        if (r.fileNameLength < 0 || r.extraFieldLength < 0 || r.compressedSize < 0 || r.uncompressedSize < 0)
            std::abort();
        const std::uint64_t end = r.offset + 30 + std::uint64_t(r.fileNameLength) + std::uint64_t(r.extraFieldLength)
            + std::uint64_t(r.compressedSize);
        if (end > size || r.fileName.size() != std::size_t(r.fileNameLength))
            std::abort();
        if (reinterpret_cast<const std::uint8_t *>(r.fileName.data()) != data + r.offset + 30)
            std::abort();
        if (r.directoryIndex >= 0 && !indices.insert(r.directoryIndex).second)
            std::abort();
        bundlex::decodeDosDateTime(r.dosDate, r.dosTime);
        ++count;
    });
    if (result.entries != count)
        std::abort();
    // With a directory, a complete walk maps every entry; without, none.
    if (result.status == bundlex::WalkStatus::Ok && indices.size() != (result.directoryFound ? count : 0))
        std::abort();
    if (result.status != bundlex::WalkStatus::Ok && ((size > 0 && result.errorOffset >= size) || result.message.empty()))
        std::abort();
    return 0;
}
