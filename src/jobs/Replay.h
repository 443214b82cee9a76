#pragma once
#include <string>

#include "run/RunContext.h"

namespace eit {

// Replays one operation log: walks its lines, selects each group's format at
// its "#Format:" line, opens each "#Source:" file as SourceStream and hands it
// to the format's insertion handler. A stop request is honoured between groups.
void ReplayLog(RunContext& ctx, const std::string& logPath);

}  // namespace eit
