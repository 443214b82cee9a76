#pragma once
// Helpers that making, applying and removing patches share.
#include <algorithm>
#include <cstdint>
#include <string>

#include "formats/PatchManifest.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/RewriteAside.h"

namespace eit::patch {

// The host path of a manifest's relative path below `folder`.
inline std::string HostPathIn(const std::string& folder, std::string relative)
{
    std::replace(relative.begin(), relative.end(), '/', kPathSeparator);
    return JoinPath(folder, relative);
}

// Writes `size` bytes of `source` from `offset` as the file `path`, whole
// or not at all; a file already there (contents named by their checksum
// are the same) is left as it is. True when it wrote the file.
inline bool WriteContents(const std::string& path, File& source, std::uint64_t offset, std::uint64_t size)
{
    if (Exists(path)) return false;
    CreateWholeFile(path, [&](File& out) {
        source.Seek(offset);
        out.CopyFrom(source, size);
    });
    return true;
}

}  // namespace eit::patch
