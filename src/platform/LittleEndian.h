#pragma once
#include <cstdint>
#include <vector>

namespace eit {

// The largest value of the formats' 32-bit sizes and offsets.
inline constexpr std::uint64_t kLargestU32 = 0xFFFFFFFFu;

// Unsigned little-endian numbers in byte buffers.
inline std::uint32_t LoadU16(const std::uint8_t* p) { return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8; }
inline std::uint32_t LoadU32(const std::uint8_t* p) { return LoadU16(p) | LoadU16(p + 2) << 16; }

inline void StoreU32(std::uint8_t* p, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline void AppendU16(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void AppendU32(std::vector<std::uint8_t>& bytes, std::uint32_t value)
{
    AppendU16(bytes, value & 0xFFFF);
    AppendU16(bytes, value >> 16);
}

}  // namespace eit
