#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include "formats/CifFont.h"
#include "formats/glyphs/Sheet.h"

namespace eit {

// Which glyph of a font a byte of a text shows: byte b shows glyph b - F,
// where F is the font's first byte. The game's fonts start at the space, so
// glyph 0 is the space, glyph 16 the digit zero, and the glyphs a sheet
// rebuilds (160 to 223) are the bytes C0 to FF.
inline constexpr std::uint32_t kDefaultFirstByte = 32;
// The largest first byte that still gives every rebuilt glyph a byte.
inline constexpr std::uint32_t kMaxFirstByte = 255 - (kRebuiltGlyphCount - 1);

// The glyph that `byte` shows; nothing for a byte below the first.
std::optional<std::uint32_t> GlyphOfByte(std::uint8_t byte, std::uint32_t firstByte);
// The byte that shows cell `cell` of a sheet once rebuilt (glyph 160 + cell).
std::uint8_t ByteOfCell(std::size_t cell, std::uint32_t firstByte);
// Whether `byte` shows one of the glyphs a sheet rebuilds.
bool IsRebuiltByte(std::uint8_t byte, std::uint32_t firstByte);

// The record of the glyph `byte` shows, when the font has it: a record below
// glyphCount whose width is above 0 (a space has a width and no ink).
std::optional<GlyphRecord> GlyphForByte(const CifFont& font, std::uint8_t byte, std::uint32_t firstByte);

}  // namespace eit
