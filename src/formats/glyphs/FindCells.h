#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/IndexedImage.h"

namespace eit {

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

    bool HasInk() const { return left <= right && top <= bottom; }
};

// The sheet's cells from the top, at most `limit` of them: each ends at the
// first row whose column 0 is black, and that row belongs to no cell. (Every
// black row after another ends an empty cell, so a sheet can have as many
// cells as rows: the limit keeps the list to what the caller needs.)
std::vector<GlyphCell> FindCells(const IndexedImage& sheet, std::size_t limit = SIZE_MAX);

}  // namespace eit
