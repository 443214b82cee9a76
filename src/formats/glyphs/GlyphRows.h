#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace eit {

// A glyph row is coded as bytes at the data start + its offset:
//   0         end of the row; every pixel not yet written stays empty (index 0)
//   1..127    a literal run: that many pixel bytes follow
//   128..255  a skip: (code - 128) pixels stay empty
// Decoding starts at pixel `lead`. A RowEntry (u32) holds the offset in bits
// 0 to 21 and the lead in bits 22 to 31.
inline constexpr std::uint8_t kEndOfRow = 0;
inline constexpr std::uint32_t kMaxRunLength = 127;
inline constexpr std::uint32_t kSkipCode = 128;
inline constexpr std::uint32_t kLeadShift = 22;
inline constexpr std::uint32_t kMaxRowOffset = (1u << kLeadShift) - 1;  // 4,194,303
inline constexpr std::uint32_t kMaxLead = 1023;
inline constexpr std::uint32_t kRowEntrySize = 4;

inline std::uint32_t RowOffset(std::uint32_t entry) { return entry & kMaxRowOffset; }
inline std::uint32_t RowLead(std::uint32_t entry) { return entry >> kLeadShift; }
inline std::uint32_t MakeRowEntry(std::uint32_t offset, std::uint32_t lead) { return offset | (lead << kLeadShift); }

// A glyph whose coded rows cannot be decoded or encoded; the text says which
// row and what is wrong, the caller adds the font and the glyph.
class GlyphFault : public std::runtime_error {
public:
    explicit GlyphFault(const std::string& text) : std::runtime_error(text) {}
};

}  // namespace eit
