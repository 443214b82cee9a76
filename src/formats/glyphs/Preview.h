#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/CifFont.h"
#include "platform/IndexedImage.h"

namespace eit {

// The colour that marks the box's right edge and the part of a line past it.
inline constexpr Rgb kOverflowColour{255, 0, 0};

struct PreviewLine {
    std::vector<std::uint8_t> bytes;
};

struct Preview {
    IndexedImage image;
    std::uint64_t lineHeight = 0;  // rows are lineHeight + 1 apart
    std::vector<std::uint64_t> widths;  // of each line
    std::uint64_t glyphsMissing = 0;  // bytes drawn as nothing
};

// Draws one line of bytes a row, in the font's glyphs and `colours`: a row
// starts lineHeight + 1 rows below the one before (lineHeight the largest top
// + height of the font's glyphs), a glyph's top-left pixel at x and row top +
// its top, x advancing by its width plus `spacing`. Index 0 is the
// background. With `maxWidth`, column maxWidth (where it is background) marks
// the box's edge, and a line wider than the box is underlined past the edge,
// on the row between it and the next; neither touches a glyph.
Preview RenderPreview(const CifFont& font, const std::string& fontPath, const std::vector<PreviewLine>& lines,
                      const ColourTable& colours, std::uint32_t firstByte, std::uint32_t spacing,
                      std::optional<std::uint32_t> maxWidth);

}  // namespace eit
