#include "platform/FileIdentity.h"

#include "platform/FolderHandles.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

std::optional<FileId> IdentityOf(const std::string& path)
{
    const std::optional<FileFacts> facts = LookAt(path);
    if (!facts) return std::nullopt;
    return facts->id;
}
#else
std::optional<FileId> IdentityOf(const std::string& path)
{
    struct stat info;
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileId{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileFacts> LookAt(const std::string& path, FolderHandles* folders)
{
    if (path.empty()) return std::nullopt;
    const FolderHandles::Place place = FolderHandles::Locate(folders, path);
    struct stat info;
    if (::fstatat(place.folder, place.name, &info, 0) != 0) return std::nullopt;
    // Asked of the system, so access control lists count as an open would count them.
    const bool readable = S_ISREG(info.st_mode) && ::faccessat(place.folder, place.name, R_OK, AT_EACCESS) == 0;
    return FileFacts{FileId{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)},
                     static_cast<std::uint64_t>(info.st_size), readable};
}
#endif

}  // namespace eit
