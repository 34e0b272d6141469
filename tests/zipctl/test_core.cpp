// The local-header walk and name matching on archives built byte by byte:
// the hostile ones that real tools never write.
#include "zipctl/likematch.h"
#include "zipctl/zipwalk.h"

#include <QString>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace bundlex;

namespace {

struct Bytes
{
    std::vector<std::uint8_t> data;
    Bytes &u16(std::uint32_t v)
    {
        data.push_back(std::uint8_t(v));
        data.push_back(std::uint8_t(v >> 8));
        return *this;
    }
    Bytes &u32(std::uint32_t v)
    {
        u16(v & 0xFFFF);
        return u16(v >> 16);
    }
    Bytes &str(const std::string &s)
    {
        data.insert(data.end(), s.begin(), s.end());
        return *this;
    }
    Bytes &fill(std::size_t n, std::uint8_t b = 0xAA)
    {
        data.insert(data.end(), n, b);
        return *this;
    }
    // A local header; nameLength < 0 writes the real length.
    Bytes &local(const std::string &name, std::uint32_t compressed, std::uint32_t uncompressed,
                 std::uint16_t flag = 0, std::uint32_t crc = 0x12345678, int nameLength = -1,
                 std::uint16_t extra = 0)
    {
        u32(kLocalHeaderSignature).u16(20).u16(flag).u16(8).u16(0x6000).u16(0x5264);
        u32(crc).u32(compressed).u32(uncompressed);
        u16(nameLength < 0 ? std::uint16_t(name.size()) : std::uint16_t(nameLength)).u16(extra);
        return str(name);
    }
    Bytes &central(const std::string &name, std::uint32_t crc, std::uint32_t compressed,
                   std::uint32_t uncompressed, std::uint32_t localOffset, std::uint16_t flag = 0)
    {
        u32(kCentralHeaderSignature).u16(20).u16(20).u16(flag).u16(8).u16(0x6000).u16(0x5264);
        u32(crc).u32(compressed).u32(uncompressed);
        u16(std::uint16_t(name.size())).u16(0).u16(0).u16(0).u16(0).u32(0).u32(localOffset);
        return str(name);
    }
    Bytes &end(std::uint16_t entries, std::uint32_t cdSize, std::uint32_t cdOffset)
    {
        return u32(kEndOfDirectorySignature).u16(0).u16(0).u16(entries).u16(entries).u32(cdSize).u32(cdOffset).u16(0);
    }
    std::size_t size() const { return data.size(); }
};

struct Walked
{
    WalkResult result;
    std::vector<LocalHeaderRecord> records;
    std::vector<std::string> names;
};

Walked walk(const Bytes &b)
{
    Walked w;
    w.result = walkLocalHeaders(b.data, [&](const LocalHeaderRecord &r) {
        w.records.push_back(r);
        w.names.emplace_back(r.fileName);
    });
    return w;
}

} // namespace

TEST(ZipWalk, WalksHeadersAndStopsAtTheDirectory)
{
    Bytes b;
    b.local("a.txt", 3, 5).fill(3);
    b.fill(8, 0x11); // stray words are stepped over four bytes at a time
    b.local("dir/", 0, 0).local("dir/b.txt", 0, 0);
    b.central("a.txt", 0, 3, 5, 0);
    b.local("after-directory.txt", 0, 0);
    const Walked w = walk(b);
    EXPECT_EQ(w.result.status, WalkStatus::Ok);
    EXPECT_EQ(w.names, (std::vector<std::string>{"a.txt", "dir/", "dir/b.txt"}));
    EXPECT_EQ(w.records[0].compressedSize, 3);
    EXPECT_EQ(w.records[0].uncompressedSize, 5);
    EXPECT_EQ(w.records[0].crc32, 0x12345678);
    EXPECT_EQ(w.records[0].dosDate, 0x5264);
}

TEST(ZipWalk, ZeroWordOrShortTailEndsTheWalkQuietly)
{
    Bytes zero;
    zero.local("a", 0, 0).u32(0).local("b", 0, 0);
    EXPECT_EQ(walk(zero).names, std::vector<std::string>{"a"});
    Bytes tail;
    tail.local("a", 0, 0).str("PK");
    EXPECT_EQ(walk(tail).result.status, WalkStatus::Ok);
    EXPECT_TRUE(walk(Bytes{}).names.empty());
}

TEST(ZipWalk, HostileHeadersEndWithAnErrorAfterTheGoodEntries)
{
    struct Case
    {
        const char *what;
        Bytes bad;
        WalkStatus status;
    };
    std::vector<Case> cases;
    cases.push_back({"2 GB compressed size", Bytes().local("big", 0x80000000u, 1).fill(16), WalkStatus::BadHeader});
    cases.push_back({"2 GB uncompressed size", Bytes().local("big", 4, 0xFFFFFFFFu).fill(4), WalkStatus::BadHeader});
    cases.push_back({"name length 32768", Bytes().local("n", 0, 0, 0, 0, 0x8000), WalkStatus::BadHeader});
    cases.push_back({"extra length 65535", Bytes().local("n", 0, 0, 0, 0, -1, 0xFFFF), WalkStatus::BadHeader});
    cases.push_back({"header cut short", Bytes().u32(kLocalHeaderSignature).u16(20).u16(0), WalkStatus::Truncated});
    cases.push_back({"name past the end", Bytes().local("name", 0, 0, 0, 0, 200), WalkStatus::Truncated});
    cases.push_back({"data past the end", Bytes().local("short", 1000, 1000).fill(10), WalkStatus::Truncated});
    cases.push_back({"descriptor without a directory", Bytes().local("dd", 0, 0, kFlagDataDescriptor).fill(8),
                     WalkStatus::BadHeader});
    for (const Case &c : cases) {
        Bytes b;
        b.local("good.txt", 2, 2).fill(2);
        const std::size_t at = b.size();
        b.data.insert(b.data.end(), c.bad.data.begin(), c.bad.data.end());
        const Walked w = walk(b);
        EXPECT_EQ(w.result.status, c.status) << c.what;
        EXPECT_EQ(w.names, std::vector<std::string>{"good.txt"}) << c.what;
        EXPECT_EQ(w.result.errorOffset, at) << c.what;
        EXPECT_FALSE(w.result.message.empty()) << c.what;
    }
}

TEST(ZipWalk, DataDescriptorEntriesTakeTheirSizesFromTheDirectory)
{
    // As a streaming writer lays them out: zero sizes up front, the data,
    // then a descriptor with (first entry) or without (second) its signature.
    Bytes b;
    const std::uint32_t first = 0;
    b.local("one.txt", 0, 0, kFlagDataDescriptor, 0).fill(7);
    b.u32(kDataDescriptorSignature).u32(0xCAFEBABE).u32(7).u32(20);
    const std::uint32_t second = std::uint32_t(b.size());
    b.local("two.txt", 0, 0, kFlagDataDescriptor, 0).fill(4);
    b.u32(0x0BADF00D).u32(4).u32(4);
    const std::uint32_t third = std::uint32_t(b.size());
    b.local("three.txt", 1, 1).fill(1);
    const std::uint32_t cd = std::uint32_t(b.size());
    b.central("one.txt", 0xCAFEBABE, 7, 20, first, kFlagDataDescriptor);
    b.central("two.txt", 0x0BADF00D, 4, 4, second, kFlagDataDescriptor);
    b.central("three.txt", 0x12345678, 1, 1, third);
    b.end(3, std::uint32_t(b.size()) - cd, cd);

    const Walked w = walk(b);
    ASSERT_EQ(w.result.status, WalkStatus::Ok) << w.result.message;
    ASSERT_EQ(w.names, (std::vector<std::string>{"one.txt", "two.txt", "three.txt"}));
    EXPECT_EQ(w.records[0].compressedSize, 7);
    EXPECT_EQ(w.records[0].uncompressedSize, 20);
    EXPECT_EQ(std::uint32_t(w.records[0].crc32), 0xCAFEBABEu);
    EXPECT_EQ(w.records[1].uncompressedSize, 4);
    EXPECT_EQ(w.records[1].offset, second);
}

namespace {

// How an entry's sizes reach the reader.
enum class Sizes { InHeader, Zip64Extra, Descriptor12, Descriptor16, Descriptor20, Descriptor24 };

struct Planned
{
    std::string name;
    std::size_t length;
    Sizes sizes;
};

// A whole archive as the writers lay one out: local headers with their data
// (and descriptors), the central directory, then the end record, with zip64
// end records in front of it when asked.
Bytes archive(const std::vector<Planned> &plan, bool zip64End = false)
{
    Bytes b;
    struct Placed
    {
        std::uint32_t offset, crc;
        const Planned *entry;
    };
    std::vector<Placed> placed;
    for (const Planned &s : plan) {
        const std::uint32_t crc = 0xC0DE0000u + std::uint32_t(s.length);
        const std::uint32_t offset = std::uint32_t(b.size());
        placed.push_back({offset, crc, &s});
        const bool descriptor = s.sizes >= Sizes::Descriptor12;
        const bool wide = s.sizes == Sizes::Zip64Extra || s.sizes == Sizes::Descriptor20
            || s.sizes == Sizes::Descriptor24;
        const std::uint32_t shown = wide ? 0xFFFFFFFFu : descriptor ? 0 : std::uint32_t(s.length);
        b.local(s.name, shown, shown, descriptor ? kFlagDataDescriptor : 0, descriptor ? 0 : crc, -1,
                wide ? 20 : 0);
        if (wide) {
            const std::uint64_t v = descriptor ? 0 : s.length;
            b.u16(1).u16(16).u32(std::uint32_t(v)).u32(0).u32(std::uint32_t(v)).u32(0);
        }
        b.fill(s.length, 0x5A);
        if (s.sizes == Sizes::Descriptor16 || s.sizes == Sizes::Descriptor24)
            b.u32(kDataDescriptorSignature);
        if (s.sizes == Sizes::Descriptor12 || s.sizes == Sizes::Descriptor16)
            b.u32(crc).u32(std::uint32_t(s.length)).u32(std::uint32_t(s.length));
        if (s.sizes == Sizes::Descriptor20 || s.sizes == Sizes::Descriptor24)
            b.u32(crc).u32(std::uint32_t(s.length)).u32(0).u32(std::uint32_t(s.length)).u32(0);
    }
    const std::uint32_t cd = std::uint32_t(b.size());
    for (const Placed &p : placed)
        b.central(p.entry->name, p.crc, std::uint32_t(p.entry->length), std::uint32_t(p.entry->length), p.offset,
                  p.entry->sizes >= Sizes::Descriptor12 ? kFlagDataDescriptor : 0);
    const std::uint32_t cdSize = std::uint32_t(b.size()) - cd;
    if (zip64End) {
        const std::uint32_t at = std::uint32_t(b.size());
        b.u32(kZip64EndSignature).u32(44).u32(0).u16(45).u16(45).u32(0).u32(0);
        b.u32(std::uint32_t(plan.size())).u32(0).u32(std::uint32_t(plan.size())).u32(0);
        b.u32(cdSize).u32(0).u32(cd).u32(0);
        b.u32(kZip64LocatorSignature).u32(0).u32(at).u32(0).u32(1);
        return b.end(0xFFFF, 0xFFFFFFFFu, 0xFFFFFFFFu);
    }
    return b.end(std::uint16_t(plan.size()), cdSize, cd);
}

std::vector<std::string> plannedNames(const std::vector<Planned> &plan)
{
    std::vector<std::string> names;
    for (const Planned &s : plan)
        names.push_back(s.name);
    return names;
}

// Every way of recording sizes, each entry after each other one, under both
// kinds of end record.
std::vector<std::pair<std::vector<Planned>, bool>> archiveFamily()
{
    const Sizes all[] = {Sizes::InHeader,     Sizes::Zip64Extra,   Sizes::Descriptor12,
                         Sizes::Descriptor16, Sizes::Descriptor20, Sizes::Descriptor24};
    std::vector<std::pair<std::vector<Planned>, bool>> family;
    for (Sizes first : all) {
        for (Sizes second : all) {
            // Data lengths whose low words are zero-prone: the old walk read
            // a zip64 descriptor's high words as a stop signature.
            family.push_back({{{"first.txt", 9, first}, {"second.txt", 20, second}, {"third.txt", 3, first}},
                              first == second});
        }
    }
    return family;
}

} // namespace

TEST(ZipWalk, Zip64DataDescriptorWalkedAsSixteenBytesStoppedTheWalkEarly)
{
    const std::vector<Planned> plan = {{"first.txt", 90, Sizes::Descriptor24}, {"second.txt", 100, Sizes::Descriptor24},
                                     {"third.txt", 90, Sizes::Descriptor24}};
    const Walked w = walk(archive(plan));
    ASSERT_EQ(w.result.status, WalkStatus::Ok) << w.result.message;
    EXPECT_EQ(w.names, plannedNames(plan));
    EXPECT_EQ(w.records[1].compressedSize, 100);
}

TEST(ZipWalk, EverySizeRecordingWalksWholeAndMapsToTheDirectory)
{
    for (const auto &[plan, zip64End] : archiveFamily()) {
        const Walked w = walk(archive(plan, zip64End));
        ASSERT_EQ(w.result.status, WalkStatus::Ok) << w.result.message << ' ' << int(plan[0].sizes) << '/'
                                                   << int(plan[1].sizes);
        EXPECT_TRUE(w.result.directoryFound);
        EXPECT_EQ(w.names, plannedNames(plan));
        for (std::size_t i = 0; i < plan.size(); ++i) {
            EXPECT_EQ(w.records[i].directoryIndex, std::int64_t(i));
            EXPECT_EQ(w.records[i].uncompressedSize, std::int32_t(plan[i].length));
        }
    }
}

TEST(ZipWalk, ForgedSizeMadeAShortListThatPassedForWhole)
{
    // A header that claims more data than it has jumps over the next entry:
    // the directory still lists both, so the walk cannot pass for complete.
    Bytes b = archive({{"a.txt", 8, Sizes::InHeader}, {"b.txt", 8, Sizes::InHeader}});
    b.data[18] = 8 + 30 + 5 + 8; // a.txt's compressed size now covers b.txt
    const Walked w = walk(b);
    EXPECT_EQ(w.result.status, WalkStatus::Mismatch);
    EXPECT_FALSE(w.result.message.empty());
}

TEST(ZipWalk, NoSingleByteChangeYieldsAShortOrRenamedListing)
{
    // Whatever one byte becomes, the walk either reports an error or finds
    // every entry under its own name: never a shorter list that a delete
    // would act on.
    for (const auto &[plan, zip64End] : archiveFamily()) {
        const Bytes original = archive(plan, zip64End);
        const std::vector<std::string> names = plannedNames(plan);
        for (std::size_t at = 0; at < original.size(); ++at) {
            for (std::uint8_t x : {std::uint8_t(0x01), std::uint8_t(0x80), std::uint8_t(0xFF)}) {
                Bytes b = original;
                b.data[at] ^= x;
                const Walked w = walk(b);
                if (w.result.status == WalkStatus::Ok)
                    ASSERT_EQ(w.names, names) << "byte " << at << " ^ " << int(x);
                else
                    ASSERT_FALSE(w.result.message.empty());
            }
        }
    }
}

TEST(ZipWalk, DamagedDirectoryIsAnErrorAndNoDirectoryIsNone)
{
    const Bytes whole = archive({{"a.txt", 4, Sizes::InHeader}});
    const std::size_t cd = whole.size() - 22 - 46 - 5;
    // What unzip or Python refuse in a directory record of their own.
    const std::pair<std::size_t, std::uint8_t> damage[] = {
        {whole.size() - 22 + 10, 2}, // the end record claims two entries
        {cd + 6, 30},                // needs version 3.0 where its local header needs 2.0
        {cd + 6, 64},                // needs format version 6.4
        {cd + 34, 1},                // starts on another disk
    };
    for (const auto &[at, value] : damage) {
        Bytes b = whole;
        b.data[at] = value;
        EXPECT_EQ(walk(b).result.status, WalkStatus::Mismatch) << at;
    }
    Bytes bare;
    bare.local("a.txt", 1, 1).fill(1);
    const Walked w = walk(bare);
    EXPECT_EQ(w.result.status, WalkStatus::Ok);
    EXPECT_FALSE(w.result.directoryFound);
    EXPECT_EQ(w.records[0].directoryIndex, -1);
}

TEST(ZipWalk, DosDateTimeFieldsDecodeDirectly)
{
    struct Case
    {
        std::uint16_t date, time;
        bool valid;
        int y, mo, d, h, mi, s;
    };
    const Case cases[] = {
        {std::uint16_t((41 << 9) | (3 << 5) | 4), std::uint16_t((5 << 11) | (6 << 5) | 4), true, 2021, 3, 4, 5, 6, 8},
        {std::uint16_t((20 << 9) | (2 << 5) | 29), 0, true, 2000, 2, 29, 0, 0, 0},  // leap year
        {std::uint16_t((21 << 9) | (2 << 5) | 29), 0, false, 2001, 2, 29, 0, 0, 0}, // not one
        {0, 0, false, 1980, 0, 0, 0, 0, 0},                                         // month 0
        {std::uint16_t((1 << 5) | 1), std::uint16_t((23 << 11) | (59 << 5) | 29), true, 1980, 1, 1, 23, 59, 58},
        {std::uint16_t((1 << 5) | 1), std::uint16_t((23 << 11) | (59 << 5) | 30), false, 1980, 1, 1, 23, 59, 60},
        {std::uint16_t((1 << 5) | 1), std::uint16_t(24 << 11), false, 1980, 1, 1, 24, 0, 0},
    };
    for (const Case &c : cases) {
        const DosDateTime t = decodeDosDateTime(c.date, c.time);
        EXPECT_EQ(t.valid, c.valid) << c.date << ' ' << c.time;
        if (c.valid) {
            EXPECT_EQ(t.year, c.y);
            EXPECT_EQ(t.month, c.mo);
            EXPECT_EQ(t.day, c.d);
            EXPECT_EQ(t.hour, c.h);
            EXPECT_EQ(t.minute, c.mi);
            EXPECT_EQ(t.second, c.s);
        }
    }
}

TEST(LikeMatch, Patterns)
{
    struct Case
    {
        const char16_t *text, *pattern;
        bool match;
    };
    const Case cases[] = {
        {u"a.txt", u"*.txt", true},      {u"a.txt", u"a*", true},         {u"b.txt", u"a*", false},
        {u"a.txt.bak", u"*.txt", false}, {u"abc", u"a?c", true},          {u"ac", u"a?c", false},
        {u"file7", u"file#", true},      {u"filex", u"file#", false},     {u"b.doc", u"[abc].doc", true},
        {u"d.doc", u"[a-c].doc", false}, {u"d.doc", u"[!a-c].doc", true}, {u"", u"*", true},
        {u"", u"?", false},              {u"x[1", u"x[1", true},          {u"aaaaaaaaab", u"*a*a*b", true},
        {u"readme", u"readme", true},    {u"readme", u"READme", false},   {u"ab", u"a**b", true},
    };
    for (const Case &c : cases)
        EXPECT_EQ(likeMatch(QStringView(c.text), QStringView(c.pattern)), c.match)
            << QString::fromUtf16(c.text).toStdString() << " ~ " << QString::fromUtf16(c.pattern).toStdString();
}
