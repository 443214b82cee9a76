#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "run/RunContext.h"

namespace eit {

// The run over a job list (the Process command): asks for the target folder,
// hands every entry to ProcessItem, writes "result.log" after an extracting
// run and ends with "Operation complete!". A stop request is honoured between
// entries (and inside the handlers at their safe points); a stopped run keeps
// what is done and logs only complete groups. Errors pass to the caller.
void RunProcess(RunContext& ctx, const std::vector<std::string>& jobs);

// Processes one job entry with the handler of `kind`; the reporter hears
// HandlerStarted before and HandlerEnded after, however the handler ends.
void ProcessItem(RunContext& ctx, JobKind kind, const std::string& path);

// The path of the operation log that a run over ctx's job writes when it
// ends now: the log of an extracting run that logged a group; nothing else.
std::optional<std::string> OperationLogPath(const RunContext& ctx);

inline constexpr const char* kStoppedLine = "Run stopped by user.";

}  // namespace eit
