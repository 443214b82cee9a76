#include "formats/glyphs/Palette.h"

namespace eit {

ColourTable MakePalette(std::span<const std::uint8_t, kActPaletteSize> act)
{
    ColourTable colours{};
    for (std::size_t i = 0; i < colours.size(); ++i) colours[i] = Rgb{act[3 * i], act[3 * i + 1], act[3 * i + 2]};
    return colours;
}

}  // namespace eit
