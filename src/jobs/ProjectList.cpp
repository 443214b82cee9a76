#include "jobs/ProjectList.h"

#include "platform/LineList.h"

namespace eit {

std::vector<std::string> LoadProjectList(const std::string& path)
{
    LineList lines;
    lines.LoadFromFile(path, LineList::ByteOrderMark::Skip);
    std::vector<std::string> entries;
    entries.reserve(lines.Count());
    for (std::size_t i = 0; i < lines.Count(); ++i) entries.emplace_back(lines[i]);
    return entries;
}

void SaveProjectList(const std::string& path, const std::vector<std::string>& entries)
{
    LineList lines;
    for (const std::string& entry : entries) lines.Add(entry);
    lines.SaveToFile(path);
}

}  // namespace eit
