#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "formats/glyphs/GlyphRows.h"

namespace eit {

// Decodes one glyph into `width` x `height` palette indexes, rows from the
// top, 0 where nothing is coded. `pixelData` is the font's pixel data block
// (row offsets count from its first byte), `rowTable` its row table block of
// 4-byte little-endian entries; glyph row r uses entry `firstRow` + r.
// Raises GlyphFault when a row entry, a row's codes or a literal run lies
// outside its block or its row, or when a row takes more than 2 x width + 2
// codes (no encoder writes that many), so a row costs no more than its width.
std::vector<std::uint8_t> DecodeGlyph(std::span<const std::uint8_t> pixelData, std::span<const std::uint8_t> rowTable,
                                      std::uint32_t firstRow, std::uint32_t width, std::uint32_t height);

}  // namespace eit
