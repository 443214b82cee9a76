#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "formats/CifFont.h"
#include "formats/CifText.h"
#include "formats/Lib.h"
#include "run/GroupCheck.h"
#include "run/JobKind.h"
#include "run/RunContext.h"

namespace eit {

// Extraction handler: writes the outputs of one source under TargetDir and
// logs their "#Target: " lines.
using ExtractHandler = void (*)(RunContext& ctx, const std::string& path);
// Insertion handler: takes the source's name (used for its file name and
// extension) and the index of its group's first "#Target:" line, and returns
// the index after which the replay goes on.
using InsertHandler = std::size_t (*)(RunContext& ctx, const std::string& path, std::size_t first);
// Check handler: the insertion's reading and checking without any write; it
// takes what the insertion handler takes, returns the same index, and raises
// the error the insertion would (for LIB items, before its first write).
using CheckHandler = std::size_t (*)(RunContext& ctx, const std::string& path, std::size_t first, GroupCheck& check);

// The "#Format: " names of the formats' groups in an operation log.
inline constexpr std::string_view kLibFormatName = "LIB";
inline constexpr std::string_view kCifFormatName = "CIF";
inline constexpr std::string_view kFontFormatName = "FNT";

// One kind of file the job list can hold. The formats carry their handlers;
// the two replay kinds (project lists and logs) carry none.
struct JobRow {
    JobKind kind;
    std::string_view formatName;                // empty for the replay kinds
    std::array<std::string_view, 3> extensions;  // lower case with the dot; unused ones empty
    std::string_view filter;                    // the add-files dialog's "Caption (*.x)|*.x"
    std::string_view noun;                      // what a user calls a file of this kind
    // The extension of the one file that extraction writes for a source,
    // named after it, in the target folder; empty when it writes none there
    // that could replace a file (LIB items are always new files).
    std::string_view outputExtension;
    ExtractHandler extract;
    InsertHandler insert;
    CheckHandler check;
};

// Every row, in the order of the add-files dialog's filters. A new format is
// a row here (and its JobKind value); everything else reads the table.
inline constexpr auto kJobRows = std::to_array<JobRow>({
    {JobKind::ExtractLib, kLibFormatName, {".lib"}, "LIB packages (*.lib)|*.lib", "LIB packages", "", ExtractLib, InsertLib,
     CheckLib},
    {JobKind::ExtractCifText, kCifFormatName, {".cif", ".sal", ".tab"}, "CIF Text (*.cif)|*.cif;*.sal;*.tab", "CIF text files",
     kTxtExtension, ExtractCifText, InsertCifText, CheckCifText},
    {JobKind::FontToBitmap, kFontFormatName, {".fnt"}, "CIF Font (*.fnt)|*.fnt", "CIF fonts", kSheetExtension, ConvertFontToBitmap,
     ConvertBitmapToFont, CheckBitmapToFont},
    {JobKind::ReplayProject, "", {".lst"}, "Project list files (*.lst)|*.lst", "project lists", "", nullptr, nullptr, nullptr},
    {JobKind::ReplayLogs, "", {".log"}, "Log files (*.log)|*.log", "operation logs", "", nullptr, nullptr, nullptr},
});

// Indexed in step by the add-files dialog's filter position (filter index - 1):
// the job kind it fills the list with, and the "#Format: " name of its groups.
inline constexpr auto KindByFilter = [] {
    std::array<JobKind, kJobRows.size()> kinds{};
    for (std::size_t i = 0; i < kJobRows.size(); ++i) kinds[i] = kJobRows[i].kind;
    return kinds;
}();
inline constexpr auto FormatNames = [] {
    std::array<std::string_view, kJobRows.size()> names{};
    for (std::size_t i = 0; i < kJobRows.size(); ++i) names[i] = kJobRows[i].formatName;
    return names;
}();

// The row of a kind; JobKind::None has none.
const JobRow* RowOfKind(JobKind kind);
// The row of a format that a "#Format: " line names; null for an unknown name.
const JobRow* RowOfFormatName(std::string_view name);
// The format name that the "#Format: " lines of a job of this kind carry.
std::string_view FormatNameOfKind(JobKind kind);
// The filter index (1 to 5) that fills a job list of this kind; 0 for none.
int FilterIndexOfKind(JobKind kind);
// The job kind that a file's extension names, compared without regard to
// case; None for any other extension.
JobKind KindOfFile(std::string_view path);
// The add-files dialog's filters, "|"-separated, in filter order.
std::string AddFilesFilter();
// The extensions that can be added, as ".lib, .cif, ... and .log".
std::string AddableExtensions();

}  // namespace eit
