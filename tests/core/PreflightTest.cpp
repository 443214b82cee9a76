// A replay run checks every group of every log before its first write; its
// errors name the log and the group, or the .txt and the entry.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>

#include "jobs/ReplayCheck.h"
#include "jobs/Run.h"
#include "platform/Error.h"
#include "support/CifBuilder.h"
#include "support/ErrorOf.h"
#include "support/FontRun.h"
#include "support/LibBuilder.h"
#include "support/Writes.h"
#include "fixtures/RunFixture.h"

namespace eit::test {
namespace {

// A log group; "D/" in its paths stands for the test's folder.
Bytes Group(const std::string& format, const std::string& source, const std::vector<std::string>& targets)
{
    Bytes group = "#Format: " + format + "\r\n#Source: " + source + "\r\n";
    for (const std::string& target : targets) group += "#Target: " + target + "\r\n";
    return group;
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

    // Three logs, of a LIB, a CIF and an FNT group, each with an edited target.
    std::vector<std::string> GoodLogs()
    {
        WriteAll(dir / "src/pack.lib", MakeLib({{"a.bin", "old a"}, {"b.bin", "old b"}}));
        WriteAll(dir / "lib/BIN/pack_a.bin", "new a");
        WriteAll(dir / "lib/BIN/pack_b.bin", "old b");
        WriteAll(dir / "src/names.cif", BuildCif(CifOfTexts({"one", "two"}, "LM")));
        WriteAll(dir / "txt/names.txt", TxtOf({"ONE", "two"}));
        std::vector<TestGlyph> glyphs;  // 64, so that every strip of the sheet has a cell
        for (std::uint32_t i = 0; i < 64; ++i) glyphs.push_back(PatternGlyph(i, 2 + i % 4, 2 + i % 3, 0));
        WriteAll(dir / "src/face.fnt", MakeFont(glyphs));
        ctx.settings.TargetDir = dir / "fnt";
        CreateFolders(ctx.settings.TargetDir);
        ConvertFontToBitmap(ctx, dir / "src/face.fnt");
        PaintSheet(dir / "fnt/face.bmp");
        WriteAll(dir / "lib.log", PathsIn(Group("LIB", "D/src/pack.lib", {"D/lib/BIN/pack_a.bin", "D/lib/BIN/pack_b.bin"}), dir));
        WriteAll(dir / "cif.log", PathsIn(Group("CIF", "D/src/names.cif", {"D/txt/names.txt"}), dir));
        WriteAll(dir / "fnt.log", PathsIn(Group("FNT", "D/src/face.fnt", {"D/fnt/face.bmp"}), dir));
        return {dir / "lib.log", dir / "cif.log", dir / "fnt.log"};
    }

    std::string ErrorOfRun(const std::vector<std::string>& jobs)
    {
        return ErrorOf([&] { RunProcess(ctx, jobs); });
    }
};

// Class 9 (and 8): a project list whose last log is broken in any of these
// ways changes no file, and the error names what is wrong where.
TEST_F(Preflight, ABrokenLastLogLeavesEveryFileByteIdentical)
{
    const std::vector<std::string> jobs = GoodLogs();
    WriteAll(dir / "src/two.cif", BuildCif(CifOfTexts({"x", "y"})));
    WriteAll(dir / "txt/two.txt", TxtOf({"X"}));
    WriteAll(dir / "txt/open.txt", TxtOf({"X"}) + "[00000001]\r\nY\r\n");
    WriteAll(dir / "src/one.lib", MakeLib({{"a.bin", "1"}}));
    WriteAll(dir / "src/two.lib", MakeLib({{"a.bin", "1"}, {"b.bin", "2"}}));
    WriteAll(dir / "lib/BIN/one_a.bin", "A");
    IndexedImage black = LoadBmp(dir / "fnt/face.bmp");
    black.Fill(0, 0, black.Width(), black.Height(), kTestBlack);
    SaveBmp(black, dir / "fnt/black.bmp");

    const std::vector<std::pair<Bytes, std::string>> rows = {  // broken.log, and what the error says
        {Group("CIF", "D/src/two.cif", {"D/txt/two.txt"}), "no header line [00000001] for entry 1"},
        {Group("CIF", "D/src/two.cif", {"D/txt/open.txt"}),
         "List index out of bounds (6): D/txt/open.txt ends inside the text of entry 1: no end marker line"},
        {Group("FNT", "D/src/face.fnt", {"D/fnt/black.bmp"}), "Cannot convert D/fnt/black.bmp"},
        {Group("LIB", "D/src/one.lib", {"D/lib/BIN/one_gone.bin"}), "Cannot open file D/lib/BIN/one_gone.bin"},
        {Group("LIB", "D/src/two.lib", {"D/lib/BIN/one_a.bin"}),
         "List index out of bounds (3): Cannot insert into D/src/two.lib: the package has 2 entries, but the group of two.lib at "
         "line 2 of D/broken.log has 1 \"#Target: \" line"},
        {Group("LIB", "D/src/one.lib", {"D/lib/BIN/one_a.bin", "D/lib/BIN/one_a.bin"}), "1 entry, but the group of one.lib"},
        {Group("CIF", "D/src/two.cif", {}),
         "List index out of bounds (2): the log ends before the \"#Target: \" line of the group of two.cif at line 2 of D/broken.log"},
        {Group("FNT", "D/src/face.fnt", {}), "the log ends before the \"#Target: \" line of the group of face.fnt"},
        {Group("LIB", "D/src/one.lib", {"D/src/one.lib"}), "Cannot replay into D/src/one.lib: its group names it as its own target"},
        {Group("CIF", "D/cif.log", {"D/txt/two.txt"}), "Cannot replay into D/cif.log: it is the operation log"},
        {"empty line", "Line 5 of the project list is empty: it names no operation log"},
        {"held source", "Cannot open file D/src/pack.lib"},
    };
    for (const auto& [log, says] : rows) {
        SCOPED_TRACE(log);
        std::vector<std::string> run = jobs;
        run.push_back(dir / "broken.log");
        WriteAll(dir / "broken.log", PathsIn(log, dir));
        if (log == "empty line") run.push_back("");
        const auto before = Snapshot(dir.path());  // first: Windows lets nobody read a held file
        std::optional<File> holder;
        if (log == "held source") holder.emplace(dir / "src/pack.lib", OpenMode::ReadWrite);
        const std::string error = ErrorOfRun(run);
        holder.reset();
        EXPECT_NE(error.find(PathsIn(says, dir)), std::string::npos) << error;
        EXPECT_EQ(Snapshot(dir.path()), before);
    }

    // Without the broken log, every source does change.
    const auto before = Snapshot(dir.path());
    EXPECT_EQ(ErrorOfRun(jobs), "(no error)");
    EXPECT_EQ(ReadAll(dir / "src/pack.lib"), MakeLib({{"a.bin", "new a"}, {"b.bin", "old b"}}));
    EXPECT_EQ(ReadAll(dir / "src/names.cif"), RewrittenCif(CifOfTexts({"one", "two"}, "LM"), {"ONE", "two"}, "LM"));
    EXPECT_NE(ReadAll(dir / "src/face.fnt"), before.at("src/face.fnt"));
}

// A target whose name does not come from its entry's (plain or numbered) is
// warned of once, by the replay and not by its check, and inserted all the same.
TEST_F(Preflight, TargetsNamedAfterAnotherEntryAreWarnedOfOnce)
{
    WriteAll(dir / "p.lib", MakeLib({{"x\\a.bin", "1"}, {"b.bin", "2"}, {"c.bin", "3"}}));
    for (const char* item : {"BIN/p_a.bin", "BIN/p_b_001F.bin", "BIN/p_b.bin"}) WriteAll(dir / item, item);
    WriteAll(dir / "r.log", PathsIn(Group("LIB", "D/p.lib", {"D/BIN/p_a.bin", "D/BIN/p_b_001F.bin", "D/BIN/p_b.bin"}), dir));
    RunProcess(ctx, {dir / "r.log"});
    EXPECT_EQ(recorder.results,
              (std::vector<std::string>{PathsIn("Warning: entry 2 (c.bin) of p.lib gets D/BIN/p_b.bin", dir) +
                                            ", whose name does not come from the entry's name.",
                                        "Item p_a.bin inserted.", "Item p_b_001F.bin inserted.", "Item p_b.bin inserted."}));
    EXPECT_EQ(ReadAll(dir / "p.lib"), MakeLib({{"x\\a.bin", "BIN/p_a.bin"}, {"b.bin", "BIN/p_b_001F.bin"}, {"c.bin", "BIN/p_b.bin"}}));
}

// A text log rewrites a CIF file that a later LIB log packs: the check does
// not judge the packed file by its bytes before the rewrite, and the replay
// packs the rewritten file.
TEST_F(Preflight, NestedLogsPackWhatAnEarlierLogRewrote)
{
    const CifParts inner = CifOfTexts({"old"}, "L");
    WriteAll(dir / "pack.lib", MakeLib({{"names.cif", BuildCif(inner)}, {"o.bin", "o"}}));
    for (auto [kind, job, folder] : {std::tuple{JobKind::ExtractLib, "pack.lib", "lib"}, {JobKind::ExtractCifText, "lib/CIF/pack_names.cif", "txt"}}) {
        ctx.JobKind = kind;
        dialogs.folder = dir / folder;
        CreateFolders(*dialogs.folder);
        RunProcess(ctx, {dir / job});
    }
    WriteAll(dir / "txt/pack_names.txt", TxtOf({"new"}));

    const std::vector<std::string> logs = {dir / "txt/result.log", dir / "lib/result.log"};
    ctx.JobKind = JobKind::ReplayProject;
    EXPECT_TRUE(CheckReplay(ctx, logs).empty());
    EXPECT_EQ(recorder.results, (std::vector<std::string>{PathsIn("D/lib/CIF/pack_names.cif: 1 text, 1 differs", dir),
                                                          PathsIn("D/pack.lib", dir) +
                                                              ": 2 items, none differ, 1 rewritten first by an earlier group",
                                                          kCheckSucceededLine}));
    RunProcess(ctx, logs);
    EXPECT_EQ(ReadAll(dir / "pack.lib"), MakeLib({{"names.cif", RewrittenCif(inner, {"new"}, "L")}, {"o.bin", "o"}}));
}

// The Check command reports every group, goes on after an error, and writes nothing.
TEST_F(Preflight, CheckReportsEveryGroupAndEveryErrorAndWritesNothing)
{
    std::vector<std::string> logs = GoodLogs();
    for (const auto& [name, log] : {std::pair{"gone.log", Group("LIB", "D/src/gone.lib", {"D/x"})},
                                    {"notxt.log", Group("CIF", "D/src/names.cif", {"D/no.txt"})},
                                    {"long.log", Group("LIB", "D/src/pack.lib", {"D/lib/BIN/pack_a.bin", "D/m1", "D/m2"})},
                                    {"txt.log", Group("TXT", "D/src/names.cif", {})}}) {
        WriteAll(dir / name, PathsIn(log, dir));
        logs.push_back(dir / name);
    }
    const auto before = Snapshot(dir.path());
    const std::vector<std::string> errors = CheckReplay(ctx, logs);
    EXPECT_EQ(Snapshot(dir.path()), before);
    ASSERT_EQ(errors.size(), 1u);
    std::string results;
    for (const std::string& line : recorder.results) results += line + "\n";
    EXPECT_EQ(results, PathsIn("D/src/pack.lib: 2 items, 1 differs\nD/src/names.cif: 2 texts, 1 differs\n"
                               "D/src/face.fnt: glyphs 160 to 223: 64 glyphs, 64 differ\nD/src/gone.lib: not found, skipped\n"
                               "D/src/names.cif: D/no.txt not found, skipped\nD/src/pack.lib: cannot be replayed: ",
                               dir) +
                           errors[0] + PathsIn("\nD/src/names.cif: its group names no format, passed over\n", dir) +
                           "The replay would fail with 1 error, and write nothing.\n");
}

// Sources that already hold what the replay writes are left unwritten, and the
// check says they are up to date; a package changed in its second item is
// rebuilt exactly.
TEST_F(Preflight, SourcesAlreadyUpToDateAreNotWritten)
{
    const std::vector<LibItem> items = {{"a.bin", Bytes(File::kCopyPiece + 1, 'a')}, {"b.bin", "old b"}};
    WriteAll(dir / "src/same.lib", MakeLib(items));
    WriteAll(dir / "src/changed.lib", MakeLib(items));
    WriteAll(dir / "lib/same_a.bin", items[0].data);
    WriteAll(dir / "lib/same_b.bin", items[1].data);
    WriteAll(dir / "lib/changed_a.bin", items[0].data);
    WriteAll(dir / "lib/changed_b.bin", "new b");
    CifParts cif = CifOfTexts({"one", "two"}, "LM");
    cif.filler = kRewrittenFiller;
    WriteAll(dir / "src/names.cif", BuildCif(cif));
    WriteAll(dir / "txt/names.txt", TxtOf({"one", "two"}));
    WriteAll(dir / "same.log", PathsIn(Group("LIB", "D/src/same.lib", {"D/lib/same_a.bin", "D/lib/same_b.bin"}), dir));
    WriteAll(dir / "changed.log", PathsIn(Group("LIB", "D/src/changed.lib", {"D/lib/changed_a.bin", "D/lib/changed_b.bin"}), dir));
    WriteAll(dir / "cif.log", PathsIn(Group("CIF", "D/src/names.cif", {"D/txt/names.txt"}), dir));
    const std::vector<std::string> logs = {dir / "same.log", dir / "changed.log", dir / "cif.log"};

    EXPECT_TRUE(CheckReplay(ctx, logs).empty());
    EXPECT_EQ(recorder.results, (std::vector<std::string>{PathsIn("D/src/same.lib: 2 items, none differ, up to date", dir),
                                                          PathsIn("D/src/changed.lib: 2 items, 1 differs", dir),
                                                          PathsIn("D/src/names.cif: 2 texts, none differ, up to date", dir),
                                                          kCheckSucceededLine}));
    const FileStamp same = StampOf(dir / "src/same.lib"), names = StampOf(dir / "src/names.cif");
    recorder = Recorder();
    EXPECT_EQ(ErrorOfRun(logs), "(no error)");
    EXPECT_EQ(StampOf(dir / "src/same.lib"), same);
    EXPECT_EQ(StampOf(dir / "src/names.cif"), names);
    EXPECT_EQ(ReadAll(dir / "src/changed.lib"), MakeLib({items[0], {"b.bin", "new b"}}));
    const auto has = [&](const std::string& line) { return std::ranges::count(recorder.results, line); };
    EXPECT_EQ(has("same.lib was up to date: nothing written."), 1);
    EXPECT_EQ(has("names.cif was up to date: nothing written."), 1);
    EXPECT_EQ(has("changed.lib was up to date: nothing written."), 0);
}

// Items edited since the log was written are compared first, but their times
// never decide: an item touched and unchanged leaves the package up to date,
// and one changed under an old time is still found.
TEST_F(Preflight, ItemTimesOrderTheComparisonButNeverDecideIt)
{
    namespace fs = std::filesystem;
    // Many items, large enough on average for the edited ones to be looked
    // for, so that the look meets item 3 well before the comparison in order ends.
    std::vector<LibItem> items;
    std::vector<std::string> targets;
    for (int i = 0; i < 1000; ++i) {
        items.push_back({std::to_string(i) + ".bin", Bytes(5000, static_cast<char>('a' + i % 26))});
        targets.push_back("D/lib/p_" + items.back().name);
    }
    const auto now = fs::file_time_type::clock::now();
    const auto item = [&](std::size_t i) { return fs::path(dir / "lib") / ("p_" + items[i].name); };
    struct Case {
        const char* what;
        std::size_t touched, changed;  // changed: under an old time; 1000: none
        char byte;
    };
    for (const Case& c : {Case{"an item touched, none changed", 3, 1000, 'd'}, Case{"one touched, another changed", 3, 999, 'd'},
                          Case{"the touched item changed", 3, 1000, 'X'}}) {
        SCOPED_TRACE(c.what);
        WriteAll(dir / "src/p.lib", MakeLib(items));
        WriteAll(dir / "p.log", PathsIn(Group("LIB", "D/src/p.lib", targets), dir));
        std::vector<LibItem> expected = items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i == c.changed) expected[i].data[0] = 'Y';
            if (i == c.touched) expected[i].data[0] = c.byte;
            WriteAll(item(i), expected[i].data);
            fs::last_write_time(item(i), now + std::chrono::hours(i == c.touched ? 1 : -1));
        }
        const FileStamp before = StampOf(dir / "src/p.lib");
        EXPECT_EQ(ErrorOfRun({dir / "p.log"}), "(no error)");
        EXPECT_EQ(ReadAll(dir / "src/p.lib"), MakeLib(expected));
        EXPECT_EQ(StampOf(dir / "src/p.lib") == before, c.changed == 1000 && c.byte == 'd');
    }
}

}  // namespace
}  // namespace eit::test
