#include "platform/FileIdentity.h"

#include "platform/FolderHandles.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#endif

namespace eit {

#ifdef _WIN32
std::optional<FileFacts> LookAt(const std::string& path, FolderHandles* /*paths are used whole here*/)
{
    // No access asked for: this only looks at the file, whoever holds it.
    // Backup semantics let a folder be opened too.
    HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(handle, &info) != 0;
    CloseHandle(handle);
    if (!known) return std::nullopt;
    // Whether a file can be read depends on who holds it how: only opening it tells.
    return FileFacts{FileId{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow},
                     (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow, false};
}
#else
namespace {
// Whether this process's effective user and groups may read a file of these
// permission bits. Access control lists can grant or deny more.
bool ModeLetsRead(const struct stat& info)
{
    static const uid_t user = geteuid();
    static const std::vector<gid_t> groups = [] {
        std::vector<gid_t> all(static_cast<std::size_t>(std::max(getgroups(0, nullptr), 0)) + 1);
        const int n = getgroups(static_cast<int>(all.size() - 1), all.data());
        all.resize(static_cast<std::size_t>(std::max(n, 0)));
        all.push_back(getegid());
        return all;
    }();
    if (user == 0) return true;
    if (info.st_uid == user) return (info.st_mode & S_IRUSR) != 0;
    if (std::find(groups.begin(), groups.end(), info.st_gid) != groups.end()) return (info.st_mode & S_IRGRP) != 0;
    return (info.st_mode & S_IROTH) != 0;
}
}  // namespace

std::optional<FileFacts> LookAt(const std::string& path, FolderHandles* folders)
{
    if (path.empty()) return std::nullopt;
    const FolderHandles::Place place = FolderHandles::Locate(folders, path);
    struct stat info;
    if (::fstatat(place.folder, place.name, &info, 0) != 0) return std::nullopt;
    return FileFacts{FileId{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)},
                     static_cast<std::uint64_t>(info.st_size), S_ISREG(info.st_mode) && ModeLetsRead(info)};
}
#endif

std::optional<FileId> IdentityOf(const std::string& path)
{
    const std::optional<FileFacts> facts = LookAt(path);
    if (!facts) return std::nullopt;
    return facts->id;
}

}  // namespace eit
