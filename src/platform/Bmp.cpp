#include "platform/Bmp.h"

#include <algorithm>
#include <vector>

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/RewriteAside.h"
#include "platform/LittleEndian.h"

namespace eit {

namespace {
// File header: "BM", u32 file size, 4 reserved bytes, u32 offset of the pixels.
constexpr std::uint64_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;  // OS/2: u16 width, height, planes, bits
constexpr std::uint32_t kInfoHeaderSize = 40;  // Windows, and the longer ones that extend it
constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionRle8 = 1;
constexpr std::uint32_t kCompressionBitFields = 3;
constexpr std::uint32_t kCompressionAlphaBitFields = 6;

constexpr const char* kAdvice = "; save it as an 8-bit indexed (256-colour) BMP with the sheet's palette";

struct Layout {
    std::uint32_t headerSize = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool topDown = false;
    std::uint32_t compression = kCompressionNone;
    std::uint64_t tableOffset = 0;
    std::uint32_t entrySize = 4;  // blue, green, red and a spare byte; 3 in OS/2 files
    std::uint32_t colourCount = 256;
    std::uint64_t pixelOffset = 0;
    std::uint64_t Stride() const { return (std::uint64_t{width} + 3) / 4 * 4; }
};

ToolError Refused(const std::string& path, const std::string& what)
{
    return ToolError("Cannot load bitmap " + path + ": " + what);
}

std::int64_t I32(const std::uint8_t* p) { return static_cast<std::int32_t>(LoadU32(p)); }

bool IsKnownHeaderSize(std::uint32_t size)
{
    return size == kCoreHeaderSize || size == kInfoHeaderSize || size == 52 || size == 56 || size == 108 || size == 124;
}

Layout ReadLayout(File& file, std::uint64_t fileSize)
{
    const std::string& path = file.Path();
    if (fileSize < kFileHeaderSize + 4) throw Refused(path, "the file is too short for a BMP header");
    std::uint8_t head[kFileHeaderSize + 124] = {};
    file.Read(head, static_cast<std::size_t>(std::min<std::uint64_t>(sizeof head, fileSize)));
    if (head[0] != 'B' || head[1] != 'M') throw Refused(path, "it is not a BMP file");
    Layout layout;
    layout.pixelOffset = LoadU32(head + 10);
    layout.headerSize = LoadU32(head + 14);
    if (!IsKnownHeaderSize(layout.headerSize)) {
        throw Refused(path, "its header of " + std::to_string(layout.headerSize) + " bytes is of no known BMP kind" +
                                kAdvice);
    }
    if (fileSize < kFileHeaderSize + layout.headerSize) throw Refused(path, "the file ends inside its header");
    layout.tableOffset = kFileHeaderSize + layout.headerSize;
    const std::uint8_t* info = head + kFileHeaderSize;
    std::int64_t width, height;
    std::uint32_t bits;
    if (layout.headerSize == kCoreHeaderSize) {
        width = LoadU16(info + 4);
        height = LoadU16(info + 6);
        bits = LoadU16(info + 10);
        layout.entrySize = 3;
    } else {
        width = I32(info + 4);
        height = I32(info + 8);
        bits = LoadU16(info + 14);
        layout.compression = LoadU32(info + 16);
        std::uint32_t used = LoadU32(info + 32);
        if (used > 256) throw Refused(path, "its colour table claims " + std::to_string(used) + " entries, over 256");
        if (used != 0) layout.colourCount = used;
    }
    if (bits != 8) throw Refused(path, "it has " + std::to_string(bits) + " bits per pixel" + kAdvice);
    if (layout.compression == kCompressionBitFields || layout.compression == kCompressionAlphaBitFields) {
        throw Refused(path, "its pixels are stored as bit fields" + std::string(kAdvice));
    }
    if (layout.compression != kCompressionNone && layout.compression != kCompressionRle8) {
        throw Refused(path, "its compression " + std::to_string(layout.compression) + " is not RLE8" + kAdvice);
    }
    layout.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (width <= 0 || height == 0 || static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) >
                                         IndexedImage::kMaxPixels) {
        throw Refused(path, "its size " + std::to_string(width) + " x " + std::to_string(height) +
                                " pixels is empty or larger than this tool handles (" +
                                std::to_string(IndexedImage::kMaxPixels) + " pixels)");
    }
    layout.width = static_cast<std::uint32_t>(width);
    layout.height = static_cast<std::uint32_t>(height);
    if (layout.headerSize == kCoreHeaderSize && layout.pixelOffset >= layout.tableOffset) {
        // OS/2 files have no entry count: the table runs up to the pixels.
        layout.colourCount = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(256, (layout.pixelOffset - layout.tableOffset) / layout.entrySize));
    }
    return layout;
}

ColourTable ReadColours(File& file, const Layout& layout, std::uint64_t fileSize)
{
    std::uint64_t tableEnd = layout.tableOffset + std::uint64_t{layout.colourCount} * layout.entrySize;
    if (tableEnd > fileSize) throw Refused(file.Path(), "the file ends inside its colour table");
    if (layout.pixelOffset < tableEnd) {
        throw Refused(file.Path(), "its pixel data offset " + std::to_string(layout.pixelOffset) +
                                       " lies inside its header or colour table");
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(tableEnd - layout.tableOffset));
    file.Seek(layout.tableOffset);
    file.Read(bytes.data(), bytes.size());
    ColourTable colours{};
    for (std::size_t i = 0; i < layout.colourCount; ++i) {
        const std::uint8_t* entry = bytes.data() + i * layout.entrySize;
        colours[i] = Rgb{entry[2], entry[1], entry[0]};
    }
    return colours;
}

std::uint32_t ImageRow(const Layout& layout, std::uint64_t fileRow)
{
    return static_cast<std::uint32_t>(layout.topDown ? fileRow : layout.height - 1 - fileRow);
}

void ReadUncompressed(File& file, const Layout& layout, std::uint64_t fileSize, IndexedImage& image)
{
    // The last row may come without its padding: some writers leave it off.
    std::uint64_t needed = (layout.height - 1) * layout.Stride() + layout.width;
    if (layout.pixelOffset > fileSize || needed > fileSize - layout.pixelOffset) {
        throw Refused(file.Path(), "its pixel data needs " + std::to_string(needed) +
                                       " bytes, more than the file holds (truncated file?)");
    }
    std::vector<std::uint8_t> row(layout.width);
    for (std::uint64_t r = 0; r < layout.height; ++r) {
        file.Seek(layout.pixelOffset + r * layout.Stride());
        file.Read(row.data(), row.size());
        std::copy(row.begin(), row.end(), image.Row(ImageRow(layout, r)));
    }
}

// Decodes RLE8: pairs (count, index) are runs; (0, 0) ends a row, (0, 1) the
// bitmap, (0, 2, dx, dy) moves ahead, (0, n) is followed by n literal indexes
// padded to an even length. Pixels past the width or the last row are dropped.
void ReadRle8(File& file, const Layout& layout, std::uint64_t fileSize, IndexedImage& image)
{
    std::uint64_t available = layout.pixelOffset < fileSize ? fileSize - layout.pixelOffset : 0;
    std::uint64_t generous = 4 * (layout.Stride() + 2) * layout.height + 64;
    std::vector<std::uint8_t> data(static_cast<std::size_t>(std::min(available, generous)));
    file.Seek(layout.pixelOffset);
    file.Read(data.data(), data.size());

    std::uint64_t x = 0, row = 0;
    auto put = [&](std::uint8_t index) {
        if (x < layout.width && row < layout.height) image.Row(ImageRow(layout, row))[x] = index;
        ++x;
    };
    std::size_t at = 0;
    while (at + 2 <= data.size()) {
        std::uint8_t count = data[at], value = data[at + 1];
        at += 2;
        if (count != 0) {
            for (int k = 0; k < count; ++k) put(value);
        } else if (value == 0) {
            x = 0;
            ++row;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (at + 2 > data.size()) break;
            x += data[at];
            row += data[at + 1];
            at += 2;
        } else {
            if (at + value > data.size()) break;
            for (int k = 0; k < value; ++k) put(data[at + static_cast<std::size_t>(k)]);
            at += value + (value & 1u);
        }
    }
    if (row < layout.height) {
        throw Refused(file.Path(), "its compressed pixel data ends at row " + std::to_string(row) + " of " +
                                       std::to_string(layout.height) + " (truncated file?)");
    }
}

void CheckIndexes(const IndexedImage& image, std::uint32_t colourCount, const std::string& path)
{
    if (colourCount == 256) return;
    for (std::uint32_t y = 0; y < image.Height(); ++y) {
        const std::uint8_t* row = image.Row(y);
        for (std::uint32_t x = 0; x < image.Width(); ++x) {
            if (row[x] >= colourCount) {
                throw Refused(path, "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") has index " +
                                        std::to_string(row[x]) + ", beyond its colour table of " +
                                        std::to_string(colourCount) + " entries");
            }
        }
    }
}
}  // namespace

IndexedImage LoadBmp(const std::string& path)
{
    File file(path, OpenMode::ReadUnlocked);
    const std::uint64_t fileSize = file.Size();
    const Layout layout = ReadLayout(file, fileSize);
    IndexedImage image(layout.width, layout.height, ReadColours(file, layout, fileSize));
    if (layout.compression == kCompressionRle8) {
        ReadRle8(file, layout, fileSize, image);
    } else {
        ReadUncompressed(file, layout, fileSize, image);
    }
    CheckIndexes(image, layout.colourCount, path);
    return image;
}

void WriteBmp(const IndexedImage& image, File& out)
{
    const std::uint32_t stride = (image.Width() + 3) / 4 * 4;
    const std::uint32_t pixelOffset = static_cast<std::uint32_t>(kFileHeaderSize) + kInfoHeaderSize + 256 * 4;
    const std::uint32_t pixelBytes = stride * image.Height();
    std::vector<std::uint8_t> bytes{'B', 'M'};
    AppendU32(bytes, pixelOffset + pixelBytes);
    AppendU32(bytes, 0);
    AppendU32(bytes, pixelOffset);
    for (std::uint32_t field : {kInfoHeaderSize, image.Width(), image.Height()}) AppendU32(bytes, field);
    AppendU16(bytes, 1);  // planes
    AppendU16(bytes, 8);  // bits per pixel
    for (std::uint32_t field : {kCompressionNone, pixelBytes, 2835u, 2835u, 256u, 0u}) AppendU32(bytes, field);
    for (const Rgb& colour : image.Colours()) bytes.insert(bytes.end(), {colour.blue, colour.green, colour.red, 0});
    for (std::uint32_t r = image.Height(); r-- > 0;) {
        bytes.insert(bytes.end(), image.Row(r), image.Row(r) + image.Width());
        bytes.resize(bytes.size() + (stride - image.Width()), 0);
        if (bytes.size() >= File::kCopyPiece) {
            out.Write(bytes.data(), bytes.size());
            bytes.clear();
        }
    }
    out.Write(bytes.data(), bytes.size());
}

std::uint64_t SaveBmp(const IndexedImage& image, const std::string& path, const WholeFileOptions& options)
{
    std::uint64_t size = 0;
    CreateWholeFile(path, [&](File& out) {
        WriteBmp(image, out);
        size = out.Position();
    }, options);
    return size;
}

}  // namespace eit
