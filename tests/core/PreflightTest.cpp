// A replay run checks every group of every log before its first write, and
// errors name the log, the group and the file.
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "formats/CifFont.h"
#include "jobs/Replay.h"
#include "jobs/ReplayCheck.h"
#include "jobs/Run.h"
#include "platform/Error.h"
#include "support/CifBuilder.h"
#include "support/FontRun.h"
#include "support/LibBuilder.h"
#include "fixtures/RunFixture.h"

namespace eit::test {
namespace {

Bytes Group(const std::string& format, const std::string& source, const std::vector<std::string>& targets)
{
    Bytes group = "#Format: " + format + "\r\n#Source: " + source + "\r\n";
    for (const std::string& target : targets) group += "#Target: " + target + "\r\n";
    return group;
}

// A font of 64 glyphs: its sheet has a cell in every strip.
Bytes FontOf64Glyphs()
{
    std::vector<TestGlyph> glyphs;
    for (std::uint32_t i = 0; i < 64; ++i) glyphs.push_back(PatternGlyph(i, 2 + i % 4, 2 + i % 3, 0));
    return MakeFont(glyphs);
}

class Preflight : public RunFixture {
protected:
    Preflight()
    {
        WriteAll(dir / "palette.act", TestPalette());
        dialogs.palette = dir / "palette.act";
        dialogs.folder = dir.str();
        ctx.JobKind = JobKind::ReplayProject;
    }

    // Three logs, a LIB, a CIF and an FNT group, each with an edited target.
    std::vector<std::string> GoodLogs()
    {
        WriteAll(dir / "src/pack.lib", MakeLib({{"a.bin", "old a"}, {"b.bin", "old b"}}));
        WriteAll(dir / "lib/BIN/pack_a.bin", "new a");
        WriteAll(dir / "lib/BIN/pack_b.bin", "old b");
        WriteAll(dir / "lib.log", Group("LIB", dir / "src/pack.lib", {dir / "lib/BIN/pack_a.bin", dir / "lib/BIN/pack_b.bin"}));
        WriteAll(dir / "src/names.cif", BuildCif(CifOfTexts({"one", "two"}, "LM")));
        WriteAll(dir / "txt/names.txt", TxtOf({"ONE", "two"}));
        WriteAll(dir / "cif.log", Group("CIF", dir / "src/names.cif", {dir / "txt/names.txt"}));
        WriteAll(dir / "src/face.fnt", FontOf64Glyphs());
        ctx.TargetDir = dir / "fnt";
        CreateFolders(ctx.TargetDir);
        ConvertFontToBitmap(ctx, dir / "src/face.fnt");
        PaintSheet(dir / "fnt/face.bmp");
        WriteAll(dir / "fnt.log", Group("FNT", dir / "src/face.fnt", {dir / "fnt/face.bmp"}));
        return {dir / "lib.log", dir / "cif.log", dir / "fnt.log"};
    }

    std::string ErrorOfRun(const std::vector<std::string>& jobs)
    {
        try {
            RunProcess(ctx, jobs);
        } catch (const ToolError& e) {
            return e.what();
        }
        return "(no error)";
    }

    std::optional<File> holder;  // a source another program holds
};

struct BrokenLog {
    const char* kind;
    Bytes log;  // "broken.log", the last of the run; "D/" stands for the folder
    std::vector<std::string> says;
};

// A project list whose last log is broken, in any of these ways, changes no file.
TEST_F(Preflight, ABrokenLastLogLeavesEveryFileByteIdentical)
{
    std::vector<std::string> jobs = GoodLogs();
    WriteAll(dir / "src/two.cif", BuildCif(CifOfTexts({"x", "y"})));
    WriteAll(dir / "txt/two.txt", TxtOf({"X"}));
    WriteAll(dir / "txt/open.txt", TxtOf({"X"}) + "[00000001]\r\nY\r\n");
    WriteAll(dir / "src/one.lib", MakeLib({{"a.bin", "1"}}));
    WriteAll(dir / "src/two.lib", MakeLib({{"a.bin", "1"}, {"b.bin", "2"}}));
    WriteAll(dir / "lib/BIN/one_a.bin", "A");
    WriteAll(dir / "fnt/black.bmp", ReadAll(dir / "fnt/face.bmp"));
    IndexedImage black = LoadBmp(dir / "fnt/black.bmp");
    black.Fill(0, 0, black.Width(), black.Height(), kTestBlack);
    SaveBmp(black, dir / "fnt/black.bmp");

    const std::vector<BrokenLog> rows = {
        {".txt without a header", "#Format: CIF\r\n#Source: D/src/two.cif\r\n#Target: D/txt/two.txt\r\n",
         {"no header line [00000001] for entry 1"}},
        {".txt whose last text has no end marker", "#Format: CIF\r\n#Source: D/src/two.cif\r\n#Target: D/txt/open.txt\r\n",
         {"List index out of bounds (6): D/txt/open.txt ends inside the text of entry 1"}},
        {"sheet that cannot be converted", "#Format: FNT\r\n#Source: D/src/face.fnt\r\n#Target: D/fnt/black.bmp\r\n",
         {"Cannot convert D/fnt/black.bmp"}},
        {"missing item", "#Format: LIB\r\n#Source: D/src/one.lib\r\n#Target: D/lib/BIN/one_gone.bin\r\n",
         {"Cannot open file D/lib/BIN/one_gone.bin"}},
        {"package with more entries than lines", "#Format: LIB\r\n#Source: D/src/two.lib\r\n#Target: D/lib/BIN/one_a.bin\r\n"
                                                  "#Format: LIB\r\n#Source: D/src/one.lib\r\n#Target: D/lib/BIN/one_a.bin\r\n",
         {"D/src/two.lib: the package has 2 entries, but the group of two.lib at line 2 of D/broken.log has 1 \"#Target: \" line"}},
        {"package with fewer entries than lines",
         "#Format: LIB\r\n#Source: D/src/one.lib\r\n#Target: D/lib/BIN/one_a.bin\r\n#Target: D/lib/BIN/one_a.bin\r\n",
         {"has 1 entry, but the group of one.lib at line 2 of D/broken.log has 2 \"#Target: \" lines"}},
        {"log that ends before its #Target: line", "#Format: CIF\r\n#Source: D/src/two.cif\r\n",
         {"List index out of bounds (2): the log ends before the \"#Target: \" line of the group of two.cif at line 2 of "
          "D/broken.log"}},
        {"group whose target is its own source", "#Format: LIB\r\n#Source: D/src/one.lib\r\n#Target: D/src/one.lib\r\n",
         {"Cannot replay into D/src/one.lib: its group names it as its own target"}},
        {"group that would rewrite a log of the run", "#Format: CIF\r\n#Source: D/cif.log\r\n#Target: D/txt/two.txt\r\n",
         {"Cannot replay into D/cif.log: it is the operation log"}},
        {"empty line in the project list", "", {"Line 5 of the project list is empty: it names no operation log"}},
        {"source held by another program", "#Format: LIB\r\n#Source: D/src/one.lib\r\n#Target: D/lib/BIN/one_a.bin\r\n",
         {"Cannot open file D/src/pack.lib"}},
    };
    for (const BrokenLog& row : rows) {
        SCOPED_TRACE(row.kind);
        std::vector<std::string> run = jobs;
        run.push_back(dir / "broken.log");
        WriteAll(dir / "broken.log", PathsIn(row.log, dir));
        if (row.log.empty()) run.push_back("");
        const auto before = Snapshot(dir.path());  // taken first: Windows lets nobody read a held file
        if (std::string(row.kind).starts_with("source held")) holder.emplace(dir / "src/pack.lib", OpenMode::ReadWrite);
        const std::string error = ErrorOfRun(run);
        holder.reset();
        for (const std::string& text : row.says) EXPECT_NE(error.find(PathsIn(text, dir)), std::string::npos) << error;
        EXPECT_EQ(Snapshot(dir.path()), before);
    }

    // The same logs without the broken one do change every source.
    const auto before = Snapshot(dir.path());
    EXPECT_EQ(ErrorOfRun(jobs), "(no error)");
    EXPECT_EQ(ReadAll(dir / "src/pack.lib"), MakeLib({{"a.bin", "new a"}, {"b.bin", "old b"}}));
    EXPECT_EQ(ReadAll(dir / "src/names.cif"), RewrittenCif(CifOfTexts({"one", "two"}, "LM"), {"ONE", "two"}, "LM"));
    EXPECT_NE(ReadAll(dir / "src/face.fnt"), before.at("src/face.fnt"));
}

// The handlers' own errors, met by a replay without its check, name the log
// and the group, or the .txt and the entry.
TEST_F(Preflight, ErrorsOfAShortLogNameTheLogAndTheGroup)
{
    WriteAll(dir / "n.cif", BuildCif(CifOfTexts({"a"}, "L")));
    WriteAll(dir / "f.fnt", MakeFont({PatternGlyph(1, 3, 3, 0)}));
    WriteAll(dir / "p.lib", MakeLib({{"a.bin", "1"}, {"b.bin", "2"}}));
    WriteAll(dir / "p_a.bin", "A");
    const std::vector<std::pair<Bytes, std::string>> rows = {
        {"#Format: CIF\r\n#Source: D/n.cif\r\n",
         "List index out of bounds (2): the log ends before the \"#Target: \" line of the group of n.cif at line 2 of D/r.log"},
        {"#Format: FNT\r\n#Source: D/f.fnt\r\n",
         "List index out of bounds (2): the log ends before the \"#Target: \" line of the group of f.fnt at line 2 of D/r.log"},
        {"#Format: LIB\r\n#Source: D/p.lib\r\n#Target: D/p_a.bin\r\n",
         "List index out of bounds (3): Cannot insert into D/p.lib: the package has 2 entries, but the group of p.lib at line 2 "
         "of D/r.log has 1 \"#Target: \" line"},
    };
    for (const auto& [log, says] : rows) {
        SCOPED_TRACE(log);
        WriteAll(dir / "r.log", PathsIn(log, dir));
        std::string error;
        try {
            ReplayLog(ctx, dir / "r.log");
        } catch (const ToolError& e) {
            error = e.what();
        }
        EXPECT_EQ(error.substr(0, PathsIn(says, dir).size()), PathsIn(says, dir));
    }
}

// A package's target whose name does not come from its entry's name is warned
// of, once, and inserted all the same; plain and numbered names are not.
TEST_F(Preflight, TargetsNamedAfterAnotherEntryAreWarnedOfOnce)
{
    WriteAll(dir / "p.lib", MakeLib({{"x\\a.bin", "1"}, {"b.bin", "2"}, {"c.bin", "3"}}));
    WriteAll(dir / "BIN/p_a.bin", "A");
    WriteAll(dir / "BIN/p_b_001F.bin", "B");
    WriteAll(dir / "BIN/p_b.bin", "C");
    WriteAll(dir / "r.log", Group("LIB", dir / "p.lib", {dir / "BIN/p_a.bin", dir / "BIN/p_b_001F.bin", dir / "BIN/p_b.bin"}));
    ctx.JobKind = JobKind::ReplayLogs;
    RunProcess(ctx, {dir / "r.log"});
    EXPECT_EQ(recorder.results, (std::vector<std::string>{
                                    "Warning: entry 2 (c.bin) of p.lib gets " + (dir / "BIN/p_b.bin") +
                                        ", whose name does not come from the entry's name.",
                                    "Item p_a.bin inserted.", "Item p_b_001F.bin inserted.", "Item p_b.bin inserted."}));
    EXPECT_EQ(ReadAll(dir / "p.lib"), MakeLib({{"x\\a.bin", "A"}, {"b.bin", "B"}, {"c.bin", "C"}}));
}

// A text log rewrites a CIF file that a later LIB log packs: the check does
// not judge the packed file by its bytes before the rewrite, and the replay
// packs the rewritten file.
TEST_F(Preflight, NestedLogsPackWhatAnEarlierLogRewrote)
{
    const CifParts inner = CifOfTexts({"old"}, "L");
    WriteAll(dir / "pack.lib", MakeLib({{"names.cif", BuildCif(inner)}, {"o.bin", "o"}}));
    ctx.JobKind = JobKind::ExtractLib;
    dialogs.folder = dir / "lib";
    CreateFolders(dir / "lib");
    RunProcess(ctx, {dir / "pack.lib"});
    ctx.JobKind = JobKind::ExtractCifText;
    dialogs.folder = dir / "txt";
    CreateFolders(dir / "txt");
    RunProcess(ctx, {dir / "lib/CIF/pack_names.cif"});
    WriteAll(dir / "txt/pack_names.txt", TxtOf({"new"}));

    const std::vector<std::string> logs = {dir / "txt/result.log", dir / "lib/result.log"};
    ctx.JobKind = JobKind::ReplayProject;
    EXPECT_TRUE(CheckReplay(ctx, logs).empty());
    EXPECT_EQ(recorder.results, (std::vector<std::string>{
                                    dir / "lib/CIF/pack_names.cif" + ": 1 text, 1 differs",
                                    dir / "pack.lib" + ": 2 items, none differ, 1 rewritten first by an earlier group",
                                    kCheckSucceededLine}));
    RunProcess(ctx, logs);
    EXPECT_EQ(ReadAll(dir / "pack.lib"), MakeLib({{"names.cif", RewrittenCif(inner, {"new"}, "L")}, {"o.bin", "o"}}));
}

// The Check command reports every group, goes on after an error, and writes nothing.
TEST_F(Preflight, CheckReportsEveryGroupAndEveryErrorAndWritesNothing)
{
    std::vector<std::string> logs = GoodLogs();
    const std::vector<std::pair<std::string, Bytes>> more = {
        {"gone.log", Group("LIB", dir / "src/gone.lib", {dir / "x"})},
        {"notxt.log", Group("CIF", dir / "src/names.cif", {dir / "no.txt"})},
        {"long.log", Group("LIB", dir / "src/pack.lib", {dir / "lib/BIN/pack_a.bin", dir / "m1", dir / "m2"})},
        {"txt.log", Group("TXT", dir / "src/names.cif", {})},
    };
    for (const auto& [name, log] : more) {
        WriteAll(dir / name, log);
        logs.push_back(dir / name);
    }
    const auto before = Snapshot(dir.path());
    const std::vector<std::string> errors = CheckReplay(ctx, logs);
    EXPECT_EQ(Snapshot(dir.path()), before);
    ASSERT_EQ(errors.size(), 1u) << errors.front();
    EXPECT_NE(errors[0].find("has 2 entries, but"), std::string::npos) << errors[0];
    EXPECT_EQ(recorder.results, (std::vector<std::string>{
                                    dir / "src/pack.lib" + ": 2 items, 1 differs",
                                    dir / "src/names.cif" + ": 2 texts, 1 differs",
                                    dir / "src/face.fnt" + ": glyphs 160 to 223: 64 glyphs, 64 differ",
                                    dir / "src/gone.lib" + ": not found, skipped",
                                    dir / "src/names.cif" + ": " + (dir / "no.txt") + " not found, skipped",
                                    dir / "src/pack.lib" + ": cannot be replayed: " + errors[0],
                                    dir / "src/names.cif" + ": its group names no format, passed over",
                                    "The replay would fail with 1 error, and write nothing."}));
}

}  // namespace
}  // namespace eit::test
