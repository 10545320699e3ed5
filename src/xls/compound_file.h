#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// An OLE2 compound file ([MS-CFB]) held in memory: every directory entry with
// its original 128 bytes and, for streams, the stream bytes. Writing keeps the
// entries at their indexes with their tree links, names, CLSIDs, state bits
// and timestamps, and lays the stream data out afresh (version 3).
namespace wormpair::xls {

enum class DirectoryEntryType : std::uint8_t {
    Unused = 0,
    Storage = 1,
    Stream = 2,
    Root = 5,
};

struct DirectoryEntry {
    static constexpr std::size_t kSize = 128;

    std::array<std::uint8_t, kSize> raw{};  // as read; start sector and size are rewritten
    std::u16string name;
    DirectoryEntryType type = DirectoryEntryType::Unused;
    std::uint32_t left = 0;
    std::uint32_t right = 0;
    std::uint32_t child = 0;
    bool reachable = false;          // found by walking the tree from the root
    std::vector<std::uint8_t> data;  // stream bytes (streams only)
};

class CompoundFile {
  public:
    static constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

    // Throws XlsError for anything that is not a sound compound file.
    static CompoundFile parse(std::span<const std::uint8_t> bytes);
    // A new file holding one empty stream of that name under the root
    // (entry 1); serialize(1, data) writes it with its data.
    static CompoundFile withOneStream(std::u16string_view name);

    // `replacement`, when given, stands in for the data of stream `replaced`.
    std::vector<std::uint8_t> serialize(std::uint32_t replaced = kNoStream,
                                        std::span<const std::uint8_t> replacement = {}) const;

    const std::vector<DirectoryEntry>& entries() const { return m_entries; }
    DirectoryEntry& entry(std::size_t index) { return m_entries.at(index); }

    // Index of the stream directly under the root whose name equals `name`
    // case-insensitively, or -1.
    int findRootStream(std::u16string_view name) const;

    // Indexes of the entries directly under a storage, in tree order.
    std::vector<std::uint32_t> children(std::uint32_t storage) const;

  private:
    std::vector<DirectoryEntry> m_entries;
};

bool cfbNamesEqual(std::u16string_view a, std::u16string_view b);

}  // namespace wormpair::xls
