#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "main/RunContext.h"

namespace eit {

inline constexpr std::uint8_t kFormatNone = 6;

// Replays one operation log: walks its lines, selects each group's format at
// its "#Format:" line, opens each "#Source:" file as SourceStream and hands it
// to the format's insertion handler. A stop request is honoured between groups.
void ReplayLog(RunContext& ctx, const std::string& logPath);

// The first run of non-white-space characters of a line; empty when none.
std::string_view FirstToken(std::string_view line);

// The path a "#Target:" line names: the line without its first nine
// characters, whatever they are; empty for a shorter line.
std::string TargetPathOf(std::string_view line);

// The message an insertion handler reports when its source file was missing.
std::string SourceMissingLine(std::string_view path);

}  // namespace eit
