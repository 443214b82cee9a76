#pragma once
#include <string>
#include <vector>

#include "run/RunContext.h"

namespace eit {

// The check of a replay run: every group of every log is walked as the replay
// walks it and handed to its format's check handler, which reads and checks
// all that the insertion would (sources open for writing, targets readable,
// .txt files and sheets parse and convert, line counts fit) and writes nothing.
//
// Groups are checked in log order, and the files that earlier groups rewrite
// are remembered by identity: a later group that reads one of them (a LIB
// package that packs a CIF file an earlier text log rewrites) is checked only
// for what its rewrite cannot change (that the file is there and can be read),
// since its bytes now are not the ones it will pack. A group that reads its
// own source, or rewrites one of the run's logs, is refused.

// Before a replay run writes anything: raises the first error found. `logs`
// are the job entries (operation logs); an empty one is an error.
void PreflightReplay(RunContext& ctx, const std::vector<std::string>& logs);

// The Check command: reports for every source what the replay would do (how
// many items, texts or glyphs differ from what it holds now; what is missing
// and skipped) and every error, as results lines, and returns the errors.
// Writes nothing.
std::vector<std::string> CheckReplay(RunContext& ctx, const std::vector<std::string>& logs);

inline constexpr const char* kCheckSucceededLine = "The replay would succeed.";
// The last error of a check that the user stopped.
inline constexpr const char* kCheckStoppedLine = "Check stopped by user.";

}  // namespace eit
