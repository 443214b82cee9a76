#include "formats/LibLayout.h"

#include "formats/Lib.h"
#include "platform/Error.h"
#include "platform/LittleEndian.h"

namespace eit {

std::vector<std::string> LibLayout::Names() const
{
    std::vector<std::string> names;
    names.reserve(entries.size());
    for (const Entry& entry : entries) names.push_back(entry.name);
    return names;
}

LibLayout ReadLibLayout(File& package)
{
    LibLayout layout;
    LibDirectoryReader directory(package);
    layout.entries.reserve(directory.EntryCount());
    for (std::uint32_t i = 0; i < directory.EntryCount(); ++i) {
        const std::uint64_t start = directory.Position();
        const LibEntry entry = directory.Next();
        std::string name(entry.nameLength, '\0');
        package.Seek(start + 2);
        package.Read(name.data(), name.size());
        layout.entries.push_back({std::move(name), entry.offset, entry.size});
    }
    layout.lead.resize(4);
    package.Seek(0);
    package.Read(layout.lead.data(), layout.lead.size());
    std::uint64_t next = directory.Position();
    layout.packed = true;
    for (const LibLayout::Entry& entry : layout.entries) {
        layout.packed = layout.packed && entry.offset == next;
        next += entry.size;
    }
    layout.packed = layout.packed && package.Size() == next;
    return layout;
}

std::uint64_t PackedDirectoryEnd(const std::vector<std::string>& names)
{
    std::uint64_t end = kLibHeaderSize;
    for (const std::string& name : names) end += kLibEntryFixedSize + name.size();
    return end;
}

void WritePackedDirectory(BufferedWriter& out, std::string_view lead, const std::vector<std::string>& names,
                          const std::vector<std::uint64_t>& sizes, const std::string& shownPath)
{
    std::vector<std::uint8_t> bytes;
    AppendU32(bytes, static_cast<std::uint32_t>(names.size()));
    out.Write(lead);
    out.Write(bytes.data(), bytes.size());
    std::uint64_t offset = PackedDirectoryEnd(names);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (offset > kLargestU32 || sizes[i] > kLargestU32 || offset + sizes[i] > kLargestU32 + 1) {
            throw ToolError("Cannot rebuild " + shownPath + ": the package would pass 4 GiB, the limit of its 32-bit offsets and sizes");
        }
        bytes.clear();
        AppendU16(bytes, static_cast<std::uint32_t>(names[i].size()));
        bytes.insert(bytes.end(), names[i].begin(), names[i].end());
        AppendU32(bytes, static_cast<std::uint32_t>(offset));
        AppendU32(bytes, static_cast<std::uint32_t>(sizes[i]));
        out.Write(bytes.data(), bytes.size());
        offset += sizes[i];
    }
}

}  // namespace eit
