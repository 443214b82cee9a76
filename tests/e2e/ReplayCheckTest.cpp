// eitool replay --check: what the replay would do to each source, warnings
// and errors, exit 0 or 1, and nothing written.
#include <gtest/gtest.h>

#include "support/Eitool.h"
#include "support/Files.h"
#include "support/LibBuilder.h"

namespace eit::test {
namespace {

TEST(EitoolCheck, PrintsWhatEachSourceWouldGetWritesNothingAndExitsOneOnErrors)
{
    TempFolder dir;
    WriteAll(dir / "a.lib", MakeLib({{"x.txt", "x"}, {"y.bin", "y"}}));
    WriteAll(dir / "b.lib", MakeLib({{"z.txt", "z"}}));
    ASSERT_EQ(RunEitool({"extract", "--target", "out", "a.lib", "b.lib"}, dir.path()).status, 0);
    WriteAll(dir / "out/TXT/a_x.txt", "edited");
    WriteAll(dir / "all.lst", (dir / "out/result.log") + "\r\n");
    const auto before = Snapshot(dir.path());
    for (const std::vector<std::string>& logs : {std::vector<std::string>{"out/result.log"}, {"--project", "all.lst"}}) {
        std::vector<std::string> args = {"replay", "--check"};
        args.insert(args.end(), logs.begin(), logs.end());
        ToolRun check = RunEitool(args, dir.path());
        EXPECT_EQ(check.status, 0) << check.err;
        EXPECT_EQ(check.out, PathsIn("D/a.lib: 2 items, 1 differs\nD/b.lib: 1 item, none differ, up to date\nThe replay would succeed.\n", dir));
        EXPECT_EQ(check.err, "");
    }

    std::filesystem::remove(dir / "out/TXT/b_z.txt");
    WriteAll(dir / "swap.log", PathsIn("#Format: LIB\r\n#Source: D/a.lib\r\n#Target: D/out/BIN/a_y.bin\r\n"
                                       "#Target: D/out/TXT/a_x.txt\r\n", dir));
    ToolRun check = RunEitool({"replay", "--check", "out/result.log", "swap.log"}, dir.path());
    EXPECT_EQ(check.status, 1);
    const std::string warning = "Warning: entry 0 (x.txt) of a.lib gets D/out/BIN/a_y.bin, whose name does not come from the "
                                "entry's name.\nWarning: entry 1 (y.bin) of a.lib gets D/out/TXT/a_x.txt, whose name does not "
                                "come from the entry's name.\n";
    EXPECT_EQ(check.out, PathsIn("D/a.lib: 2 items, 1 differs\nD/b.lib: missing D/out/TXT/b_z.txt\n"
                                 "D/b.lib: cannot be replayed: Cannot open file D/out/TXT/b_z.txt: " + kNoSuchFile + "\n"
                                 "D/a.lib: 2 items, 2 differ (an earlier group rewrites it first)\nThe replay would fail with 1 error, and write nothing.\n",
                                 dir));
    EXPECT_EQ(check.err, PathsIn("eitool: " + warning.substr(0, warning.find('\n') + 1) + "eitool: " +
                                     warning.substr(warning.find('\n') + 1) + "eitool: Cannot open file D/out/TXT/b_z.txt: " + kNoSuchFile + "\n",
                                 dir));
    std::filesystem::remove(dir / "swap.log");
    WriteAll(dir / "out/TXT/b_z.txt", "z");
    EXPECT_EQ(Snapshot(dir.path()), before);
}

// Relative paths in a project list and in its logs are taken in the target
// folder, by the check and the replay alike, wherever eitool is started.
TEST(EitoolCheck, CheckAndReplayTakeRelativePathsOfAProjectInTheTargetFolder)
{
    TempFolder dir;
    WriteAll(dir / "work/a.lib", MakeLib({{"x.txt", "x"}}));
    WriteAll(dir / "work/TXT/a_x.txt", "edited");
    WriteAll(dir / "work/result.log", "#Format: LIB\r\n#Source: a.lib\r\n#Target: TXT/a_x.txt\r\n");
    WriteAll(dir / "work/p.lst", "result.log\r\n");
    const std::vector<std::string> replay = {"replay", "--target", "work", "--project", "work/p.lst"};
    std::vector<std::string> check = replay;
    check.insert(check.begin() + 1, "--check");

    ToolRun before = RunEitool(check, dir.path());
    EXPECT_EQ(before.status, 0) << before.err;
    EXPECT_EQ(before.out, PathsIn("D/work/a.lib: 1 item, 1 differs\nThe replay would succeed.\n", dir));
    ToolRun run = RunEitool(replay, dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    ToolRun after = RunEitool(check, dir.path());
    EXPECT_EQ(after.out, PathsIn("D/work/a.lib: 1 item, none differ, up to date\nThe replay would succeed.\n", dir)) << after.err;
}

}  // namespace
}  // namespace eit::test
