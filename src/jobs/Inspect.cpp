#include "jobs/Inspect.h"

#include "formats/Lib.h"
#include "formats/TextCoverage.h"
#include "jobs/TextsInFontLoad.h"
#include "platform/File.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"

namespace eit {

void ListPackage(Reporter& report, const std::string& packagePath)
{
    File package(packagePath, OpenMode::Read);
    LibDirectoryReader directory(package);
    for (std::uint32_t i = 0; i < directory.EntryCount(); ++i) {
        const LibEntry entry = directory.Next();
        report.AddResult(std::to_string(i) + " " + std::to_string(entry.offset) + " " + std::to_string(entry.size) + " " + entry.name);
    }
}

void PrintCharTable(Reporter& report, const TextEncoding& encoding)
{
    const CharTable table = LoadNeededCharTable(encoding, "Printing a character table");
    for (unsigned b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        if (std::optional<char32_t> c = table.CharOf(byte)) {
            std::string line = HexByte(byte) + "=";
            AppendUtf8(line, *c);
            report.AddResult(line);
        }
    }
}

std::string ReportCoverage(Reporter& report, const CoverageSettings& settings)
{
    const std::optional<CharTable> table = LoadCharTable(settings.encoding);
    const CifFont font = LoadFont(settings.fontPath);
    std::size_t missing = 0, noByte = 0, drawable = 0;
    for (const UsedCharacter& used : UsedCharacters(settings.txtPaths, table ? &*table : nullptr, font, settings.firstByte)) {
        const std::string codePoint = used.character ? CodePointName(*used.character) : "-";
        // Built by appending: GCC 12 at -O3 takes "literal" + temporary for an overlapping copy.
        std::string shown = "-";
        if (used.character) {
            shown = "\"";
            AppendUtf8(shown, *used.character);
            shown += '"';
        } else if (table) {
            shown = "<$";
            shown.append(HexByte(*used.byte)).append(">");
        }
        const std::string byte = used.byte ? HexByte(*used.byte) : "-";
        const char* verdict = !used.byte ? " no byte" : used.missing ? " missing" : "";
        report.AddResult(codePoint + " " + shown + " " + byte + " " + std::to_string(used.count) + verdict);
        missing += used.missing ? 1 : 0;
        noByte += used.byte ? 0 : 1;
        drawable += used.missing && IsRebuiltByte(*used.byte, settings.firstByte) ? 1 : 0;
    }
    std::string problems;
    if (missing != 0) {
        problems = std::string(FileNameOf(settings.fontPath)) + " has no glyph for " + std::to_string(missing) + " of the bytes the texts use";
    }
    if (noByte != 0) {
        problems += (problems.empty() ? "" : "; ") + std::to_string(noByte) + " of the characters have no byte in " + table->Name();
    }
    if (missing + noByte > drawable && table) {
        problems += "; eitool table --fit gives the letters without a glyph free bytes among those the sheet rebuilds";
    }
    if (drawable != 0) problems += "; " + std::to_string(drawable) + " of them can be drawn into the sheet (eitool draw)";
    return problems;
}

}  // namespace eit
