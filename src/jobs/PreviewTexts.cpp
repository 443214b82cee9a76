#include "jobs/PreviewTexts.h"

#include <set>

#include "formats/CifText.h"
#include "formats/TextFit.h"
#include "formats/glyphs/Palette.h"
#include "formats/glyphs/Preview.h"
#include "jobs/TextsInFontLoad.h"
#include "platform/Bmp.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/Png.h"

namespace eit {

namespace {
// "0,3-5,1A": hexadecimal entry numbers and ranges, as in the headers.
std::set<std::uint32_t> ParseEntries(const std::string& list)
{
    std::set<std::uint32_t> entries;
    auto number = [&](std::string_view digits) {
        std::uint64_t value = 0;
        if (digits.empty() || digits.size() > 8) throw ToolError("");
        for (const char c : digits) {
            if (HexDigit(c) < 0) throw ToolError("");
            value = value * 16 + static_cast<std::uint64_t>(HexDigit(c));
        }
        return static_cast<std::uint32_t>(value);
    };
    std::string_view rest = list;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        try {
            const std::size_t dash = item.find('-');
            const std::uint32_t from = number(item.substr(0, dash));
            const std::uint32_t to = dash == std::string_view::npos ? from : number(item.substr(dash + 1));
            if (to < from || to - from > 0xFFFF) throw ToolError("");
            for (std::uint64_t e = from; e <= to; ++e) entries.insert(static_cast<std::uint32_t>(e));
        } catch (const ToolError&) {
            throw ToolError("The entries \"" + list + "\" are not a list like 0,3-5,1A (hexadecimal numbers as in the headers): \"" +
                            std::string(item) + "\"");
        }
    }
    return entries;
}

ColourTable PreviewColours(const std::string& palettePath)
{
    const std::string path = !palettePath.empty() ? palettePath : Exists(kFixedPalettePath) ? kFixedPalettePath : std::string();
    if (path.empty()) {
        ColourTable grey;
        for (std::size_t i = 0; i < grey.size(); ++i) grey[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)};
        return grey;
    }
    File act(path, OpenMode::Read);
    if (act.Size() < kActPaletteSize) {
        throw ToolError("The palette " + path + " is " + std::to_string(act.Size()) + " bytes long; an ACT palette holds 768");
    }
    std::array<std::uint8_t, kActPaletteSize> bytes;
    act.Read(bytes.data(), bytes.size());
    return MakePalette(bytes);
}
}  // namespace

PreviewResult PreviewTexts(Reporter& report, const PreviewRequest& request)
{
    CheckFirstByte(request.firstByte);
    if (request.txtPaths.empty()) throw ToolError("No .txt to preview");
    const std::set<std::uint32_t> wanted = ParseEntries(request.entries);
    const std::optional<CharTable> table = LoadCharTable(request.encoding);
    const CifFont font = LoadFont(request.fontPath);
    const ColourTable colours = PreviewColours(request.palettePath);
    const std::string& path = request.txtPaths.front();
    const LineList txt = LoadTxt(path, table ? &*table : nullptr);
    std::vector<PreviewLine> lines;
    ForEachTextLine(
        txt,
        [&](const TextLine& line) {
            if (!wanted.empty() && wanted.count(line.entry) == 0) return;
            const std::string where = path + " " + CifEntryHeader(line.entry) + " line " + std::to_string(line.lineInText + 1);
            lines.push_back({LineBytes(line.text, table ? &*table : nullptr, where)});
        });

    Preview preview = RenderPreview(font, request.fontPath, lines, colours, request.firstByte, request.spacing, request.maxWidth);
    PreviewResult result{std::move(preview.image), {}, lines.size(), 0};
    for (const std::uint64_t width : preview.widths) result.overWide += request.maxWidth && width > *request.maxWidth;
    if (preview.glyphsMissing != 0) {
        const bool one = preview.glyphsMissing == 1;
        report.Warning(std::to_string(preview.glyphsMissing) + (one ? " byte of the texts has" : " bytes of the texts have") +
                       " no glyph in " + std::string(FileNameOf(request.fontPath)) + " and " + (one ? "is" : "are") +
                       " drawn as nothing (the width check names them)");
    }
    if (!request.outputPath.empty()) {
        const WholeFileOptions keep{true, [&report](const std::string& line) { report.AddResult(line); }};
        if (CanWritePng()) {
            result.writtenPath = request.outputPath;
            SavePng(result.image, result.writtenPath, keep);
        } else {
            result.writtenPath = ReplaceExtension(request.outputPath, ".bmp");
            SaveBmp(result.image, result.writtenPath, keep);
            report.AddResult("This build writes no PNG: the preview went to " + result.writtenPath + " as an 8-bit BMP.");
        }
        report.AddResult(std::string(FileNameOf(result.writtenPath)) + ": " + std::to_string(result.lines) + " lines drawn" +
                         (request.maxWidth ? ", " + std::to_string(result.overWide) + " wider than " + std::to_string(*request.maxWidth) + " px" : "") +
                         ".");
    }
    return result;
}

}  // namespace eit
