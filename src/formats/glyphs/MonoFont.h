#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace eit {

// One letter as FreeType renders it: a hinted monochrome bitmap and its
// place against the baseline.
struct MonoLetter {
    std::uint32_t width = 0;
    std::uint32_t rows = 0;
    std::int64_t top = 0;            // rows from the baseline up to its first row
    std::vector<std::uint8_t> bits;  // width x rows, top row first; 1 where set

    bool IsSet(std::uint32_t x, std::uint32_t y) const { return bits[std::size_t{y} * width + x] != 0; }
    // The extents of its set pixels; without any, first > last.
    struct Ink {
        std::int64_t firstRow = 0, lastRow = -1, firstColumn = 0, lastColumn = -1;
        bool Any() const { return firstRow <= lastRow; }
        std::int64_t Height() const { return lastRow - firstRow + 1; }
    };
    Ink InkExtents() const;
};

// The extents of the nonzero cells of a grid of width x rows, top row first.
MonoLetter::Ink InkExtents(std::uint32_t width, std::uint32_t rows, const std::vector<std::uint8_t>& cells);

// A TrueType or OpenType font file read whole and opened with FreeType, its
// letters looked up by Unicode code point.
class MonoFont {
public:
    // Refuses a file that FreeType cannot read or that has no Unicode map.
    explicit MonoFont(const std::string& path);
    ~MonoFont();
    MonoFont(const MonoFont&) = delete;
    MonoFont& operator=(const MonoFont&) = delete;

    const std::string& Path() const { return path_; }
    bool Has(char32_t letter) const;
    // FT_Set_Pixel_Sizes(face, 0, pixels).
    void SetSize(std::uint32_t pixels);
    // The letter, which Has(), rendered FT_LOAD_RENDER | FT_LOAD_TARGET_MONO.
    MonoLetter Render(char32_t letter) const;

private:
    struct Face;
    std::string path_;
    std::unique_ptr<Face> face_;
};

}  // namespace eit
