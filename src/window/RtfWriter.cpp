#include "window/RtfWriter.h"

namespace eit::window {

std::string RtfEscaped(std::string_view line)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(line.size());
    for (char c : line) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            out += "\\'";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

void SaveLinesAsRtf(const LineList& lines, const std::string& path)
{
    // Line ends between control words and text are ignored by RTF readers, so
    // the document is a line list of its own and is written as one.
    LineList document;
    document.Add("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans Serif;}}");
    document.Add("\\viewkind4\\uc1\\pard\\f0\\fs16 ");  // the pane's font: 8 points
    for (std::size_t i = 0; i < lines.Count(); ++i) document.Add(RtfEscaped(lines[i]) + "\\par");
    document.Add("}");
    document.SaveToFile(path);
}

}  // namespace eit::window
