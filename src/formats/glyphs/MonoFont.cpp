#include "formats/glyphs/MonoFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Utf8.h"

namespace eit {

namespace {
// Font files run to a few megabytes, large collections to some tens.
constexpr std::uint64_t kMaxFontFileSize = std::uint64_t{256} << 20;

// FreeType's texts for its error codes, from its own header: the library
// keeps them only when built to, which common builds are not.
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) {e, s},
#define FT_ERROR_START_LIST {
#define FT_ERROR_END_LIST {0, nullptr}};
const struct {
    int code;
    const char* text;
} kFreeTypeErrors[] =
#include FT_ERRORS_H

// "unknown file format (FreeType error 0x02)"
std::string FreeTypeError(FT_Error error)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned>(error));
    for (const auto& known : kFreeTypeErrors) {
        if (known.text != nullptr && known.code == error) return std::string(known.text) + " (FreeType error " + code + ")";
    }
    return std::string("FreeType error ") + code;
}
}  // namespace

struct MonoFont::Face {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::vector<std::uint8_t> data;  // FreeType reads the face from here while it is open

    ~Face()
    {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

MonoFont::MonoFont(const std::string& path) : path_(path), face_(std::make_unique<Face>())
{
    File file(path, OpenMode::Read);
    const std::uint64_t size = file.Size();
    if (size > kMaxFontFileSize) {
        throw ToolError("The font " + path + " is " + std::to_string(size) + " bytes long, more than the " +
                        std::to_string(kMaxFontFileSize) + " a font file may have");
    }
    face_->data = file.ReadBytes(static_cast<std::size_t>(size));
    if (FT_Error error = FT_Init_FreeType(&face_->library)) throw ToolError("Cannot start FreeType: " + FreeTypeError(error));
    if (FT_Error error = FT_New_Memory_Face(face_->library, face_->data.data(), static_cast<FT_Long>(face_->data.size()),
                                            0, &face_->face)) {
        throw ToolError("The file " + path + " is no font that FreeType can read: " + FreeTypeError(error));
    }
    if (FT_Select_Charmap(face_->face, FT_ENCODING_UNICODE) != 0) {
        throw ToolError("The font " + path + " has no Unicode character map to find letters by");
    }
}

MonoFont::~MonoFont() = default;

bool MonoFont::Has(char32_t letter) const { return FT_Get_Char_Index(face_->face, letter) != 0; }

void MonoFont::SetSize(std::uint32_t pixels)
{
    if (FT_Error error = FT_Set_Pixel_Sizes(face_->face, 0, pixels)) {
        throw ToolError("The font " + path_ + " has no size of " + std::to_string(pixels) + " px: " + FreeTypeError(error));
    }
}

MonoLetter MonoFont::Render(char32_t letter) const
{
    FT_Face face = face_->face;
    const FT_Error error = FT_Load_Glyph(face, FT_Get_Char_Index(face, letter), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO);
    if (error || face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
        throw ToolError("The font " + path_ + " cannot render " + DescribeCharacter(letter) + " as a monochrome bitmap" +
                        (error ? ": " + FreeTypeError(error) : std::string()));
    }
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    MonoLetter out;
    out.width = bitmap.width;
    out.rows = bitmap.rows;
    out.top = face->glyph->bitmap_top;
    out.bits.resize(std::size_t{out.width} * out.rows);
    // The pitch is the step from one row down to the next; with an upward
    // flow it is negative and the top row comes last in memory.
    const std::int64_t pitch = bitmap.pitch;
    const unsigned char* topRow = pitch >= 0 ? bitmap.buffer : bitmap.buffer + -pitch * (std::int64_t{out.rows} - 1);
    for (std::uint32_t y = 0; y < out.rows; ++y) {
        const unsigned char* row = topRow + pitch * y;
        for (std::uint32_t x = 0; x < out.width; ++x) {
            out.bits[std::size_t{y} * out.width + x] = (row[x / 8] >> (7 - x % 8)) & 1;
        }
    }
    return out;
}

MonoLetter::Ink MonoLetter::InkExtents() const { return eit::InkExtents(width, rows, bits); }

MonoLetter::Ink InkExtents(std::uint32_t width, std::uint32_t rows, const std::vector<std::uint8_t>& cells)
{
    MonoLetter::Ink ink{rows, -1, width, -1};
    for (std::uint32_t y = 0; y < rows; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            if (cells[std::size_t{y} * width + x] == 0) continue;
            ink.firstRow = std::min<std::int64_t>(ink.firstRow, y);
            ink.lastRow = y;
            ink.firstColumn = std::min<std::int64_t>(ink.firstColumn, x);
            ink.lastColumn = std::max<std::int64_t>(ink.lastColumn, x);
        }
    }
    return ink;
}

}  // namespace eit
