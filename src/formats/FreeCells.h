#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "formats/TextCoverage.h"

namespace eit {

// A letter given a byte of its own: its byte before (nothing when the code
// page had none) and the free byte it moves to.
struct MovedLetter {
    char32_t letter = 0;
    std::optional<std::uint8_t> from;
    std::uint8_t to = 0;
};

// Gives every letter the texts use that the font cannot show (no byte, or a
// byte whose glyph is absent outside the glyphs a sheet rebuilds) a byte of
// that rebuilt range that no text uses, lowest letter to lowest byte. Not
// enough free bytes: a ToolError saying how many are missing.
std::vector<MovedLetter> PlanFreeCells(const std::vector<UsedCharacter>& used, std::uint32_t firstByte);

// The lines of a table file (`given`, its bytes as they are; empty for none)
// with the moved letters added as "XX=c" lines; the given lines for those
// letters or bytes make way for them.
std::string FittedTable(const std::string& given, const std::vector<MovedLetter>& moved);

}  // namespace eit
