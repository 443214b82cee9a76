#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "formats/Formats.h"
#include "run/RunContext.h"

namespace eit {

// Replays one operation log: walks its lines, selects each group's format at
// its "#Format:" line, opens each "#Source:" file as SourceStream and hands it
// to the format's insertion handler. A stop request is honoured between groups.
void ReplayLog(RunContext& ctx, const std::string& logPath);

// What the walk does at a "#Source:" line: given the group's format (null for
// none), the source path and the line's index, it returns the index the walk
// goes on from (the next line examined is the one after it).
using SourceStep = std::function<std::size_t(const JobRow* format, const std::string& source, std::size_t i)>;

// Walks one log line by line as the replay does (loading it into ReplayLines,
// rewriting its keyword lines to their remainders, selecting formats, moving
// the bars), naming it as `verb` + " NAME..."; hands every "#Source:" line to
// `step`. A relative path of the log or of a "#Source:" line is taken in the
// target folder. A stop request is honoured before each "#Source:" line.
void WalkLog(RunContext& ctx, const std::string& logPath, std::string_view verb, const SourceStep& step);

}  // namespace eit
