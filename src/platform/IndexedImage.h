#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace eit {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Rgb&) const = default;
};

using ColourTable = std::array<Rgb, 256>;

// An 8-bit image: one palette index per pixel, rows from the top, and a
// 256-entry colour table. Drawing is clipped to the image.
class IndexedImage {
public:
    // The most pixels an image may have: bounds every allocation that a size
    // read from a file or derived from a font could ask for.
    static constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 26;

    IndexedImage() = default;
    // All pixels index 0. The caller keeps width x height within kMaxPixels.
    IndexedImage(std::uint32_t width, std::uint32_t height, const ColourTable& colours);

    std::uint32_t Width() const { return width_; }
    std::uint32_t Height() const { return height_; }
    const ColourTable& Colours() const { return colours_; }

    // The entry nearest to `colour` by squared distance in red, green and
    // blue; the lowest index wins a tie, so an exact match always wins.
    std::uint8_t NearestIndex(Rgb colour) const;

    std::uint8_t Pixel(std::uint32_t x, std::uint32_t y) const { return pixels_[Offset(x, y)]; }
    Rgb ColourAt(std::uint32_t x, std::uint32_t y) const { return colours_[Pixel(x, y)]; }
    const std::uint8_t* Row(std::uint32_t y) const { return pixels_.data() + Offset(0, y); }
    std::uint8_t* Row(std::uint32_t y) { return pixels_.data() + Offset(0, y); }

    void SetPixel(std::uint64_t x, std::uint64_t y, std::uint8_t index);
    void Fill(std::uint64_t left, std::uint64_t top, std::uint64_t width, std::uint64_t height, std::uint8_t index);
    void HorizontalLine(std::uint64_t y, std::uint64_t fromX, std::uint64_t toX, std::uint8_t index);
    void VerticalLine(std::uint64_t x, std::uint64_t fromY, std::uint64_t toY, std::uint8_t index);
    // Copies every index of `source` (index 0 included) with its top-left
    // pixel at (left, top); the colour tables are not consulted.
    void Draw(const IndexedImage& source, std::uint64_t left, std::uint64_t top);
    // The same from raw rows of `width` x `height` indexes.
    void Draw(const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height, std::uint64_t left,
              std::uint64_t top);

private:
    std::size_t Offset(std::uint32_t x, std::uint32_t y) const { return std::size_t{y} * width_ + x; }

    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    ColourTable colours_{};
    std::vector<std::uint8_t> pixels_;
};

}  // namespace eit
