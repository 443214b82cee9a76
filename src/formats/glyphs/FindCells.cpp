#include "formats/glyphs/FindCells.h"

#include <algorithm>
#include <array>

namespace eit {

std::vector<GlyphCell> FindCells(const IndexedImage& sheet, std::size_t limit)
{
    std::array<bool, 256> black{};
    for (std::size_t i = 0; i < black.size(); ++i) black[i] = sheet.Colours()[i] == Rgb{0, 0, 0};

    const std::int64_t width = sheet.Width(), height = sheet.Height();
    std::vector<GlyphCell> cells;
    for (std::int64_t y = 0; y < height && cells.size() < limit;) {
        GlyphCell cell{y, width, 0, height, 0, false};
        for (; y < height && !black[sheet.Pixel(0, static_cast<std::uint32_t>(y))]; ++y) {
            const std::uint8_t* row = sheet.Row(static_cast<std::uint32_t>(y));
            for (std::int64_t x = 1; x < width; ++x) {
                if (black[row[x]]) continue;
                cell.left = std::min(cell.left, x);
                cell.right = std::max(cell.right, x);
                cell.top = std::min(cell.top, y);
                cell.bottom = std::max(cell.bottom, y);
            }
        }
        cell.runsOffBottom = y == height;
        ++y;  // the black row that ended the cell
        cells.push_back(cell);
    }
    return cells;
}

}  // namespace eit
