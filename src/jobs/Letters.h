#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "formats/glyphs/DrawLetters.h"
#include "platform/CharTable.h"
#include "run/Reporter.h"

namespace eit {

// draw: new letters drawn from a TrueType or OpenType font into a font sheet.
struct DrawSettings {
    std::string sheetPath;
    std::string fontPath;
    // Which letter each byte stands for; never the bytes as they are.
    TextEncoding encoding;
    // Only these letters; all that the table gives the cells' bytes when none.
    std::optional<std::u32string> only;
    std::optional<std::uint32_t> size;  // see DrawRequest
    std::optional<std::uint8_t> ink;
    std::uint32_t firstByte = kDefaultFirstByte;  // byte b shows glyph b - firstByte
    DrawRequest::Style style = DrawRequest::Style::Game;
};
void DrawSheetLetters(Reporter& report, const DrawSettings& settings);

}  // namespace eit
