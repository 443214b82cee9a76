#include "jobs/FitTexts.h"

#include "formats/CifText.h"
#include "formats/TextFit.h"
#include "jobs/TextsInFontLoad.h"
#include "platform/Error.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/RewriteAside.h"
#include "platform/Utf8.h"
#include "platform/Words.h"

namespace eit {

namespace {
struct Fitting {
    const FitRequest& request;
    const GlyphWidths& widths;
    const CharTable* table;
    std::string fontName;
    FitReport& out;
    std::uint64_t lines = 0, texts = 0;

    static std::string Where(const std::string& path, std::uint32_t entry) { return path + " " + CifEntryHeader(entry); }
    static std::string Where(const std::string& path, const TextLine& line)
    {
        return Where(path, line.entry) + " line " + std::to_string(line.lineInText + 1);
    }

    std::string NoGlyph(std::uint8_t byte) const
    {
        const std::optional<char32_t> c = table ? table->CharOf(byte) : std::nullopt;
        return "byte " + HexByte(byte) + (c ? " (" + DescribeCharacter(*c) + ")" : std::string()) + " has no glyph in " + fontName;
    }

    void Measure(const std::string& path, const LineList& txt)
    {
        ForEachTextLine(
            txt,
            [&](const TextLine& line) {
                ++lines;
                const std::string where = Where(path, line);
                const std::vector<std::uint8_t> bytes = LineBytes(line.text, table, where);
                const GlyphWidths::Measure m = widths.Of(bytes);
                if (m.noGlyphAt) out.problems.push_back(where + ": " + NoGlyph(bytes[*m.noGlyphAt]));
                else if (widths.Width(m) > request.maxWidth) out.findings.push_back(where + ": " + std::to_string(widths.Width(m)) + " px");
            },
            [&](std::uint32_t entry, std::size_t count) {
                ++texts;
                if (request.maxLines && count > *request.maxLines) {
                    out.findings.push_back(Where(path, entry) + ": " + Counted(count, "line", "lines"));
                }
            });
    }

    // The .txt with every line too wide broken between words; nothing when
    // no line changes.
    std::optional<LineList> Wrapped(const std::string& path, const LineList& txt)
    {
        std::vector<std::vector<std::string>> pieces(txt.Count());
        bool changed = false;
        ForEachTextLine(
            txt,
            [&](const TextLine& line) {
                const std::string where = Where(path, line);
                const GlyphWidths::Measure m = widths.Of(LineBytes(line.text, table, where));
                if (m.noGlyphAt || widths.Width(m) <= request.maxWidth) return;
                pieces[line.fileLine] = WrapLine(line.text, widths, request.maxWidth, table, where,
                                                 [&](std::string_view word, std::uint64_t width) {
                                                     out.problems.push_back(where + ": the word \"" + std::string(word) + "\" is " +
                                                                            std::to_string(width) + " px wide, wider than the box");
                                                 });
                changed |= pieces[line.fileLine].size() > 1;
            });
        if (!changed) return std::nullopt;
        LineList wrapped;
        for (std::size_t i = 0; i < txt.Count(); ++i) {
            if (pieces[i].empty()) wrapped.Add(txt[i]);
            for (const std::string& piece : pieces[i]) wrapped.Add(piece);
        }
        return wrapped;
    }
};

// Writes the lines over the .txt as a rewrite in place, keeping the earlier
// contents as NAME.~N~.
void RewriteTxt(const std::string& path, const LineList& lines, FitReport& out)
{
    File file(path, OpenMode::ReadWrite);
    RewriteAside aside(file, [&out](const std::string& line) { out.notes.push_back(line); });
    lines.WriteTo(aside.Out());
    const std::string backup = aside.Commit(true);
    out.notes.push_back("Wrapped the lines of " + path + (backup.empty() ? "" : "; kept the earlier one as " + backup) + ".");
}
}  // namespace

FitReport FitTexts(Reporter& report, const FitRequest& request)
{
    CheckFirstByte(request.firstByte);
    if (request.maxWidth == 0) throw ToolError("The box's width must be at least 1 px");
    const std::optional<CharTable> table = LoadCharTable(request.encoding);
    const CifFont font = LoadFont(request.fontPath);
    const GlyphWidths widths(font, request.firstByte, request.spacing);
    FitReport out;
    Fitting fitting{request, widths, table ? &*table : nullptr, std::string(FileNameOf(request.fontPath)), out};
    for (const std::string& path : request.txtPaths) {
        report.CurrentMessage("Measuring " + std::string(FileNameOf(path)) + "...");
        LineList txt = LoadTxt(path, fitting.table);
        if (request.wrap) {
            if (std::optional<LineList> wrapped = fitting.Wrapped(path, txt)) {
                RewriteTxt(path, *wrapped, out);
                txt = std::move(*wrapped);
            }
        }
        fitting.Measure(path, txt);
    }
    report.CurrentMessage("");
    out.summary = std::to_string(fitting.lines) + " lines of " + std::to_string(fitting.texts) + " texts measured: " +
                  (out.findings.empty() ? "all fit" : std::to_string(out.findings.size()) + " do not fit") + " in " +
                  std::to_string(request.maxWidth) + " px" +
                  (request.maxLines ? " and " + std::to_string(*request.maxLines) + " lines" : std::string()) +
                  (out.problems.empty() ? "" : "; " + std::to_string(out.problems.size()) + " problems") + ".";
    return out;
}

}  // namespace eit
