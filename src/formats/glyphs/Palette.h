#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/IndexedImage.h"

namespace eit {

// An ACT palette: 256 entries of red, green and blue bytes; anything after
// the first 768 bytes is ignored.
inline constexpr std::size_t kActPaletteSize = 768;

ColourTable MakePalette(std::span<const std::uint8_t, kActPaletteSize> act);

}  // namespace eit
