#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xls/biff_records.h"

// The shared string table: SST and its CONTINUE records in, SST, CONTINUE and
// EXTSST records out.
namespace wormpair::xls {

struct SharedString {
    static constexpr std::uint32_t kPlain = 0xFFFFFFFF;

    std::u16string text;
    // Index of the string's formatting runs and extended data in the table,
    // or kPlain. Kept apart: most strings have neither, and a table of many
    // short strings must stay a small multiple of its size on disk.
    std::uint32_t extras = kPlain;

    bool isPlain() const { return extras == kPlain; }
};

struct SharedStringExtras {
    std::vector<std::uint8_t> formattingRuns;  // 4 bytes per run, as stored
    std::vector<std::uint8_t> phoneticData;    // ExtRst, as stored
};

// Where an EXTSST bucket's first string starts: from the start of the SST
// record's header, and from the header of the record that holds it.
struct SstBucketPosition {
    std::uint32_t offsetFromSst = 0;
    std::uint16_t offsetInRecord = 0;
};

struct SerializedSst {
    std::vector<Record> records;  // SST followed by its CONTINUE records
    std::vector<SstBucketPosition> buckets;
    std::uint16_t stringsPerBucket = 8;
    std::size_t streamSize = 0;  // all records with their headers
};

// Strings per EXTSST bucket for a table of `stringCount` strings: 8, doubled
// until the buckets fit one record. Throws XlsError past what the 16-bit
// count can hold.
std::uint16_t extSstStringsPerBucket(std::size_t stringCount);

class SharedStringTable {
  public:
    // `records` is the SST record followed by its CONTINUE records. Strings
    // are read to the end of the data; the header's unique count is not
    // trusted (some writers get it wrong).
    void parse(std::span<const Record> records);

    std::size_t size() const { return m_strings.size(); }
    const SharedString& at(std::size_t index) const { return m_strings.at(index); }

    // Index of a plain string with this text, added when there is none.
    std::uint32_t add(std::u16string_view text);

    // The serialiser runs in two modes over the same code: measuring only
    // (records stays empty) and writing.
    SerializedSst serialize(std::uint32_t totalReferences, bool writeBytes) const;

    static Record extSstRecord(const SerializedSst& sst, std::uint32_t sstStreamOffset);

  private:
    std::vector<SharedString> m_strings;
    std::vector<SharedStringExtras> m_extras;
    std::unordered_map<std::u16string, std::uint32_t> m_plainIndex;
    bool m_indexBuilt = false;
};

}  // namespace wormpair::xls
