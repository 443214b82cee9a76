#pragma once
#include <string>
#include <string_view>

#include "platform/LineList.h"

namespace eit::window {

// One line of single-byte text as RTF text: \ { } escaped, and every byte
// outside printable ASCII (tabs too) as \'hh, so the bytes read back as they are.
std::string RtfEscaped(std::string_view line);

// Writes the lines as a Rich Text Format document, one paragraph per line, in
// the system's single-byte code page. A write that fails leaves no file.
void SaveLinesAsRtf(const LineList& lines, const std::string& path);

}  // namespace eit::window
