#include "platform/FileSystem.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace eit {

bool Exists(const std::string& path)
{
    std::error_code error;
    return !path.empty() && fs::exists(fs::symlink_status(path, error));
}

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool CreateFolder(const std::string& path)
{
    std::error_code error;
    return fs::create_directory(path, error) || IsFolder(path);
}

bool CreateFolders(const std::string& path)
{
    std::error_code error;
    fs::create_directories(path, error);
    return IsFolder(path);
}

void RemoveFile(const std::string& path) noexcept
{
    std::error_code error;
    fs::remove(path, error);
}

std::string CurrentFolder()
{
    std::error_code error;
    return fs::current_path(error).string();
}

bool SetCurrentFolder(const std::string& path)
{
    std::error_code error;
    fs::current_path(path, error);
    return !error;
}

std::string AbsolutePath(const std::string& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error).lexically_normal();
    if (absolute.has_relative_path() && !absolute.has_filename()) absolute = absolute.parent_path();
    return absolute.string();
}

}  // namespace eit

namespace eit {

std::string ResolvedPath(const std::string& path)
{
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path : resolved.string();
}

}  // namespace eit
