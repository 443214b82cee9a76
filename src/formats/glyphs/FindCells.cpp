#include "formats/glyphs/FindCells.h"

#include <algorithm>
#include <array>

#include "formats/glyphs/Sheet.h"
#include "platform/Error.h"
#include "platform/Words.h"

namespace eit {

int GuideIndex(const IndexedImage& sheet)
{
    const std::uint8_t guide = sheet.NearestIndex(kGuideColour);
    return guide == sheet.NearestIndex(kMarkerColour) ? -1 : guide;
}

std::vector<GlyphCell> FindCells(const IndexedImage& sheet, std::size_t limit)
{
    std::array<bool, 256> black{};
    for (std::size_t i = 0; i < black.size(); ++i) black[i] = sheet.Colours()[i] == kSheetBlack;
    const int guide = GuideIndex(sheet);

    const std::int64_t width = sheet.Width(), height = sheet.Height();
    std::vector<GlyphCell> cells;
    for (std::int64_t y = 0; y < height && cells.size() < limit;) {
        GlyphCell cell{y, width, 0, height, 0, false};
        for (; y < height && !black[sheet.Pixel(0, static_cast<std::uint32_t>(y))]; ++y) {
            const std::uint8_t* row = sheet.Row(static_cast<std::uint32_t>(y));
            if (!cell.HasGuide() && row[0] == guide) cell.guideRow = y;
            for (std::int64_t x = 1; x < width; ++x) {
                if (black[row[x]]) continue;
                cell.left = std::min(cell.left, x);
                cell.right = std::max(cell.right, x);
                cell.top = std::min(cell.top, y);
                cell.bottom = std::max(cell.bottom, y);
            }
        }
        cell.runsOffBottom = y == height;
        cell.endRow = y;
        ++y;  // the black row that ended the cell
        cells.push_back(cell);
    }
    return cells;
}

std::vector<GlyphCell> SheetCells(const IndexedImage& sheet, const std::string& refusal)
{
    std::vector<GlyphCell> cells = FindCells(sheet, kSheetStrips);
    if (cells.size() < kSheetStrips) {
        throw ToolError(refusal + "the sheet has " + Counted(cells.size(), "cell", "cells") + ", fewer than the " + std::to_string(kSheetStrips) +
                        " that glyphs 160 to 223 need (each strip must end in a row that is black in column 0)");
    }
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (cells[k].runsOffBottom) {
            throw ToolError(refusal + "cell " + std::to_string(k) + " (glyph " + std::to_string(kFirstRebuiltGlyph + k) +
                            ") runs off the bottom edge: column 0 must be black on the row below each strip");
        }
    }
    return cells;
}

bool HoldsWholeGuide(const IndexedImage& sheet, const GlyphCell& cell)
{
    if (!cell.HasGuide()) return false;
    const std::uint8_t* row = sheet.Row(static_cast<std::uint32_t>(cell.guideRow));
    return std::all_of(row, row + sheet.Width(), [guide = row[0]](std::uint8_t index) { return index == guide; });
}

}  // namespace eit
