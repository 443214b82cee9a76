#pragma once
#include <string>
#include <vector>

namespace eit {

// Whether any directory entry (file or folder, any attributes) has this path.
bool Exists(const std::string& path);
// What the directory entry of a path is, links not followed.
enum class EntryKind { Missing, Regular, Link, Folder, Other };
EntryKind KindOfEntry(const std::string& path);
bool IsFolder(const std::string& path);
// Creates one folder; false when it could not be made.
bool CreateFolder(const std::string& path);
// Creates a folder with every missing folder above it; false on failure.
bool CreateFolders(const std::string& path);

// Every regular file below `folder`, as paths relative to it with "/"
// between folders, sorted; links and other entries are passed over and
// listed in `passedOver`. "Cannot open file %s" when the folder cannot be read.
std::vector<std::string> FilesBelow(const std::string& folder, std::vector<std::string>* passedOver = nullptr);
// Removes one file, or one empty folder; false when it is still there.
bool RemoveEntry(const std::string& path);
// Removes a folder with everything in it; false when something is left.
bool RemoveFolderTree(const std::string& path);

std::string CurrentFolder();
// False when the folder cannot be made current.
bool SetCurrentFolder(const std::string& path);
// The path made absolute against the current folder, without a trailing
// separator unless it is a root.
std::string AbsolutePath(const std::string& path);
// The path with every link resolved: where the file's bytes really are.
std::string ResolvedPath(const std::string& path);

}  // namespace eit
