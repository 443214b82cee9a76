#include "main/JobKinds.h"

#include "platform/Paths.h"

namespace eit {

int FilterIndexOfKind(std::uint8_t kind)
{
    for (std::size_t i = 0; i < KindByFilter.size(); ++i) {
        if (KindByFilter[i] == kind) return static_cast<int>(i) + 1;
    }
    return 0;
}

std::string_view FormatNameOfKind(std::uint8_t kind)
{
    int filter = FilterIndexOfKind(kind);
    return filter == 0 ? std::string_view() : FormatNames[static_cast<std::size_t>(filter - 1)];
}

std::uint8_t KindOfFile(std::string_view path)
{
    std::string extension = LowerAscii(ExtensionOf(FileNameOf(path)));
    if (extension == ".lib") return kExtractLib;
    if (extension == ".cif" || extension == ".sal" || extension == ".tab") return kExtractCifText;
    if (extension == ".fnt") return kFontToBitmap;
    if (extension == ".lst") return kReplayProject;
    if (extension == ".log") return kReplayLogs;
    return kNoJob;
}

}  // namespace eit
