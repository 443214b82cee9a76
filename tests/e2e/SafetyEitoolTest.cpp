// eitool against what users and other programs do to its files, by class:
// two replays of one font at once, FIFOs wherever a file is opened, a disk
// that refuses a write, a game folder the user may not write, and Ctrl-C.
#include <gtest/gtest.h>

#include <thread>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/CifBuilder.h"
#include "support/Eitool.h"
#include "support/FontRun.h"
#include "support/LibBuilder.h"
#include "support/Writes.h"

namespace eit::test {
namespace {

// ---- Class: two replays of one file at once ---------------------------------

// Two logs over one font, each with a sheet of its own. Each rebuild appends
// to the font, so applying one after the other differs from either alone:
// a rewrite lost to the other shows.
TEST(TwoReplaysAtOnce, EachAppliesItsWholeRewriteAndSucceedsOrAppliesNoneAndFails)
{
    TempFolder dir;
    std::vector<TestGlyph> glyphs;
    for (std::uint32_t i = 0; i < 224; ++i) glyphs.push_back(PatternGlyph(i, 2, 2, i == 65 ? 0 : 1));
    const std::string font = dir / "f.fnt";
    const Bytes original = MakeFont(glyphs);
    WriteAll(font, original);
    WriteAll(dir / "pal.act", TestPalette());
    for (const char* log : {"a", "b"}) {
        ASSERT_EQ(RunEitool({"extract", "--target", log, "--palette", "pal.act", "f.fnt"}, dir.path()).status, 0);
    }
    PaintSheet(dir / "a/f.bmp");  // b's sheet stays as drawn
    // Each from the folder of its log, where its standard error is kept.
    auto replay = [&](const char* log) { return RunEitool({"replay", "result.log"}, dir.path() / log); };
    auto after = [&](std::vector<const char*> logs) {
        WriteAll(font, original);
        for (const char* log : logs) EXPECT_EQ(replay(log).status, 0);
        return ReadAll(font);
    };
    const Bytes a = after({"a"}), b = after({"b"}), ab = after({"a", "b"}), ba = after({"b", "a"});
    ASSERT_NE(ab, ba);
    const std::size_t files = Snapshot(dir.path()).size();

#ifdef _WIN32
    const int rounds = 10;  // each start of a program under Wine takes long
#else
    const int rounds = 100;
#endif
    int bothApplied = 0;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        WriteAll(font, original);
        ToolRun runA, runB;
        std::thread first([&] { runA = replay("a"); });
        runB = replay("b");
        first.join();
        for (const ToolRun* run : {&runA, &runB}) {
            EXPECT_TRUE(run->status == 0 || run->err == "eitool: Cannot open file " + font + ": " + kHeldElsewhere + "\n") << run->err;
        }
        const Bytes now = ReadAll(font);
        if (runA.status == 0 && runB.status == 0) {
            EXPECT_TRUE(now == ab || now == ba) << "a rewrite was lost";
            ++bothApplied;
        } else {
            EXPECT_EQ(now, runA.status == 0 ? a : runB.status == 0 ? b : original) << "a failed replay changed the font";
        }
        EXPECT_EQ(Snapshot(dir.path()).size(), files) << "a file left or removed beside the font";
    }
    std::cout << bothApplied << " of " << rounds << " rounds applied both replays\n";
}

#ifndef _WIN32
// ---- Class: FIFOs wherever a file is opened ---------------------------------

struct FifoPlace {
    const char* where;
    std::vector<std::string> args;
    Bytes log;  // written to r.log when not empty; "FIFO" stands for the FIFO's path
};

// Each place refuses the FIFO at once, naming it, and leaves every source as
// it was; a run that waited on it would be ended by timeout (status 124).
TEST(FifoEverywhere, IsRefusedAtOnceNamingItAndNothingChanges)
{
    TempFolder dir;
    const std::string fifo = dir / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    WriteAll(dir / "p.lib", MakeLib({{"a.bin", "a"}}));
    WriteAll(dir / "t.sal", BuildCif(CifOfTexts({"one"})));
    WriteAll(dir / "f.fnt", MakeFont({PatternGlyph(1, 2, 2, 0)}));
    WriteAll(dir / "pal.act", TestPalette());
    WriteAll(dir / "list.lst", fifo + "\r\n");
    const auto sources = Snapshot(dir.path());
    auto group = [&](const char* format, const std::string& source, const std::string& target) {
        return "#Format: " + std::string(format) + "\r\n#Source: " + source + "\r\n#Target: " + target + "\r\n";
    };
    const std::vector<FifoPlace> places = {
        {"log", {"replay", fifo}, ""},
        {"project list", {"replay", "--project", fifo}, ""},
        {"log of a project list", {"replay", "--project", "list.lst"}, ""},
        {"package to extract", {"extract", "--target", "out", "--kind", "lib", fifo}, ""},
        {"CIF file to extract", {"extract", "--target", "out", "--kind", "cif", fifo}, ""},
        {"font to extract", {"extract", "--target", "out", "--kind", "fnt", "--palette", "pal.act", fifo}, ""},
        {"palette", {"extract", "--target", "out", "--palette", fifo, "f.fnt"}, ""},
        {"list argument", {"list", fifo}, ""},
        {"source in a log", {"replay", "r.log"}, group("LIB", fifo, dir / "x")},
        {"item in a log", {"replay", "r.log"}, group("LIB", dir / "p.lib", fifo)},
        {".txt in a log", {"replay", "r.log"}, group("CIF", dir / "t.sal", fifo)},
        {"sheet in a log", {"replay", "r.log"}, group("FNT", dir / "f.fnt", fifo)},
    };
    for (const FifoPlace& place : places) {
        SCOPED_TRACE(place.where);
        std::filesystem::remove(dir / "r.log");
        if (!place.log.empty()) WriteAll(dir / "r.log", place.log);
        ToolRun run = RunEitool(place.args, dir.path(), "timeout 20");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "eitool: Cannot open file " + fifo + ": it is a FIFO, not a regular file\n");
        std::filesystem::remove(dir / "r.log");
        EXPECT_EQ(Snapshot(dir.path()), sources);
    }
}

// ---- Class: errors that name the file and the reason ------------------------

// A file size limit stands in for a full disk; a game folder the user may not
// write (root replays as nobody) refuses the file beside. Either error names
// the package and the system's reason, never the file beside, and the
// package stays as it was.
TEST(WriteErrors, NameThePackageAndTheReasonNotTheFileBeside)
{
    const bool root = geteuid() == 0;
    if (root && std::system("setpriv --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "setpriv is missing";
    struct Case {
        const char* prefix;
        bool lockFolder;
        std::string error;  // after "eitool: ", with PACKAGE for its path
    };
    const Case cases[] = {
        {"trap '' XFSZ; ulimit -f 2;", false, "Stream write error: File too large (writing PACKAGE)"},
        {root ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "", true,
         "Cannot create file PACKAGE: Permission denied (the new contents are built in a file beside it, in its folder GAME)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.error);
        TempFolder dir;
        const std::string package = dir / "game/p.lib";
        const Bytes before = MakeLib({{"a.bin", "a"}});
        WriteAll(package, before);
        WriteAll(dir / "BIN/p_a.bin", Bytes(4096, 'i'));
        WriteAll(dir / "r.log", "#Format: LIB\r\n#Source: " + package + "\r\n#Target: " + (dir / "BIN/p_a.bin") + "\r\n");
        chmod(package.c_str(), 0666);
        chmod(dir.str().c_str(), 0777);
        if (c.lockFolder) chmod((dir / "game").c_str(), root ? 0755 : 0555);
        ToolRun run = RunEitool({"replay", "r.log"}, dir.path(), c.prefix);
        chmod((dir / "game").c_str(), 0755);
        std::string error = c.error;
        error.replace(error.find("PACKAGE"), 7, package);
        if (c.lockFolder) error.replace(error.find("GAME"), 4, dir / "game");
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "eitool: " + error + "\n");
        EXPECT_EQ(ReadAll(package), before);
        EXPECT_FALSE(AnyFileBeside(dir.path()));
    }
}

// A package already up to date needs no file beside it: its replay succeeds
// in a folder the user may not write, and leaves the package as it was. A
// package the user may not write is refused all the same.
TEST(WriteErrors, AnUpToDatePackageNeedsNoFileBesideButStillItsOwnWriteAccess)
{
    const bool root = geteuid() == 0;
    if (root && std::system("setpriv --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "setpriv is missing";
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable ? "package writable" : "package read-only");
        TempFolder dir;
        const std::string package = dir / "game/p.lib";
        WriteAll(package, MakeLib({{"a.bin", "a"}}));
        WriteAll(dir / "BIN/p_a.bin", "a");
        WriteAll(dir / "r.log", "#Format: LIB\r\n#Source: " + package + "\r\n#Target: " + (dir / "BIN/p_a.bin") + "\r\n");
        chmod(package.c_str(), writable ? 0666 : 0444);
        chmod(dir.str().c_str(), 0777);
        chmod((dir / "game").c_str(), root ? 0755 : 0555);
        const FileStamp before = StampOf(package);
        ToolRun run = RunEitool({"replay", "r.log"}, dir.path(), root ? "setpriv --reuid=65534 --regid=65534 --clear-groups" : "");
        chmod((dir / "game").c_str(), 0755);
        EXPECT_EQ(StampOf(package), before);
        if (writable) {
            EXPECT_EQ(run.status, 0) << run.err;
            EXPECT_NE(run.out.find("Item p_a.bin inserted.\np.lib was up to date: nothing written.\n"), std::string::npos) << run.out;
        } else {
            EXPECT_EQ(run.status, 1);
            EXPECT_EQ(run.err, "eitool: Cannot open file " + package + ": Permission denied\n");
        }
    }
}

// ---- Class: Ctrl-C ----------------------------------------------------------

// Ctrl-C well into the second of two packages (8 KiB of results out): the
// run stops at the next item, writes the log of the first, and exits 130.
TEST(Interrupted, ARunStoppedByCtrlCExits130HavingLoggedItsCompleteGroups)
{
    TempFolder dir;
    WriteAll(dir / "a.lib", MakeLib({{"a.bin", "a"}}));
    WriteAll(dir / "b.lib", MakeLib(std::vector<LibItem>(30000, LibItem{"b.bin", "b"})));
    const std::string script = "cd " + Quote(dir.str()) + " && touch out.txt && { " + Quote(EITOOL_PATH) +
                               " extract --target out a.lib b.lib >out.txt 2>/dev/null & "
                               "while kill -0 $! && [ $(wc -c <out.txt) -lt 8192 ]; do sleep 0.01; done; "
                               "kill -INT $!; wait $!; echo $? >status; }";
    ASSERT_EQ(std::system(script.c_str()), 0);
    EXPECT_EQ(ReadAll(dir / "status"), "130\n");
    EXPECT_NE(ReadAll(dir / "out.txt").find("\nRun stopped by user.\n"), std::string::npos);
    EXPECT_EQ(ReadAll(dir / "out/result.log"),
              "#Format: LIB\r\n#Source: " + (dir / "a.lib") + "\r\n#Target: " + (dir / "out/BIN/a_a.bin") + "\r\n");
}
#endif

}  // namespace
}  // namespace eit::test
