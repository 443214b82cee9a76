#pragma once
// The check before a patch command's first write, shared by apply and
// remove: which files the command changes, and that every one of them holds
// what it expects.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "formats/PatchManifest.h"
#include "jobs/Patch.h"

namespace eit::patch {

enum class Direction { Apply, Remove };

// A slot of a package's directory as the command expects to find it: an
// item with the checksum it must have, or an item the patch does not touch,
// which may hold anything (`noted`: what the patch's maker had there).
struct SlotFound {
    std::string name;
    std::string required;
    std::string noted;
};

// A slot of the directory the command writes: an item kept from the
// package as it is (its index among the slots found), or contents named by
// their checksum.
struct SlotWritten {
    std::string name;
    std::optional<std::size_t> kept;
    std::string sha;
};

// What the command does to one file of the manifest. For a whole file,
// `from` and `to` are the checksums it has before and after, empty for no
// file; for a package, the directory's names and slots.
struct Step {
    const PatchFile* file = nullptr;
    std::string path;  // on the host
    std::string from, to;
    std::vector<SlotFound> found;
    std::vector<SlotWritten> written;
    std::uint64_t keptBytes = 0;  // of the written slots kept from the package as found
    bool done = false;
    bool refused = false;  // it holds neither what the command expects nor what it writes
};

// A patch command, checked: what it writes, and where from.
struct Plan {
    bool apply = true;
    std::string manifestText;
    PatchManifest manifest;
    std::string store;     // GAME/.eitool-patches/ID: what removing needs
    std::string contents;  // where the contents written come from
    std::vector<Step> steps;
    std::map<std::string, std::uint64_t> sizes;  // of the contents written, by checksum

    std::string Title() const { return "\"" + manifest.title + "\""; }
    std::string ContentsPath(const std::string& sha) const;
    std::string StorePath(const std::string& sha) const;
    // Where a package that was not packed is kept whole before it is rebuilt.
    std::string WholePackagePath(const Step& step) const;
};

// Reads the patch and checks every file of the game folder that it touches,
// writing nothing; refuses the command with every problem found.
Plan CheckPatch(Reporter& report, const PatchSettings& settings, Direction direction);
// Says so when an item the patch does not touch differs from the maker's.
void NoteUntouched(Reporter& report, const Step& step, std::size_t i, const std::string& sha);

}  // namespace eit::patch
