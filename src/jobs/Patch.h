#pragma once
#include <string>

#include "run/Reporter.h"

namespace eit {

// Patches: the items and files a translation changed, carried from the
// translator's game folder to a player's (format in formats/PatchManifest.h).

struct MakePatchSettings {
    std::string original;  // the untouched game folder
    std::string modified;  // the same game with the translation in it
    std::string output;    // the patch folder to make: missing or empty
    std::string title;
};

struct PatchSettings {
    std::string patch;  // the patch folder
    std::string game;   // the game folder it is applied to or removed from
    bool check = false;  // say what would change and write nothing
};

enum class PatchOutcome {
    Changed,     // files were (or with check would be) written
    AlreadyDone  // every file already holds what the command would write
};

// Compares the two folders and writes the patch: LIB packages item by item,
// other files whole. Raises an error when nothing differs.
void MakePatch(Reporter& report, const MakePatchSettings& settings);
// Checks every file the patch touches before the first write, then writes
// them one by one, each whole or not at all; what removing needs is kept in
// GAME/.eitool-patches. A file that holds neither what the patch expects
// nor what it writes refuses the whole patch with an error naming it.
// Running it again after it was stopped finishes it.
PatchOutcome ApplyPatch(Reporter& report, const PatchSettings& settings);
// Puts back what ApplyPatch replaced, after checking that every file still
// holds what the patch wrote.
PatchOutcome RemovePatch(Reporter& report, const PatchSettings& settings);

}  // namespace eit
