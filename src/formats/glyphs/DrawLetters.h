#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/CharTable.h"
#include "formats/glyphs/Sheet.h"
#include "run/Reporter.h"

namespace eit {

// The letter to draw for each byte from 160 to 223 (at byte - 160, the byte's
// cell), nothing where the cell is to stay as it is.
using SheetLetters = std::array<std::optional<char32_t>, kSheetStrips>;

struct DrawRequest {
    std::string sheetPath;
    std::string fontPath;  // a TrueType or OpenType font
    SheetLetters letters;
    // In pixels; by default the smallest at which the digit 0 is as tall as
    // the ink of cell 48, the game's own digit zero.
    std::optional<std::uint32_t> size;
    // By default the entry that the sheet's glyphs use most.
    std::optional<std::uint8_t> ink;
};

inline constexpr std::uint32_t kMaxLetterSize = 2048;

// The letters that the table gives bytes 160 to 223; with `only`, just those
// of them, and a character of `only` that none of those bytes stands for is
// refused by name.
SheetLetters LettersFromTable(const CharTable& table, const std::optional<std::u32string>& only);

// Renders each letter of the request with FreeType as a hinted monochrome
// bitmap and draws it into its cell: columns 1 and up of the cell cleared to
// black, the bitmap's left column at column 1, its baseline on the strip's
// guide row (without a guide, on the row below the ink of cell 48), its set
// pixels in the ink. A letter missing from the font or reaching out of its
// cell refuses the whole request with nothing changed; a letter without ink
// (a space) leaves its cell as it is. The sheet is saved aside and swapped in
// whole; each letter is reported.
void DrawLetters(Reporter& report, const DrawRequest& request);

}  // namespace eit
