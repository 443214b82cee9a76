#include "formats/glyphs/EncodeGlyph.h"

#include <algorithm>

#include "platform/LittleEndian.h"

namespace eit {

namespace {
void PutSkips(std::uint32_t pending, std::vector<std::uint8_t>& pixelData)
{
    while (pending != 0) {
        std::uint32_t n = std::min(pending, kMaxRunLength);
        pixelData.push_back(static_cast<std::uint8_t>(kSkipCode + n));
        pending -= n;
    }
}

void PutLiterals(const std::uint8_t* run, std::uint32_t length, std::vector<std::uint8_t>& pixelData)
{
    while (length != 0) {
        std::uint32_t n = std::min(length, kMaxRunLength);
        pixelData.push_back(static_cast<std::uint8_t>(n));
        pixelData.insert(pixelData.end(), run, run + n);
        run += n;
        length -= n;
    }
}

// Codes one row and returns its lead.
std::uint32_t EncodeRow(const std::uint8_t* row, std::uint32_t width, std::vector<std::uint8_t>& pixelData)
{
    std::uint32_t lead = 0, pending = 0;
    bool runCoded = false;
    for (std::uint32_t x = 0; x < width;) {
        if (row[x] == 0) {
            ++pending;
            ++x;
            continue;
        }
        std::uint32_t end = x;
        while (end < width && row[end] != 0) ++end;
        if (!runCoded) {
            lead = std::min(pending, kMaxLead);
            pending -= lead;
        }
        PutSkips(pending, pixelData);
        pending = 0;
        PutLiterals(row + x, end - x, pixelData);
        runCoded = true;
        x = end;
    }
    pixelData.push_back(kEndOfRow);
    return lead;
}
}  // namespace

void EncodeGlyph(std::span<const std::uint8_t> image, std::uint32_t width, std::uint32_t height,
                 std::vector<std::uint8_t>& pixelData, std::vector<std::uint8_t>& rowTable)
{
    for (std::uint32_t r = 0; r < height; ++r) {
        std::size_t offset = pixelData.size();
        if (offset > kMaxRowOffset) {
            throw GlyphFault("row " + std::to_string(r) + " would start at byte " + std::to_string(offset) +
                             " of the pixel data, past the " + std::to_string(kMaxRowOffset) + " that a row entry can reach");
        }
        std::uint32_t lead = EncodeRow(image.data() + std::size_t{r} * width, width, pixelData);
        AppendU32(rowTable, MakeRowEntry(static_cast<std::uint32_t>(offset), lead));
    }
}

}  // namespace eit
