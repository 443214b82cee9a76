#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/CharTable.h"
#include "formats/CifFont.h"
#include "platform/LineList.h"

namespace eit {

// The widths of a font's glyphs by byte, and of lines of bytes: the sum of
// their glyphs' widths plus `spacing` between each two glyphs.
class GlyphWidths {
public:
    GlyphWidths(const CifFont& font, std::uint32_t firstByte, std::uint32_t spacing);

    struct Measure {
        std::uint64_t sum = 0;    // the glyphs' widths
        std::uint64_t count = 0;  // the glyphs
        std::optional<std::size_t> noGlyphAt;  // the first byte without a glyph
    };
    Measure Of(std::span<const std::uint8_t> bytes) const;
    // A line's width from its measure.
    std::uint64_t Width(const Measure& m) const { return m.sum + (m.count > 1 ? (m.count - 1) * spacing_ : 0); }

private:
    std::array<std::optional<std::uint32_t>, 256> widths_{};
    std::uint32_t spacing_;
};

// One line of a text in a .txt, as insertion reads it (trailing spaces cut).
struct TextLine {
    std::uint32_t entry = 0;
    std::size_t lineInText = 0;  // 0 for the text's first line
    std::size_t fileLine = 0;    // index in the .txt's lines
    std::string_view text;
};
// Calls `each` for every line of every text of the .txt's lines (byte order
// mark taken off, trailing spaces cut), then `end`, when given, after each
// text with its entry and number of lines.
void ForEachTextLine(const LineList& lines, const std::function<void(const TextLine&)>& each,
                     const std::function<void(std::uint32_t entry, std::size_t lines)>& end = {});

// A line of a .txt as the bytes insertion writes (through the table when
// there is one); a ToolError naming `where` and the column when it cannot.
std::vector<std::uint8_t> LineBytes(std::string_view line, const CharTable* table, const std::string& where);

// Breaks a line between words (at spaces, which the break takes) so that
// each piece is at most `maxWidth` wide where the words allow; a line that
// fits comes back whole. `tooWide` hears every word wider than the box.
std::vector<std::string> WrapLine(std::string_view line, const GlyphWidths& widths, std::uint64_t maxWidth,
                                  const CharTable* table, const std::string& where,
                                  const std::function<void(std::string_view word, std::uint64_t width)>& tooWide);

}  // namespace eit
