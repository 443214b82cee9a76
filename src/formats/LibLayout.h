#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/BufferedWriter.h"
#include "platform/File.h"

namespace eit {

// A package's directory with every name exactly as stored (zero bytes
// included), for rebuilding a package entry by entry (patches).
struct LibLayout {
    struct Entry {
        std::string name;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };
    std::string lead;  // the 4 leading bytes
    std::vector<Entry> entries;
    // The items back to back in directory order right behind the directory,
    // nothing after them: the layout a rebuild gives.
    bool packed = false;

    std::vector<std::string> Names() const;
};

// Reads and checks the whole directory (LibDirectoryReader's errors).
LibLayout ReadLibLayout(File& package);

// The size of a packed package's directory end for these names.
std::uint64_t PackedDirectoryEnd(const std::vector<std::string>& names);
// Writes the header and the directory of a packed package: the items'
// offsets follow from their sizes. Raises an error naming `shownPath` when
// the items would pass the 4 GiB that 32-bit offsets reach.
void WritePackedDirectory(BufferedWriter& out, std::string_view lead, const std::vector<std::string>& names,
                          const std::vector<std::uint64_t>& sizes, const std::string& shownPath);

}  // namespace eit
