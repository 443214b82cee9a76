#pragma once
#include <string>
#include <vector>

namespace eit {

// A project list: one job entry (an operation log's path) per line.
std::vector<std::string> LoadProjectList(const std::string& path);
void SaveProjectList(const std::string& path, const std::vector<std::string>& entries);

}  // namespace eit
