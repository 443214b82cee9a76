// An extraction refuses, before it writes anything, names that its log could
// not hold and outputs that are one of its own sources.
#include <gtest/gtest.h>

#include "formats/Lib.h"
#include "jobs/Run.h"
#include "platform/Error.h"
#include "support/CifBuilder.h"
#include "support/FontBuilder.h"
#include "support/LibBuilder.h"
#include "fixtures/RunFixture.h"

namespace eit::test {
namespace {

struct Refused {
    const char* name;
    JobKind kind;
    std::vector<std::string> jobs;  // "D/" stands for the test's folder
    std::string target;             // empty: the test's folder itself
    std::vector<std::string> says;  // what the error names
};

class RunSafety : public RunFixture {
protected:
    RunSafety()
    {
        WriteAll(dir / "p.lib", MakeLib({{"fine.bin", "1"}, {"bad\nname.txt", "2"}}));
        WriteAll(dir / "q.lib", MakeLib({{"a\rb", "1"}}));
        WriteAll(dir / "result.log", MakeLib({{"a.bin", "1"}}));
        WriteAll(dir / "face.bmp", MakeFont({PatternGlyph(1, 3, 3, 0)}));
        WriteAll(dir / "names.cif", BuildCif(CifOfTexts({"a"}, "L")));
        WriteAll(dir / "names.txt", BuildCif(CifOfTexts({"b"})));
        WriteAll(dir / "src/names.cif", BuildCif(CifOfTexts({"a"}, "L")));
        CreateFolders(dir / "out");
        std::filesystem::create_hard_link(dir / "src/names.cif", dir / "out/names.txt");
#ifndef _WIN32  // no line break in a Windows file name; symbolic links need rights there
        WriteAll(dir / "x\ny.cif", BuildCif(CifOfTexts({"t"}, "L")));
        CreateFolders(dir / "link");
        std::filesystem::create_symlink(dir / "p.lib", dir / "link/result.log");
#endif
    }

    // The run must fail naming what the row says, and change no file.
    void ExpectRefused(const Refused& row)
    {
        SCOPED_TRACE(row.name);
        std::vector<std::string> jobs;
        for (const std::string& job : row.jobs) jobs.push_back(PathsIn(job, dir));
        dialogs.folder = row.target.empty() ? dir.str() : PathsIn(row.target, dir);
        CreateFolders(*dialogs.folder);
        ctx.JobKind = row.kind;
        const auto before = Snapshot(dir.path());
        std::string error = "(no error)";
        try {
            RunProcess(ctx, jobs);
        } catch (const ToolError& e) {
            error = e.what();
        }
        for (const std::string& text : row.says) EXPECT_NE(error.find(PathsIn(text, dir)), std::string::npos) << error;
        EXPECT_EQ(Snapshot(dir.path()), before);
    }
};

// Class 1: a line break in a name that reaches a log line would split it.
TEST_F(RunSafety, LineBreaksInNamesThatReachTheLogAreRefused)
{
    for (const Refused& row : std::vector<Refused>{
             {"LF in an entry name", JobKind::ExtractLib, {"D/p.lib"}, "D/out", {"D/p.lib", "entry 1 (bad\\nname.txt)", "line break"}},
             {"CR in an entry name", JobKind::ExtractLib, {"D/q.lib"}, "D/out", {"D/q.lib", "entry 0 (a\\rb)"}},
#ifndef _WIN32
             {"LF in a source path", JobKind::ExtractCifText, {"D/x\ny.cif"}, "D/out", {"Cannot extract D/x\\ny.cif", "line break"}},
             {"CR in the target folder", JobKind::ExtractLib, {"D/result.log"}, "D/t\rx", {"D/t\\rx", "line break"}},
#endif
         }) {
        ExpectRefused(row);
    }
#ifndef _WIN32
    WriteAll(dir / "t\nx.tbl", "41=A\r\n");
    ctx.settings.GivenEncoding = TextEncoding{"", dir / "t\nx.tbl"};
    ExpectRefused({"LF in the table's path", JobKind::ExtractCifText, {"D/names.cif"}, "D/out", {"with the character table D/t\\nx.tbl", "line break"}});
    ctx.settings.GivenEncoding.reset();
#endif
    // A line break in the folder part of an entry name never reaches the log.
    ctx.settings.TargetDir = dir / "out";
    WriteAll(dir / "ok.lib", MakeLib({{"sub\ndir\\fine.bin", "f"}}));
    ExtractLib(ctx, dir / "ok.lib");
    EXPECT_EQ(ReadAll(dir / "out/BIN/ok_fine.bin"), "f");
}

// Class 2: an output that is a source of the run, through a link or (on
// Windows) in another letter case too.
TEST_F(RunSafety, OutputsThatAreTheRunsOwnSourcesAreRefused)
{
#ifdef _WIN32
    const std::string otherTxt = "D/NAMES.TXT";
#else
    const std::string otherTxt = "D/names.txt";
#endif
    for (const Refused& row : std::vector<Refused>{
             {"a package named result.log into its own folder", JobKind::ExtractLib, {"D/result.log"}, "",
              {"Cannot write D/result.log: it is the same file as D/result.log, a source of this run"}},
             {"a font named like its own sheet", JobKind::FontToBitmap, {"D/face.bmp"}, "", {"Cannot write D/face.bmp"}},
             {"a CIF text file and another one's .txt", JobKind::ExtractCifText, {"D/names.cif", otherTxt}, "",
              {"Cannot write D/names.txt", "same file as " + otherTxt}},
             {"a .txt hard-linked to a source", JobKind::ExtractCifText, {"D/src/names.cif"}, "D/out",
              {"Cannot write D/out/names.txt", "same file as D/src/names.cif"}},
#ifndef _WIN32
             {"a result.log linked to a source", JobKind::ExtractLib, {"D/p.lib"}, "D/link",
              {"Cannot write D/link/result.log", "same file as D/p.lib"}},
#endif
         }) {
        ExpectRefused(row);
    }
}

}  // namespace
}  // namespace eit::test
