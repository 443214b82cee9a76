#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "main/RunContext.h"

namespace eit {

// Calls the handler of a job kind for one entry; any other kind calls nothing.
void Dispatch(RunContext& ctx, std::uint8_t kind, const std::string& path);

// The insertion handler of a replay format (2 LIB, 3 CIF, 4 FNT): takes the
// source's name (used for its file name and extension) and the index of the
// group's first "#Target:" line, and returns the index after which the replay
// goes on. Null for a format without one.
using InsertHandler = std::size_t (*)(RunContext& ctx, const std::string& path, std::size_t first);
InsertHandler InsertHandlerOf(std::uint8_t replayFormat);

}  // namespace eit
