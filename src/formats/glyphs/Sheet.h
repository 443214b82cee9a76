#pragma once
#include <cstdint>

namespace eit {

// Sheets: glyph i is drawn into strip i of 64; the rebuild turns cell k into
// glyph 160 + k and always leaves 224 records.
inline constexpr std::uint32_t kSheetStrips = 64;
inline constexpr std::uint32_t kSheetExtraWidth = 30;
inline constexpr std::uint32_t kFirstRebuiltGlyph = 160;
inline constexpr std::uint32_t kRebuiltGlyphCount = 224;
inline constexpr std::uint32_t kBaselineGlyph = 65;

}  // namespace eit
