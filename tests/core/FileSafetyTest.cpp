// What a rewrite must never do to the user's files, by class: write through
// a link at an output's name, replace an earlier output without a trace,
// leave files beside a package for ever, change a rewritten file's owner or
// mode, or stumble over a byte order mark.
#include <gtest/gtest.h>

#include <functional>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "formats/CifText.h"
#include "formats/Lib.h"
#include "jobs/ProjectList.h"
#include "jobs/Run.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/RewriteAside.h"
#include "support/CifBuilder.h"
#include "support/FontRun.h"
#include "support/LibBuilder.h"

namespace eit::test {
namespace {

// An output an extraction writes into the target folder, and how to make it.
struct Output {
    const char* name;
    std::function<void(FontWorkspace&)> extract;
};

void ExtractTxt(FontWorkspace& w)
{
    WriteAll(w.dir / "t.sal", BuildCif(CifOfTexts({"one", "two"})));
    ExtractCifText(w.ctx, w.dir / "t.sal");
}

void ExtractSheet(FontWorkspace& w)
{
    w.PutFont("f.fnt", MakeFont({PatternGlyph(1, 3, 2, 0)}));
    ConvertFontToBitmap(w.ctx, w.dir / "f.fnt");
}

// The log of a LIB extraction into the workspace; its items are removed
// first, so every run writes the same log.
void ExtractLog(FontWorkspace& w)
{
    WriteAll(w.dir / "p.lib", MakeLib({{"a.bin", "a"}}));
    std::filesystem::remove_all(w.dir / "BIN");
    w.ctx.JobKind = JobKind::ExtractLib;
    w.ask.folder = w.dir.str();
    const std::string before = CurrentFolder();
    RunProcess(w.ctx, {w.dir / "p.lib"});
    SetCurrentFolder(before);
}

const Output kOutputs[] = {{"t.txt", ExtractTxt}, {"f.bmp", ExtractSheet}, {"result.log", ExtractLog}};

bool Reported(const Recorder& recorder, const std::string& line)
{
    return std::find(recorder.results.begin(), recorder.results.end(), line) != recorder.results.end();
}

// ---- Classes: links at an output's name, earlier outputs kept --------------

// A link at the name of a .txt, sheet or log is replaced itself and kept, as
// the user's; nothing is written where it leads. An earlier file that differs
// is kept as the first free NAME.~N~ and reported; one with the same bytes
// is left alone.
TEST(EarlierOutputs, AreKeptAsTheFirstFreeNumberedNameAndLinksAreNeverWrittenThrough)
{
    for (const Output& output : kOutputs) {
        SCOPED_TRACE(output.name);
        FontWorkspace w;
        const std::string path = w.dir / output.name;
        const std::string victim = w.dir / "elsewhere/victim";
        WriteAll(victim, "not to be touched");
        std::error_code noLinks;  // Windows lets only some users make links
        std::filesystem::create_symlink(victim, path, noLinks);
        if (noLinks) WriteAll(path, "not to be touched");
        output.extract(w);
        EXPECT_EQ(ReadAll(victim), "not to be touched");
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(path)));
        EXPECT_EQ(ReadAll(path + ".~1~"), "not to be touched");
        const Bytes fresh = ReadAll(path);

        std::filesystem::remove(path + ".~1~");
        WriteAll(path + ".~2~", "taken");
        WriteAll(path, "edited by the user");
        w.report.results.clear();
        output.extract(w);
        EXPECT_TRUE(Reported(w.report, "Kept the earlier " + std::string(output.name) + " as " + output.name + ".~1~."));
        EXPECT_EQ(ReadAll(path + ".~1~"), "edited by the user");
        EXPECT_EQ(ReadAll(path + ".~2~"), "taken");
        EXPECT_EQ(ReadAll(path), fresh);

        output.extract(w);
        EXPECT_FALSE(std::filesystem::exists(path + ".~3~")) << "the same bytes again keep nothing";
    }
}

// ---- Class: byte order marks ------------------------------------------------

TEST(ByteOrderMark, ALogAndAProjectListThatBeginWithOneReadAsWithout)
{
    FontWorkspace w;
    const Bytes mark = "\xEF\xBB\xBF";
    WriteAll(w.dir / "p.lib", MakeLib({{"a.bin", "old"}}));
    WriteAll(w.dir / "item", "new");
    WriteAll(w.dir / "r.log", mark + "#Format: LIB\r\n#Source: " + (w.dir / "p.lib") + "\r\n#Target: " + (w.dir / "item") + "\r\n");
    ReplayLog(w.ctx, w.dir / "r.log");
    EXPECT_EQ(ReadAll(w.dir / "p.lib"), MakeLib({{"a.bin", "new"}}));

    WriteAll(w.dir / "all.lst", mark + (w.dir / "r.log") + "\r\n");
    EXPECT_EQ(LoadProjectList(w.dir / "all.lst"), std::vector<std::string>{w.dir / "r.log"});
}

// ---- Class: leftovers beside a package --------------------------------------

// 150 files left by killed replays (past the 100 names once tried) and a gap:
// the next replay removes each that nobody holds and says so; one that a
// live process holds stays.
TEST(Leftovers, TheNextRewriteRemovesEveryUnheldOneAndSaysSo)
{
    FontWorkspace w;
    const std::string package = w.dir / "p.lib";
    WriteAll(package, MakeLib({{"a.bin", "old"}}));
    WriteAll(w.dir / "item", "new");
    std::vector<std::string> leftovers;
    for (std::uint64_t n = 0; n < 150; ++n) {
        if (n >= 20 && n < 23) continue;
        leftovers.push_back(File::BesideName(package, n));
        WriteAll(leftovers.back(), "a killed replay's half-built package");
    }
    File held(leftovers[5], OpenMode::ReadWrite);
    WriteAll(w.dir / "r.log", "#Format: LIB\r\n#Source: " + package + "\r\n#Target: " + (w.dir / "item") + "\r\n");
    ReplayLog(w.ctx, w.dir / "r.log");

    EXPECT_EQ(ReadAll(package), MakeLib({{"a.bin", "new"}}));
    for (const std::string& leftover : leftovers) {
        SCOPED_TRACE(leftover);
        const bool isHeld = leftover == leftovers[5];
        EXPECT_EQ(std::filesystem::exists(leftover), isHeld);
        EXPECT_EQ(Reported(w.report, "Removed " + leftover + ", left by a rewrite that did not finish."), !isHeld);
    }
    EXPECT_EQ(Snapshot(w.dir.path()).size(), 5u) << "palette, package, item, log and the held file";
}

#ifndef _WIN32
// ---- Class: a rewrite keeps the file's identity -----------------------------

// As root the file of another user keeps its owner; as anyone, its group
// (where the user is in it) and its mode, already while it is built.
TEST(RewriteIdentity, TheFileBuiltBesideHasTheOriginalsOwnerGroupAndModeBeforeAnyData)
{
    TempFolder dir;
    const std::string path = dir / "p.bin";
    const bool root = geteuid() == 0;
    const uid_t owner = root ? 65534 : geteuid();
    const gid_t group = root ? 65534 : getegid();
    for (mode_t mode : {0600, 0640}) {
        SCOPED_TRACE(mode);
        WriteAll(path, "old");
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        ASSERT_EQ(chown(path.c_str(), owner, group), 0);
        auto expectIdentity = [&](const std::string& file) {
            struct stat info;
            ASSERT_EQ(stat(file.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, mode) << file;
            EXPECT_EQ(info.st_uid, owner) << file;
            EXPECT_EQ(info.st_gid, group) << file;
        };
        File target(path, OpenMode::ReadWrite);
        RewriteAside aside(target);
        expectIdentity(aside.Out().Path());
        aside.Out().Write("new", 3);
        aside.Commit();
        target.Close();
        expectIdentity(path);
        EXPECT_EQ(ReadAll(path), "new");
    }
}
#endif

}  // namespace
}  // namespace eit::test
