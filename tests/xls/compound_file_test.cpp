#include "xls/compound_file.h"

#include <gtest/gtest.h>

#include "xls/byte_order.h"
#include "xls/xls_read_write.h"

namespace wormpair::xls {
namespace {

constexpr std::uint32_t kEnd = 0xFFFFFFFE;
constexpr std::uint32_t kFree = 0xFFFFFFFF;
constexpr std::uint32_t kFatMark = 0xFFFFFFFD;

struct StreamContent {
    std::u16string name;
    std::vector<std::uint8_t> data;
};

std::vector<std::uint8_t> pattern(std::size_t size, std::uint8_t seed) {
    std::vector<std::uint8_t> data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
    return data;
}

// A compound file laid out by hand, independent of the writer under test:
// one FAT sector, one directory sector, the mini FAT, the mini stream, then
// the regular streams; at most 3 streams (one directory sector). All streams sit directly under the
// root, linked as a right-leaning chain.
std::vector<std::uint8_t> handMadeFile(int version, const std::vector<StreamContent>& streams) {
    const std::size_t sectorSize = version == 4 ? 4096 : 512;
    std::vector<std::uint8_t> mini;
    std::vector<std::uint32_t> miniFat;
    std::vector<std::vector<std::uint8_t>> regular;
    std::vector<std::pair<bool, std::uint32_t>> where;
    std::uint32_t nextRegular = 0;
    for (const auto& stream : streams) {
        if (stream.data.size() < 4096) {
            const auto start = static_cast<std::uint32_t>(mini.size() / 64);
            const std::size_t count = (stream.data.size() + 63) / 64;
            for (std::size_t i = 0; i < count; ++i) {
                miniFat.push_back(i + 1 == count ? kEnd
                                                 : static_cast<std::uint32_t>(start + i + 1));
            }
            mini.insert(mini.end(), stream.data.begin(), stream.data.end());
            mini.resize(start * 64 + count * 64, 0);
            where.push_back({true, start});
        } else {
            where.push_back({false, nextRegular});
            regular.push_back(stream.data);
            nextRegular +=
                static_cast<std::uint32_t>((stream.data.size() + sectorSize - 1) / sectorSize);
        }
    }
    // Sectors: 0 FAT, 1 directory, 2 mini FAT, 3.. mini stream, then regular streams.
    const std::uint32_t miniStreamSectors =
        static_cast<std::uint32_t>((mini.size() + sectorSize - 1) / sectorSize);
    const std::uint32_t firstRegular = 3 + miniStreamSectors;
    std::vector<std::uint32_t> fat(sectorSize / 4, kFree);
    fat[0] = kFatMark;
    fat[1] = kEnd;
    fat[2] = kEnd;
    for (std::uint32_t i = 0; i < miniStreamSectors; ++i) {
        fat[3 + i] = i + 1 == miniStreamSectors ? kEnd : 4 + i;
    }
    std::uint32_t at = firstRegular;
    for (const auto& data : regular) {
        const auto count = static_cast<std::uint32_t>((data.size() + sectorSize - 1) / sectorSize);
        for (std::uint32_t i = 0; i < count; ++i)
            fat.at(at + i) = i + 1 == count ? kEnd : at + i + 1;
        at += count;
    }
    std::vector<std::uint8_t> file(sectorSize * (1 + at), 0);
    auto sector = [&](std::uint32_t n) { return file.data() + sectorSize * (n + 1); };
    const std::uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(signature), std::end(signature), file.begin());
    putU16(file.data() + 0x18, 0x3E);
    putU16(file.data() + 0x1A, static_cast<std::uint16_t>(version));
    putU16(file.data() + 0x1C, 0xFFFE);
    putU16(file.data() + 0x1E, version == 4 ? 12 : 9);
    putU16(file.data() + 0x20, 6);
    putU32(file.data() + 0x2C, 1);
    putU32(file.data() + 0x30, 1);
    putU32(file.data() + 0x38, 4096);
    putU32(file.data() + 0x3C, 2);
    putU32(file.data() + 0x40, 1);
    putU32(file.data() + 0x44, kEnd);
    for (int i = 0; i < 109; ++i) putU32(file.data() + 0x4C + 4 * i, i == 0 ? 0 : kFree);
    for (std::size_t i = 0; i < fat.size(); ++i) putU32(sector(0) + 4 * i, fat[i]);
    for (std::size_t i = 0; i < sectorSize / 4; ++i) {
        putU32(sector(2) + 4 * i, i < miniFat.size() ? miniFat[i] : kFree);
    }
    std::copy(mini.begin(), mini.end(), sector(3));
    at = firstRegular;
    for (const auto& data : regular) {
        std::copy(data.begin(), data.end(), sector(at));
        at += static_cast<std::uint32_t>((data.size() + sectorSize - 1) / sectorSize);
    }
    auto entry = [&](std::size_t index, const std::u16string& name, std::uint8_t type,
                     std::uint32_t right, std::uint32_t child, std::uint32_t start,
                     std::uint64_t size) {
        std::uint8_t* e = sector(1) + 128 * index;
        for (std::size_t i = 0; i < name.size(); ++i) putU16(e + 2 * i, name[i]);
        putU16(e + 0x40, static_cast<std::uint16_t>(2 * name.size() + 2));
        e[0x42] = type;
        e[0x43] = 1;
        putU32(e + 0x44, kFree);
        putU32(e + 0x48, right);
        putU32(e + 0x4C, child);
        for (int i = 0; i < 16; ++i)
            e[0x50 + i] = static_cast<std::uint8_t>(index * 16 + i);    // CLSID
        putU32(e + 0x60, 0x1234u + static_cast<std::uint32_t>(index));  // state
        putU32(e + 0x74, start);
        putU64(e + 0x78, size);
    };
    entry(0, u"Root Entry", 5, kFree, streams.empty() ? kFree : 1, mini.empty() ? kEnd : 3,
          mini.size());
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const std::uint32_t start =
            where[i].first ? where[i].second : firstRegular + where[i].second;
        entry(i + 1, streams[i].name, 2,
              i + 1 < streams.size() ? static_cast<std::uint32_t>(i + 2) : kFree, kFree, start,
              streams[i].data.size());
    }
    return file;
}

TEST(CompoundFile, ReadsVersion3And4WithMiniAndRegularStreams) {
    const std::vector<StreamContent> streams = {{u"small", pattern(100, 1)},
                                                {u"\x05SummaryInformation", pattern(4095, 2)},
                                                {u"large", pattern(20000, 4)}};
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        const CompoundFile file = CompoundFile::parse(handMadeFile(version, streams));
        for (const auto& stream : streams) {
            const int index = file.findRootStream(stream.name);
            ASSERT_GE(index, 0);
            EXPECT_EQ(file.entries()[static_cast<std::size_t>(index)].data, stream.data);
        }
        // Written back (as version 3) every entry keeps its fields and data.
        const CompoundFile again = CompoundFile::parse(file.serialize());
        for (std::size_t i = 1; i <= streams.size(); ++i) {
            EXPECT_EQ(again.entries()[i].data, streams[i - 1].data);
            EXPECT_TRUE(std::equal(again.entries()[i].raw.begin(),
                                   again.entries()[i].raw.begin() + 0x74,
                                   file.entries()[i].raw.begin()));
        }
    }
}

TEST(CompoundFile, NamesCompareWithoutCase) {
    const CompoundFile file = CompoundFile::parse(handMadeFile(3, {{u"BOOK", pattern(10, 1)}}));
    EXPECT_GE(file.findRootStream(u"Book"), 0);
    EXPECT_GE(file.findRootStream(u"book"), 0);
    EXPECT_LT(file.findRootStream(u"Workbook"), 0);
    EXPECT_TRUE(cfbNamesEqual(u"\u00e9t\u00e9", u"\u00c9T\u00c9"));
    EXPECT_FALSE(cfbNamesEqual(u"Book", u"Books"));
}

TEST(CompoundFile, LargeStreamsNeedDifatSectorsBothWays) {
    // 8 MB needs more than the header's 109 FAT sectors.
    const auto big = pattern(8u << 20, 9);
    const CompoundFile file = CompoundFile::parse(handMadeFile(3, {{u"Workbook", pattern(10, 1)}}));
    const auto written = file.serialize(1, big);
    EXPECT_NE(readU32(written, 0x44), kEnd);  // first DIFAT sector
    EXPECT_GT(readU32(written, 0x2C), 109u);
    const CompoundFile again = CompoundFile::parse(written);
    EXPECT_EQ(again.entries()[1].data, big);
}

TEST(CompoundFile, BrokenChainsAreErrorsNotHangs) {
    const auto good = handMadeFile(3, {{u"large", pattern(9000, 4)}, {u"small", pattern(300, 2)}});
    ASSERT_NO_THROW(CompoundFile::parse(good));
    const std::size_t fat = 512;          // sector 0
    const std::size_t miniFat = 3 * 512;  // sector 2
    const struct {
        const char* what;
        std::size_t offset;
        std::uint32_t value;
    } cases[] = {
        {"stream chain loops", fat + 4 * 5, 4},  // large: sectors 4..21
        {"stream chain out of range", fat + 4 * 6, 5000},
        {"stream chain ends early", fat + 4 * 7, kEnd},
        {"stream chain runs into the directory", fat + 4 * 20, 1},
        {"stream chain runs into the FAT", fat + 4 * 20, 0},
        {"mini chain loops", miniFat + 4 * 1, 0},
        {"mini chain out of range", miniFat + 4 * 2, 999},
        {"directory loops", fat + 4 * 1, 1},
        {"tree link out of range", 2 * 512 + 128 + 0x48, 77},
        {"tree links back to itself", 2 * 512 + 128 + 0x48, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = good;
        putU32(bytes.data() + c.offset, c.value);
        EXPECT_THROW(CompoundFile::parse(bytes), XlsError);
    }
}

}  // namespace
}  // namespace wormpair::xls
