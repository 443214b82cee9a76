#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "jobs/TextsInFont.h"
#include "platform/IndexedImage.h"

namespace eit {

struct PreviewRequest : TextsInFont {  // the first of txtPaths is drawn
    std::string palettePath;  // an ACT palette; empty: the fixed one when there, else grey steps
    std::string entries;      // "0,3-5,1A": entry numbers as in the headers; empty: all
    std::uint32_t spacing = 1;
    std::optional<std::uint32_t> maxWidth;
    std::string outputPath;  // a PNG file; without PNG in the build, a BMP beside it
};

struct PreviewResult {
    IndexedImage image;
    std::string writtenPath;  // empty when not saved
    std::uint64_t lines = 0, overWide = 0;
};

// The texts drawn in the game's font and palette, one text line a row, with
// the box's width and the lines past it marked; saved to outputPath when it
// is given. A byte without a glyph is drawn as nothing and reported.
PreviewResult PreviewTexts(Reporter& report, const PreviewRequest& request);

}  // namespace eit
