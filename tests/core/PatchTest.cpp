#include <gtest/gtest.h>

#include "formats/PatchManifest.h"
#include "jobs/Patch.h"
#include "platform/Faults.h"
#include "support/ErrorOf.h"
#include "support/PatchTrees.h"
#include "support/Recorder.h"

namespace eit::test {
namespace {

const std::string kA(64, 'a');
const std::string kB(64, 'b');

PatchManifest SampleManifest()
{
    PatchFile package{FileChange::Package, "data/maps.lib", "", "", {}};
    package.items = {{ItemChange::Keep, "art\\big.bmp", kA, ""},
                     {ItemChange::Replace, std::string(" menu%\0\xE9.cif ", 13), kA, kB},
                     {ItemChange::Remove, "old.txt", kB, ""},
                     {ItemChange::Add, "new.txt", "", kA}};
    package.was = DirectoryNamesSha(OriginalNames(package));
    package.becomes = DirectoryNamesSha(NewNames(package));
    return {"Polish 1.0 – 100%", {{FileChange::Change, "read me.txt", kA, kB, {}}, package, {FileChange::Add, "lang/pl/x.txt", "", kB, {}},
                                 {FileChange::Delete, "gone.dat", kA, "", {}}}};
}

TEST(PatchManifest, ReadsBackWhatItWritesEveryByteOfNamesIncluded)
{
    const PatchManifest written = SampleManifest();
    const std::string text = WriteManifest(written);
    EXPECT_NE(text.find("  replace 1 " + kA + " " + kB + " %20menu%25%00%E9.cif%20\n"), std::string::npos) << text;
    const PatchManifest read = ParseManifest(text, "m");
    EXPECT_EQ(read.title, written.title);
    ASSERT_EQ(read.files.size(), written.files.size());
    for (std::size_t i = 0; i < read.files.size(); ++i) {
        EXPECT_EQ(read.files[i].path, written.files[i].path);
        EXPECT_EQ(read.files[i].was, written.files[i].was);
        EXPECT_EQ(read.files[i].becomes, written.files[i].becomes);
        ASSERT_EQ(read.files[i].items.size(), written.files[i].items.size());
        for (std::size_t k = 0; k < read.files[i].items.size(); ++k) {
            EXPECT_EQ(read.files[i].items[k].name, written.files[i].items[k].name);
            EXPECT_EQ(read.files[i].items[k].change, written.files[i].items[k].change);
        }
    }
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(WriteManifest(ParseManifest(crlf, "m")), text) << "a manifest whose line ends became CR LF reads the same";
}

// Every malformed manifest is refused with the line and what is wrong.
TEST(PatchManifest, RefusesMalformedManifests)
{
    const std::string good = WriteManifest(SampleManifest());
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        const std::size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return at == std::string::npos ? text : text.replace(at, from.size(), to);
    };
    const std::string changeLine = "change " + kA + " " + kB + " read me.txt";
    const struct {
        const char* what;
        std::string text;
        std::string error;
    } cases[] = {
        {"another version", replaced("eitool patch 1", "eitool patch 2"), "line 1: the first line is not \"eitool patch 1\""},
        {"no title", replaced("title ", "name "), "line 2: the second line is not \"title \""},
        {"unknown keyword", replaced(changeLine, "rename x y"), "line 5: unknown keyword \"rename\""},
        {"short checksum", replaced(changeLine, "change " + kA.substr(1) + " " + kB + " r.txt"), "is not a SHA-256"},
        {"upper-case checksum", replaced(changeLine, "change " + std::string(64, 'A') + " " + kB + " r.txt"), "is not a SHA-256"},
        {"missing field", replaced(changeLine, "change " + kA), "line 5: missing new checksum"},
        {"no path", replaced(changeLine, "change " + kA + " " + kB + " "), "line 5: missing path"},
        {"absolute path", replaced("read me.txt", "/etc/passwd"), "line 5: the path /etc/passwd is absolute or leaves the game folder"},
        {"climbing path", replaced("read me.txt", "data/../../x"), "the path data/../../x is absolute or leaves the game folder"},
        {"empty folder name", replaced("read me.txt", "data//x"), "is absolute or leaves the game folder"},
        {"escaped slash climbing", replaced("read me.txt", "%2E%2E/x"), "the path ../x is absolute or leaves the game folder"},
        {"drive letter", replaced("read me.txt", "c:/x"), "holds \"\\\", \":\" or a control character"},
        {"backslash", replaced("read me.txt", "..%5Cx"), "holds \"\\\", \":\" or a control character"},
        {"the store folder", replaced("read me.txt", ".EITOOL-patches/x"), "lies in .eitool-patches"},
        {"bad escape", replaced("read me.txt", "read%G0me"), "\"%\" not followed by two hexadecimal digits"},
        {"escape cut short", replaced("read me.txt", "read%4"), "\"%\" not followed by two hexadecimal digits"},
        {"raw byte past ASCII", replaced("read me.txt", "r\xE9" "ad"), "line 5: a byte E9 that is not printable ASCII"},
        {"tab", replaced("read me.txt", "read\tme"), "a byte 09 that is not printable ASCII"},
        {"item outside a package", replaced(changeLine, "  keep 0 " + kA + " x"), "line 5: an item line outside a package"},
        {"items out of order", replaced("  remove 2 ", "  remove 3 "), "item number 3 where 2 comes next"},
        {"name that does not give the checksum", replaced("old.txt", "OLD.txt"), "line 6: the original items' names do not give the checksum"},
        {"no names line", replaced("  names ", "  nemas "), "an item before the package's \"names\" line"},
        {"unknown item keyword", replaced("  keep ", "  kept "), "unknown item keyword \"kept\""},
        {"a path twice", replaced("gone.dat", "read me.txt"), "the path is given twice"},
        {"a file that is also a folder", replaced("gone.dat", "lang/pl"), "lang/pl is both a file and the folder of lang/pl/x.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string error = ErrorOf([&] { ParseManifest(c.text, "P/eitool-patch.txt"); });
        EXPECT_TRUE(error.starts_with("Damaged patch manifest P/eitool-patch.txt")) << error;
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

// A game folder after a command that failed part-way: every file either as
// it was before or as the command writes it, none half-written.
void ExpectEachFileOldOrNew(const std::map<std::string, Bytes>& game, const std::map<std::string, Bytes>& before,
                            const std::map<std::string, Bytes>& after)
{
    std::set<std::string> paths;
    for (const auto* tree : {&game, &before, &after}) {
        for (const auto& [path, bytes] : *tree) paths.insert(path);
    }
    for (const std::string& path : paths) {
        auto holds = [&](const std::map<std::string, Bytes>& tree) {
            const bool inGame = game.contains(path), inTree = tree.contains(path);
            return inGame == inTree && (!inGame || game.at(path) == tree.at(path));
        };
        EXPECT_TRUE(holds(before) || holds(after)) << path;
    }
}

// A write that fails at any point (as a full disk or a kill would stop it)
// leaves every file old or new, and running the command again finishes it.
TEST(Patch, ACommandStoppedAtAnyWriteIsFinishedByRunningItAgain)
{
    TempFolder dir;
    PatchTrees trees;
    trees.Write(dir);
    Recorder report;
    MakePatch(report, {dir / "original", dir / "modified", dir / "patch", "t"});
    const auto original = Snapshot(dir.path() / "original");
    const auto modified = Snapshot(dir.path() / "modified");
    const PatchSettings settings{dir / "patch", dir / "game", false};
    for (const bool apply : {true, false}) {
        SCOPED_TRACE(apply ? "apply" : "remove");
        const auto& before = apply ? original : modified;
        const auto& after = apply ? modified : original;
        long n = 1;
        for (bool failed = true; failed; ++n) {
            std::filesystem::remove_all(dir.path() / "game");
            std::filesystem::copy(dir.path() / "original", dir.path() / "game", std::filesystem::copy_options::recursive);
            if (!apply) ApplyPatch(report, settings);
            faults::FailOperation(n);
            const std::string error = ErrorOf([&] { apply ? ApplyPatch(report, settings) : RemovePatch(report, settings); });
            failed = faults::Triggered();
            faults::FailOperation(0);
            SCOPED_TRACE("failing write " + std::to_string(n) + ": " + error);
            EXPECT_EQ(failed, error != "(no error)");
            ExpectEachFileOldOrNew(GameSnapshot(dir.path() / "game"), before, after);
            EXPECT_FALSE(AnyFileBeside(dir.path() / "game"));
            apply ? ApplyPatch(report, settings) : RemovePatch(report, settings);
            EXPECT_EQ(GameSnapshot(dir.path() / "game"), after);
            if (apply) {
                RemovePatch(report, settings);
                EXPECT_EQ(Snapshot(dir.path() / "game"), original);
            }
        }
        EXPECT_GT(n, 5) << "the writes were counted";
    }
}

}  // namespace
}  // namespace eit::test
