#include <gtest/gtest.h>

#include "formats/Lib.h"
#include "platform/Error.h"
#include "platform/Paths.h"
#include "support/LibBuilder.h"
#include "support/Writes.h"
#include "fixtures/RunFixture.h"

namespace eit::test {
namespace {

class LibTest : public RunFixture {
protected:
    std::string Package(const std::string& name, const std::vector<LibItem>& items)
    {
        WriteAll(dir / name, MakeLib(items));
        return dir / name;
    }

    std::string Target(int i) const { return std::string(ctx.OperationLog[static_cast<std::size_t>(i)].substr(9)); }

    // Replays the package against the given item files through InsertLib.
    std::size_t Insert(const std::string& package, const std::vector<std::string>& itemPaths, std::size_t first = 0)
    {
        ctx.ReplayLines.Clear();
        for (std::size_t i = 0; i < first; ++i) ctx.ReplayLines.Add("earlier line");
        for (const std::string& path : itemPaths) ctx.ReplayLines.Add("#Target: " + path);
        SourceStreamScope source(ctx, package);  // held without sharing until the call ends
        return InsertLib(ctx, package, first);
    }
};

TEST_F(LibTest, ExtractsEveryItemIntoAFolderPerTypeAndReportsIt)
{
    std::string package = Package("maps.lib", {{"land\\hills.bmp", "HILLS"}, {"Hills.Bmp", "hills2"}, {"a.b.c", "abc"}});
    ExtractLib(ctx, package);
    EXPECT_EQ(ReadAll(dir / "BMP/maps_hills.bmp"), "HILLS");
#ifdef _WIN32
    // Names differing only in case are one file here: the second item is numbered.
    EXPECT_EQ(ReadAll(dir / "BMP/maps_Hills_0000.bmp"), "hills2");
#else
    EXPECT_EQ(ReadAll(dir / "BMP/maps_Hills.Bmp"), "hills2");
#endif
    EXPECT_EQ(ReadAll(dir / "C/maps_a.b.c"), "abc");
    EXPECT_EQ(recorder.messages[0], "Processing maps.lib...");
    EXPECT_EQ(recorder.messages[1], "Extracting hills.bmp from maps.lib...");
    EXPECT_EQ(recorder.extracted, (std::vector<std::string>{"Extracted: 0", "Extracted: 1 of 3", "Extracted: 2 of 3",
                                                            "Extracted: 3 of 3"}));
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"Item 0 hills.bmp extracted.", "Item 1 Hills.Bmp extracted.",
                                                          "Item 2 a.b.c extracted."}));
    EXPECT_EQ(Target(0), JoinPath(JoinPath(dir.str(), "BMP"), "maps_hills.bmp"));
    EXPECT_EQ(recorder.progress.back(), 66);
    EXPECT_EQ(ctx.TotalBytes, 14u);
}

TEST_F(LibTest, NumberedNamesFollowTheFormatAndTheLogNamesTheFileWritten)
{
    EXPECT_EQ(NumberedTargetName("maps_hills.bmp", 0, "BMP"), "maps_hills_0000.bmp");
    EXPECT_EQ(NumberedTargetName("maps_a.b.c", 0x1A, "C"), "maps_a_001A.c");
    EXPECT_EQ(NumberedTargetName("maps_noext", 0xFFFF, ""), "maps_noext_FFFF.");

    std::string package = Package("maps.lib", {{"a\\x.bmp", "first"}, {"b\\x.bmp", "second"}});
    ExtractLib(ctx, package);
    ExtractLib(ctx, package);
    EXPECT_EQ(ReadAll(dir / "BMP/maps_x.bmp"), "first");
    EXPECT_EQ(ReadAll(dir / "BMP/maps_x_0000.bmp"), "second");
    EXPECT_EQ(ReadAll(dir / "BMP/maps_x_0001.bmp"), "first");
    EXPECT_EQ(ReadAll(dir / "BMP/maps_x_0002.bmp"), "second");
    EXPECT_EQ(Target(1), JoinPath(JoinPath(dir.str(), "BMP"), "maps_x_0000.bmp"));
    EXPECT_EQ(Target(3), JoinPath(JoinPath(dir.str(), "BMP"), "maps_x_0002.bmp"));
}

TEST_F(LibTest, NamesWithoutExtensionOrStemAndWithZeroBytes)
{
    std::string package = Package("nostem", {{"README", "r"}, {Bytes("cut\0away.txt", 12), "c"}, {"z.txt", ""}});
    ExtractLib(ctx, package);
    EXPECT_EQ(ReadAll(dir / "_README"), "r") << "no type: the item lands in the target folder";
    EXPECT_EQ(Target(0), JoinPath(JoinPath(dir.str(), ""), "_README"));
    EXPECT_EQ(ReadAll(dir / "_cut"), "c") << "a stored name ends at its first zero byte";
    EXPECT_TRUE(Exists(dir / "TXT/_z.txt"));
    EXPECT_EQ(ReadAll(dir / "TXT/_z.txt"), "");
    ExtractLib(ctx, package);
    EXPECT_EQ(ReadAll(dir / "_README_0000."), "r");
}

TEST_F(LibTest, EmptyPackageMakesNothing)
{
    std::string package = Package("empty.lib", {});
    ExtractLib(ctx, package);
    EXPECT_EQ(recorder.extracted, (std::vector<std::string>{"Extracted: 0"}));
    EXPECT_TRUE(ctx.OperationLog.Empty());
    EXPECT_EQ(Snapshot(dir.path()).size(), 1u);
    EXPECT_EQ(recorder.progress.back(), 0);
}

TEST_F(LibTest, ProgressMovesOnlyWhenTheWholePercentChanges)
{
    std::vector<LibItem> items(250, {"i.bin", ""});
    ExtractLib(ctx, Package("many.lib", items));
    EXPECT_EQ(recorder.progress.size(), 101u);  // 0 twice at the start, then 1 to 99 and 100 never
    EXPECT_EQ(recorder.progress.back(), 99);
}

TEST_F(LibTest, RebuildsTheDataAreaBehindTheDirectory)
{
    std::string package = Package("p.lib", {{"a.bmp", Bytes(5, 'a')}, {"b.txt", Bytes(7, 'b')}});
    WriteAll(dir / "p_a.bmp", Bytes(100, 'A'));
    WriteAll(dir / "p_b.txt", Bytes(20, 'B'));
    EXPECT_EQ(Insert(package, {dir / "p_a.bmp", dir / "p_b.txt"}, 2), 4u);
    Bytes rebuilt = ReadAll(package);
    ASSERT_EQ(rebuilt.size(), 158u);
    EXPECT_EQ(GetU32(rebuilt, 8 + 2 + 5), 38u);
    EXPECT_EQ(GetU32(rebuilt, 8 + 2 + 5 + 4), 100u);
    EXPECT_EQ(GetU32(rebuilt, 23 + 2 + 5), 138u);
    EXPECT_EQ(GetU32(rebuilt, 23 + 2 + 5 + 4), 20u);
    EXPECT_EQ(rebuilt, MakeLib({{"a.bmp", Bytes(100, 'A')}, {"b.txt", Bytes(20, 'B')}}));
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"Item p_a.bmp inserted.", "Item p_b.txt inserted."}));
    EXPECT_EQ(recorder.messages[1], "Inserting p_a.bmp to p.lib...");
}

TEST_F(LibTest, InsertionKeepsLeadingBytesNamesAndZeroSizeItems)
{
    Bytes package = MakeLib({{Bytes("n\0m.bin", 7), "xx"}, {"e.bin", "yy"}}, "ABCD");
    package += "trailing junk";
    WriteAll(dir / "p.lib", package);
    WriteAll(dir / "one", "1");
    WriteAll(dir / "zero", "");
    EXPECT_EQ(Insert(dir / "p.lib", {dir / "zero", dir / "one"}), 2u);
    EXPECT_EQ(ReadAll(dir / "p.lib"), MakeLib({{Bytes("n\0m.bin", 7), ""}, {"e.bin", "1"}}, "ABCD"));
    const Bytes rebuilt = ReadAll(dir / "p.lib");
    EXPECT_THROW(Insert(dir / "p.lib", {}), ToolError) << "the package's count decides, not the log's";
    EXPECT_EQ(ReadAll(dir / "p.lib"), rebuilt);
}

// A package that holds its items in place, and nothing more, is not written:
// same file, same time, not a write; the results name every item all the same.
TEST_F(LibTest, UpToDatePackageIsLeftUnwritten)
{
    const std::vector<LibItem> items = {{"a.bin", "A"}, {"b.bin", Bytes(File::kCopyPiece + 3, 'b')}, {"c.bin", ""}};
    const std::string package = Package("p.lib", items);
    for (const LibItem& item : items) WriteAll(dir / ("p_" + item.name), item.data);
    const FileStamp before = StampOf(package);
    EXPECT_EQ(WritesOf([&] { Insert(package, {dir / "p_a.bin", dir / "p_b.bin", dir / "p_c.bin"}); }), 0);
    EXPECT_EQ(StampOf(package), before);
    EXPECT_EQ(ReadAll(package), MakeLib(items));
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"Item p_a.bin inserted.", "Item p_b.bin inserted.",
                                                          "Item p_c.bin inserted.", "p.lib was up to date: nothing written."}));
}

// Whatever differs (an item's bytes, its size, where it lies, bytes after the
// last item), the package is rebuilt to exactly what a rebuild writes; the
// items before the first that differs are copied over from the package.
TEST_F(LibTest, AnyDifferenceRebuildsThePackageExactly)
{
    const std::vector<LibItem> items = {{"a.bin", "AAAA"}, {"b.bin", Bytes(File::kCopyPiece + 3, 'b')}, {"c.bin", "CC"}};
    const Bytes rebuilt = MakeLib(items);
    auto with = [&](std::size_t index, const Bytes& data) {
        std::vector<LibItem> changed = items;
        changed[index].data = data;
        return MakeLib(changed);
    };
    Bytes gap = with(0, "AAAAx");  // entry 0 names its 4 bytes, a byte lies between it and the next
    gap[8 + 2 + 5 + 4] = 4;
    struct Case {
        const char* what;
        Bytes package;
    };
    for (const Case& c : {Case{"the last item's bytes", with(2, "CX")}, Case{"the first item's size", with(0, "AAA")},
                          Case{"a middle item's bytes", with(1, Bytes(File::kCopyPiece + 2, 'b') + "X")},
                          Case{"bytes after the last item", rebuilt + "tail"}, Case{"a gap between items", gap}}) {
        SCOPED_TRACE(c.what);
        WriteAll(dir / "p.lib", c.package);
        for (const LibItem& item : items) WriteAll(dir / ("p_" + item.name), item.data);
        const FileStamp before = StampOf(dir / "p.lib");
        recorder = Recorder();
        Insert(dir / "p.lib", {dir / "p_a.bin", dir / "p_b.bin", dir / "p_c.bin"});
        EXPECT_EQ(ReadAll(dir / "p.lib"), rebuilt);
        EXPECT_NE(StampOf(dir / "p.lib").id, before.id) << "built beside and swapped in";
        EXPECT_EQ(recorder.results.back(), "Item p_c.bin inserted.");
    }
}

TEST_F(LibTest, EmptyPackageIsCutToItsHeader)
{
    Bytes package = MakeLib({}) + "old data";
    WriteAll(dir / "p.lib", package);
    EXPECT_EQ(Insert(dir / "p.lib", {}, 3), 3u);
    EXPECT_EQ(ReadAll(dir / "p.lib"), package.substr(0, 8));
}

TEST_F(LibTest, RefusalsBeforeTheFirstWriteLeaveThePackageUnchanged)
{
    const Bytes before = MakeLib({{"a.bin", "aa"}, {"b.bin", "bb"}});
    WriteAll(dir / "p.lib", before);
    WriteAll(dir / "one", "1");
    EXPECT_THROW(Insert(dir / "p.lib", {dir / "one"}), ToolError) << "too few target lines";
    EXPECT_THROW(Insert(dir / "p.lib", {dir / "one", dir / "missing"}), ToolError);
    EXPECT_EQ(ReadAll(dir / "p.lib"), before);
    EXPECT_EQ(Snapshot(dir.path()).size(), 2u) << "nothing left beside the package";
}

TEST_F(LibTest, OffsetsBeyond32BitsAreRefused)
{
    const Bytes before = MakeLib({{"a.bin", "aa"}, {"b.bin", "bb"}});
    WriteAll(dir / "p.lib", before);
    WriteAll(dir / "one", "1");
    WriteAll(dir / "huge", "");
    std::filesystem::resize_file(dir / "huge", 0xFFFFFFFFull);  // sparse: takes no space
    try {
        Insert(dir / "p.lib", {dir / "huge", dir / "one"});
        FAIL() << "no error";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("4 GiB"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll(dir / "p.lib"), before);
}

TEST_F(LibTest, EveryFailingWriteLeavesThePackageByteIdentical)
{
    const Bytes before = MakeLib({{"a.bin", "aa"}, {"b.bin", "bb"}, {"c.bin", "cc"}});
    WriteAll(dir / "a", Bytes(70000, 'A'));
    WriteAll(dir / "b", "");
    WriteAll(dir / "c", "C");
    for (long n = 1;; ++n) {
        SCOPED_TRACE("failing operation " + std::to_string(n));
        WriteAll(dir / "p.lib", before);
        faults::FailOperation(n);
        std::string error;
        try {
            Insert(dir / "p.lib", {dir / "a", dir / "b", dir / "c"});
        } catch (const ToolError& e) {
            error = e.what();
        }
        bool failed = faults::Triggered();
        faults::FailOperation(0);
        if (!failed) {
            EXPECT_EQ(ReadAll(dir / "p.lib"), MakeLib({{"a.bin", Bytes(70000, 'A')}, {"b.bin", ""}, {"c.bin", "C"}}));
            break;
        }
        EXPECT_EQ(error, InjectedWriteError(dir / "p.lib"));
        EXPECT_EQ(ReadAll(dir / "p.lib"), before);
        EXPECT_EQ(Snapshot(dir.path()).size(), 4u) << "nothing left beside the package";
    }
}

TEST_F(LibTest, ClosedSourceSkipsTheGroupAndConsumesItsTargetLines)
{
    ctx.ReplayLines.AddText("#Source: x\r\n#Target: a\r\n#Target: b\r\n#Format: LIB\r\n");
    EXPECT_EQ(InsertLib(ctx, dir / "gone.lib", 1), 3u);
    EXPECT_EQ(recorder.results, (std::vector<std::string>{"Source gone.lib not found, skipped."}));
}

// A package cut short, or with counts and offsets past its end, is refused
// with an error naming it, and nothing is written for the bad entry.
TEST_F(LibTest, DamagedPackagesAreRefusedBeforeTheBadEntryIsWritten)
{
    const Bytes good = MakeLib({{"a.bin", "0123456789"}, {"b.bin", "abcdefghij"}});
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        TempFolder out;
        ctx.settings.TargetDir = out.str();
        WriteAll(dir / "cut.lib", good.substr(0, cut));
        try {
            ExtractLib(ctx, dir / "cut.lib");
            FAIL() << "accepted";
        } catch (const ToolError& e) {
            EXPECT_NE(std::string(e.what()).find(dir / "cut.lib"), std::string::npos) << e.what();
        }
        for (const auto& [name, bytes] : Snapshot(out.path())) {
            EXPECT_TRUE(bytes == "0123456789" || bytes == "abcdefghij") << name << " is half-written";
        }
    }
    Bytes hugeCount = good;
    hugeCount[7] = '\x80';
    WriteAll(dir / "count.lib", hugeCount);
    try {
        ExtractLib(ctx, dir / "count.lib");
        FAIL();
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("entry count 2147483650"), std::string::npos) << e.what();
    }
    Bytes farOffset = good;
    farOffset[8 + 2 + 5 + 3] = '\x7f';
    WriteAll(dir / "far.lib", farOffset);
    try {
        ExtractLib(ctx, dir / "far.lib");
        FAIL();
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("entry 0 (a.bin)"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace eit::test
