#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/glyphs/ByteGlyphs.h"
#include "platform/CharTable.h"
#include "run/Reporter.h"

namespace eit {

// What the commands over texts and a font share: the font, how its bytes
// map to glyphs (byte b shows glyph b - firstByte), the texts' encoding, and
// the .txt files.
struct TextsInFont {
    std::string fontPath;
    TextEncoding encoding;
    std::uint32_t firstByte = kDefaultFirstByte;
    std::vector<std::string> txtPaths;
};

}  // namespace eit
