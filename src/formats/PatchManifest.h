#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace eit {

// A patch is a folder: the manifest kPatchManifestName, plain text a person
// can read, and the contents it carries in kPatchDataFolder, each file named
// by its SHA-256. Paths are relative to the game folder, "/" between folders.
//
//   eitool patch 1
//   title Polish translation 1.0
//   change <was> <becomes> docs/readme.txt     a whole file replaced
//   add <becomes> docs/new.txt                 a file added
//   delete <was> docs/old.txt                  a file deleted
//   package data/maps.lib                      a LIB package, item by item:
//     names <was> <becomes>                    SHA-256 of both directories' names
//     keep 0 <was> land\hills.bmp              untouched (may differ)
//     replace 1 <was> <becomes> menu.cif
//     remove 2 <was> old.bmp
//     add <becomes> new.bmp
//
// Item lines come in the order of the new directory, removed items where
// they stood; the numbers are the items' places in the original directory.
// Every checksum is a SHA-256 in 64 lower-case hexadecimal digits. Bytes
// outside printable ASCII, "%" and a name's leading or trailing spaces are
// written %XX. Lines starting with "#" are comments.
inline constexpr const char* kPatchManifestName = "eitool-patch.txt";
inline constexpr const char* kPatchDataFolder = "data";
// The folder at the top of a game folder that holds what removing patches needs.
inline constexpr const char* kPatchStoreFolder = ".eitool-patches";

enum class ItemChange { Keep, Replace, Remove, Add };

struct PatchItem {
    ItemChange change = ItemChange::Keep;
    std::string name;   // as the directory stores it, every byte
    std::string was;    // Keep, Replace, Remove: the original item's SHA-256
    std::string becomes;  // Replace, Add: the new item's, the name of its file in data/
};

enum class FileChange { Change, Add, Delete, Package };

struct PatchFile {
    FileChange change = FileChange::Change;
    std::string path;
    std::string was;      // Change, Delete; Package: the original directory's names
    std::string becomes;  // Change, Add; Package: the new directory's names
    std::vector<PatchItem> items;  // Package only
};

struct PatchManifest {
    std::string title;
    std::vector<PatchFile> files;
};

// Bytes as the manifest writes names and paths: outside printable ASCII,
// "%" and spaces at either end as %XX.
std::string ManifestText(std::string_view bytes);

std::string WriteManifest(const PatchManifest& manifest);
// Refuses anything malformed with an error naming `source` and the line:
// unknown keywords, checksums that are not 64 hexadecimal digits, paths that
// are absolute or climb out of the game folder, items out of order, names
// that do not give their directory's checksum, a path given twice.
PatchManifest ParseManifest(std::string_view text, const std::string& source);

// The SHA-256 of a directory's names: the entry count (u32) and every name
// with its length (u16), little-endian, as the package stores them.
std::string DirectoryNamesSha(const std::vector<std::string>& names);
// The names of a package's directory before and after the patch.
std::vector<std::string> OriginalNames(const PatchFile& package);
std::vector<std::string> NewNames(const PatchFile& package);

}  // namespace eit
