#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "formats/glyphs/GlyphRows.h"

namespace eit {

// Codes the `width` x `height` glyph image (palette indexes, rows from the
// top, 0 empty) row by row: appends each row's codes to `pixelData` and one
// 4-byte little-endian RowEntry per row to `rowTable`. Leading empty pixels
// go into the entry's lead (at most 1023, the rest become skips), trailing
// ones are not coded. Raises GlyphFault when a row would start past the
// 4,194,303 bytes that an entry's offset can reach.
void EncodeGlyph(std::span<const std::uint8_t> image, std::uint32_t width, std::uint32_t height,
                 std::vector<std::uint8_t>& pixelData, std::vector<std::uint8_t>& rowTable);

}  // namespace eit
