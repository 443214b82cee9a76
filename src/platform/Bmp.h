#pragma once
#include <cstdint>
#include <string>

#include "platform/IndexedImage.h"
#include "platform/RewriteAside.h"

namespace eit {

// Loads a Windows BMP file of 8 bits per pixel in the forms image editors
// write: the 12-byte (OS/2), 40-, 52-, 56-, 108- and 124-byte headers, rows
// bottom-up or top-down, colour tables of fewer than 256 entries, a gap
// before the pixel data, and RLE8 compression (pixels coded past the width
// are dropped). Everything else, and every file whose sizes, offsets or
// pixel indexes do not fit what is there, is refused with a ToolError that
// names the file and says what to do. The file (a user's sheet) is not locked.
IndexedImage LoadBmp(const std::string& path);

// Writes the image as a standard uncompressed BMP (as SaveBmp) into `out`.
void WriteBmp(const IndexedImage& image, File& out);

// Saves the image as a standard uncompressed Windows BMP: 40-byte header,
// 8 bits per pixel, the 256-entry colour table, rows bottom-up. A failure
// leaves no file behind; an earlier file of the name is treated as `options`
// say. Returns the number of bytes written.
std::uint64_t SaveBmp(const IndexedImage& image, const std::string& path, const WholeFileOptions& options = {});

}  // namespace eit
