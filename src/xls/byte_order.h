#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "xls/xls_error.h"

// Little-endian field access. Reads check their range and throw XlsError with
// the given context, so a short buffer is a clean error, never an overread.
namespace wormpair::xls {

inline void requireRange(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t count,
                         const char* what) {
    if (offset > bytes.size() || count > bytes.size() - offset) {
        throw XlsError(std::string("数据被截断：") + what);
    }
}

inline std::uint8_t readU8(std::span<const std::uint8_t> bytes, std::size_t offset,
                           const char* what = "字段") {
    requireRange(bytes, offset, 1, what);
    return bytes[offset];
}

inline std::uint16_t readU16(std::span<const std::uint8_t> bytes, std::size_t offset,
                             const char* what = "字段") {
    requireRange(bytes, offset, 2, what);
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

inline std::uint32_t readU32(std::span<const std::uint8_t> bytes, std::size_t offset,
                             const char* what = "字段") {
    requireRange(bytes, offset, 4, what);
    return static_cast<std::uint32_t>(bytes[offset]) |
           (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

inline std::uint64_t readU64(std::span<const std::uint8_t> bytes, std::size_t offset,
                             const char* what = "字段") {
    return readU32(bytes, offset, what) |
           (static_cast<std::uint64_t>(readU32(bytes, offset + 4, what)) << 32);
}

inline double readDouble(std::span<const std::uint8_t> bytes, std::size_t offset,
                         const char* what = "字段") {
    const std::uint64_t bits = readU64(bytes, offset, what);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Writers into a buffer the caller has sized; the caller owns the range check.
inline void putU16(std::uint8_t* at, std::uint16_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void putU32(std::uint8_t* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void putU64(std::uint8_t* at, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void appendU8(std::vector<std::uint8_t>& out, std::uint8_t v) { out.push_back(v); }

inline void appendU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void appendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace wormpair::xls
