#include "jobs/FitTable.h"

#include "formats/FreeCells.h"
#include "formats/glyphs/ByteGlyphs.h"
#include "jobs/TextsInFontLoad.h"
#include "platform/Error.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"
#include "platform/Words.h"

namespace eit {

namespace {
std::string GivenTable(const std::string& path)
{
    if (path.empty()) return {};
    File file(path, OpenMode::Read);
    const std::vector<std::uint8_t> bytes = file.ReadBytes(static_cast<std::size_t>(file.Size()));
    return {bytes.begin(), bytes.end()};
}

std::string MoveLine(const MovedLetter& m, const CharTable& table)
{
    const std::string from = m.from ? "byte " + HexByte(*m.from) + " has no glyph" : "no byte in " + table.Name();
    return DescribeCharacter(m.letter) + ": " + from + "; it gets byte " + HexByte(m.to) + ".";
}
}  // namespace

void FitTable(Reporter& report, const FitTableRequest& request)
{
    CheckFirstByte(request.firstByte);
    const CharTable table = LoadNeededCharTable(request.encoding, "Fitting a table to a font");
    report.CurrentMessage("Reading the texts...");
    const CifFont font = LoadFont(request.fontPath);
    const std::vector<UsedCharacter> used = UsedCharacters(request.txtPaths, &table, font, request.firstByte);
    std::vector<MovedLetter> moved;
    try {
        moved = PlanFreeCells(used, request.firstByte);
    } catch (const ToolError& e) {
        throw ToolError("Cannot fit the table of " + table.Name() + " to " + std::string(FileNameOf(request.fontPath)) + ": " +
                        e.what() + "; nothing written");
    }
    const std::string text = FittedTable(GivenTable(request.encoding.tableFile), moved);
    const Notify notify = [&report](const std::string& line) { report.AddResult(line); };
    CreateWholeFile(request.outputPath, [&](File& out) { out.Write(text.data(), text.size()); }, {true, notify});
    report.CurrentMessage("");
    for (const MovedLetter& m : moved) report.AddResult(MoveLine(m, table));
    const std::string name(FileNameOf(request.outputPath));
    report.AddResult(moved.empty() ? name + ": every letter of the texts can be shown; the table is as given."
                                   : name + ": " + Counted(moved.size(), "letter", "letters") +
                                         " moved onto free bytes; draw them into the sheet (draw) and replay.");
}

}  // namespace eit
