#include <gtest/gtest.h>

#include "platform/File.h"
#include "support/Eitool.h"
#include "support/Files.h"
#include "support/LibBuilder.h"

namespace eit::test {
namespace {

TEST(EitoolLib, ExtractEditReplayRebuildsThePackageByteForByte)
{
    TempFolder dir;
    const Bytes grown(70000, 'G');
    WriteAll(dir / "in/maps.lib", MakeLib({{"land\\hills.bmp", "hills"}, {"notes.txt", "old text"}, {"empty.dat", ""}}));
    WriteAll(dir / "in/sky.LIB", MakeLib({{"sky.bmp", "blue"}}));

    ToolRun extract = RunEitool({"extract", "--target", "out", "in/maps.lib", "in/sky.LIB"}, dir.path());
    ASSERT_EQ(extract.status, 0) << extract.err;
    EXPECT_EQ(extract.out,
              "Item 0 hills.bmp extracted.\nItem 1 notes.txt extracted.\nItem 2 empty.dat extracted.\n"
              "Item 0 sky.bmp extracted.\nTotal 17 bytes extracted.\n");
    EXPECT_NE(extract.err.find("Operation complete!"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "out/result.log"),
              "#Format: LIB\r\n#Source: " + (dir / "in/maps.lib") + "\r\n"
              "#Target: " + (dir / "out/BMP/maps_hills.bmp") + "\r\n"
              "#Target: " + (dir / "out/TXT/maps_notes.txt") + "\r\n"
              "#Target: " + (dir / "out/DAT/maps_empty.dat") + "\r\n"
              "#Format: LIB\r\n#Source: " + (dir / "in/sky.LIB") + "\r\n"
              "#Target: " + (dir / "out/BMP/sky_sky.bmp") + "\r\n");

    WriteAll(dir / "out/BMP/maps_hills.bmp", grown);
    WriteAll(dir / "out/TXT/maps_notes.txt", "new");
    ToolRun replay = RunEitool({"replay", "--target", "out", "out/result.log"}, dir.path());
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(replay.out, "Item maps_hills.bmp inserted.\nItem maps_notes.txt inserted.\nItem maps_empty.dat inserted.\n"
                          "Item sky_sky.bmp inserted.\nsky.LIB was up to date: nothing written.\n");
    EXPECT_EQ(ReadAll(dir / "in/maps.lib"), MakeLib({{"land\\hills.bmp", grown}, {"notes.txt", "new"}, {"empty.dat", ""}}));
    EXPECT_EQ(ReadAll(dir / "in/sky.LIB"), MakeLib({{"sky.bmp", "blue"}}));

    ToolRun list = RunEitool({"list", "in/maps.lib"}, dir.path());
    EXPECT_EQ(list.status, 0);
    EXPECT_EQ(list.out, "0 70 70000 land\\hills.bmp\n1 70070 3 notes.txt\n2 70073 0 empty.dat\n");
}

TEST(EitoolLib, ProjectListReplaysEveryLog)
{
    TempFolder dir;
    WriteAll(dir / "a.lib", MakeLib({{"a.txt", "aaa"}}));
    WriteAll(dir / "b.lib", MakeLib({{"b.txt", "bbb"}}));
    ASSERT_EQ(RunEitool({"extract", "--target", "x", "a.lib"}, dir.path()).status, 0);
    ASSERT_EQ(RunEitool({"extract", "--target", "y", "b.lib"}, dir.path()).status, 0);
    WriteAll(dir / "x/TXT/a_a.txt", "AAAA");
    WriteAll(dir / "y/TXT/b_b.txt", "B");
    WriteAll(dir / "all.lst", (dir / "x/result.log") + "\r\n" + (dir / "y/result.log") + "\r\n");
    ToolRun replay = RunEitool({"replay", "--project", "all.lst"}, dir.path());
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(ReadAll(dir / "a.lib"), MakeLib({{"a.txt", "AAAA"}}));
    EXPECT_EQ(ReadAll(dir / "b.lib"), MakeLib({{"b.txt", "B"}}));
    EXPECT_FALSE(std::filesystem::exists(dir / "result.log")) << "a replay writes no log";
}

TEST(EitoolLib, UsageAndRunErrorsHaveTheirExitCodes)
{
    TempFolder dir;
    WriteAll(dir / "a.lib", MakeLib({{"a.txt", "aaa"}}));
    WriteAll(dir / "b.fnt", "x");
    WriteAll(dir / "c.doc", "x");
    EXPECT_EQ(RunEitool({"extract", "--target", "o", "a.lib", "b.fnt"}, dir.path()).status, 2);
    EXPECT_EQ(RunEitool({"extract", "--target", "o", "c.doc"}, dir.path()).status, 2);
    EXPECT_EQ(RunEitool({"frobnicate"}, dir.path()).status, 2);
    ToolRun missing = RunEitool({"extract", "--target", "o", "gone.lib"}, dir.path());
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "eitool: Cannot open file " + (dir / "gone.lib") + ": " + kNoSuchFile + "\n");
    ToolRun version = RunEitool({"--version"}, dir.path());
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("eitool"), std::string::npos);
}

// While another program holds the package, the replay cannot open it for
// reading and writing: the run ends naming it, and the package is untouched.
TEST(EitoolLib, ReplayOfAPackageHeldElsewhereFailsAndChangesNothing)
{
    TempFolder dir;
    const Bytes package = MakeLib({{"a.txt", "aaa"}});
    WriteAll(dir / "a.lib", package);
    ASSERT_EQ(RunEitool({"extract", "--target", "out", "a.lib"}, dir.path()).status, 0);
    WriteAll(dir / "out/TXT/a_a.txt", "edited");
    File holder(dir / "a.lib", OpenMode::ReadWrite);
    ToolRun replay = RunEitool({"replay", "out/result.log"}, dir.path());
    EXPECT_EQ(replay.status, 1);
    EXPECT_EQ(replay.err, "eitool: Cannot open file " + (dir / "a.lib") + ": " + kHeldElsewhere + "\n");
    holder.Close();
    EXPECT_EQ(ReadAll(dir / "a.lib"), package);
}

TEST(EitoolLib, EntryNamesThatClimbStayInsideTheTargetFolder)
{
    TempFolder dir;
    WriteAll(dir / "in/evil.lib", MakeLib({{"..\\..\\x.txt", "a"}, {"../../y.txt", "b"}, {"c:\\z.txt", "c"}}));
    ToolRun run = RunEitool({"extract", "--target", "deep/out", "in/evil.lib"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    auto files = Snapshot(dir.path());
    EXPECT_EQ(files.size(), 5u);  // the package, three items and the log
    EXPECT_EQ(files.at("deep/out/TXT/evil_x.txt"), "a");
    EXPECT_EQ(files.at("deep/out/TXT/evil_y.txt"), "b");
    EXPECT_EQ(files.at("deep/out/TXT/evil_z.txt"), "c");
}

}  // namespace
}  // namespace eit::test
