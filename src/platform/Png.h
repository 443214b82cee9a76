#pragma once
#include <string>

#include "platform/IndexedImage.h"
#include "platform/RewriteAside.h"

namespace eit {

// Whether this build writes PNG files (through libpng); a build without it
// writes pictures as BMP files instead.
bool CanWritePng();

// Saves the image as an 8-bit paletted PNG with its 256-entry colour table.
// An earlier file of the name is treated as `options` say; a failure leaves
// no file behind. Raises a ToolError in a build without PNG.
void SavePng(const IndexedImage& image, const std::string& path, const WholeFileOptions& options = {});

}  // namespace eit
