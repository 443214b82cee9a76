#pragma once
#include <cstdint>

namespace eit {

// What the job list holds, and so what a run does with each entry. The values
// are those a stored project or setting may carry; None before files are added.
enum class JobKind : std::uint8_t {
    None = 0,
    ReplayLogs = 1,
    ExtractLib = 2,
    ExtractCifText = 3,
    FontToBitmap = 4,
    ReplayProject = 5,
};

inline bool IsReplay(JobKind kind) { return kind == JobKind::ReplayLogs || kind == JobKind::ReplayProject; }

}  // namespace eit
