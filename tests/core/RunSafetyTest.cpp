// An extraction refuses, before it writes anything, names that its log could
// not hold and outputs that are one of its own sources.
#include <gtest/gtest.h>

#include <functional>

#include "formats/Lib.h"
#include "jobs/Run.h"
#include "platform/Error.h"
#include "support/CifBuilder.h"
#include "support/FontBuilder.h"
#include "support/LibBuilder.h"
#include "fixtures/RunFixture.h"

namespace eit::test {
namespace {

struct RefusedRun {
    const char* name;
    JobKind kind;
    // Makes the sources below `in`, returns the job list and the target folder.
    std::function<std::pair<std::vector<std::string>, std::string>(const TempFolder& in)> make;
    // Texts the error must hold; "D/" stands for the folder's path.
    std::vector<std::string> says;
};

class RunSafety : public RunFixture {
protected:
    // Runs the refused extraction: it must fail naming what `says` lists, and
    // leave every file as it was.
    void ExpectRefused(const RefusedRun& row)
    {
        SCOPED_TRACE(row.name);
        TempFolder in;
        auto [jobs, target] = row.make(in);
        CreateFolders(target);
        const auto before = Snapshot(in.path());
        ctx.JobKind = row.kind;
        dialogs.folder = target;
        std::string error;
        try {
            RunProcess(ctx, jobs);
        } catch (const ToolError& e) {
            error = e.what();
        }
        ASSERT_FALSE(error.empty()) << "the run was not refused";
        for (const std::string& text : row.says) {
            EXPECT_NE(error.find(PathsIn(text, in)), std::string::npos) << error << "\nlacks: " << PathsIn(text, in);
        }
        EXPECT_EQ(Snapshot(in.path()), before);
    }
};

std::pair<std::vector<std::string>, std::string> OnePackage(const TempFolder& in, const Bytes& entryName)
{
    WriteAll(in / "p.lib", MakeLib({{"fine.bin", "1"}, {entryName, "2"}}));
    return {{in / "p.lib"}, in / "out"};
}

// Class 1: a line break in a name would split its log line.
TEST_F(RunSafety, LineBreaksInNamesThatReachTheLogAreRefused)
{
    const std::vector<RefusedRun> rows = {
        {"LF in an entry name", JobKind::ExtractLib, [](const TempFolder& in) { return OnePackage(in, "bad\nname.txt"); },
         {"D/p.lib", "entry 1 (bad\\nname.txt)", "line break"}},
        {"CR in an entry name", JobKind::ExtractLib, [](const TempFolder& in) { return OnePackage(in, "a\rb"); },
         {"D/p.lib", "entry 1 (a\\rb)"}},
#ifndef _WIN32  // Windows allows no line break in a file name
        {"LF in a source path", JobKind::ExtractCifText,
         [](const TempFolder& in) {
             WriteAll(in / "x\ny.cif", BuildCif(CifOfTexts({"t"}, "L")));
             return std::pair<std::vector<std::string>, std::string>{{in / "x\ny.cif"}, in / "out"};
         },
         {"Cannot extract D/x\\ny.cif", "line break"}},
        {"CR in the target folder", JobKind::ExtractLib,
         [](const TempFolder& in) {
             WriteAll(in / "p.lib", MakeLib({{"a.bin", "1"}}));
             return std::pair<std::vector<std::string>, std::string>{{in / "p.lib"}, in / "out\rx"};
         },
         {"D/out\\rx", "line break"}},
#endif
    };
    for (const RefusedRun& row : rows) ExpectRefused(row);

    // A line break in the folder part of an entry name never reaches the log.
    ctx.TargetDir = dir.str();
    WriteAll(dir / "ok.lib", MakeLib({{"sub\ndir\\fine.bin", "f"}}));
    ExtractLib(ctx, dir / "ok.lib");
    EXPECT_EQ(ReadAll(dir / "BIN/ok_fine.bin"), "f");
}

// Class 2: an output that is a source of the run, whatever its spelling.
TEST_F(RunSafety, OutputsThatAreTheRunsOwnSourcesAreRefused)
{
    using Jobs = std::pair<std::vector<std::string>, std::string>;
    const std::vector<RefusedRun> rows = {
        {"a package named result.log extracted into its own folder", JobKind::ExtractLib,
         [](const TempFolder& in) {
             WriteAll(in / "result.log", MakeLib({{"a.bin", "1"}}));
             return Jobs{{in / "result.log"}, in.str()};
         },
         {"D/result.log", "a source of this run"}},
        {"a font named like its own sheet", JobKind::FontToBitmap,
         [](const TempFolder& in) {
             WriteAll(in / "face.bmp", MakeFont({PatternGlyph(1, 3, 3, 0)}));
             return Jobs{{in / "face.bmp"}, in.str()};
         },
         {"Cannot write D/face.bmp", "same file as D/face.bmp"}},
        {"a CIF text file and another one's .txt", JobKind::ExtractCifText,
         [](const TempFolder& in) {
             WriteAll(in / "names.cif", BuildCif(CifOfTexts({"a"}, "L")));
             WriteAll(in / "names.txt", BuildCif(CifOfTexts({"b"})));
             return Jobs{{in / "names.cif", in / "names.txt"}, in.str()};
         },
         {"Cannot write D/names.txt", "same file as D/names.txt"}},
        {"a .txt that is a hard link to a source elsewhere", JobKind::ExtractCifText,
         [](const TempFolder& in) {
             WriteAll(in / "src/names.cif", BuildCif(CifOfTexts({"a"}, "L")));
             CreateFolders(in / "out");
             std::filesystem::create_hard_link(in / "src/names.cif", in / "out/names.txt");
             return Jobs{{in / "src/names.cif"}, in / "out"};
         },
         {"Cannot write D/out/names.txt", "same file as D/src/names.cif"}},
#ifndef _WIN32
        {"a result.log that is a symbolic link to a source", JobKind::ExtractLib,
         [](const TempFolder& in) {
             WriteAll(in / "src/p.lib", MakeLib({{"a.bin", "1"}}));
             CreateFolders(in / "out");
             std::filesystem::create_symlink(in / "src/p.lib", in / "out/result.log");
             return Jobs{{in / "src/p.lib"}, in / "out"};
         },
         {"Cannot write D/out/result.log", "same file as D/src/p.lib"}},
#else
        {"a .txt named in another letter case", JobKind::ExtractCifText,
         [](const TempFolder& in) {
             WriteAll(in / "names.cif", BuildCif(CifOfTexts({"a"}, "L")));
             WriteAll(in / "NAMES.TXT", BuildCif(CifOfTexts({"b"})));
             return Jobs{{in / "names.cif", in / "NAMES.TXT"}, in.str()};
         },
         {"same file as D/NAMES.TXT"}},
#endif
    };
    for (const RefusedRun& row : rows) ExpectRefused(row);
}

}  // namespace
}  // namespace eit::test
