#pragma once
#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace eit {

class FolderHandles;

// What makes a file itself, whatever path names it: two paths that reach one
// file through links (or, on Windows, in another letter case) give one
// identity. Device and inode on POSIX; volume serial and file index on Windows.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    auto operator<=>(const FileId&) const = default;
};

// A file's identity with its size and modification time: what tells that a
// file open now is, unchanged, the one seen before.
struct FileStamp {
    FileId id;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the system's own units
    bool operator==(const FileStamp&) const = default;
};

// The identity of the file or folder at `path` (links followed); nothing when
// there is none or it cannot be looked at.
std::optional<FileId> IdentityOf(const std::string& path);

// What a look at a path tells of the file there (links followed), without
// opening it: for checking many files at a small cost each.
struct FileFacts {
    FileId id;
    std::uint64_t size = 0;
    // A regular file this process may read; false also where the look cannot
    // tell (on Windows), and then only opening it tells.
    bool readable = false;
};
// Nothing when there is no file or folder there, or it cannot be looked at.
// `folders`, when given, reaches the file in its folder held there.
std::optional<FileFacts> LookAt(const std::string& path, FolderHandles* folders = nullptr);

// When the file at `path` was last modified, in FileStamp's units: one look,
// nothing opened. Nothing when it cannot be looked at.
std::optional<std::int64_t> ModifiedAt(const std::string& path, FolderHandles* folders = nullptr);

}  // namespace eit
