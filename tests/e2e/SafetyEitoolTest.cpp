// eitool against what users and other programs do to its files, by class:
// two replays of one font at once, FIFOs wherever a file is opened, a disk
// that refuses a write, a game folder the user may not write, and Ctrl-C.
#include <gtest/gtest.h>

#include <thread>
#ifndef _WIN32
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/Bmp.h"
#include "support/CifBuilder.h"
#include "support/Eitool.h"
#include "support/FontRun.h"
#include "support/LibBuilder.h"

namespace eit::test {
namespace {

// ---- Class: two replays of one file at once ---------------------------------

// Strip k of the sheet gets a glyph `width` pixels wide of index 100 + k.
void PaintGlyphs(const std::string& sheetPath, std::uint32_t width)
{
    IndexedImage sheet = LoadBmp(sheetPath);
    const std::uint32_t pitch = sheet.Height() / 64;
    for (std::uint32_t k = 0; k < 64; ++k) {
        sheet.Fill(1, k * pitch, sheet.Width() - 1, pitch, kTestBlack);
        sheet.Fill(4, k * pitch + 1, width, 2, static_cast<std::uint8_t>(100 + k));
    }
    SaveBmp(sheet, sheetPath);
}

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
    for (auto [log, width] : {std::pair{"a", 2u}, std::pair{"b", 3u}}) {
        ASSERT_EQ(RunEitool({"extract", "--target", log, "--palette", "pal.act", "f.fnt"}, dir.path()).status, 0);
        PaintGlyphs(dir / (std::string(log) + "/f.bmp"), width);
    }
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
            EXPECT_TRUE(run->status == 0 || run->err == "eitool: Cannot open file " + font + "\n") << run->err;
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

// A file size limit stands in for a full disk: the write fails with the
// system's reason, naming the package, which stays as it was.
TEST(WriteErrors, ARefusedWriteNamesTheReasonAndThePackageNotTheFileBeside)
{
    TempFolder dir;
    const std::string package = dir / "p.lib";
    const Bytes before = MakeLib({{"a.bin", "a"}});
    WriteAll(package, before);
    WriteAll(dir / "big", Bytes(4096, 'b'));
    WriteAll(dir / "r.log", "#Format: LIB\r\n#Source: " + package + "\r\n#Target: " + (dir / "big") + "\r\n");
    ToolRun run = RunEitool({"replay", "r.log"}, dir.path(), "trap '' XFSZ; ulimit -f 2;");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "eitool: Stream write error: File too large (writing " + package + ")\n");
    EXPECT_EQ(ReadAll(package), before);
    EXPECT_FALSE(AnyFileBeside(dir.path()));
}

// The package may be written but its folder not: the error names the package
// and says why, never the file that could not be made beside it.
TEST(WriteErrors, AGameFolderTheUserMayNotWriteIsReportedByThePackagesName)
{
    TempFolder dir;
    const std::string game = dir / "game";
    const std::string package = dir / "game/p.lib";
    const Bytes before = MakeLib({{"a.bin", "a"}});
    WriteAll(package, before);
    WriteAll(dir / "item", "new");
    WriteAll(dir / "r.log", "#Format: LIB\r\n#Source: " + package + "\r\n#Target: " + (dir / "item") + "\r\n");
    ASSERT_EQ(chmod(package.c_str(), 0666), 0);
    std::string prefix;  // root may write anywhere: it replays as nobody
    if (geteuid() == 0) {
        if (std::system("setpriv --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "setpriv is missing";
        prefix = "setpriv --reuid=65534 --regid=65534 --clear-groups";
        ASSERT_EQ(chmod(dir.str().c_str(), 0777), 0);
    } else {
        ASSERT_EQ(chmod(game.c_str(), 0555), 0);
    }
    ToolRun run = RunEitool({"replay", "r.log"}, dir.path(), prefix);
    chmod(game.c_str(), 0755);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "eitool: Cannot create file " + package +
                           ": Permission denied (the new contents are built in a file beside it, in its folder)\n");
    EXPECT_EQ(ReadAll(package), before);
    EXPECT_FALSE(AnyFileBeside(dir.path()));
}

// ---- Class: Ctrl-C ------------------------------------------------------------

// eitool started in `cwd` with its standard output on a pipe.
struct Started {
    pid_t pid;
    int out;
};

Started StartEitool(const std::vector<std::string>& args, const std::filesystem::path& cwd)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return {-1, -1};
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        const int devNull = open("/dev/null", O_WRONLY);
        dup2(devNull, STDERR_FILENO);
        if (chdir(cwd.c_str()) != 0) _exit(127);
        std::vector<char*> argv = {const_cast<char*>(EITOOL_PATH)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(EITOOL_PATH, argv.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    return {pid, pipeEnds[0]};
}

// Ctrl-C in the middle of the second of two packages: the run stops at the
// next item, writes the log of the first, and exits 130.
TEST(Interrupted, ARunStoppedByCtrlCExits130HavingLoggedItsCompleteGroups)
{
    TempFolder dir;
    WriteAll(dir / "a.lib", MakeLib({{"a.bin", "a"}}));
    WriteAll(dir / "b.lib", MakeLib(std::vector<LibItem>(30000, LibItem{"b.bin", "b"})));
    Started run = StartEitool({"extract", "--target", "out", "a.lib", "b.lib"}, dir.path());
    ASSERT_GT(run.pid, 0);
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(run.out, buffer, sizeof buffer)) > 0;) {
        const bool signalNow = out.size() < 8192 && out.size() + static_cast<std::size_t>(n) >= 8192;
        out.append(buffer, static_cast<std::size_t>(n));
        if (signalNow) kill(run.pid, SIGINT);  // well into the second package
    }
    close(run.out);
    int status = 0;
    ASSERT_EQ(waitpid(run.pid, &status, 0), run.pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_NE(out.find("\nRun stopped by user.\n"), std::string::npos) << out.substr(out.size() - std::min<std::size_t>(out.size(), 200));
    EXPECT_EQ(ReadAll(dir / "out/result.log"),
              "#Format: LIB\r\n#Source: " + (dir / "a.lib") + "\r\n#Target: " + (dir / "out/BIN/a_a.bin") + "\r\n");
}
#endif

}  // namespace
}  // namespace eit::test
