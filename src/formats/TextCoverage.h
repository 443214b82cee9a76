#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/CharTable.h"
#include "formats/CifFont.h"

namespace eit {

// A character that texts use, or a byte they give as "<$XX>" (without a
// table: a byte of the texts as they are), and how often.
struct UsedCharacter {
    std::optional<char32_t> character;
    std::optional<std::uint8_t> byte;  // nothing: the character has no byte in the table
    std::uint64_t count = 0;
    bool missing = false;  // the font has no glyph for the byte
};

// Every character the texts of the .txt files use, as insertion reads them
// (the lines from a header line to its end marker, spaces at line ends cut),
// by code point, the bytes without a character last. Without a table the
// texts are bytes, and a .txt saved as UTF-8 is refused. Byte b shows glyph
// b - firstByte of the font.
std::vector<UsedCharacter> UsedCharacters(const std::vector<std::string>& txtPaths, const CharTable* table,
                                          const CifFont& font, std::uint32_t firstByte);

}  // namespace eit
