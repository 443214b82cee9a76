#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/glyphs/Sheet.h"
#include "run/GroupCheck.h"
#include "run/RunContext.h"

namespace eit {

// CIF font layout, 32-bit little-endian words:
//   0   16 bytes  not interpreted
//   16  u32       glyphCount: the records drawn (224 after a rebuild)
//   20  u32       pixelDataSize: the size word of the pixel data block
//   24  16 bytes  not interpreted
//   40  u32       block word of the glyph table, not interpreted
//   44  u32       glyph table size, then GlyphRecords of 28 bytes
//   ..  u32 block word (10), u32 size, pixel data: the coded glyph rows
//   ..  u32 block word (10), u32 size, row table: RowEntries of 4 bytes
// Nothing after the row table is read or written.
inline constexpr std::size_t kFontFixedSize = 44;  // the header and the glyph table's block word
inline constexpr std::size_t kGlyphCountOffset = 16;
inline constexpr std::size_t kPixelDataSizeOffset = 20;
inline constexpr std::size_t kGlyphRecordSize = 28;
inline constexpr std::uint32_t kFontBlockWord = 10;

struct GlyphRecord {
    std::uint32_t mark = 0;  // 1 on every glyph the rebuild wrote
    std::uint32_t extra1 = 0;
    std::uint32_t top = 0;  // rows from the top of the line to the glyph's first row
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t firstRow = 0;  // the RowEntry of row 0; row r uses firstRow + r
    std::uint32_t extra2 = 0;
};

// A whole font in memory.
struct CifFont {
    std::vector<std::uint8_t> fixed;  // the first kFontFixedSize bytes
    std::vector<std::uint8_t> glyphTable;
    std::vector<std::uint8_t> pixelData;
    std::vector<std::uint8_t> rowTable;

    std::uint32_t GlyphCount() const;
    // Records that lie wholly inside the glyph table.
    std::size_t RecordCount() const { return glyphTable.size() / kGlyphRecordSize; }
    GlyphRecord Record(std::size_t index) const;  // index < RecordCount()
    void SetRecord(std::size_t index, const GlyphRecord& record);
};

// Reads a font, checking its header and block sizes against the file; a font
// shorter than they claim is refused with an error naming it.
CifFont ReadCifFont(File& font);

// Draws the font's glyphs into an 8-bit sheet, saves it as TargetDir + name
// with ".bmp", and logs its "#Target: " line.
inline constexpr std::string_view kSheetExtension = ".bmp";
void ConvertFontToBitmap(RunContext& ctx, const std::string& path);
// Rebuilds glyphs 160 to 223 of the font open as SourceStream from the first
// 64 cells of the sheet named on line `first`; returns `first`.
std::size_t ConvertBitmapToFont(RunContext& ctx, const std::string& path, std::size_t first);
// ConvertBitmapToFont's reading and rebuilding without the write.
std::size_t CheckBitmapToFont(RunContext& ctx, const std::string& path, std::size_t first, GroupCheck& check);

}  // namespace eit
