#include "platform/FileSystem.h"

#include <algorithm>
#include <filesystem>

#include "platform/Error.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace eit {

namespace {

#ifdef _WIN32
// Paths are bytes in the system code page, as the file layer's ...A calls
// take them; std::filesystem would read and write them as UTF-8 instead.
fs::path HostPath(const std::string& path)
{
    int size = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), wide.data(), size);
    return fs::path(wide);
}

std::string TextOf(const fs::path& path)
{
    const std::wstring& wide = path.native();
    int wideSize = static_cast<int>(wide.size());
    int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideSize, text.data(), size, nullptr, nullptr);
    return text;
}
#else
fs::path HostPath(const std::string& path) { return fs::path(path); }
std::string TextOf(const fs::path& path) { return path.string(); }
#endif

}  // namespace

bool Exists(const std::string& path) { return !path.empty() && KindOfEntry(path) != EntryKind::Missing; }

EntryKind KindOfEntry(const std::string& path)
{
    std::error_code error;
    const fs::file_status status = fs::symlink_status(HostPath(path), error);
    switch (status.type()) {
    case fs::file_type::not_found:
    case fs::file_type::none: return EntryKind::Missing;
    case fs::file_type::regular: return EntryKind::Regular;
    case fs::file_type::symlink: return EntryKind::Link;
    case fs::file_type::directory: return EntryKind::Folder;
    default: return EntryKind::Other;
    }
}

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(HostPath(path), error);
}

bool CreateFolder(const std::string& path)
{
    std::error_code error;
    return fs::create_directory(HostPath(path), error) || IsFolder(path);
}

bool CreateFolders(const std::string& path)
{
    std::error_code error;
    fs::create_directories(HostPath(path), error);
    return IsFolder(path);
}

std::vector<std::string> FilesBelow(const std::string& folder, std::vector<std::string>* passedOver)
{
    std::vector<std::string> files;
    std::error_code error;
    const fs::path root = HostPath(folder);
    fs::recursive_directory_iterator walk(root, error), end;
    for (; !error && walk != end; walk.increment(error)) {
        const fs::file_status status = walk->symlink_status(error);
        if (error || status.type() == fs::file_type::directory) continue;
        std::string relative = TextOf(walk->path().lexically_relative(root));
#ifdef _WIN32
        std::replace(relative.begin(), relative.end(), '\\', '/');
#endif
        if (status.type() == fs::file_type::regular) {
            files.push_back(std::move(relative));
        } else if (passedOver != nullptr) {
            passedOver->push_back(std::move(relative));
        }
    }
    if (error) throw CannotOpenFile(folder, error.message());
    std::sort(files.begin(), files.end());
    return files;
}

bool RemoveEntry(const std::string& path)
{
    std::error_code error;
    fs::remove(HostPath(path), error);
    return !Exists(path);
}

bool RemoveFolderTree(const std::string& path)
{
    std::error_code error;
    fs::remove_all(HostPath(path), error);
    return !Exists(path);
}

std::string CurrentFolder()
{
    std::error_code error;
    return TextOf(fs::current_path(error));
}

bool SetCurrentFolder(const std::string& path)
{
    std::error_code error;
    fs::current_path(HostPath(path), error);
    return !error;
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(HostPath(path), error).lexically_normal();
    if (absolute.has_relative_path() && !absolute.has_filename()) absolute = absolute.parent_path();
    return TextOf(absolute);
}

std::string ResolvedPath(const std::string& path)
{
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(HostPath(path), error);
    return error ? path : TextOf(resolved);
}

}  // namespace eit
