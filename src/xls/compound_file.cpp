#include "xls/compound_file.h"

#include <algorithm>
#include <cstring>

#include "xls/byte_order.h"
#include "xls/xls_error.h"

namespace wormpair::xls {
namespace {

// Header fields.
constexpr std::size_t kHeaderSize = 512;
constexpr std::size_t kHdrSignature = 0x00;
constexpr std::size_t kHdrClsid = 0x08;
constexpr std::size_t kHdrMinorVersion = 0x18;
constexpr std::size_t kHdrMajorVersion = 0x1A;
constexpr std::size_t kHdrByteOrder = 0x1C;
constexpr std::size_t kHdrSectorShift = 0x1E;
constexpr std::size_t kHdrMiniSectorShift = 0x20;
constexpr std::size_t kHdrDirectorySectorCount = 0x28;
constexpr std::size_t kHdrFatSectorCount = 0x2C;
constexpr std::size_t kHdrFirstDirectorySector = 0x30;
constexpr std::size_t kHdrTransactionSignature = 0x34;
constexpr std::size_t kHdrMiniStreamCutoff = 0x38;
constexpr std::size_t kHdrFirstMiniFatSector = 0x3C;
constexpr std::size_t kHdrMiniFatSectorCount = 0x40;
constexpr std::size_t kHdrFirstDifatSector = 0x44;
constexpr std::size_t kHdrDifatSectorCount = 0x48;
constexpr std::size_t kHdrDifat = 0x4C;
constexpr std::size_t kHeaderDifatEntries = 109;

// Directory entry fields.
constexpr std::size_t kDirName = 0x00;
constexpr std::size_t kDirNameLength = 0x40;
constexpr std::size_t kDirType = 0x42;
constexpr std::size_t kDirColour = 0x43;
constexpr std::size_t kDirLeft = 0x44;
constexpr std::size_t kDirRight = 0x48;
constexpr std::size_t kDirChild = 0x4C;
constexpr std::size_t kDirStartSector = 0x74;
constexpr std::size_t kDirStreamSize = 0x78;
constexpr std::size_t kDirMaxNameBytes = 64;

// Sector numbers with a reserved meaning.
constexpr std::uint32_t kMaxRegularSector = 0xFFFFFFFA;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;

constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::size_t kMiniSectorSize = 64;
constexpr std::size_t kWriteSectorSize = 512;

// The file as sectors; every access is checked against the file size.
class SectorReader {
  public:
    SectorReader(std::span<const std::uint8_t> file, std::size_t sectorSize)
        : m_file(file), m_sectorSize(sectorSize) {
        const std::size_t body = file.size() > sectorSize ? file.size() - sectorSize : 0;
        m_sectorCount = (body + sectorSize - 1) / sectorSize;
    }

    std::size_t sectorSize() const { return m_sectorSize; }
    std::size_t sectorCount() const { return m_sectorCount; }

    // `count` bytes from the start of a sector; the file may end inside the
    // last sector as long as the bytes asked for are there.
    std::span<const std::uint8_t> bytes(std::uint32_t sector, std::size_t count,
                                        const char* what) const {
        if (sector >= m_sectorCount) {
            throw XlsError(std::string("复合文档已损坏：") + what + "指向文件末尾之后的扇区 " +
                           std::to_string(sector));
        }
        const std::size_t offset = (static_cast<std::size_t>(sector) + 1) * m_sectorSize;
        if (count > m_sectorSize || offset + count > m_file.size()) {
            throw XlsError(std::string("复合文档被截断：") + what + "（扇区 " +
                           std::to_string(sector) + "）超出文件末尾");
        }
        return m_file.subspan(offset, count);
    }

  private:
    std::span<const std::uint8_t> m_file;
    std::size_t m_sectorSize;
    std::size_t m_sectorCount = 0;
};

// Follows an allocation chain, checking every link for range. `used` marks
// the sectors already taken, by this chain or any other: a sector may belong
// to one structure or stream only, so a loop and a file whose streams share
// sectors (each would be a full copy) are both refused.
// Stops after `wanted` sectors when that is given (a chain may run on past the
// sectors a stream needs), otherwise at the end-of-chain mark.
std::vector<std::uint32_t> followChain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                                       std::vector<bool>& used, std::size_t wanted,
                                       bool wantedGiven, const char* what) {
    std::vector<std::uint32_t> chain;
    std::uint32_t current = start;
    while (!(wantedGiven && chain.size() == wanted)) {
        if (current == kEndOfChain) {
            if (wantedGiven) {
                throw XlsError(std::string("复合文档已损坏：") + what + "的扇区链在数据结束前中断");
            }
            break;
        }
        if (current >= table.size()) {
            throw XlsError(std::string("复合文档已损坏：") + what +
                           "的扇区链含有超出范围的扇区号 " + std::to_string(current));
        }
        if (used[current]) {
            throw XlsError(std::string("复合文档已损坏：") + what + "的扇区链重复使用扇区 " +
                           std::to_string(current) + "（链形成循环或与其他数据流共用扇区）");
        }
        used[current] = true;
        chain.push_back(current);
        current = table[current];
    }
    return chain;
}

std::u16string entryName(std::span<const std::uint8_t> raw) {
    const std::uint16_t byteLength = readU16(raw, kDirNameLength);
    std::u16string name;
    if (byteLength < 2 || byteLength > kDirMaxNameBytes || byteLength % 2 != 0) return name;
    for (std::size_t i = 0; i + 1 < byteLength / 2u; ++i) {
        name.push_back(static_cast<char16_t>(readU16(raw, kDirName + 2 * i)));
    }
    return name;
}

char16_t foldCase(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    return c;
}

std::size_t divideUp(std::size_t a, std::size_t b) { return (a + b - 1) / b; }

}  // namespace

bool cfbNamesEqual(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldCase(a[i]) != foldCase(b[i])) return false;
    }
    return true;
}

CompoundFile CompoundFile::parse(std::span<const std::uint8_t> file) {
    if (file.size() >= 4 && file[0] == 'P' && file[1] == 'K' && file[2] == 3 && file[3] == 4) {
        throw XlsError("该文件是 zip 压缩包（可能是 .xlsx 工作簿），不是 Excel 97-2003 工作簿");
    }
    if (file.size() < 8 || std::memcmp(file.data() + kHdrSignature, kSignature, 8) != 0) {
        throw XlsError("不是 Excel 97-2003 工作簿（不是 OLE2 复合文档）");
    }
    if (file.size() < kHeaderSize) throw XlsError("复合文档在文件头中途截断");

    const std::uint16_t major = readU16(file, kHdrMajorVersion);
    const std::uint16_t sectorShift = readU16(file, kHdrSectorShift);
    if (!((major == 3 && sectorShift == 9) || (major == 4 && sectorShift == 12))) {
        throw XlsError("不支持该复合文档的版本或扇区大小");
    }
    if (readU16(file, kHdrByteOrder) != 0xFFFE || readU16(file, kHdrMiniSectorShift) != 6) {
        throw XlsError("复合文档的文件头已损坏");
    }
    if (readU32(file, kHdrMiniStreamCutoff) != kMiniStreamCutoff) {
        throw XlsError("不支持该复合文档的迷你流界限值");
    }
    const std::size_t sectorSize = std::size_t{1} << sectorShift;
    const std::size_t idsPerSector = sectorSize / 4;
    const SectorReader sectors(file, sectorSize);

    // Sector numbers of the FAT: 109 in the header, the rest in DIFAT sectors.
    const std::uint32_t fatSectorCount = readU32(file, kHdrFatSectorCount);
    if (fatSectorCount > sectors.sectorCount()) {
        throw XlsError("复合文档已损坏：FAT 扇区数多于文件所含扇区");
    }
    std::vector<std::uint32_t> fatSectors;
    fatSectors.reserve(fatSectorCount);
    for (std::size_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatSectorCount; ++i) {
        fatSectors.push_back(readU32(file, kHdrDifat + 4 * i));
    }
    // Sectors taken by the DIFAT, the FAT, the directory, the mini FAT, the
    // mini stream and the streams.
    std::vector<bool> used(sectors.sectorCount(), false);
    std::uint32_t difatSector = readU32(file, kHdrFirstDifatSector);
    while (fatSectors.size() < fatSectorCount) {
        if (difatSector >= sectors.sectorCount()) {
            throw XlsError("复合文档已损坏：DIFAT 扇区链指向文件之外的扇区 " +
                           std::to_string(difatSector));
        }
        if (used[difatSector]) {
            throw XlsError("复合文档已损坏：DIFAT 扇区链在扇区 " + std::to_string(difatSector) +
                           " 处形成循环");
        }
        used[difatSector] = true;
        const auto block = sectors.bytes(difatSector, sectorSize, "DIFAT 表");
        for (std::size_t i = 0; i + 1 < idsPerSector && fatSectors.size() < fatSectorCount; ++i) {
            fatSectors.push_back(readU32(block, 4 * i));
        }
        difatSector = readU32(block, sectorSize - 4);
    }

    std::vector<std::uint32_t> fat;
    fat.reserve(fatSectors.size() * idsPerSector);
    for (const std::uint32_t sector : fatSectors) {
        const auto block = sectors.bytes(sector, sectorSize, "FAT 表");
        if (used[sector]) {
            throw XlsError("复合文档已损坏：FAT 扇区 " + std::to_string(sector) + " 被重复使用");
        }
        used[sector] = true;
        for (std::size_t i = 0; i < idsPerSector; ++i) fat.push_back(readU32(block, 4 * i));
    }
    // Links that point past the file can never be followed.
    if (fat.size() > sectors.sectorCount()) fat.resize(sectors.sectorCount());

    auto readChain = [&](std::uint32_t start, std::size_t size, const char* what) {
        std::vector<std::uint8_t> data;
        const std::size_t needed = divideUp(size, sectorSize);
        if (needed > sectors.sectorCount()) {
            throw XlsError(std::string("复合文档已损坏：") + what + "大于文件本身");
        }
        const auto chain = followChain(start, fat, used, needed, true, what);
        data.reserve(size);
        for (const std::uint32_t sector : chain) {
            const std::size_t take = std::min(sectorSize, size - data.size());
            const auto block = sectors.bytes(sector, take, what);
            data.insert(data.end(), block.begin(), block.end());
        }
        return data;
    };

    // Directory.
    const auto directoryChain =
        followChain(readU32(file, kHdrFirstDirectorySector), fat, used, 0, false, "目录");
    if (directoryChain.empty()) throw XlsError("复合文档已损坏：没有目录");
    CompoundFile result;
    const std::size_t entriesPerSector = sectorSize / DirectoryEntry::kSize;
    result.m_entries.reserve(directoryChain.size() * entriesPerSector);
    for (const std::uint32_t sector : directoryChain) {
        const auto block = sectors.bytes(sector, sectorSize, "目录");
        for (std::size_t i = 0; i < entriesPerSector; ++i) {
            DirectoryEntry entry;
            std::copy_n(block.begin() + i * DirectoryEntry::kSize, DirectoryEntry::kSize,
                        entry.raw.begin());
            entry.name = entryName(entry.raw);
            entry.type = static_cast<DirectoryEntryType>(entry.raw[kDirType]);
            entry.left = readU32(entry.raw, kDirLeft);
            entry.right = readU32(entry.raw, kDirRight);
            entry.child = readU32(entry.raw, kDirChild);
            result.m_entries.push_back(std::move(entry));
        }
    }
    auto& entries = result.m_entries;
    if (entries[0].type != DirectoryEntryType::Root) {
        throw XlsError("复合文档已损坏：第一个目录项不是根目录");
    }

    // Walk the tree from the root; each entry may be met once only.
    entries[0].reachable = true;
    std::vector<std::uint32_t> pending;
    if (entries[0].child != kNoStream) pending.push_back(entries[0].child);
    while (!pending.empty()) {
        const std::uint32_t index = pending.back();
        pending.pop_back();
        if (index >= entries.size()) {
            throw XlsError("复合文档已损坏：目录链接超出范围");
        }
        DirectoryEntry& entry = entries[index];
        if (entry.reachable) throw XlsError("复合文档已损坏：目录树存在循环");
        if (entry.type != DirectoryEntryType::Storage && entry.type != DirectoryEntryType::Stream) {
            throw XlsError("复合文档已损坏：目录树链接到无效的目录项");
        }
        entry.reachable = true;
        for (const std::uint32_t link : {entry.left, entry.right}) {
            if (link != kNoStream) pending.push_back(link);
        }
        if (entry.type == DirectoryEntryType::Storage && entry.child != kNoStream) {
            pending.push_back(entry.child);
        }
    }

    auto streamSize = [&](const DirectoryEntry& entry) -> std::size_t {
        // Version 3 files may hold garbage in the high half of the size.
        const std::uint64_t size =
            major == 3 ? readU32(entry.raw, kDirStreamSize) : readU64(entry.raw, kDirStreamSize);
        if (size > file.size()) {
            throw XlsError("复合文档已损坏：某个数据流大于文件本身");
        }
        return static_cast<std::size_t>(size);
    };

    // Streams below the cutoff live in the root's mini stream.
    bool needsMiniStream = false;
    for (const auto& entry : entries) {
        if (entry.reachable && entry.type == DirectoryEntryType::Stream &&
            streamSize(entry) < kMiniStreamCutoff && streamSize(entry) > 0) {
            needsMiniStream = true;
        }
    }
    std::vector<std::uint8_t> miniStream;
    std::vector<std::uint32_t> miniFat;
    if (needsMiniStream) {
        miniStream =
            readChain(readU32(entries[0].raw, kDirStartSector), streamSize(entries[0]), "迷你流");
        const auto miniFatChain =
            followChain(readU32(file, kHdrFirstMiniFatSector), fat, used, 0, false, "迷你 FAT 表");
        for (const std::uint32_t sector : miniFatChain) {
            const auto block = sectors.bytes(sector, sectorSize, "迷你 FAT 表");
            for (std::size_t i = 0; i < idsPerSector; ++i) miniFat.push_back(readU32(block, 4 * i));
        }
        const std::size_t miniSectors = miniStream.size() / kMiniSectorSize;
        if (miniFat.size() > miniSectors) miniFat.resize(miniSectors);
    }
    std::vector<bool> miniUsed(miniFat.size(), false);

    for (auto& entry : entries) {
        if (!entry.reachable || entry.type != DirectoryEntryType::Stream) continue;
        const std::size_t size = streamSize(entry);
        const std::uint32_t start = readU32(entry.raw, kDirStartSector);
        if (size == 0) continue;
        if (size >= kMiniStreamCutoff) {
            entry.data = readChain(start, size, "数据流");
            continue;
        }
        const std::size_t needed = divideUp(size, kMiniSectorSize);
        const auto chain = followChain(start, miniFat, miniUsed, needed, true, "迷你流");
        entry.data.reserve(size);
        for (const std::uint32_t mini : chain) {
            const std::size_t offset = static_cast<std::size_t>(mini) * kMiniSectorSize;
            const std::size_t take = std::min(kMiniSectorSize, size - entry.data.size());
            requireRange(miniStream, offset, take, "迷你流扇区");
            entry.data.insert(entry.data.end(), miniStream.begin() + offset,
                              miniStream.begin() + offset + take);
        }
    }
    return result;
}

CompoundFile CompoundFile::withOneStream(std::u16string_view name) {
    if (name.empty() || (name.size() + 1) * 2 > kDirMaxNameBytes) {
        throw XlsError("数据流名称须为 1 到 31 个字符");
    }
    constexpr std::uint8_t kBlack = 1;  // a tree of one node is trivially balanced
    const auto makeEntry = [](std::u16string_view entryName, DirectoryEntryType type,
                              std::uint32_t child) {
        DirectoryEntry entry;
        for (std::size_t i = 0; i < entryName.size(); ++i) {
            putU16(entry.raw.data() + kDirName + 2 * i, entryName[i]);
        }
        putU16(entry.raw.data() + kDirNameLength,
               static_cast<std::uint16_t>((entryName.size() + 1) * 2));
        entry.raw[kDirType] = static_cast<std::uint8_t>(type);
        entry.raw[kDirColour] = kBlack;
        putU32(entry.raw.data() + kDirLeft, kNoStream);
        putU32(entry.raw.data() + kDirRight, kNoStream);
        putU32(entry.raw.data() + kDirChild, child);
        entry.name = entryName;
        entry.type = type;
        entry.left = entry.right = kNoStream;
        entry.child = child;
        entry.reachable = true;
        return entry;
    };
    CompoundFile file;
    file.m_entries.push_back(makeEntry(u"Root Entry", DirectoryEntryType::Root, 1));
    file.m_entries.push_back(makeEntry(name, DirectoryEntryType::Stream, kNoStream));
    return file;
}

int CompoundFile::findRootStream(std::u16string_view name) const {
    for (const std::uint32_t index : children(0)) {
        const auto& entry = m_entries[index];
        if (entry.type == DirectoryEntryType::Stream && cfbNamesEqual(entry.name, name)) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

std::vector<std::uint32_t> CompoundFile::children(std::uint32_t storage) const {
    std::vector<std::uint32_t> result;
    if (storage >= m_entries.size()) return result;
    // In-order walk; parse() already proved the tree finite and in range.
    std::vector<std::uint32_t> stack;
    std::uint32_t current = m_entries[storage].child;
    while (current != kNoStream || !stack.empty()) {
        while (current != kNoStream && current < m_entries.size() &&
               stack.size() <= m_entries.size()) {
            stack.push_back(current);
            current = m_entries[current].left;
        }
        if (stack.empty()) break;
        current = stack.back();
        stack.pop_back();
        result.push_back(current);
        current = m_entries[current].right;
    }
    return result;
}

std::vector<std::uint8_t> CompoundFile::serialize(std::uint32_t replaced,
                                                  std::span<const std::uint8_t> replacement) const {
    auto dataOf = [&](std::size_t index) -> std::span<const std::uint8_t> {
        if (index == replaced) return replacement;
        return m_entries[index].data;
    };
    constexpr std::size_t sectorSize = kWriteSectorSize;
    constexpr std::size_t idsPerSector = sectorSize / 4;

    // Decide where each stream goes.
    struct Placement {
        bool mini = false;
        std::uint32_t start = kEndOfChain;
    };
    std::vector<Placement> placement(m_entries.size());
    std::size_t regularSectors = 0;
    std::size_t miniSectors = 0;
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        const auto& entry = m_entries[i];
        const std::size_t size = dataOf(i).size();
        if (!entry.reachable || entry.type != DirectoryEntryType::Stream || size == 0) continue;
        if (size < kMiniStreamCutoff) {
            placement[i] = {true, static_cast<std::uint32_t>(miniSectors)};
            miniSectors += divideUp(size, kMiniSectorSize);
        } else {
            placement[i] = {false, static_cast<std::uint32_t>(regularSectors)};
            regularSectors += divideUp(size, sectorSize);
        }
    }
    const std::size_t miniStreamBytes = miniSectors * kMiniSectorSize;
    const std::size_t miniStreamStart = regularSectors;
    const std::size_t miniStreamSectors = divideUp(miniStreamBytes, sectorSize);
    const std::size_t miniFatStart = miniStreamStart + miniStreamSectors;
    const std::size_t miniFatSectors = divideUp(miniSectors * 4, sectorSize);
    const std::size_t directoryStart = miniFatStart + miniFatSectors;
    const std::size_t directorySectors =
        divideUp(m_entries.size() * DirectoryEntry::kSize, sectorSize);
    const std::size_t fatStart = directoryStart + directorySectors;

    // FAT and DIFAT sectors count themselves, so settle their numbers together.
    std::size_t fatSectors = 0;
    std::size_t difatSectors = 0;
    for (;;) {
        const std::size_t total = fatStart + fatSectors + difatSectors;
        const std::size_t needFat = divideUp(total, idsPerSector);
        const std::size_t needDifat =
            needFat > kHeaderDifatEntries
                ? divideUp(needFat - kHeaderDifatEntries, idsPerSector - 1)
                : 0;
        if (needFat == fatSectors && needDifat == difatSectors) break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const std::size_t difatStart = fatStart + fatSectors;
    const std::size_t totalSectors = difatStart + difatSectors;
    if (totalSectors >= kMaxRegularSector) throw XlsError("工作簿过大，无法写入");

    std::vector<std::uint32_t> fat(fatSectors * idsPerSector, kFreeSector);
    auto chainRun = [](std::vector<std::uint32_t>& table, std::size_t start, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            table[start + i] =
                i + 1 == count ? kEndOfChain : static_cast<std::uint32_t>(start + i + 1);
        }
    };
    std::vector<std::uint32_t> miniFat(miniFatSectors * idsPerSector, kFreeSector);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (placement[i].start == kEndOfChain) continue;
        const std::size_t size = dataOf(i).size();
        if (placement[i].mini) {
            chainRun(miniFat, placement[i].start, divideUp(size, kMiniSectorSize));
        } else {
            chainRun(fat, placement[i].start, divideUp(size, sectorSize));
        }
    }
    chainRun(fat, miniStreamStart, miniStreamSectors);
    chainRun(fat, miniFatStart, miniFatSectors);
    chainRun(fat, directoryStart, directorySectors);
    for (std::size_t i = 0; i < fatSectors; ++i) fat[fatStart + i] = kFatSector;
    for (std::size_t i = 0; i < difatSectors; ++i) fat[difatStart + i] = kDifatSector;

    std::vector<std::uint8_t> out((totalSectors + 1) * sectorSize, 0);
    auto sectorAt = [&](std::size_t sector) { return out.data() + (sector + 1) * sectorSize; };

    // Header.
    std::uint8_t* header = out.data();
    std::memcpy(header + kHdrSignature, kSignature, sizeof kSignature);
    std::memset(header + kHdrClsid, 0, 16);
    putU16(header + kHdrMinorVersion, 0x003E);
    putU16(header + kHdrMajorVersion, 3);
    putU16(header + kHdrByteOrder, 0xFFFE);
    putU16(header + kHdrSectorShift, 9);
    putU16(header + kHdrMiniSectorShift, 6);
    putU32(header + kHdrDirectorySectorCount, 0);
    putU32(header + kHdrFatSectorCount, static_cast<std::uint32_t>(fatSectors));
    putU32(header + kHdrFirstDirectorySector, static_cast<std::uint32_t>(directoryStart));
    putU32(header + kHdrTransactionSignature, 0);
    putU32(header + kHdrMiniStreamCutoff, kMiniStreamCutoff);
    putU32(header + kHdrFirstMiniFatSector,
           miniFatSectors ? static_cast<std::uint32_t>(miniFatStart) : kEndOfChain);
    putU32(header + kHdrMiniFatSectorCount, static_cast<std::uint32_t>(miniFatSectors));
    putU32(header + kHdrFirstDifatSector,
           difatSectors ? static_cast<std::uint32_t>(difatStart) : kEndOfChain);
    putU32(header + kHdrDifatSectorCount, static_cast<std::uint32_t>(difatSectors));
    for (std::size_t i = 0; i < kHeaderDifatEntries; ++i) {
        putU32(header + kHdrDifat + 4 * i,
               i < fatSectors ? static_cast<std::uint32_t>(fatStart + i) : kFreeSector);
    }

    // Stream data, regular and mini.
    std::uint8_t* miniBase = sectorAt(miniStreamStart);
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (placement[i].start == kEndOfChain) continue;
        const auto data = dataOf(i);
        std::uint8_t* target = placement[i].mini ? miniBase + placement[i].start * kMiniSectorSize
                                                 : sectorAt(placement[i].start);
        std::memcpy(target, data.data(), data.size());
    }
    for (std::size_t i = 0; i < miniFat.size(); ++i) {
        putU32(sectorAt(miniFatStart) + 4 * i, miniFat[i]);
    }

    // Directory: original entries with their new locations.
    std::uint8_t* directory = sectorAt(directoryStart);
    for (std::size_t i = 0; i < directorySectors * sectorSize / DirectoryEntry::kSize; ++i) {
        std::uint8_t* slot = directory + i * DirectoryEntry::kSize;
        if (i >= m_entries.size() || !m_entries[i].reachable) {
            std::memset(slot, 0, DirectoryEntry::kSize);
            putU32(slot + kDirLeft, kNoStream);
            putU32(slot + kDirRight, kNoStream);
            putU32(slot + kDirChild, kNoStream);
            continue;
        }
        const auto& entry = m_entries[i];
        std::memcpy(slot, entry.raw.data(), DirectoryEntry::kSize);
        std::uint32_t start = 0;
        std::uint64_t size = 0;
        if (entry.type == DirectoryEntryType::Root) {
            start = miniStreamSectors ? static_cast<std::uint32_t>(miniStreamStart) : kEndOfChain;
            size = miniStreamBytes;
        } else if (entry.type == DirectoryEntryType::Stream) {
            start = placement[i].start;
            size = dataOf(i).size();
        }
        putU32(slot + kDirStartSector, start);
        putU64(slot + kDirStreamSize, size);
    }

    for (std::size_t i = 0; i < fat.size(); ++i) {
        putU32(sectorAt(fatStart + i / idsPerSector) + 4 * (i % idsPerSector), fat[i]);
    }
    // DIFAT sectors list the FAT sectors after the first 109.
    for (std::size_t d = 0; d < difatSectors; ++d) {
        std::uint8_t* block = sectorAt(difatStart + d);
        for (std::size_t i = 0; i + 1 < idsPerSector; ++i) {
            const std::size_t fatIndex = kHeaderDifatEntries + d * (idsPerSector - 1) + i;
            putU32(block + 4 * i, fatIndex < fatSectors
                                      ? static_cast<std::uint32_t>(fatStart + fatIndex)
                                      : kFreeSector);
        }
        putU32(block + sectorSize - 4,
               d + 1 < difatSectors ? static_cast<std::uint32_t>(difatStart + d + 1) : kEndOfChain);
    }
    return out;
}

}  // namespace wormpair::xls
