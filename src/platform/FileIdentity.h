#pragma once
#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace eit {

// What makes a file itself, whatever path names it: two paths that reach one
// file through links (or, on Windows, in another letter case) give one
// identity. Device and inode on POSIX; volume serial and file index on Windows.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    auto operator<=>(const FileId&) const = default;
};

// The identity of the file or folder at `path` (links followed); nothing when
// there is none or it cannot be looked at.
std::optional<FileId> IdentityOf(const std::string& path);

}  // namespace eit
