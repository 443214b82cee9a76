#include <gtest/gtest.h>

#include "formats/PatchManifest.h"
#include "platform/Sha256.h"
#include "support/Eitool.h"
#include "support/PatchTrees.h"

namespace eit::test {
namespace {

namespace fs = std::filesystem;

// A patch made from the two trees, and a copy of the original game to patch.
class EitoolPatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        trees.Write(dir);
        const ToolRun made = Eitool({"patch", "make", "original", "modified", "--output", "patch", "--title", "Polish 1.0"});
        ASSERT_EQ(made.status, 0) << made.err;
        fs::copy(dir.path() / "original", dir.path() / "game", fs::copy_options::recursive);
    }
    ToolRun Eitool(const std::vector<std::string>& args) const { return RunEitool(args, dir.path()); }
    std::map<std::string, Bytes> Game() const { return GameSnapshot(dir.path() / "game"); }
    std::map<std::string, Bytes> Tree(const std::string& name) const { return Snapshot(dir.path() / name); }
    bool HasStore() const { return fs::exists(dir.path() / "game/.eitool-patches"); }

    TempFolder dir;
    PatchTrees trees;
};

TEST_F(EitoolPatch, ApplyGivesTheModifiedGameAndRemoveGivesBackTheOriginal)
{
    const ToolRun check = Eitool({"patch", "apply", "patch", "game", "--check"});
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_NE(check.out.find("Nothing was written."), std::string::npos) << check.out;
    EXPECT_EQ(Game(), Tree("original"));
    EXPECT_FALSE(HasStore());

    const ToolRun apply = Eitool({"patch", "apply", "patch", "game"});
    ASSERT_EQ(apply.status, 0) << apply.err;
    EXPECT_EQ(Game(), Tree("modified"));

    const ToolRun again = Eitool({"patch", "apply", "patch", "game"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("is already applied"), std::string::npos) << again.out;
    EXPECT_EQ(Game(), Tree("modified"));

    EXPECT_EQ(Eitool({"patch", "remove", "patch", "game", "--check"}).status, 0);
    EXPECT_EQ(Game(), Tree("modified"));
    const ToolRun remove = Eitool({"patch", "remove", "patch", "game"});
    ASSERT_EQ(remove.status, 0) << remove.err;
    EXPECT_EQ(Tree("game"), Tree("original")) << "nothing of the patch is left, .eitool-patches included";
    EXPECT_FALSE(fs::exists(dir.path() / "game/lang")) << "the folders the patch added go with it";
}

TEST_F(EitoolPatch, APatchHoldsTheChangesAndTheManifestOnly)
{
    const std::map<std::string, Bytes> patch = Tree("patch");
    const Bytes& manifest = patch.at(kPatchManifestName);
    std::size_t size = 0;
    for (const auto& [name, bytes] : patch) {
        size += bytes.size();
        EXPECT_EQ(bytes.find(dir.str()), Bytes::npos) << name << " holds a path of the maker's machine";
    }
    EXPECT_EQ(size, trees.ChangedBytes() + manifest.size());
    EXPECT_LT(manifest.size(), 2000u);
    EXPECT_NE(manifest.find("title Polish 1.0\n"), Bytes::npos);
    EXPECT_NE(manifest.find(Sha256Hex("menu")), Bytes::npos) << "the checksum of a replaced item, in hexadecimal";
}

// A game that does not hold what the patch expects: refused, with the file
// (and item) and both checksums, by the check and the apply alike; nothing written.
TEST_F(EitoolPatch, AGameThatDiffersWhereThePatchWritesIsRefusedAndNothingIsWritten)
{
    std::vector<LibItem> renamed = trees.originalItems;
    renamed[2].name = "FONT.FNT";
    std::vector<LibItem> oneByte = trees.originalItems;
    oneByte[0].data = "menX";
    const struct {
        const char* what;
        const char* file;
        Bytes contents;
        std::string shown;  // the file or item named
        std::string expected, found;
    } cases[] = {
        {"one byte of a replaced item", "data/maps.lib", MakeLib(oneByte), "data/maps.lib, item 0 (menu.cif)", Sha256Hex("menu"), Sha256Hex("menX")},
        {"a changed file", "readme.txt", "Version 2", "readme.txt", Sha256Hex("Version 1"), Sha256Hex("Version 2")},
        {"an item renamed", "data/maps.lib", MakeLib(renamed), "data/maps.lib: its directory",
         DirectoryNamesSha({"menu.cif", "art\\big.bmp", "font.fnt", "old.txt"}), DirectoryNamesSha({"menu.cif", "art\\big.bmp", "FONT.FNT", "old.txt"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(dir / ("game/" + std::string(c.file)), c.contents);
        const std::map<std::string, Bytes> before = Game();
        for (const bool check : {true, false}) {
            std::vector<std::string> args{"patch", "apply", "patch", "game"};
            if (check) args.push_back("--check");
            const ToolRun apply = Eitool(args);
            EXPECT_EQ(apply.status, 1);
            for (const std::string& text : {c.shown, c.expected, c.found, std::string("another version of the game")}) {
                EXPECT_NE(apply.err.find(text), std::string::npos) << text << " not in:\n" << apply.err;
            }
            EXPECT_EQ(Game(), before);
            EXPECT_FALSE(HasStore());
        }
        WriteAll(dir / ("game/" + std::string(c.file)), ReadAll(dir / ("original/" + std::string(c.file))));
    }
}

// Another mod or an update changed an item the patch leaves alone: the patch
// goes in item by item and says so; removing it keeps that item too.
TEST_F(EitoolPatch, AnUntouchedItemThatDiffersStillTakesThePatch)
{
    std::vector<LibItem> game = trees.originalItems;
    game[1].data = Noise(1000, 2);
    WriteAll(dir / "game/data/maps.lib", MakeLib(game));
    const ToolRun apply = Eitool({"patch", "apply", "patch", "game"});
    ASSERT_EQ(apply.status, 0) << apply.err;
    EXPECT_NE(apply.err.find("data/maps.lib, item 1 (art\\big.bmp): the patch does not touch this item"), std::string::npos) << apply.err;
    EXPECT_NE(apply.err.find(Sha256Hex(game[1].data)), std::string::npos) << apply.err;
    std::vector<LibItem> patched = trees.modifiedItems;
    patched[1].data = game[1].data;
    EXPECT_EQ(ReadAll(dir / "game/data/maps.lib"), MakeLib(patched));

    ASSERT_EQ(Eitool({"patch", "remove", "patch", "game"}).status, 0);
    EXPECT_EQ(ReadAll(dir / "game/data/maps.lib"), MakeLib(game));
}

TEST_F(EitoolPatch, RemoveRefusesAFileChangedSinceTheApplyAndWritesNothing)
{
    ASSERT_EQ(Eitool({"patch", "apply", "patch", "game"}).status, 0);
    WriteAll(dir / "game/readme.txt", "Version 1 (PL), edited");
    const std::map<std::string, Bytes> before = Tree("game");
    const ToolRun remove = Eitool({"patch", "remove", "patch", "game"});
    EXPECT_EQ(remove.status, 1);
    for (const std::string& text : {std::string("readme.txt: expected SHA-256 ") + Sha256Hex("Version 1 (PL)"),
                                    Sha256Hex("Version 1 (PL), edited"), std::string("changed since")}) {
        EXPECT_NE(remove.err.find(text), std::string::npos) << text << " not in:\n" << remove.err;
    }
    EXPECT_EQ(Tree("game"), before);
}

TEST_F(EitoolPatch, ExitStatusesOfUsageAndOfFailures)
{
    EXPECT_EQ(Eitool({"patch"}).status, 2);
    EXPECT_EQ(Eitool({"patch", "apply", "patch"}).status, 2);
    EXPECT_EQ(Eitool({"patch", "make", "original", "modified"}).status, 2) << "--output is required";
    const ToolRun same = Eitool({"patch", "make", "original", "original", "--output", "none"});
    EXPECT_EQ(same.status, 1);
    EXPECT_NE(same.err.find("hold the same files"), std::string::npos) << same.err;
    EXPECT_EQ(Eitool({"patch", "make", "original", "modified", "--output", "patch"}).status, 1) << "the patch folder is not empty";
    const ToolRun noPatch = Eitool({"patch", "apply", "game", "game"});
    EXPECT_EQ(noPatch.status, 1);
    EXPECT_NE(noPatch.err.find("Cannot open file " + (dir / "game/eitool-patch.txt")), std::string::npos) << noPatch.err;
}

}  // namespace
}  // namespace eit::test
