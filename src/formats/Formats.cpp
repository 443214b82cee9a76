#include "formats/Formats.h"

#include "formats/CifFont.h"
#include "formats/CifText.h"
#include "formats/Lib.h"
#include "platform/Paths.h"

namespace eit {

const std::array<JobRow, 5> kJobRows = {{
    {JobKind::ExtractLib, kLibFormatName, {".lib"}, "LIB packages (*.lib)|*.lib", "LIB packages", "", ExtractLib, InsertLib,
     CheckLib},
    {JobKind::ExtractCifText, kCifFormatName, {".cif", ".sal", ".tab"}, "CIF Text (*.cif)|*.cif;*.sal;*.tab", "CIF text files",
     kTxtExtension, ExtractCifText, InsertCifText, CheckCifText},
    {JobKind::FontToBitmap, kFontFormatName, {".fnt"}, "CIF Font (*.fnt)|*.fnt", "CIF fonts", kSheetExtension, ConvertFontToBitmap,
     ConvertBitmapToFont, CheckBitmapToFont},
    {JobKind::ReplayProject, "", {".lst"}, "Project list files (*.lst)|*.lst", "project lists", "", nullptr, nullptr, nullptr},
    {JobKind::ReplayLogs, "", {".log"}, "Log files (*.log)|*.log", "operation logs", "", nullptr, nullptr, nullptr},
}};

static_assert(kJobRows.size() == KindByFilter.size() && kJobRows.size() == FormatNames.size());

const JobRow* RowOfKind(JobKind kind)
{
    for (const JobRow& row : kJobRows) {
        if (row.kind == kind) return &row;
    }
    return nullptr;
}

const JobRow* RowOfFormatName(std::string_view name)
{
    for (const JobRow& row : kJobRows) {
        if (!row.formatName.empty() && row.formatName == name) return &row;
    }
    return nullptr;
}

int FilterIndexOfKind(JobKind kind)
{
    for (std::size_t i = 0; i < KindByFilter.size(); ++i) {
        if (KindByFilter[i] == kind) return static_cast<int>(i) + 1;
    }
    return 0;
}

std::string_view FormatNameOfKind(JobKind kind)
{
    int filter = FilterIndexOfKind(kind);
    return filter == 0 ? std::string_view() : FormatNames[static_cast<std::size_t>(filter - 1)];
}

JobKind KindOfFile(std::string_view path)
{
    std::string extension = LowerAscii(ExtensionOf(FileNameOf(path)));
    for (const JobRow& row : kJobRows) {
        for (std::string_view e : row.extensions) {
            if (!e.empty() && e == extension) return row.kind;
        }
    }
    return JobKind::None;
}

std::string AddFilesFilter()
{
    std::string filter;
    for (const JobRow& row : kJobRows) {
        if (!filter.empty()) filter += '|';
        filter += row.filter;
    }
    return filter;
}

std::string AddableExtensions()
{
    std::string list;
    std::size_t total = 0, done = 0;
    for (const JobRow& row : kJobRows) {
        for (std::string_view e : row.extensions) total += e.empty() ? 0 : 1;
    }
    for (const JobRow& row : kJobRows) {
        for (std::string_view e : row.extensions) {
            if (e.empty()) continue;
            if (done > 0) list += ++done == total ? " and " : ", ";
            else ++done;
            list += e;
        }
    }
    return list;
}

}  // namespace eit
