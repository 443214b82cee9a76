#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "formats/glyphs/ByteGlyphs.h"
#include "formats/glyphs/Sheet.h"
#include "platform/CharTable.h"
#include "run/Reporter.h"

namespace eit {

// The letter to draw into each cell of a sheet (cell k becomes glyph 160 + k,
// which byte 160 + k + the font's first byte shows), nothing where the cell
// is to stay as it is.
using SheetLetters = std::array<std::optional<char32_t>, kSheetStrips>;

struct DrawRequest {
    std::string sheetPath;
    std::string fontPath;  // a TrueType or OpenType font
    SheetLetters letters;
    // In pixels; by default the smallest at which the digit 0 is as tall as
    // the ink of the game's own digit zero (the cell of glyph 48 - firstByte).
    std::optional<std::uint32_t> size;
    // By default the entry that the sheet's glyphs use most.
    std::optional<std::uint8_t> ink;
    std::uint32_t firstByte = kDefaultFirstByte;
    // Game: the stroke weight and the shading of the sheet's glyphs; plain:
    // FreeType's bitmap in the ink alone.
    enum class Style { Game, Plain } style = Style::Game;
};

inline constexpr std::uint32_t kMaxLetterSize = 2048;

// The letters that the table gives the bytes of the cells; with `only`, just
// those of them, and a character of `only` that none of those bytes stands
// for is refused by name.
SheetLetters LettersFromTable(const CharTable& table, const std::optional<std::u32string>& only, std::uint32_t firstByte);

// Renders each letter of the request with FreeType as a hinted monochrome
// bitmap, in the game's style unless plain, and draws it into its cell:
// columns 1 and up of the cell cleared to black, the bitmap's left column at
// column 1, its baseline on the strip's guide row (without a guide, on the
// row below the game's digit zero), its pixels in the ink (and the shading's
// entry). A letter missing from the font or reaching out of its cell refuses
// the whole request with nothing changed; a letter without ink (a space)
// leaves its cell as it is. The sheet is rewritten as the replay rewrites its
// sources (built aside and swapped in whole, a link kept a link), its earlier
// contents kept as NAME.~N~; each letter is reported.
void DrawLetters(Reporter& report, const DrawRequest& request);

}  // namespace eit
