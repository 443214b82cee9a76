#include "platform/Png.h"

#include "platform/Error.h"

#ifdef EIT_PNG
#include <png.h>

#include <exception>
#include <vector>
#endif

namespace eit {

#ifdef EIT_PNG
namespace {
// libpng is C: its errors longjmp back to WritePng, and no C++ exception may
// pass through it, so the write callback keeps the file layer's error aside.
struct PngOut {
    File& file;
    std::exception_ptr failure;
};

void WriteToFile(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<PngOut*>(png_get_io_ptr(png));
    try {
        out->file.Write(data, length);
    } catch (...) {
        out->failure = std::current_exception();
        png_error(png, "write failed");
    }
}
void NoFlush(png_structp) {}

void WritePng(const IndexedImage& image, File& out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) throw ToolError("Cannot start libpng to write " + out.Path());
    png_infop info = png_create_info_struct(png);
    struct Guard {
        png_structp& png;
        png_infop& info;
        ~Guard() { png_destroy_write_struct(&png, &info); }
    } guard{png, info};
    if (!info) throw ToolError("Cannot start libpng to write " + out.Path());
    std::vector<png_color> palette(256);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const Rgb c = image.Colours()[i];
        palette[i] = {c.red, c.green, c.blue};
    }
    std::vector<png_bytep> rows(image.Height());
    for (std::uint32_t y = 0; y < image.Height(); ++y) rows[y] = const_cast<png_bytep>(image.Row(y));
    PngOut sink{out, nullptr};
    if (setjmp(png_jmpbuf(png))) {
        if (sink.failure) std::rethrow_exception(sink.failure);
        throw ToolError("libpng could not write " + out.Path());
    }
    png_set_write_fn(png, &sink, WriteToFile, NoFlush);
    png_set_IHDR(png, info, image.Width(), image.Height(), 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
}
}  // namespace

bool CanWritePng() { return true; }

void SavePng(const IndexedImage& image, const std::string& path, const WholeFileOptions& options)
{
    CreateWholeFile(path, [&](File& out) { WritePng(image, out); }, options);
}
#else
bool CanWritePng() { return false; }

void SavePng(const IndexedImage&, const std::string& path, const WholeFileOptions&)
{
    throw ToolError("Cannot write " + path + ": this build has no PNG support");
}
#endif

}  // namespace eit
