#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jobs/TextsInFont.h"

namespace eit {

struct FitRequest : TextsInFont {
    std::uint32_t maxWidth = 0;
    std::optional<std::uint32_t> maxLines;
    std::uint32_t spacing = 1;  // pixels between two glyphs
    bool wrap = false;          // rewrite the .txt files with lines broken between words
};

struct FitReport {
    // "PATH [0000001A] line 2: 187 px" per line wider than the box, "PATH
    // [0000001A]: 4 lines" per text with more lines than allowed.
    std::vector<std::string> findings;
    // What keeps a line from being measured or wrapped: a byte without a
    // glyph, a word wider than the box.
    std::vector<std::string> problems;
    std::vector<std::string> notes;  // files rewritten, earlier files kept
    std::string summary;
    bool Fits() const { return findings.empty() && problems.empty(); }
};

// The width check: the width of a line is the sum of its glyphs' widths plus
// `spacing` between each two. With `wrap`, lines too wide are first broken
// between words (each .txt rewritten as a whole, its earlier contents kept
// as NAME.~N~), and the report is of the texts as they are afterwards.
FitReport FitTexts(Reporter& report, const FitRequest& request);

}  // namespace eit
