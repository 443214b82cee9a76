// DecodeGlyph over fuzzed blocks and record words: it refuses or gives
// width x height pixels, and what it gives codes and decodes to itself.
#include <fuzzer/FuzzedDataProvider.h>

#include "Sandbox.h"
#include "formats/glyphs/DecodeGlyph.h"
#include "formats/glyphs/EncodeGlyph.h"
#include "platform/IndexedImage.h"

using namespace eit;
using namespace eit::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::uint32_t firstRow = input.ConsumeIntegral<std::uint32_t>();
    const std::uint32_t width = input.ConsumeIntegral<std::uint32_t>();
    const std::uint32_t height = input.ConsumeIntegral<std::uint32_t>();
    const std::vector<std::uint8_t> rowTable = input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegral<std::uint16_t>());
    const std::vector<std::uint8_t> pixelData = input.ConsumeRemainingBytes<std::uint8_t>();
    // Glyphs between a million pixels and the refused sizes only cost time.
    const std::uint64_t pixels = std::uint64_t{width} * height;
    if (pixels > (1u << 20) && pixels <= IndexedImage::kMaxPixels) return 0;
    std::vector<std::uint8_t> image;
    try {
        image = DecodeGlyph(pixelData, rowTable, firstRow, width, height);
    } catch (const GlyphFault&) {
        return 0;
    }
    Require(image.size() == std::uint64_t{width} * height, "the glyph has a wrong number of pixels");
    std::vector<std::uint8_t> codes, rows;
    EncodeGlyph(image, width, height, codes, rows);
    Require(DecodeGlyph(codes, rows, 0, width, height) == image, "the glyph does not code and decode to itself");
    return 0;
}
