#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "run/GroupCheck.h"
#include "run/RunContext.h"

namespace eit {

// LIB package layout, little-endian:
//   0  4 bytes   leading bytes, never interpreted
//   4  u32       entryCount
//   8  entries   LibEntry x entryCount, back to back
//   ...          data area, reached only through the entries
// LibEntry: u16 nameLength, nameLength name bytes, u32 offset, u32 size.
inline constexpr std::uint64_t kLibHeaderSize = 8;
inline constexpr std::uint64_t kLibEntryFixedSize = 10;

struct LibEntry {
    std::string name;  // cut at its first zero byte
    std::uint16_t nameLength = 0;
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// Walks a package's directory entry by entry, checking every field against
// the package's real size; a damaged package is refused with an error naming
// the package and the entry.
class LibDirectoryReader {
public:
    // With `checkData`, each entry's data must lie inside the package too.
    explicit LibDirectoryReader(File& package, bool checkData = true);
    std::uint32_t EntryCount() const { return entryCount_; }
    // Reads the next entry; its data is checked to lie inside the package.
    LibEntry Next();
    // The position just past the entries read so far.
    std::uint64_t Position() const { return position_; }

private:
    File& package_;
    std::uint64_t packageSize_;
    std::uint32_t entryCount_;
    std::uint32_t index_ = 0;
    std::uint64_t position_ = kLibHeaderSize;
    bool checkData_;
};

// Extracts every item of a package into TargetDir, a folder per type; a
// package damaged anywhere in its directory is refused before any item is written.
void ExtractLib(RunContext& ctx, const std::string& path);
// Rebuilds the package open as SourceStream from the files named by the
// "#Target:" lines from `first` on; returns first + entryCount. A package
// whose entry count differs from the group's number of "#Target: " lines is
// refused; a target whose name does not come from its entry's is warned of.
std::size_t InsertLib(RunContext& ctx, const std::string& path, std::size_t first);
// InsertLib's checks without a write: every item file can be read and fits.
std::size_t CheckLib(RunContext& ctx, const std::string& path, std::size_t first, GroupCheck& check);

// Names derived for one item (see ExtractLib).
std::string PackageStem(std::string_view packageFileName);
std::string PlainTargetName(std::string_view packageStem, std::string_view itemFileName);
std::string NumberedTargetName(std::string_view plainTargetName, std::uint16_t counter, std::string_view typeName);

}  // namespace eit
