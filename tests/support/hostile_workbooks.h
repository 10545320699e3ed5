#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// Workbooks made to hurt a reader: shared sectors, sizes that ask for more
// than the file holds, cells outside the sheet, masses of tiny records. They
// are laid out here byte by byte, independent of the workbook component, and
// shared by its tests, the memory-bound test and the fuzzer's seed corpus.
namespace wormpair::testing::hostile {

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void put32(Bytes& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

inline void set16(Bytes& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void set32(Bytes& out, std::size_t at, std::uint32_t v) {
    set16(out, at, static_cast<std::uint16_t>(v));
    set16(out, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// A BIFF record: type, 16-bit length, data.
inline Bytes record(std::uint16_t type, const Bytes& data) {
    Bytes out;
    put16(out, type);
    put16(out, static_cast<std::uint16_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

inline Bytes fields(std::initializer_list<std::uint16_t> values) {
    Bytes out;
    for (const std::uint16_t v : values) put16(out, v);
    return out;
}

inline void append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

inline Bytes bof(std::uint16_t kind) {
    return record(0x0809, fields({0x0600, kind, 0x0DBB, 0x07CC, 0, 0, 0x0006, 0}));
}
inline Bytes eof() { return record(0x000A, {}); }

// A cell record's row, column and XF, then its value.
inline Bytes cell(std::uint16_t type, std::uint16_t row, std::uint16_t column,
                  const Bytes& value = {}) {
    Bytes data = fields({row, column, 15});
    append(data, value);
    return record(type, data);
}

inline Bytes numberCell(std::uint16_t row, std::uint16_t column) {
    return cell(0x0203, row, column, Bytes{0, 0, 0, 0, 0, 0, 0xF0, 0x3F});  // 1.0
}

// A LABEL cell of `length` Latin-1 characters.
inline Bytes labelCell(std::uint16_t row, std::uint16_t column, std::size_t length) {
    Bytes value = fields({static_cast<std::uint16_t>(length)});
    value.push_back(0);
    value.resize(value.size() + length, 'x');
    return cell(0x0204, row, column, value);
}

// Globals (BOF, one BOUNDSHEET, `globals`, EOF) and one worksheet (BOF,
// DIMENSIONS, `cells`, EOF), padded with zeros to at least `minimumSize`.
inline Bytes workbookStream(const Bytes& globals, const Bytes& cells, std::size_t minimumSize = 0) {
    Bytes boundSheet;
    put32(boundSheet, 0);  // set below
    append(boundSheet, Bytes{0, 0, 6, 0, 'S', 'h', 'e', 'e', 't', '1'});
    Bytes out = bof(0x0005);
    const std::size_t boundSheetAt = out.size() + 4;
    append(out, record(0x0085, boundSheet));
    append(out, globals);
    append(out, eof());
    set32(out, boundSheetAt, static_cast<std::uint32_t>(out.size()));
    append(out, bof(0x0010));
    append(out, record(0x0200, fields({0, 0, 1, 0, 0, 1, 0})));
    append(out, cells);
    append(out, eof());
    if (out.size() < minimumSize) out.resize(minimumSize, 0);
    return out;
}

// A version 3 compound file with the stream "Workbook" and `aliases` more
// stream entries that claim the very same sectors. Layout: FAT sectors, the
// directory, the mini FAT, the mini stream, then the regular stream.
inline Bytes compoundFile(const Bytes& workbook, std::size_t aliases = 0) {
    constexpr std::size_t kSector = 512;
    constexpr std::uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatMark = 0xFFFFFFFD;
    const auto sectorsFor = [](std::size_t bytes) { return (bytes + kSector - 1) / kSector; };
    const bool mini = workbook.size() < 4096;
    const std::size_t entries = 2 + aliases;
    const std::size_t directory = sectorsFor(entries * 128);
    const std::size_t miniFat = mini ? 1 : 0;
    const std::size_t miniStream = mini ? sectorsFor(workbook.size()) : 0;
    const std::size_t regular = mini ? 0 : sectorsFor(workbook.size());
    std::size_t fat = 1;
    while (fat * (kSector / 4) < fat + directory + miniFat + miniStream + regular) ++fat;
    const std::size_t total = fat + directory + miniFat + miniStream + regular;

    Bytes file((1 + total) * kSector, 0);
    const Bytes signature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(signature.begin(), signature.end(), file.begin());
    set16(file, 0x18, 0x3E);
    set16(file, 0x1A, 3);
    set16(file, 0x1C, 0xFFFE);
    set16(file, 0x1E, 9);
    set16(file, 0x20, 6);
    set32(file, 0x2C, static_cast<std::uint32_t>(fat));
    set32(file, 0x30, static_cast<std::uint32_t>(fat));
    set32(file, 0x38, 4096);
    set32(file, 0x3C, mini ? static_cast<std::uint32_t>(fat + directory) : kEnd);
    set32(file, 0x40, static_cast<std::uint32_t>(miniFat));
    set32(file, 0x44, kEnd);
    for (std::size_t i = 0; i < 109; ++i) {
        set32(file, 0x4C + 4 * i, i < fat ? static_cast<std::uint32_t>(i) : kFree);
    }
    const auto sectorAt = [](std::size_t sector) { return (sector + 1) * kSector; };

    // FAT: each run of sectors chained, the FAT sectors marked.
    std::vector<std::uint32_t> table(fat * kSector / 4, kFree);
    auto chain = [&](std::size_t start, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            table[start + i] = i + 1 == count ? kEnd : static_cast<std::uint32_t>(start + i + 1);
        }
    };
    for (std::size_t i = 0; i < fat; ++i) table[i] = kFatMark;
    chain(fat, directory);
    chain(fat + directory, miniFat);
    chain(fat + directory + miniFat, miniStream);
    chain(fat + directory + miniFat + miniStream, regular);
    for (std::size_t i = 0; i < table.size(); ++i) set32(file, sectorAt(0) + 4 * i, table[i]);

    const std::size_t dataSector = fat + directory + miniFat + (mini ? 0 : miniStream);
    if (mini) {
        const std::size_t miniSectors = (workbook.size() + 63) / 64;
        for (std::size_t i = 0; i < kSector / 4; ++i) {
            const std::uint32_t link = i + 1 < miniSectors ? static_cast<std::uint32_t>(i + 1)
                                                           : (i + 1 == miniSectors ? kEnd : kFree);
            set32(file, sectorAt(fat + directory) + 4 * i, link);
        }
    }
    std::copy(workbook.begin(), workbook.end(),
              file.begin() + static_cast<std::ptrdiff_t>(sectorAt(dataSector)));

    // Directory: the root, "Workbook", the aliases, each the right sibling of
    // the one before.
    auto entry = [&](std::size_t index, const std::u16string& name, std::uint8_t type,
                     std::uint32_t right, std::uint32_t child, std::uint32_t start,
                     std::uint32_t size) {
        const std::size_t at = sectorAt(fat) + 128 * index;
        for (std::size_t i = 0; i < name.size(); ++i) set16(file, at + 2 * i, name[i]);
        set16(file, at + 0x40, static_cast<std::uint16_t>(2 * name.size() + 2));
        file[at + 0x42] = type;
        file[at + 0x43] = 1;
        set32(file, at + 0x44, kFree);
        set32(file, at + 0x48, right);
        set32(file, at + 0x4C, child);
        set32(file, at + 0x74, start);
        set32(file, at + 0x78, size);
    };
    const auto size = static_cast<std::uint32_t>(workbook.size());
    const auto start = mini ? 0u : static_cast<std::uint32_t>(dataSector);
    entry(0, u"Root Entry", 5, kFree, 1,
          mini ? static_cast<std::uint32_t>(fat + directory + miniFat) : kEnd,
          mini ? static_cast<std::uint32_t>(miniStream * kSector) : 0);
    for (std::size_t i = 1; i < entries; ++i) {
        std::u16string name = i == 1 ? u"Workbook" : u"Alias";
        for (const char digit : i == 1 ? std::string() : std::to_string(i)) name += digit;
        entry(i, name, 2, i + 1 < entries ? static_cast<std::uint32_t>(i + 1) : kFree, kFree, start,
              size);
    }
    return file;
}

inline Bytes workbook(const Bytes& globals, const Bytes& cells, std::size_t minimumSize = 0) {
    return compoundFile(workbookStream(globals, cells, minimumSize));
}

// An SST record of one string "a" with the given option flags and extra
// header fields (a run count, an extended-data size), and nothing after it.
inline Bytes sstWithOneString(std::uint8_t flags, const Bytes& header) {
    Bytes data;
    put32(data, 1);
    put32(data, 1);
    put16(data, 1);
    data.push_back(flags);
    append(data, header);
    data.push_back('a');
    return record(0x00FC, data);
}

// --- The hostile workbooks -------------------------------------------------

// Every alias is another full copy of the workbook stream for a reader that
// lets streams share sectors: memory grows with the square of the file size.
inline Bytes sharedSectors(std::size_t streamBytes, std::size_t aliases) {
    return compoundFile(workbookStream({}, numberCell(0, 0), streamBytes), aliases);
}

// A string whose extended (phonetic) data claims 0xFFFFFFFF bytes.
inline Bytes phoneticSize4GiB() {
    Bytes size;
    put32(size, 0xFFFFFFFF);
    return workbook(sstWithOneString(0x04, size), {});
}

// A string with 65535 formatting runs and none of their bytes.
inline Bytes formattingRuns65535() {
    return workbook(sstWithOneString(0x08, fields({0xFFFF})), {});
}

// A cell in column 0xFFFF, past the 256 columns of a sheet.
inline Bytes cellInColumnFFFF() { return workbook({}, numberCell(3, 0xFFFF)); }

// A MULBLANK from column 250 to column 260.
inline Bytes mulBlankPastColumn255() {
    Bytes data = fields({2, 250});
    for (int c = 250; c <= 260; ++c) put16(data, 15);
    put16(data, 260);
    return workbook({}, record(0x00BE, data));
}

// `count` empty records in the globals.
inline Bytes manyTinyRecords(std::size_t count) {
    Bytes globals;
    for (std::size_t i = 0; i < count; ++i) append(globals, record(0x0042, {}));
    return workbook(globals, {});
}

// An SST of `count` empty strings, over as many CONTINUE records as needed.
inline Bytes manyEmptyStrings(std::size_t count) {
    Bytes globals;
    Bytes data;
    put32(data, static_cast<std::uint32_t>(count));
    put32(data, static_cast<std::uint32_t>(count));
    std::uint16_t type = 0x00FC;
    for (std::size_t i = 0; i < count; ++i) {
        if (data.size() + 3 > 8224) {
            append(globals, record(type, data));
            data.clear();
            type = 0x003C;
        }
        append(data, Bytes{0, 0, 0});
    }
    append(globals, record(type, data));
    return workbook(globals, {});
}

// `count` BLANK cells, 256 to a row.
inline Bytes manyBlankCells(std::size_t count) {
    Bytes cells;
    for (std::size_t i = 0; i < count; ++i) {
        append(cells, cell(0x0201, static_cast<std::uint16_t>(i / 256),
                           static_cast<std::uint16_t>(i % 256)));
    }
    return workbook({}, cells);
}

// Row 0 holds `cells` LABEL cells of 8000 characters; row 1 one number.
// From nine cells on, the distance from row 0's first cell to row 1's is
// more than a row block's 16-bit cell offset can hold.
inline Bytes oversizedRow(std::size_t cells) {
    Bytes records;
    for (std::size_t c = 0; c < cells; ++c) {
        append(records, labelCell(0, static_cast<std::uint16_t>(c), 8000));
    }
    append(records, numberCell(1, 0));
    return workbook({}, records);
}

struct Named {
    std::string name;
    Bytes bytes;
};

// The set the memory-bound test reads; `seeds` gives smaller ones of the
// same kinds for the fuzzer to start from.
inline std::vector<Named> all(bool seeds = false) {
    const std::size_t scale = seeds ? 1 : 10;
    return {
        {"shared-sectors", sharedSectors(seeds ? 4096 : 16384, 100 * scale)},
        {"shared-mini-sectors", sharedSectors(600, 100 * scale)},
        {"phonetic-size-4gib", phoneticSize4GiB()},
        {"formatting-runs-65535", formattingRuns65535()},
        {"cell-in-column-ffff", cellInColumnFFFF()},
        {"mulblank-past-column-255", mulBlankPastColumn255()},
        {"many-tiny-records", manyTinyRecords(4000 * scale)},
        {"many-empty-strings", manyEmptyStrings(5000 * scale)},
        {"many-blank-cells", manyBlankCells(1500 * scale)},
        {"oversized-row", oversizedRow(9)},
    };
}

}  // namespace wormpair::testing::hostile
