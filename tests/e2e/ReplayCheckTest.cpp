// eitool replay --check: what the replay would do to each source, and its
// errors, with nothing written.
#include <gtest/gtest.h>

#include "support/Eitool.h"
#include "support/Files.h"
#include "support/LibBuilder.h"

namespace eit::test {
namespace {

class EitoolCheck : public ::testing::Test {
protected:
    EitoolCheck()
    {
        WriteAll(dir / "a.lib", MakeLib({{"x.txt", "x"}, {"y.bin", "y"}}));
        WriteAll(dir / "b.lib", MakeLib({{"z.txt", "z"}}));
        EXPECT_EQ(RunEitool({"extract", "--target", "out", "a.lib", "b.lib"}, dir.path()).status, 0);
        WriteAll(dir / "out/TXT/a_x.txt", "edited");
    }
    TempFolder dir;
};

TEST_F(EitoolCheck, PrintsWhatEachSourceWouldGetAndExitsZero)
{
    WriteAll(dir / "all.lst", (dir / "out/result.log") + "\r\n");
    const auto before = Snapshot(dir.path());
    ToolRun check = RunEitool({"replay", "--check", "out/result.log"}, dir.path());
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, PathsIn("D/a.lib: 2 items, 1 differs\nD/b.lib: 1 item, none differ\nThe replay would succeed.\n", dir));
    EXPECT_EQ(check.err, "");
    EXPECT_EQ(RunEitool({"replay", "--check", "--project", "all.lst"}, dir.path()).out, check.out);
    EXPECT_EQ(Snapshot(dir.path()), before);
}

TEST_F(EitoolCheck, NamesEveryMissingItemAndExitsOneWithTheErrors)
{
    std::filesystem::remove(dir / "out/TXT/a_x.txt");
    std::filesystem::remove(dir / "out/BIN/a_y.bin");
    const auto before = Snapshot(dir.path());
    ToolRun check = RunEitool({"replay", "--check", "out/result.log"}, dir.path());
    EXPECT_EQ(check.status, 1);
    const std::string error = PathsIn("Cannot open file D/out/TXT/a_x.txt (and 1 more item file)", dir);
    EXPECT_EQ(check.out, PathsIn("D/a.lib: missing D/out/TXT/a_x.txt\nD/a.lib: missing D/out/BIN/a_y.bin\n", dir) +
                             PathsIn("D/a.lib: cannot be replayed: ", dir) + error + "\n" +
                             PathsIn("D/b.lib: 1 item, none differ\n", dir) +
                             "The replay would fail with 1 error, and write nothing.\n");
    EXPECT_EQ(check.err, "eitool: " + error + "\n");
    EXPECT_EQ(Snapshot(dir.path()), before);
}

// A target named after another entry is warned of on standard output and on
// standard error, and the replay goes on.
TEST_F(EitoolCheck, ReplayWarnsOfATargetNamedAfterAnotherEntry)
{
    WriteAll(dir / "swap.log", PathsIn("#Format: LIB\r\n#Source: D/a.lib\r\n#Target: D/out/BIN/a_y.bin\r\n"
                                       "#Target: D/out/TXT/a_x.txt\r\n", dir));
    ToolRun replay = RunEitool({"replay", "swap.log"}, dir.path());
    EXPECT_EQ(replay.status, 0) << replay.err;
    const std::string warning =
        PathsIn("Warning: entry 0 (x.txt) of a.lib gets D/out/BIN/a_y.bin, whose name does not come from the entry's name.", dir);
    EXPECT_EQ(replay.out.substr(0, replay.out.find('\n')), warning);
    EXPECT_EQ(replay.err.substr(0, replay.err.find('\n')), "eitool: " + warning);
    EXPECT_EQ(ReadAll(dir / "a.lib"), MakeLib({{"x.txt", "y"}, {"y.bin", "edited"}}));
}

}  // namespace
}  // namespace eit::test
