#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace eit {

enum JobKindValue : std::uint8_t {
    kNoJob = 0,
    kReplayLogs = 1,
    kExtractLib = 2,
    kExtractCifText = 3,
    kFontToBitmap = 4,
    kReplayProject = 5,
};

// Indexed in step by the add-files dialog's filter position (filter index - 1).
inline constexpr std::array<std::uint8_t, 5> KindByFilter = {2, 3, 4, 5, 1};
inline constexpr std::array<std::string_view, 5> FormatNames = {"LIB", "CIF", "FNT", "", ""};

// The format name that the "#Format: " lines of a job of this kind carry.
std::string_view FormatNameOfKind(std::uint8_t kind);
// The filter index (1 to 5) that fills a job list of this kind; 0 for none.
int FilterIndexOfKind(std::uint8_t kind);
// The job kind that a file's extension names, compared without regard to case:
// .lib 2; .cif .sal .tab 3; .fnt 4; .lst 5; .log 1; anything else 0.
std::uint8_t KindOfFile(std::string_view path);

}  // namespace eit
