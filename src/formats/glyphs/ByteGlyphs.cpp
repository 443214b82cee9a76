#include "formats/glyphs/ByteGlyphs.h"

namespace eit {

std::optional<std::uint32_t> GlyphOfByte(std::uint8_t byte, std::uint32_t firstByte)
{
    if (byte < firstByte) return std::nullopt;
    return std::uint32_t{byte} - firstByte;
}

std::uint8_t ByteOfCell(std::size_t cell, std::uint32_t firstByte)
{
    return static_cast<std::uint8_t>(kFirstRebuiltGlyph + firstByte + cell);
}

bool IsRebuiltByte(std::uint8_t byte, std::uint32_t firstByte)
{
    const std::optional<std::uint32_t> glyph = GlyphOfByte(byte, firstByte);
    return glyph && *glyph >= kFirstRebuiltGlyph && *glyph < kRebuiltGlyphCount;
}

std::optional<GlyphRecord> GlyphForByte(const CifFont& font, std::uint8_t byte, std::uint32_t firstByte)
{
    const std::optional<std::uint32_t> glyph = GlyphOfByte(byte, firstByte);
    if (!glyph || *glyph >= font.GlyphCount() || *glyph >= font.RecordCount()) return std::nullopt;
    const GlyphRecord record = font.Record(*glyph);
    if (record.width == 0) return std::nullopt;
    return record;
}

}  // namespace eit
