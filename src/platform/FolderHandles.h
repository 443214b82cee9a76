#pragma once
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace eit {

// Holds open the folders that many files are reached in, so that each file
// is opened or looked at by its name in a folder already found rather than
// by walking its whole path again: for a small file deep in a tree, the walk
// is a good part of the cost. Safe to share between threads. On Windows it
// holds nothing and paths are used whole.
class FolderHandles {
public:
    FolderHandles() = default;
    ~FolderHandles();
    FolderHandles(const FolderHandles&) = delete;
    FolderHandles& operator=(const FolderHandles&) = delete;

#ifndef _WIN32
    // Where `path` is reached: a handle of its folder and the name in it, or
    // (where the folder cannot be held) the current folder's and the path.
    struct Place {
        int folder;
        const char* name;  // within the path given
    };
    Place Locate(const std::string& path);
    // The same through `folders` when given, else by the whole path.
    static Place Locate(FolderHandles* folders, const std::string& path);

private:
    static constexpr std::size_t kMostHeld = 64;  // folders beyond these are walked to each time
    std::mutex mutex_;
    std::map<std::string, int, std::less<>> held_;  // -1: the folder could not be opened
#endif
};

}  // namespace eit
