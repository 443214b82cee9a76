#include <gtest/gtest.h>

#include "jobs/Replay.h"
#include "platform/Error.h"
#include "support/LibBuilder.h"
#include "fixtures/RunFixture.h"
#include "run/LogLines.h"

namespace eit::test {
namespace {

class ReplayTest : public RunFixture {
protected:
    // A package of three items in dir and a log group for it whose targets exist.
    std::string PackageGroup(const std::string& name, const std::string& format = "#Format: LIB")
    {
        WriteAll(dir / name, MakeLib({{"a.bin", "1"}, {"b.bin", "2"}, {"c.bin", "3"}}));
        std::string group = format + "\r\n#Source: " + (dir / name) + "\r\n";
        for (std::string item : {"a", "b", "c"}) {
            WriteAll(dir / (name + "." + item), name + item);
            group += "#Target: " + (dir / (name + "." + item)) + "\r\n";
        }
        return group;
    }

    void Replay(const Bytes& log)
    {
        WriteAll(dir / "r.log", log);
        ReplayLog(ctx, dir / "r.log");
    }
};

TEST_F(ReplayTest, LibLogOfTwoGroupsExaminesLinesZeroOneAndSix)
{
    Replay(PackageGroup("p.lib") + PackageGroup("q.lib"));
    auto lines = LogLines(ctx.ReplayLines);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "LIB");
    EXPECT_EQ(lines[1], dir / "p.lib");
    EXPECT_EQ(lines[5], "#Format: LIB") << "passed over after the first group";
    EXPECT_EQ(lines[6], dir / "q.lib");
    EXPECT_EQ(lines[2], "#Target: " + (dir / "p.lib.a")) << "target lines are left as they are";
    // Total moves at each examined line: i * 100 / (10 - 1).
    EXPECT_EQ(recorder.total, (std::vector<int>{0, 0, 11, 66}));
    EXPECT_EQ(ReadAll(dir / "q.lib"), MakeLib({{"a.bin", "q.liba"}, {"b.bin", "q.libb"}, {"c.bin", "q.libc"}}));
}

TEST_F(ReplayTest, KeywordsAndFormatNamesAreCaseSensitive)
{
    const Bytes before = MakeLib({{"a.bin", "1"}, {"b.bin", "2"}, {"c.bin", "3"}});
    Replay(PackageGroup("p.lib", "#format: LIB") + PackageGroup("q.lib", "#Format: lib"));
    EXPECT_EQ(ReadAll(dir / "p.lib"), before);
    EXPECT_EQ(ReadAll(dir / "q.lib"), before);
    EXPECT_EQ(ctx.ReplayLines[0], "#format: LIB");
    EXPECT_EQ(ctx.ReplayLines[5], "lib");
    EXPECT_TRUE(recorder.results.empty());
}

TEST_F(ReplayTest, RemainderIsTakenByPositionAndBareTargetKeywordIsRewritten)
{
    Replay("#Target\r\n#Target  x\r\n  #Format: LIB\r\n");
    EXPECT_EQ(ctx.ReplayLines[0], "");
    EXPECT_EQ(ctx.ReplayLines[1], " x");
    EXPECT_EQ(ctx.ReplayLines[2], ": LIB") << "leading blanks shift the remainder";
}

TEST_F(ReplayTest, EmptyAndOneLineLogsSetTotalToZero)
{
    Replay("");
    EXPECT_EQ(recorder.messages, (std::vector<std::string>{"Processing r.log..."}));
    EXPECT_EQ(recorder.total, (std::vector<int>{0}));
    recorder.total.clear();
    Replay("just one line");
    EXPECT_EQ(recorder.total, (std::vector<int>{0, 0}));
    EXPECT_EQ(recorder.progress, (std::vector<int>{1}));
}

TEST_F(ReplayTest, MissingSourceIsReportedAndTheNextGroupStillReplays)
{
    Bytes first = PackageGroup("gone.lib");
    std::filesystem::remove(dir / "gone.lib");
    Replay(first + PackageGroup("q.lib"));
    EXPECT_EQ(recorder.results.front(), "Source gone.lib not found, skipped.");
    EXPECT_EQ(ReadAll(dir / "q.lib"), MakeLib({{"a.bin", "q.liba"}, {"b.bin", "q.libb"}, {"c.bin", "q.libc"}}));
}

TEST_F(ReplayTest, SourceHeldByAnotherProgramEndsTheRun)
{
    Bytes log = PackageGroup("p.lib");
    File holder(dir / "p.lib", OpenMode::ReadWrite);
    try {
        Replay(log);
        FAIL() << "no error";
    } catch (const ToolError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "p.lib") + ": " + kHeldElsewhere);
    }
}

TEST_F(ReplayTest, FailingGroupLeavesItsSourceClosedForOthers)
{
    Bytes log = PackageGroup("p.lib");
    std::filesystem::remove(dir / "p.lib.c");
    EXPECT_THROW(Replay(log), ToolError);
    EXPECT_FALSE(ctx.SourceStream.IsOpen());
    EXPECT_NO_THROW(File(dir / "p.lib", OpenMode::ReadWrite));
}

TEST_F(ReplayTest, StopIsHonouredBetweenGroups)
{
    const Bytes before = MakeLib({{"a.bin", "1"}, {"b.bin", "2"}, {"c.bin", "3"}});
    Bytes log = PackageGroup("p.lib") + PackageGroup("q.lib");
    recorder.onPump = [&] {
        if (recorder.results.size() == 3) ctx.StopRequested = true;
    };
    EXPECT_THROW(Replay(log), RunStopped);
    EXPECT_NE(ReadAll(dir / "p.lib"), before);
    EXPECT_EQ(ReadAll(dir / "q.lib"), before);
}

TEST(FirstToken, SkipsLeadingWhiteSpace)
{
    EXPECT_EQ(FirstToken("  \t#Source: a b"), "#Source:");
    EXPECT_EQ(FirstToken("   "), "");
    EXPECT_EQ(FirstToken(""), "");
}

}  // namespace
}  // namespace eit::test
