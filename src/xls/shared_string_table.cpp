#include "xls/shared_string_table.h"

#include <algorithm>
#include <string>

#include "xls/byte_order.h"
#include "xls/xls_error.h"

namespace wormpair::xls {
namespace {

constexpr std::uint8_t kFlagHighByte = 0x01;
constexpr std::uint8_t kFlagPhonetic = 0x04;
constexpr std::uint8_t kFlagRich = 0x08;
constexpr std::size_t kRunSize = 4;
constexpr std::size_t kMaxBuckets = (kMaxRecordData - 2) / 8;

// Reads across the SST and CONTINUE record boundaries.
class ContinuedReader {
  public:
    explicit ContinuedReader(std::span<const Record> records)
        : m_records(records), m_after(records.size(), 0) {
        for (std::size_t i = records.size(); i-- > 1;) {
            m_after[i - 1] = m_after[i] + records[i].data.size();
        }
    }

    // Bytes left in this record and the ones after it: a size read from the
    // file is checked against it before anything is allocated for it.
    std::size_t remaining() const {
        if (m_record >= m_records.size()) return 0;
        return m_records[m_record].data.size() - m_offset + m_after[m_record];
    }

    void requireRemaining(std::size_t count) const {
        if (count > remaining()) {
            throw XlsError("共享字符串表已损坏：某个字符串声明的字节数多于剩余数据");
        }
    }

    bool atEnd() {
        while (m_record < m_records.size() && m_offset >= m_records[m_record].data.size()) {
            ++m_record;
            m_offset = 0;
        }
        return m_record >= m_records.size();
    }

    // A string may start at a record boundary: no option byte is repeated there.
    std::uint8_t byte() {
        if (atEnd()) throw XlsError("共享字符串表被截断");
        return m_records[m_record].data[m_offset++];
    }

    std::uint16_t u16() { return static_cast<std::uint16_t>(byte() | (byte() << 8)); }

    std::uint32_t u32() {
        const std::uint32_t low = u16();
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }

    // Bytes that may be cut anywhere; skipped when `out` is null.
    void bytes(std::size_t count, std::vector<std::uint8_t>* out) {
        requireRemaining(count);
        if (out) out->reserve(count);
        while (count > 0) {
            if (atEnd()) throw XlsError("共享字符串表被截断");
            const auto& data = m_records[m_record].data;
            const std::size_t take = std::min(count, data.size() - m_offset);
            if (out) {
                out->insert(out->end(), data.begin() + static_cast<std::ptrdiff_t>(m_offset),
                            data.begin() + static_cast<std::ptrdiff_t>(m_offset + take));
            }
            m_offset += take;
            count -= take;
        }
    }

    // Character data: where it continues in a new record, that record starts
    // with a fresh option byte whose low bit says whether the rest is 16-bit.
    // Skipped when `out` is null.
    void characters(std::size_t count, bool highByte, std::u16string* out) {
        requireRemaining(count);  // one byte each at the least
        if (out) out->reserve(count);
        while (count > 0) {
            if (m_record >= m_records.size()) throw XlsError("共享字符串表被截断");
            if (m_offset >= m_records[m_record].data.size()) {
                ++m_record;
                m_offset = 0;
                if (m_record >= m_records.size() || m_records[m_record].data.empty()) {
                    throw XlsError("共享字符串表在字符串中途截断");
                }
                highByte = (m_records[m_record].data[m_offset++] & kFlagHighByte) != 0;
                continue;
            }
            const auto& data = m_records[m_record].data;
            const std::size_t unit = highByte ? 2 : 1;
            std::size_t fit = (data.size() - m_offset) / unit;
            if (fit == 0) {
                throw XlsError("共享字符串表已损坏：某个字符被拆分到两条记录中");
            }
            fit = std::min(fit, count);
            for (std::size_t i = 0; out && i < fit; ++i) {
                out->push_back(highByte
                                   ? static_cast<char16_t>(data[m_offset + unit * i] |
                                                           (data[m_offset + unit * i + 1] << 8))
                                   : static_cast<char16_t>(data[m_offset + i]));
            }
            m_offset += fit * unit;
            count -= fit;
        }
    }

  private:
    std::span<const Record> m_records;
    std::vector<std::size_t> m_after;  // data bytes of the records after each one
    std::size_t m_record = 0;
    std::size_t m_offset = 0;
};

// Writes (or only measures) SST + CONTINUE records, never letting a record's
// data exceed the BIFF8 limit.
class ContinuedWriter {
  public:
    explicit ContinuedWriter(bool writeBytes, std::vector<Record>& records)
        : m_write(writeBytes), m_records(records) {
        startRecord(rt::kSst);
    }

    std::size_t room() const { return kMaxRecordData - m_length; }
    std::size_t streamSize() const { return m_streamSize; }
    std::size_t recordStart() const { return m_recordStart; }

    void startRecord(std::uint16_t type) {
        m_recordStart = m_streamSize;
        m_streamSize += kRecordHeaderSize;
        m_length = 0;
        if (m_write) m_records.push_back(Record{type, {}});
    }

    void ensureRoom(std::size_t count) {
        if (room() < count) startRecord(rt::kContinue);
    }

    void put(const std::uint8_t* bytes, std::size_t count) {
        if (m_write) {
            auto& data = m_records.back().data;
            data.insert(data.end(), bytes, bytes + count);
        }
        m_length += count;
        m_streamSize += count;
    }

    void putByte(std::uint8_t value) { put(&value, 1); }

    void putU16(std::uint16_t value) {
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value),
                                       static_cast<std::uint8_t>(value >> 8)};
        put(bytes, 2);
    }

    void putU32(std::uint32_t value) {
        putU16(static_cast<std::uint16_t>(value));
        putU16(static_cast<std::uint16_t>(value >> 16));
    }

    // Bytes that may be cut anywhere.
    void putSplittable(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ensureRoom(1);
            const std::size_t take = std::min(room(), bytes.size() - done);
            put(bytes.data() + done, take);
            done += take;
        }
    }

    // Characters split only between characters, each continuation starting
    // with the option byte again.
    void putCharacters(const std::u16string& text, bool highByte) {
        const std::size_t unit = highByte ? 2 : 1;
        std::size_t done = 0;
        while (done < text.size()) {
            if (room() < unit) {
                startRecord(rt::kContinue);
                putByte(highByte ? kFlagHighByte : 0);
            }
            const std::size_t take = std::min(room() / unit, text.size() - done);
            if (m_write) {
                auto& data = m_records.back().data;
                for (std::size_t i = done; i < done + take; ++i) {
                    data.push_back(static_cast<std::uint8_t>(text[i]));
                    if (highByte) data.push_back(static_cast<std::uint8_t>(text[i] >> 8));
                }
            }
            m_length += take * unit;
            m_streamSize += take * unit;
            done += take;
        }
    }

  private:
    bool m_write;
    std::vector<Record>& m_records;
    std::size_t m_length = 0;
    std::size_t m_streamSize = 0;
    std::size_t m_recordStart = 0;
};

}  // namespace

void SharedStringTable::parse(std::span<const Record> records) {
    m_strings.clear();
    m_extras.clear();
    m_plainIndex.clear();
    m_indexBuilt = false;
    // Twice over the records: counting first, so that the table is allocated
    // once at its size rather than grown by doubling.
    const auto read = [&](bool keep) {
        ContinuedReader reader(records);
        reader.u32();  // total references: recomputed on write
        reader.u32();  // unique count: not trusted
        std::size_t count = 0;
        std::size_t withExtras = 0;
        while (!reader.atEnd()) {
            const std::uint16_t length = reader.u16();
            const std::uint8_t flags = reader.byte();
            const std::uint16_t runs = (flags & kFlagRich) ? reader.u16() : 0;
            const std::uint32_t phonetic = (flags & kFlagPhonetic) ? reader.u32() : 0;
            SharedString* entry = keep ? &m_strings.emplace_back() : nullptr;
            reader.characters(length, (flags & kFlagHighByte) != 0, entry ? &entry->text : nullptr);
            SharedStringExtras* extras = nullptr;
            if (keep && (runs > 0 || phonetic > 0)) {
                entry->extras = static_cast<std::uint32_t>(m_extras.size());
                extras = &m_extras.emplace_back();
            }
            reader.bytes(std::size_t{runs} * kRunSize, extras ? &extras->formattingRuns : nullptr);
            reader.bytes(phonetic, extras ? &extras->phoneticData : nullptr);
            ++count;
            withExtras += runs > 0 || phonetic > 0;
        }
        return std::pair(count, withExtras);
    };
    const auto [count, withExtras] = read(false);
    m_strings.reserve(count);
    m_extras.reserve(withExtras);
    read(true);
}

std::uint32_t SharedStringTable::add(std::u16string_view text) {
    if (!m_indexBuilt) {
        for (std::size_t i = 0; i < m_strings.size(); ++i) {
            if (m_strings[i].isPlain()) {
                m_plainIndex.emplace(m_strings[i].text, static_cast<std::uint32_t>(i));
            }
        }
        m_indexBuilt = true;
    }
    std::u16string key(text);
    if (const auto found = m_plainIndex.find(key); found != m_plainIndex.end()) {
        return found->second;
    }
    const auto index = static_cast<std::uint32_t>(m_strings.size());
    m_strings.push_back(SharedString{key, SharedString::kPlain});
    m_plainIndex.emplace(std::move(key), index);
    return index;
}

std::uint16_t extSstStringsPerBucket(std::size_t stringCount) {
    std::size_t perBucket = 8;
    while ((stringCount + perBucket - 1) / perBucket > kMaxBuckets) perBucket *= 2;
    // EXTSST holds the count in 16 bits.
    if (perBucket > 0xFFFF) {
        throw XlsError("共享字符串过多，无法写入：" + std::to_string(stringCount) +
                       " 个（该格式最多容纳 " + std::to_string(kMaxBuckets * 0x8000) + " 个）");
    }
    return static_cast<std::uint16_t>(perBucket);
}

SerializedSst SharedStringTable::serialize(std::uint32_t totalReferences, bool writeBytes) const {
    SerializedSst result;
    const std::size_t perBucket = extSstStringsPerBucket(m_strings.size());
    result.stringsPerBucket = static_cast<std::uint16_t>(perBucket);

    ContinuedWriter out(writeBytes, result.records);
    out.putU32(totalReferences);
    out.putU32(static_cast<std::uint32_t>(m_strings.size()));
    static const SharedStringExtras kNoExtras;
    for (std::size_t i = 0; i < m_strings.size(); ++i) {
        const SharedString& entry = m_strings[i];
        const SharedStringExtras& extras = entry.isPlain() ? kNoExtras : m_extras[entry.extras];
        const bool highByte =
            std::any_of(entry.text.begin(), entry.text.end(), [](char16_t c) { return c > 0xFF; });
        const std::size_t runs = extras.formattingRuns.size() / kRunSize;
        std::uint8_t flags = highByte ? kFlagHighByte : 0;
        std::size_t headerSize = 3;
        if (runs > 0) {
            flags |= kFlagRich;
            headerSize += 2;
        }
        if (!extras.phoneticData.empty()) {
            flags |= kFlagPhonetic;
            headerSize += 4;
        }
        // The header stays with the first character.
        out.ensureRoom(headerSize + (entry.text.empty() ? 0 : (highByte ? 2 : 1)));
        if (i % perBucket == 0) {
            result.buckets.push_back(
                {static_cast<std::uint32_t>(out.streamSize()),
                 static_cast<std::uint16_t>(out.streamSize() - out.recordStart())});
        }
        out.putU16(static_cast<std::uint16_t>(entry.text.size()));
        out.putByte(flags);
        if (runs > 0) out.putU16(static_cast<std::uint16_t>(runs));
        if (!extras.phoneticData.empty()) {
            out.putU32(static_cast<std::uint32_t>(extras.phoneticData.size()));
        }
        out.putCharacters(entry.text, highByte);
        for (std::size_t r = 0; r < runs; ++r) {
            out.ensureRoom(kRunSize);
            out.put(extras.formattingRuns.data() + r * kRunSize, kRunSize);
        }
        out.putSplittable(extras.phoneticData);
    }
    result.streamSize = out.streamSize();
    return result;
}

Record SharedStringTable::extSstRecord(const SerializedSst& sst, std::uint32_t sstStreamOffset) {
    Record record{rt::kExtSst, {}};
    record.data.reserve(2 + 8 * sst.buckets.size());
    appendU16(record.data, sst.stringsPerBucket);
    for (const auto& bucket : sst.buckets) {
        appendU32(record.data, sstStreamOffset + bucket.offsetFromSst);
        appendU16(record.data, bucket.offsetInRecord);
        appendU16(record.data, 0);
    }
    return record;
}

}  // namespace wormpair::xls
