#pragma once
// Two game folders for patch tests: "original" and "modified", the
// translation in the second (a package with items replaced, added and
// removed, a file changed, one added in a new folder, one deleted).
#include <map>
#include <string>

#include "support/Files.h"
#include "support/LibBuilder.h"

namespace eit::test {

// Bytes that do not repeat, so no two items share a checksum by accident.
inline Bytes Noise(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

struct PatchTrees {
    Bytes untouched = Noise(70000, 1);  // an item large beside the ones that change
    std::vector<LibItem> originalItems{{"menu.cif", "menu"}, {"art\\big.bmp", untouched}, {"font.fnt", "font"}, {"old.txt", "old"}};
    std::vector<LibItem> modifiedItems{{"menu.cif", "MENU!"}, {"art\\big.bmp", untouched}, {"new.txt", "new"}, {"font.fnt", "FONT"}};

    // The bytes that change, all a patch may carry beside its manifest: three
    // items, the changed file and the added one.
    std::size_t ChangedBytes() const { return 5 + 3 + 4 + 14 + 5; }

    void Write(const TempFolder& dir) const
    {
        WriteAll(dir / "original/data/maps.lib", MakeLib(originalItems));
        WriteAll(dir / "original/readme.txt", "Version 1");
        WriteAll(dir / "original/unused.dat", "gone");
        WriteAll(dir / "original/same.dat", untouched);
        WriteAll(dir / "modified/data/maps.lib", MakeLib(modifiedItems));
        WriteAll(dir / "modified/readme.txt", "Version 1 (PL)");
        WriteAll(dir / "modified/lang/pl/fonts.txt", "added");
        WriteAll(dir / "modified/same.dat", untouched);
    }
};

// A game folder's files, without the folder that holds what removing patches needs.
inline std::map<std::string, Bytes> GameSnapshot(const std::filesystem::path& game)
{
    std::map<std::string, Bytes> files = Snapshot(game);
    std::erase_if(files, [](const auto& file) { return file.first.starts_with(".eitool-patches/"); });
    return files;
}

}  // namespace eit::test
