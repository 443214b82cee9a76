#include <gtest/gtest.h>

#include <algorithm>

#include "formats/Formats.h"
#include "jobs/ProjectList.h"
#include "jobs/Run.h"
#include "platform/Error.h"
#include "support/LibBuilder.h"
#include "fixtures/RunFixture.h"

namespace eit::test {
namespace {

class RunTest : public RunFixture {
protected:
    // Three packages in dir/in, extracted into dir/out.
    std::vector<std::string> ThreePackages()
    {
        std::vector<std::string> jobs;
        for (std::string name : {"a.lib", "b.lib", "c.lib"}) {
            WriteAll(dir / ("in/" + name), MakeLib({{name + ".txt", "data of " + name}}));
            jobs.push_back(dir / ("in/" + name));
        }
        ctx.JobKind = JobKind::ExtractLib;
        dialogs.folder = dir / "out";
        CreateFolders(dir / "out");
        return jobs;
    }
};

TEST_F(RunTest, TotalShowsEachEntrysShareAfterItAndNeverReaches100)
{
    RunProcess(ctx, ThreePackages());
    EXPECT_EQ(recorder.total, (std::vector<int>{0, 0, 33, 66, 0}));
    EXPECT_EQ(dialogs.shown, (std::vector<std::string>{"Process status:|Operation complete!"}));
}

TEST_F(RunTest, OneEntryKeepsTotalAtZero)
{
    auto jobs = ThreePackages();
    jobs.resize(1);
    RunProcess(ctx, jobs);
    EXPECT_EQ(recorder.total, (std::vector<int>{0, 0, 0}));
}

TEST_F(RunTest, ExtractingRunWritesTheLogAndBlanksTheLabels)
{
    auto jobs = ThreePackages();
    WriteAll(dir / "out/result.log", "old log\r\n");
    const std::string here = CurrentFolder();
    RunProcess(ctx, jobs);
    LineList log;
    log.LoadFromFile(dir / "out/result.log");
    ASSERT_EQ(log.Count(), 9u);
    EXPECT_EQ(log[0], "#Format: LIB");
    EXPECT_EQ(log[1], "#Source: " + jobs[0]);
    EXPECT_EQ(log[2], "#Target: " + (dir / "out/TXT/a_a.lib.txt"));
    EXPECT_EQ(recorder.messages.back(), "");
    EXPECT_EQ(recorder.extracted.back(), "");
    EXPECT_EQ(recorder.progress.back(), 0);
    EXPECT_EQ(recorder.results.back(), "Kept the earlier result.log as result.log.~1~.");
    EXPECT_EQ(recorder.results.end()[-2], "Total 39 bytes extracted.");
    EXPECT_EQ(ReadAll(dir / "out/result.log.~1~"), "old log\r\n");
    EXPECT_EQ(CurrentFolder(), here) << "a run leaves the process's current folder alone";
    EXPECT_EQ(recorder.handlersStarted, 3);
    EXPECT_EQ(recorder.handlersEnded, 3);
}

TEST_F(RunTest, NextPickerStartsInThePreviousTargetFolder)
{
    auto jobs = ThreePackages();
    RunProcess(ctx, jobs);
    RunProcess(ctx, jobs);
    ASSERT_EQ(dialogs.pickerStarts.size(), 2u);
    EXPECT_EQ(dialogs.pickerStarts[1], dir / "out");
}

TEST_F(RunTest, CancelledPickerClearsResultsWritesNoLogAndStillCompletes)
{
    auto jobs = ThreePackages();
    dialogs.folder.reset();
    recorder.results = {"old line"};
    RunProcess(ctx, jobs);
    EXPECT_TRUE(recorder.results.empty());
    EXPECT_FALSE(Exists(dir / "out/result.log"));
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(recorder.handlersStarted, 0);
}

TEST_F(RunTest, EmptyJobListDoesNothing)
{
    recorder.results = {"kept"};
    RunProcess(ctx, {});
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"kept"}));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(RunTest, ReplayRunLogsItsEntriesButWritesNoLog)
{
    auto jobs = ThreePackages();
    RunProcess(ctx, jobs);
    const Bytes log = ReadAll(dir / "out/result.log");
    ctx.JobKind = JobKind::ReplayLogs;
    RunProcess(ctx, {dir / "out/result.log"});
    EXPECT_EQ(LogLines(ctx.OperationLog), (std::vector<std::string>{"#Format: ", "#Source: " + (dir / "out/result.log")}));
    EXPECT_EQ(ReadAll(dir / "out/result.log"), log);
}

TEST_F(RunTest, AnErrorEndsTheRunWithoutLogOrCompletion)
{
    auto jobs = ThreePackages();
    jobs[1] = dir / "in/missing.lib";
    EXPECT_THROW(RunProcess(ctx, jobs), ToolError);
    EXPECT_FALSE(Exists(dir / "out/result.log"));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(ctx.OperationLog.Count(), 5u);  // the first group and the failed entry's two lines
}

TEST_F(RunTest, StopBetweenEntriesKeepsWhatIsDoneAndLogsCompleteGroups)
{
    auto jobs = ThreePackages();
    recorder.onPump = [&] {
        if (recorder.handlersEnded == 1) ctx.StopRequested = true;
    };
    RunProcess(ctx, jobs);
    LineList log;
    log.LoadFromFile(dir / "out/result.log");
    EXPECT_EQ(log.Count(), 3u);
    EXPECT_TRUE(Exists(dir / "out/TXT/a_a.lib.txt"));
    EXPECT_FALSE(Exists(dir / "out/TXT/b_b.lib.txt"));
    EXPECT_NE(std::find(recorder.results.begin(), recorder.results.end(), kStoppedLine), recorder.results.end());
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(RunTest, StopInsideAPackageDropsItsGroupFromTheLog)
{
    std::vector<LibItem> items;
    for (int i = 0; i < 5; ++i) items.push_back({"item" + std::to_string(i) + ".bin", "x"});
    WriteAll(dir / "in/a.lib", MakeLib({{"first.bin", "1"}}));
    WriteAll(dir / "in/b.lib", MakeLib(items));
    ctx.JobKind = JobKind::ExtractLib;
    dialogs.folder = dir.str();
    recorder.onPump = [&] {
        if (recorder.messages.back() == "Extracting item2.bin from b.lib...") ctx.StopRequested = true;  // b.lib part-way
    };
    RunProcess(ctx, {dir / "in/a.lib", dir / "in/b.lib"});
    LineList log;
    log.LoadFromFile(dir / "result.log");
    EXPECT_EQ(LogLines(log), (std::vector<std::string>{"#Format: LIB", "#Source: " + (dir / "in/a.lib"),
                                                        "#Target: " + (dir / "BIN/a_first.bin")}));
    EXPECT_EQ(recorder.results.back(), "Total 4 bytes extracted.");  // b.lib's first three items stay on disk, whole
    EXPECT_EQ(recorder.results[recorder.results.size() - 2], kStoppedLine);
    EXPECT_EQ(recorder.results[recorder.results.size() - 3], "Item 2 item2.bin extracted.");
    EXPECT_EQ(ReadAll(dir / "BIN/b_item2.bin"), "x");
    EXPECT_FALSE(Exists(dir / "BIN/b_item3.bin"));
}

TEST_F(RunTest, StopRequestIsClearedWhenARunStarts)
{
    auto jobs = ThreePackages();
    ctx.StopRequested = true;
    RunProcess(ctx, jobs);
    EXPECT_TRUE(Exists(dir / "out/TXT/c_c.lib.txt"));
}

TEST(JobKinds, TablesAndExtensionsAgree)
{
    EXPECT_EQ(FormatNameOfKind(JobKind::ExtractLib), "LIB");
    EXPECT_EQ(FormatNameOfKind(JobKind::ExtractCifText), "CIF");
    EXPECT_EQ(FormatNameOfKind(JobKind::FontToBitmap), "FNT");
    EXPECT_EQ(FormatNameOfKind(JobKind::ReplayProject), "");
    EXPECT_EQ(FilterIndexOfKind(JobKind::ReplayLogs), 5);
    EXPECT_EQ(KindOfFile("x/NAMES.CIF"), JobKind::ExtractCifText);
    EXPECT_EQ(KindOfFile("x/a.Tab"), JobKind::ExtractCifText);
    EXPECT_EQ(KindOfFile("p.LST"), JobKind::ReplayProject);
    EXPECT_EQ(KindOfFile("result.log"), JobKind::ReplayLogs);
    EXPECT_EQ(KindOfFile("lib"), JobKind::None);
}

TEST(ProjectList, SavesAndLoadsEntriesIncludingEmptyOnes)
{
    TempFolder dir;
    SaveProjectList(dir / "p.lst", {"a.log", "", "c.log"});
    EXPECT_EQ(ReadAll(dir / "p.lst"), "a.log\r\n\r\nc.log\r\n");
    EXPECT_EQ(LoadProjectList(dir / "p.lst"), (std::vector<std::string>{"a.log", "", "c.log"}));
    EXPECT_THROW(LoadProjectList(dir / "none.lst"), ToolError);
}

}  // namespace
}  // namespace eit::test
