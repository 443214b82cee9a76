#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/IndexedImage.h"

namespace eit {

// The colours of a sheet's frame: the background, the marker down column 0
// of each strip, and the baseline guide across it. A sheet uses the entries
// of its colour table nearest to them.
inline constexpr Rgb kSheetBlack{0, 0, 0};
inline constexpr Rgb kMarkerColour{255, 255, 255};
inline constexpr Rgb kGuideColour{192, 192, 192};

// One cell of a font sheet: the rows from `stripTop` on while column 0 is
// not black, and the extents of their ink (any pixel not exactly black, in
// columns 1 and up). Without ink, left > right and top > bottom.
struct GlyphCell {
    std::int64_t stripTop = 0;
    std::int64_t left = 0;
    std::int64_t right = 0;
    std::int64_t top = 0;
    std::int64_t bottom = 0;
    // The cell ran into the sheet's bottom edge instead of a black row.
    bool runsOffBottom = false;
    // The row after its last: the black row that ended it, or the sheet's height.
    std::int64_t endRow = 0;
    // Its first row whose column 0 holds the baseline guide's entry (the one
    // nearest silver, when that is not also the marker's); -1 when none does.
    std::int64_t guideRow = -1;

    bool HasInk() const { return left <= right && top <= bottom; }
    bool HasGuide() const { return guideRow >= 0; }
};

// The sheet's cells from the top, at most `limit` of them: each ends at the
// first row whose column 0 is black, and that row belongs to no cell. (Every
// black row after another ends an empty cell, so a sheet can have as many
// cells as rows: the limit keeps the list to what the caller needs.)
std::vector<GlyphCell> FindCells(const IndexedImage& sheet, std::size_t limit = SIZE_MAX);

// The 64 cells that glyphs 160 to 223 are made from, each ended by a black
// row; otherwise a ToolError that starts with `refusal` and says what is wrong.
std::vector<GlyphCell> SheetCells(const IndexedImage& sheet, const std::string& refusal);

// The entry of the sheet's baseline guide, or -1 when the sheet cannot tell
// it from the marker.
int GuideIndex(const IndexedImage& sheet);

// Whether the cell's guide row still runs whole across the sheet, column 0
// to the last, in the guide's entry.
bool HoldsWholeGuide(const IndexedImage& sheet, const GlyphCell& cell);

}  // namespace eit
