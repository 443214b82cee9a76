#include "formats/glyphs/DecodeGlyph.h"

#include <algorithm>

#include "platform/IndexedImage.h"
#include "platform/LittleEndian.h"

namespace eit {

namespace {
std::uint32_t EntryAt(std::span<const std::uint8_t> rowTable, std::uint64_t index)
{
    return LoadU32(rowTable.data() + index * kRowEntrySize);
}

std::string RowLabel(std::uint32_t r) { return "row " + std::to_string(r) + ": "; }

void DecodeRow(std::span<const std::uint8_t> pixelData, std::uint32_t entry, std::uint32_t r, std::uint32_t width,
               std::uint8_t* row)
{
    std::uint64_t at = RowOffset(entry);
    std::uint64_t x = RowLead(entry);
    // Each code but the last fills or skips at least one pixel when written by
    // an encoder; more codes than that only make a row cost more than its width.
    const std::uint64_t maxCodes = 2 * std::uint64_t{width} + 2;
    for (std::uint64_t codes = 1;; ++codes) {
        if (codes > maxCodes) {
            throw GlyphFault(RowLabel(r) + "its codes go on past " + std::to_string(maxCodes) +
                             " bytes without ending the row (width " + std::to_string(width) + ")");
        }
        if (at >= pixelData.size()) {
            throw GlyphFault(RowLabel(r) + "its codes run past the end of the pixel data (" +
                             std::to_string(pixelData.size()) + " bytes)");
        }
        std::uint32_t code = pixelData[at++];
        if (code == kEndOfRow) return;
        if (code >= kSkipCode) {
            x += code - kSkipCode;
            continue;
        }
        if (x + code > width) {
            throw GlyphFault(RowLabel(r) + "a literal run of " + std::to_string(code) + " pixels at column " +
                             std::to_string(x) + " passes the end of the row (width " + std::to_string(width) + ")");
        }
        if (at + code > pixelData.size()) {
            throw GlyphFault(RowLabel(r) + "a literal run reaches past the end of the pixel data (" +
                             std::to_string(pixelData.size()) + " bytes)");
        }
        std::copy_n(pixelData.data() + at, code, row + x);
        at += code;
        x += code;
    }
}
}  // namespace

std::vector<std::uint8_t> DecodeGlyph(std::span<const std::uint8_t> pixelData, std::span<const std::uint8_t> rowTable,
                                      std::uint32_t firstRow, std::uint32_t width, std::uint32_t height)
{
    std::uint64_t entries = rowTable.size() / kRowEntrySize;
    if (height != 0 && std::uint64_t{firstRow} + height > entries) {
        const std::uint64_t lastRow = std::uint64_t{firstRow} + height - 1;
        throw GlyphFault("its rows " + std::to_string(firstRow) + " to " + std::to_string(lastRow) +
                         " lie past the end of the row table (" + std::to_string(entries) + " entries)");
    }
    if (std::uint64_t{width} * height > IndexedImage::kMaxPixels) {
        throw GlyphFault("its size " + std::to_string(width) + " x " + std::to_string(height) + " pixels is too large");
    }
    std::vector<std::uint8_t> image(std::size_t{width} * height, 0);
    for (std::uint32_t r = 0; r < height; ++r) {
        DecodeRow(pixelData, EntryAt(rowTable, std::uint64_t{firstRow} + r), r, width, image.data() + std::size_t{r} * width);
    }
    return image;
}

}  // namespace eit
