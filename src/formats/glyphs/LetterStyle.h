#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace eit {

// A letter as a mask of palette roles: 0 empty, kStrokePixel its ink,
// kShadePixel its shading; `top` rows from the baseline up to its first row.
struct LetterMask {
    static constexpr std::uint8_t kStrokePixel = 1;
    static constexpr std::uint8_t kShadePixel = 2;
    std::uint32_t width = 0;
    std::uint32_t rows = 0;
    std::int64_t top = 0;
    std::vector<std::uint8_t> pixels;  // width x rows, top row first

    std::uint8_t At(std::int64_t x, std::int64_t y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= rows) return 0;
        return pixels[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)];
    }
};

// How the game's glyphs look: the weight of their strokes and, where they
// carry a second palette entry on one edge (a shadow or an outline), that
// entry and the edge as the step from a stroke pixel to its shade pixel.
struct GlyphStyle {
    std::uint32_t stroke = 1;
    std::optional<std::uint8_t> shade;
    int dx = 0, dy = 0;
};

// The weight of the strokes among pixels for which `isStroke` holds in a
// w x h area: the median over them of the shorter of the horizontal and the
// vertical run through each (1 for a one-pixel line, 2 for a bold stem).
std::uint32_t StrokeWeight(std::uint32_t width, std::uint32_t height, const std::function<bool(std::int64_t, std::int64_t)>& isStroke);

// One glyph of the sheet for the measurement: its pixels' palette entries in
// a w x h area, 0 for anything that is not glyph ink.
struct GlyphPixels {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> indexes;
    std::uint8_t At(std::int64_t x, std::int64_t y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height) return 0;
        return indexes[static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)];
    }
};

// The style of glyphs drawn in `ink`: the stroke weight of their ink, and
// the entry and edge of a shading when one entry lies on the same side of
// the ink on most of them.
GlyphStyle MeasureStyle(const std::vector<GlyphPixels>& glyphs, std::uint8_t ink);

// The letter in the style: its strokes thickened to the style's weight (to
// the right and up, so it keeps its baseline) when they are thinner, and the shading put on its
// edge. The mask grows to hold both; `top` follows.
LetterMask Styled(const LetterMask& letter, const GlyphStyle& style);

}  // namespace eit
