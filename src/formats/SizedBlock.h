#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Error.h"
#include "platform/File.h"

namespace eit {

// Makes the error for a damaged file from what is wrong with it.
using DamagedFile = std::function<ToolError(const std::string& what)>;

// Reads a u32 size at the file's position and the block of that many bytes
// after it, both checked against the file's size before anything is read or
// allocated. `sizeWord` is what the file's layout calls the number ("length",
// "size"); a file too short is refused through `damaged`.
std::vector<std::uint8_t> ReadSizedBlock(File& file, std::uint64_t fileSize, std::string_view blockName,
                                         std::string_view sizeWord, const DamagedFile& damaged);

}  // namespace eit
