#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "platform/Error.h"
#include "platform/File.h"
#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "platform/FolderHandles.h"
#include "platform/LineList.h"
#include "platform/Paths.h"
#include "platform/Prefetch.h"
#include "platform/RewriteAside.h"
#include "platform/Sha256.h"
#include "support/Files.h"

namespace eit {
namespace {

using test::InjectedWriteError;
using test::ReadAll;
using test::TempFolder;
using test::WriteAll;

std::vector<std::string> Lines(std::string_view text)
{
    LineList list;
    list.AddText(text);
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < list.Count(); ++i) lines.emplace_back(list[i]);
    return lines;
}

// Digests of the FIPS 180-2 examples, of nothing, and of a file read in
// several pieces (more than one copy piece of a million 'a').
TEST(Sha256, KnownDigestsWholeAndInPieces)
{
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    Sha256 pieces;
    pieces.Add("ab");
    pieces.Add("c");
    EXPECT_EQ(pieces.HexDigest(), Sha256Hex("abc"));

    TempFolder dir;
    const std::string path = dir / "a.bin";
    WriteAll(path, std::string(1000000, 'a'));
    EXPECT_EQ(Sha256OfFile(path), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    File file(path, OpenMode::Read);
    EXPECT_EQ(Sha256OfRange(file, 999997, 3), Sha256Hex("aaa"));
}

TEST(LineList, ReadsCrLfCrAndLfLineEnds)
{
    EXPECT_EQ(Lines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(Lines("a\n\r"), (std::vector<std::string>{"a", ""}));
}

TEST(LineList, FinalLineEndAddsNoEmptyLineButInnerEmptyLinesStay)
{
    EXPECT_EQ(Lines("a\r\n"), (std::vector<std::string>{"a"}));
    EXPECT_EQ(Lines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(Lines("\r\n"), (std::vector<std::string>{""}));
    EXPECT_TRUE(Lines("").empty());
}

TEST(LineList, ZeroByteEndsTheTextAndItsLineIsKept)
{
    EXPECT_EQ(Lines(std::string("ab\0cd\r\nef", 9)), (std::vector<std::string>{"ab"}));
    LineList list;
    list.AddText(std::string("a\r\nb\r\n\0c", 8));
    EXPECT_EQ(list.ZeroByteLine(), 3u);
    list.Clear();
    list.AddText("a\r\nb");
    EXPECT_EQ(list.ZeroByteLine(), std::nullopt);
}

TEST(LineList, LoadSplitsCrLfAcrossReadPieces)
{
    TempFolder dir;
    // A CR at the very end of the first 61,440-byte piece and its LF in the next.
    std::string text(File::kCopyPiece - 1, 'x');
    text += "\r\nnext\r\n";
    WriteAll(dir / "a.txt", text);
    LineList list;
    list.LoadFromFile(dir / "a.txt");
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list[1], "next");
}

TEST(LineList, SavesEveryLineWithCrLfAndRoundTrips)
{
    TempFolder dir;
    LineList list;
    list.Add("one");
    list.Add("");
    list.Add("three");
    list.SaveToFile(dir / "l.txt");
    EXPECT_EQ(ReadAll(dir / "l.txt"), "one\r\n\r\nthree\r\n");
    LineList back;
    back.LoadFromFile(dir / "l.txt");
    EXPECT_EQ(back.Count(), 3u);
    EXPECT_EQ(back[2], "three");
}

TEST(LineList, IndexPastTheEndRaisesTheListError)
{
    LineList list;
    list.Add("x");
    try {
        (void)list.At(1);
        FAIL() << "no error";
    } catch (const ToolError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (1)");
    }
}

TEST(LineList, SetKeepsOtherLinesAndAcceptsASuffixOfItself)
{
    LineList list;
    for (int i = 0; i < 100000; ++i) list.Add("#Source: line " + std::to_string(i));
    list.Set(5, list[5].substr(9));
    list.Set(6, "replaced");
    EXPECT_EQ(list[5], "line 5");
    EXPECT_EQ(list[6], "replaced");
    EXPECT_EQ(list[99999], "#Source: line 99999");
}

TEST(Paths, FileNamesExtensionsAndJoins)
{
    EXPECT_EQ(StoredFileName("land\\hills.bmp"), "hills.bmp");
    EXPECT_EQ(StoredFileName("c:x.bmp"), "x.bmp");
    EXPECT_EQ(StoredFileName("../../x"), "x");
    EXPECT_EQ(StoredFileName("..\\..\\x"), "x");
    EXPECT_EQ(ExtensionOf("a.b.c"), ".c");
    EXPECT_EQ(ExtensionOf("strings"), "");
    EXPECT_EQ(ReplaceExtension("a.b.cif", ".txt"), "a.b.txt");
    EXPECT_EQ(ReplaceExtension("strings", ".txt"), "strings.txt");
    EXPECT_EQ(JoinPath("dir", ""), std::string("dir") + kPathSeparator);
    EXPECT_EQ(UpperAscii("b\xe9z"), "B\xe9Z");  // only ASCII letters change
    EXPECT_TRUE(EqualsIgnoringAsciiCase("[0000001a]", "[0000001A]"));
    EXPECT_EQ(FolderOf("maps.lib"), ".");
#ifndef _WIN32
    EXPECT_EQ(FolderOf("/data/game/maps.lib"), "/data/game");
    EXPECT_EQ(FolderOf("/maps.lib"), "/");
    EXPECT_EQ(FileNameOf("/data/maps.lib"), "maps.lib");
    EXPECT_EQ(FileNameOf("/data/a\\b:c.lib"), "a\\b:c.lib") << "backslash and colon are name characters here";
#else
    EXPECT_EQ(FolderOf("C:\\data\\maps.lib"), "C:\\data");
    EXPECT_EQ(FolderOf("C:\\maps.lib"), "C:\\");
#endif
}

TEST(File, ReportsTheSystemErrorTexts)
{
    TempFolder dir;
    try {
        File f(dir / "missing.bin", OpenMode::Read);
        FAIL();
    } catch (const ToolError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + (dir / "missing.bin") + ": " + test::kNoSuchFile);
    }
    try {
        File f(dir / "no/such/folder.bin", OpenMode::Create);
        FAIL();
    } catch (const ToolError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + (dir / "no/such/folder.bin") + ": " + test::kNoSuchFolder);
    }
    WriteAll(dir / "short.bin", "abc");
    File f(dir / "short.bin", OpenMode::Read);
    char buffer[4];
    EXPECT_THROW(f.Read(buffer, 4), ToolError);
}

TEST(File, SecondOpenForWritingFailsWhileTheFirstHoldsIt)
{
    TempFolder dir;
    WriteAll(dir / "p.lib", "12345678");
    File first(dir / "p.lib", OpenMode::ReadWrite);
    EXPECT_THROW(File(dir / "p.lib", OpenMode::ReadWrite), ToolError);
    EXPECT_THROW(File(dir / "p.lib", OpenMode::Read), ToolError);
    EXPECT_THROW(File(dir / "p.lib", OpenMode::Create), ToolError);
    first.Close();
    EXPECT_EQ(ReadAll(dir / "p.lib"), "12345678") << "a refused creation empties nothing";
    File reader(dir / "p.lib", OpenMode::Read);
    EXPECT_NO_THROW(File(dir / "p.lib", OpenMode::Read)) << "readers share with readers";
    EXPECT_THROW(File(dir / "p.lib", OpenMode::ReadWrite), ToolError);
    reader.Close();
    EXPECT_NO_THROW(File(dir / "p.lib", OpenMode::ReadWrite));
}

TEST(File, CopyMovesBytesAcrossPieceBoundaries)
{
    TempFolder dir;
    std::string data(File::kCopyPiece * 2 + 17, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
    WriteAll(dir / "in.bin", "HEAD" + data);
    File in(dir / "in.bin", OpenMode::Read);
    File out(dir / "out.bin", OpenMode::Create);
    in.Seek(4);
    out.CopyFrom(in, data.size());
    out.Close();
    EXPECT_EQ(ReadAll(dir / "out.bin"), data);
}

// The kernel copy and the buffered one give the same bytes and leave both
// positions behind the copy: for copies too small for the kernel, of one and
// of several pieces, with the kernel copying everything, refusing at once,
// or stopping part-way through a piece or at a piece's end. A clone hands
// the kernel the whole range, small or not.
TEST(File, KernelAndBufferedCopiesAgree)
{
    TempFolder dir;
    const std::size_t piece = File::kCopyPiece;
    const std::size_t smallest = 32768;  // smaller copies are served from the read-ahead
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, smallest - 1, smallest, piece, piece + 1, 2 * piece + 17}) {
        for (auto [limit, clone] : {std::pair{-1LL, false}, {0LL, false}, {1000LL, false}, {static_cast<long long>(piece + 3), false},
                                    {-1LL, true}, {1000LL, true}}) {
            SCOPED_TRACE((clone ? "clone of " : "copy of ") + std::to_string(size) + " bytes, kernel limit " + std::to_string(limit));
            std::string data(size, '\0');
            for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 7 + i / 251);
            WriteAll(dir / "in.bin", "HEAD" + data + "TAIL");
            File in(dir / "in.bin", OpenMode::Read);
            File out(dir / "out.bin", OpenMode::Create);
            out.Write("xy", 2);
            in.Seek(4);
            faults::LimitKernelCopy(limit);
            if (clone) out.CloneFrom(in, size);
            else out.CopyFrom(in, size);
            const unsigned long long byKernel = faults::KernelCopied();
            faults::LimitKernelCopy(-1);
            EXPECT_EQ(in.ReadBytes(4), (std::vector<std::uint8_t>{'T', 'A', 'I', 'L'}));
            out.Write("!", 1);
            out.Close();
            EXPECT_TRUE(ReadAll(dir / "out.bin") == "xy" + data + "!");
#ifdef __linux__
            const unsigned long long expected = size < smallest && !clone ? 0 : limit < 0 ? size : std::min<unsigned long long>(size, limit);
            EXPECT_EQ(byKernel, expected) << "what the kernel copied";
#else
            EXPECT_EQ(byKernel, 0u);
#endif
        }
    }
}

TEST(File, CopyPastTheSourcesEndIsAReadError)
{
    TempFolder dir;
    WriteAll(dir / "in.bin", std::string(40000, 'i'));
    for (long long limit : {-1LL, 0LL}) {
        File in(dir / "in.bin", OpenMode::Read);
        File out(dir / "out.bin", OpenMode::Create);
        faults::LimitKernelCopy(limit);
        try {
            out.CopyFrom(in, 50000);
            ADD_FAILURE() << "no error with kernel limit " << limit;
        } catch (const ToolError& e) {
            EXPECT_EQ(std::string(e.what()), "Stream read error: the file ends early (reading " + (dir / "in.bin") + ")");
        }
        faults::LimitKernelCopy(-1);
    }
}

// The user's own files, read as items, texts or sheets, are not locked.
TEST(File, ItemsAreReadWithoutALock)
{
    TempFolder dir;
    WriteAll(dir / "item.bin", "item");
    File item(dir / "item.bin", OpenMode::ReadUnlocked);
#ifdef _WIN32
    EXPECT_TRUE(std::ofstream(dir / "item.bin", std::ios::app).is_open()) << "others may write it meanwhile";
#else
    EXPECT_NO_THROW(File(dir / "item.bin", OpenMode::ReadWrite)) << "it holds no lock";
#endif
    EXPECT_EQ(item.ReadBytes(4), (std::vector<std::uint8_t>{'i', 't', 'e', 'm'}));
}

TEST(RewriteAside, FailureAtAnyStepLeavesTheFileAsItWas)
{
    TempFolder dir;
    const std::string before = "original contents";
    for (long n = 1;; ++n) {
        WriteAll(dir / "t.bin", before);
        File target(dir / "t.bin", OpenMode::ReadWrite);
        faults::FailOperation(n);
        try {
            RewriteAside aside(target);
            aside.Out().Write("new", 3);
            aside.Out().Write(" contents", 9);
            aside.Commit();
        } catch (const ToolError& e) {
            EXPECT_EQ(e.what(), InjectedWriteError(dir / "t.bin"));
        }
        bool failed = faults::Triggered();
        faults::FailOperation(0);
        target.Close();
        if (!failed) {
            EXPECT_EQ(ReadAll(dir / "t.bin"), "new contents");
            EXPECT_GT(n, 3);
            break;
        }
        SCOPED_TRACE("failing operation " + std::to_string(n));
        EXPECT_EQ(ReadAll(dir / "t.bin"), before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "file left beside";
    }
}

TEST(RewriteAside, CreatedFileKeepsTheNewContentsAndStaysWritable)
{
    TempFolder dir;
    File target(dir / "t.bin", OpenMode::Create);
    target.Write("old", 3);
    RewriteAside aside(target);
    aside.Out().Write("newer", 5);
    aside.Commit();
    EXPECT_EQ(target.Size(), 5u);
    target.Seek(5);
    target.Write("!", 1);
    target.Close();
    EXPECT_EQ(ReadAll(dir / "t.bin"), "newer!");
}

#ifndef _WIN32
TEST(RewriteAside, RewritesTheRealFileBehindALinkAndKeepsTheLink)
{
    TempFolder dir;
    WriteAll(dir / "real.bin", "old");
    std::filesystem::create_symlink(dir / "real.bin", dir / "link.bin");
    File target(dir / "link.bin", OpenMode::ReadWrite);
    RewriteAside aside(target);
    aside.Out().Write("new", 3);
    aside.Commit();
    target.Close();
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.bin"));
    EXPECT_EQ(ReadAll(dir / "real.bin"), "new");
}
#endif

}  // namespace
// Results come back in order whichever thread made them; a failure of one
// index is raised by its own Take(); one left unread does not hold up the end.
TEST(Prefetch, HandsOutResultsInOrderAndEachFailureAtItsIndex)
{
    for (std::size_t count : {0u, 1u, 5u, 1000u}) {
        SCOPED_TRACE("count " + std::to_string(count));
        Prefetch<std::size_t> squares(count, [](std::size_t i) {
            if (i == 700) throw ToolError("no 700");
            return i * i;
        });
        const std::size_t taken = std::min<std::size_t>(count, 900);
        for (std::size_t i = 0; i < taken; ++i) {
            if (i == 700) {
                EXPECT_THROW(squares.Take(), ToolError);
            } else {
                EXPECT_EQ(squares.Take(), i * i);
            }
        }
    }
}

// A file looked at or opened within a folder held open is the one its whole
// path names, wherever the path leads.
TEST(FolderHandles, ReachTheFileTheWholePathNames)
{
    TempFolder dir;
    WriteAll(dir / "sub/a.bin", "abc");
    const std::string here = CurrentFolder();
    ASSERT_TRUE(SetCurrentFolder(dir.str()));
    FolderHandles folders;
    for (const std::string& path : {dir / "sub/a.bin", std::string("sub/a.bin"), std::string("sub/../sub/a.bin")}) {
        SCOPED_TRACE(path);
        const std::optional<FileFacts> facts = LookAt(path, &folders);
        ASSERT_TRUE(facts.has_value());
        EXPECT_EQ(facts->id, IdentityOf(dir / "sub/a.bin"));
        EXPECT_EQ(facts->size, 3u);
        File file(path, OpenMode::ReadUnlocked, &folders);
        EXPECT_EQ(file.ReadBytes(3), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
    }
    EXPECT_FALSE(LookAt("sub/missing.bin", &folders).has_value());
    EXPECT_THROW(File("missing/a.bin", OpenMode::ReadUnlocked, &folders), ToolError);
#ifndef _WIN32
    EXPECT_FALSE(LookAt("sub", &folders)->readable) << "a folder is not a file to read";
    EXPECT_TRUE(LookAt("sub/a.bin", &folders)->readable);
#endif
    SetCurrentFolder(here);
}

}  // namespace eit
