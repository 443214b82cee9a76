#include "formats/glyphs/Preview.h"

#include <algorithm>

#include "formats/TextFit.h"
#include "formats/glyphs/ByteGlyphs.h"
#include "formats/glyphs/DecodeGlyph.h"
#include "platform/Error.h"

namespace eit {

namespace {
// Room right of the longest line or the box, for the edge's mark.
constexpr std::uint64_t kMargin = 4;

std::uint64_t LineHeight(const CifFont& font)
{
    std::uint64_t height = 0;
    const std::size_t count = std::min<std::size_t>(font.GlyphCount(), font.RecordCount());
    for (std::size_t i = 0; i < count; ++i) {
        const GlyphRecord r = font.Record(i);
        height = std::max(height, std::uint64_t{r.top} + r.height);
    }
    return height;
}
}  // namespace

Preview RenderPreview(const CifFont& font, const std::string& fontPath, const std::vector<PreviewLine>& lines,
                      const ColourTable& colours, std::uint32_t firstByte, std::uint32_t spacing,
                      std::optional<std::uint32_t> maxWidth)
{
    Preview preview;
    preview.lineHeight = LineHeight(font);
    const std::uint64_t pitch = preview.lineHeight + 1;
    std::uint64_t widest = maxWidth.value_or(0);
    const GlyphWidths glyphWidths(font, firstByte, spacing);
    for (const PreviewLine& line : lines) {
        const std::uint64_t x = glyphWidths.Width(glyphWidths.Of(line.bytes));
        preview.widths.push_back(x);
        widest = std::max(widest, x);
    }
    const std::uint64_t width = widest + kMargin, height = std::max<std::uint64_t>(1, lines.size() * pitch);
    if (width * height > IndexedImage::kMaxPixels || width > UINT32_MAX || height > UINT32_MAX) {
        throw ToolError("The preview of " + std::to_string(lines.size()) + " lines, " + std::to_string(widest) +
                        " px wide, would be larger than " + std::to_string(IndexedImage::kMaxPixels) + " pixels: choose fewer entries");
    }
    preview.image = IndexedImage(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), colours);
    IndexedImage& image = preview.image;

    for (std::size_t row = 0; row < lines.size(); ++row) {
        const std::uint64_t top = row * pitch;
        std::uint64_t x = 0;
        bool first = true;
        for (const std::uint8_t byte : lines[row].bytes) {
            const std::optional<GlyphRecord> glyph = GlyphForByte(font, byte, firstByte);
            if (!glyph) {
                ++preview.glyphsMissing;
                continue;
            }
            if (!first) x += spacing;
            first = false;
            try {
                const std::vector<std::uint8_t> pixels =
                    DecodeGlyph(font.pixelData, font.rowTable, glyph->firstRow, glyph->width, glyph->height);
                for (std::uint32_t y = 0; y < glyph->height; ++y) {
                    for (std::uint32_t gx = 0; gx < glyph->width; ++gx) {
                        const std::uint8_t index = pixels[std::size_t{y} * glyph->width + gx];
                        if (index != 0) image.SetPixel(x + gx, top + glyph->top + y, index);
                    }
                }
            } catch (const GlyphFault& fault) {
                throw ToolError("Damaged CIF font " + fontPath + ": the glyph of byte " + std::to_string(byte) + ": " + fault.what());
            }
            x += glyph->width;
        }
    }
    if (maxWidth) {
        const std::uint8_t mark = image.NearestIndex(kOverflowColour);
        for (std::uint32_t y = 0; y < image.Height(); ++y) {
            if (image.Pixel(*maxWidth, y) == 0) image.SetPixel(*maxWidth, y, mark);
        }
        for (std::size_t row = 0; row < lines.size(); ++row) {
            if (preview.widths[row] > *maxWidth) {
                image.HorizontalLine(row * pitch + preview.lineHeight, *maxWidth, preview.widths[row] - 1, mark);
            }
        }
    }
    return preview;
}

}  // namespace eit
