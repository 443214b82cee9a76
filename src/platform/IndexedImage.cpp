#include "platform/IndexedImage.h"

#include <algorithm>
#include <cstring>

namespace eit {

IndexedImage::IndexedImage(std::uint32_t width, std::uint32_t height, const ColourTable& colours)
    : width_(width), height_(height), colours_(colours), pixels_(std::size_t{width} * height, 0)
{
}

std::uint8_t IndexedImage::NearestIndex(Rgb colour) const
{
    auto distance = [&](const Rgb& entry) {
        int r = entry.red - colour.red, g = entry.green - colour.green, b = entry.blue - colour.blue;
        return r * r + g * g + b * b;
    };
    std::size_t best = 0;
    for (std::size_t i = 1; i < colours_.size(); ++i) {
        if (distance(colours_[i]) < distance(colours_[best])) best = i;
    }
    return static_cast<std::uint8_t>(best);
}

void IndexedImage::SetPixel(std::uint64_t x, std::uint64_t y, std::uint8_t index)
{
    if (x < width_ && y < height_) pixels_[Offset(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y))] = index;
}

void IndexedImage::Fill(std::uint64_t left, std::uint64_t top, std::uint64_t width, std::uint64_t height,
                        std::uint8_t index)
{
    if (left >= width_ || top >= height_) return;
    std::uint64_t right = std::min<std::uint64_t>(width_, left + width);
    std::uint64_t bottom = std::min<std::uint64_t>(height_, top + height);
    for (std::uint64_t y = top; y < bottom; ++y) {
        std::uint8_t* row = Row(static_cast<std::uint32_t>(y));
        std::fill(row + left, row + right, index);
    }
}

void IndexedImage::HorizontalLine(std::uint64_t y, std::uint64_t fromX, std::uint64_t toX, std::uint8_t index)
{
    if (toX >= fromX) Fill(fromX, y, toX - fromX + 1, 1, index);
}

void IndexedImage::VerticalLine(std::uint64_t x, std::uint64_t fromY, std::uint64_t toY, std::uint8_t index)
{
    if (toY >= fromY) Fill(x, fromY, 1, toY - fromY + 1, index);
}

void IndexedImage::Draw(const IndexedImage& source, std::uint64_t left, std::uint64_t top)
{
    Draw(source.pixels_.data(), source.width_, source.height_, left, top);
}

void IndexedImage::Draw(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, std::uint64_t left,
                        std::uint64_t top)
{
    if (left >= width_ || top >= height_ || width == 0) return;
    std::size_t columns = static_cast<std::size_t>(std::min<std::uint64_t>(width, width_ - left));
    std::uint64_t rows = std::min<std::uint64_t>(height, height_ - top);
    for (std::uint64_t y = 0; y < rows; ++y) {
        std::memcpy(Row(static_cast<std::uint32_t>(top + y)) + left, pixels + y * width, columns);
    }
}

}  // namespace eit
