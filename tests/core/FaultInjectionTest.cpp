// Failing disks: the 1st, 2nd, ... mutating file operation of a run fails in
// turn. Extraction then leaves only whole files, and an earlier file of an
// output's name byte-identical; a replay leaves each source rewritten whole or
// byte-identical; and the error reaches the caller with its text. (Seeks only
// move a position kept in memory, so they cannot fail.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "formats/CifText.h"
#include "formats/Lib.h"
#include "formats/Formats.h"
#include "jobs/Run.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "support/CifBuilder.h"
#include "support/FontRun.h"
#include "support/LibBuilder.h"

namespace eit::test {
namespace {

// Runs `action` with operation n failing, for n = 1, 2, ... until a run
// passes without reaching n; `check` sees each failed run's error text.
// Returns how many runs failed.
long FailEachOperation(const std::function<void()>& prepare, const std::function<void()>& action,
                       const std::function<void(long, const std::string&)>& check)
{
    for (long n = 1;; ++n) {
        prepare();
        faults::FailOperation(n);
        std::string error = "(no error)";
        try {
            action();
        } catch (const ToolError& e) {
            error = e.what();
        }
        const bool failed = faults::Triggered();
        faults::FailOperation(0);
        if (!failed) {
            EXPECT_EQ(error, "(no error)");
            return n - 1;
        }
        SCOPED_TRACE("failing operation " + std::to_string(n));
        check(n, error);
    }
}

// The same whether the kernel copies the items or the buffer does: each
// piece of a copy is one write.
TEST(ExtractionFaults, LibItemsBeforeTheFailureAreWholeAndTheFailingOneIsGone)
{
    FontWorkspace w;  // a folder and a run context
    const std::vector<LibItem> items = {{"a.bin", Bytes(File::kCopyPiece + 5, 'a')}, {"b.bin", "b"}, {"c.bin", ""}};
    WriteAll(w.dir / "p.lib", MakeLib(items));
    const std::string out = w.dir / "out";
    w.ctx.settings.TargetDir = out;
    for (long long kernelLimit : {-1LL, 0LL}) {
        SCOPED_TRACE("kernel copy limit " + std::to_string(kernelLimit));
        faults::LimitKernelCopy(kernelLimit);
        const long failures = FailEachOperation(
            [&] {
                std::filesystem::remove_all(out);
                std::filesystem::create_directories(out);
            },
            [&] { ExtractLib(w.ctx, w.dir / "p.lib"); },
            [&](long, const std::string& error) {
                std::string inOut = InjectedWriteError(JoinPath(out, ""));
                inOut.pop_back();  // the ")" after the item's name
                EXPECT_EQ(error.rfind(inOut, 0), 0u) << error << " names no item";
                for (const auto& [name, bytes] : Snapshot(out)) {
                    EXPECT_TRUE(bytes == items[0].data || bytes == items[1].data || bytes == items[2].data) << name << " is half-written";
                }
                EXPECT_LT(Snapshot(out).size(), items.size());
            });
        faults::LimitKernelCopy(-1);
        EXPECT_EQ(failures, 3) << "two pieces of the first item, one of the second; the empty one writes nothing";
        EXPECT_EQ(Snapshot(out).size(), items.size());
    }
}

// Many items, so that their bytes are copied on a second thread and, when it
// falls behind, on the first: a failure anywhere leaves whole items only, and
// the items reported extracted are exactly those on disk, in order.
TEST(ExtractionFaults, ItemsCopiedAlongsideTheirCreationAreWholeAndReportedInOrder)
{
    FontWorkspace w;
    std::vector<LibItem> items;
    for (int i = 0; i < 300; ++i) {
        const std::size_t size = static_cast<std::size_t>(i % 7 == 0 ? File::kCopyPiece + i : i % 5);
        items.push_back({"i" + std::to_string(i) + ".bin", Bytes(size, static_cast<char>('a' + i % 26))});
    }
    WriteAll(w.dir / "p.lib", MakeLib(items));
    const std::string out = w.dir / "out";
    w.ctx.settings.TargetDir = out;
    auto reportedItems = [&] {
        std::vector<std::string> reported;
        for (const std::string& line : w.report.results) {
            if (line.starts_with("Item ")) reported.push_back(line);
        }
        return reported;
    };
    for (long failAt : {0L, 1L, 40L, 150L, 280L}) {  // of about 290 writes
        SCOPED_TRACE("failing operation " + std::to_string(failAt));
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        w.report.results.clear();
        faults::FailOperation(failAt);
        std::string error;
        try {
            ExtractLib(w.ctx, w.dir / "p.lib");
        } catch (const ToolError& e) {
            error = e.what();
        }
        faults::FailOperation(0);
        EXPECT_EQ(error.empty(), failAt == 0) << error;
        const auto files = Snapshot(out);
        const std::vector<std::string> reported = reportedItems();
        for (std::size_t i = 0; i < reported.size(); ++i) {
            EXPECT_EQ(reported[i], "Item " + std::to_string(i) + " " + items[i].name + " extracted.");
            EXPECT_EQ(files.at("BIN/p_" + items[i].name), items[i].data) << "reported but not whole";
        }
        for (const auto& [name, bytes] : files) {
            const std::size_t index = std::stoul(name.substr(name.find("_i") + 2));
            EXPECT_EQ(bytes, items[index].data) << name << " is half-written";
        }
        EXPECT_EQ(reported.size() == items.size(), failAt == 0);
        EXPECT_EQ(files.size() == items.size(), failAt == 0);
    }
}

// Extracting again over the files of an earlier run (a .txt edited since, a
// sheet, the log) keeps each earlier file whole until its new one is.
class ReextractionFaults : public ::testing::Test {
protected:
    FontWorkspace w;

    // `item` is a file the extraction writes before `output`, if any.
    void ExpectEarlierFileKept(const std::string& output, const std::function<void()>& extract, const std::string& item = "")
    {
        const Bytes earlier = "an earlier file, edited since";
        const long failures = FailEachOperation([&] { WriteAll(output, earlier); }, extract,
                                                [&](long n, const std::string& error) {
                                                    EXPECT_EQ(error, InjectedWriteError(n == 1 && !item.empty() ? item : output));
                                                    EXPECT_EQ(ReadAll(output), earlier);
                                                    EXPECT_FALSE(AnyFileBeside(w.dir.path()));
                                                });
        EXPECT_GT(failures, 1);
        EXPECT_NE(ReadAll(output), earlier);
    }
};

TEST_F(ReextractionFaults, TxtIsKept)
{
    std::vector<Bytes> texts(2000, Bytes(50, 't'));
    WriteAll(w.dir / "t.sal", BuildCif(CifOfTexts(texts)));
    ExpectEarlierFileKept(w.dir / "t.txt", [&] { ExtractCifText(w.ctx, w.dir / "t.sal"); });
}

TEST_F(ReextractionFaults, SheetIsKept)
{
    std::vector<TestGlyph> glyphs;
    for (std::uint32_t i = 0; i < 64; ++i) glyphs.push_back(PatternGlyph(i, 40, 30, 2));
    w.PutFont("f.fnt", MakeFont(glyphs));
    ExpectEarlierFileKept(w.SheetOf("f.fnt"), [&] { ConvertFontToBitmap(w.ctx, w.dir / "f.fnt"); });
}

TEST_F(ReextractionFaults, OperationLogIsKept)
{
    WriteAll(w.dir / "p.lib", MakeLib({{"a.bin", "a"}}));
    w.ctx.JobKind = JobKind::ExtractLib;
    w.ask.folder = (w.dir / "out");
    std::filesystem::create_directories(w.dir / "out");
    const std::string before = CurrentFolder();
    ExpectEarlierFileKept(
        w.dir / "out/result.log",
        [&] {
            std::filesystem::remove_all(w.dir / "out/BIN");
            RunProcess(w.ctx, {w.dir / "p.lib"});
        },
        w.dir / "out/BIN/p_a.bin");
    SetCurrentFolder(before);
}

// One log over a package (its first item unchanged, so that it is copied over
// from the package), a CIF text file, a font and a package that is up to
// date: the groups before the failing write are rewritten whole, the rest
// stay byte-identical, and the package up to date is never written. (The
// line after a LIB or CIF group is passed over, hence the empty lines there.)
TEST(ReplayFaults, EachSourceIsRewrittenWholeOrLeftByteIdentical)
{
    FontWorkspace w;
    std::vector<TestGlyph> glyphs;
    // Glyph 65 sets the baseline guide: kept above the last row, it leaves the strips apart.
    for (std::uint32_t i = 0; i < kRebuiltGlyphCount; ++i) glyphs.push_back(PatternGlyph(i, 2 + i % 3, i == 65 ? 1 : 2, 0));
    w.PutFont("f.fnt", MakeFont(glyphs));
    w.Draw("f.fnt");
    const std::vector<std::pair<std::string, Bytes>> sources = {
        {w.dir / "p.lib", MakeLib({{"a.bin", "old"}, {"b.bin", Bytes(File::kCopyPiece, 'b')}})},
        {w.dir / "t.cif", BuildCif(CifOfTexts({"one", "two"}, "LM"))},
        {w.dir / "f.fnt", ReadAll(w.dir / "f.fnt")},
        {w.dir / "q.lib", MakeLib({{"q.bin", "old"}})},
    };
    WriteAll(w.dir / "a", "old");
    WriteAll(w.dir / "b", Bytes(2 * File::kCopyPiece + 3, 'B'));  // copied by the kernel where it can
    WriteAll(w.dir / "t.txt", TxtOf({"uno", "dos"}));
    WriteAll(w.dir / "result.log", "#Format: LIB\r\n#Source: " + sources[0].first + "\r\n#Target: " + (w.dir / "a") +
                                       "\r\n#Target: " + (w.dir / "b") + "\r\n\r\n#Format: CIF\r\n#Source: " + sources[1].first +
                                       "\r\n#Target: " + (w.dir / "t.txt") + "\r\n\r\n#Format: FNT\r\n#Source: " +
                                       sources[2].first + "\r\n#Target: " + w.SheetOf("f.fnt") + "\r\n#Format: LIB\r\n#Source: " +
                                       sources[3].first + "\r\n#Target: " + (w.dir / "a") + "\r\n");
    auto replay = [&] {
        try {
            ReplayLog(w.ctx, w.dir / "result.log");
        } catch (...) {
            w.ctx.SourceStream.Close();
            throw;
        }
    };
    auto restore = [&] {
        for (const auto& [path, bytes] : sources) WriteAll(path, bytes);
    };
    restore();
    replay();
    std::vector<Bytes> after;
    for (const auto& source : sources) {
        after.push_back(ReadAll(source.first));
        EXPECT_EQ(after.back() != source.second, source.first != sources[3].first) << source.first;
    }
    const std::size_t files = Snapshot(w.dir.path()).size();

    FailEachOperation(restore, replay, [&](long, const std::string& error) {
        bool reachedFailure = false;
        for (std::size_t i = 0; i < sources.size(); ++i) {
            const Bytes now = ReadAll(sources[i].first);
            if (!reachedFailure && now != after[i]) {
                EXPECT_EQ(error, InjectedWriteError(sources[i].first));
            }
            reachedFailure = reachedFailure || now != after[i];
            EXPECT_EQ(now, reachedFailure ? sources[i].second : after[i]) << sources[i].first;
        }
        EXPECT_TRUE(reachedFailure);
        EXPECT_EQ(Snapshot(w.dir.path()).size(), files) << "a file left beside a source";
    });
}

#ifndef _WIN32
// flock() locks belong to an open file, not to a process: a second process
// is kept out just as a second open in this one.
TEST(TwoInstances, ASecondProcessCannotOpenAPackageTheFirstHolds)
{
    TempFolder dir;
    WriteAll(dir / "p.lib", MakeLib({{"a.bin", "a"}}));
    File held(dir / "p.lib", OpenMode::ReadWrite);
    const pid_t child = fork();
    if (child == 0) {
        int status = 0;
        try {
            File(dir / "p.lib", OpenMode::ReadWrite);
        } catch (const ToolError& e) {
            status = std::string(e.what()) == "Cannot open file " + (dir / "p.lib") + ": " + kHeldElsewhere ? 1 : 2;
        }
        std::_Exit(status);
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "the second process opened it, or failed otherwise";
}
#endif

}  // namespace
}  // namespace eit::test
