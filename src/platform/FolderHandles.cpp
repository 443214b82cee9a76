#include "platform/FolderHandles.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace eit {

#ifdef _WIN32
FolderHandles::~FolderHandles() = default;
#else
FolderHandles::~FolderHandles()
{
    for (const auto& [folder, handle] : held_) {
        if (handle >= 0) ::close(handle);
    }
}

FolderHandles::Place FolderHandles::Locate(FolderHandles* folders, const std::string& path)
{
    return folders != nullptr ? folders->Locate(path) : Place{AT_FDCWD, path.c_str()};
}

FolderHandles::Place FolderHandles::Locate(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) return {AT_FDCWD, path.c_str()};
    const std::string_view folder = slash == 0 ? std::string_view("/") : std::string_view(path).substr(0, slash);
    int handle = -1;
    {
        std::lock_guard lock(mutex_);
        if (auto known = held_.find(folder); known != held_.end()) {
            handle = known->second;
        } else if (held_.size() < kMostHeld) {
            handle = ::open(std::string(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            held_.emplace(folder, handle);
        }
    }
    if (handle < 0) return {AT_FDCWD, path.c_str()};
    return {handle, path.c_str() + slash + 1};
}
#endif

}  // namespace eit
