#pragma once
// Makes LIB packages for tests.
#include <string>
#include <vector>

#include "support/Files.h"

namespace eit::test {

struct LibItem {
    Bytes name;
    Bytes data;
};

// A package with its data area right behind the directory, items in order.
inline Bytes MakeLib(const std::vector<LibItem>& items, const Bytes& lead = "LIB\x1a")
{
    Bytes directory;
    std::size_t directoryEnd = 8;
    for (const LibItem& item : items) directoryEnd += 10 + item.name.size();
    std::uint32_t offset = static_cast<std::uint32_t>(directoryEnd);
    Bytes data;
    for (const LibItem& item : items) {
        PutU16(directory, static_cast<std::uint16_t>(item.name.size()));
        directory += item.name;
        PutU32(directory, offset);
        PutU32(directory, static_cast<std::uint32_t>(item.data.size()));
        offset += static_cast<std::uint32_t>(item.data.size());
        data += item.data;
    }
    Bytes package = lead.substr(0, 4);
    package.resize(4, '\0');
    PutU32(package, static_cast<std::uint32_t>(items.size()));
    return package + directory + data;
}

}  // namespace eit::test
