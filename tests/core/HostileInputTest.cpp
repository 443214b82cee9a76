// Damaged and hostile inputs that each reader must refuse cleanly or read
// within bounds: fields of 2^31 and 2^32 - 1, items and records that share
// their bytes, zero bytes in names, megabyte lines and logs without a final
// line end.
#include <gtest/gtest.h>

#include "formats/CifFont.h"
#include "formats/CifText.h"
#include "formats/Lib.h"
#include "jobs/Replay.h"
#include "formats/glyphs/DecodeGlyph.h"
#include "formats/glyphs/FindCells.h"
#include "platform/Bmp.h"
#include "platform/Error.h"
#include "support/CifBuilder.h"
#include "support/ErrorOf.h"
#include "support/FontRun.h"
#include "support/LibBuilder.h"
#include "fixtures/RunFixture.h"

namespace eit::test {
namespace {

constexpr std::uint32_t kHuge[] = {0x80000000u, 0xFFFFFFFFu};

class HostileInput : public RunFixture {
protected:
    // Extracts a package into a fresh folder "out"; the error, or "(no error)".
    std::string ExtractInto(const Bytes& package)
    {
        std::filesystem::remove_all(dir / "out");
        std::filesystem::create_directories(dir / "out");
        ctx.settings.TargetDir = dir / "out";
        WriteAll(dir / "p.lib", package);
        return ErrorOf([&] { ExtractLib(ctx, dir / "p.lib"); });
    }
    std::size_t FilesOut() const { return Snapshot(dir.path() / "out").size(); }
};

TEST_F(HostileInput, LibFieldsOf2To31And2To32Minus1AreRefusedBeforeAnythingIsWritten)
{
    const Bytes good = MakeLib({{"a.bin", "0123456789"}, {"b.bin", "abcdefghij"}});
    const std::size_t second = 8 + 2 + 5 + 8;  // the second entry
    for (std::uint32_t huge : kHuge) {
        SCOPED_TRACE(huge);
        struct Field {
            std::size_t at;
            const char* says;
        };
        for (const Field& field : {Field{4, "entry count"}, Field{second + 2 + 5, "reach past the end"},
                                   Field{second + 2 + 5 + 4, "reach past the end"}}) {
            Bytes bad = good;
            SetU32(bad, field.at, huge);
            EXPECT_NE(ExtractInto(bad).find(field.says), std::string::npos) << field.at;
            EXPECT_EQ(FilesOut(), 0u) << "the first item is written only when the whole directory is sound";
        }
    }
    Bytes longName = good;
    longName[8] = longName[9] = '\xFF';
    EXPECT_NE(ExtractInto(longName).find("the name of entry 0 (65535 bytes) reaches past the end"), std::string::npos);
}

TEST_F(HostileInput, LibItemsThatShareBytesAreExtractedApartAndInsertedApart)
{
    Bytes package = MakeLib({{Bytes("a\0.x", 4), "0123456789"}, {"b.bin", ""}});
    const std::size_t second = 8 + 2 + 4 + 8;
    SetU32(package, second + 2 + 5, GetU32(package, 8 + 2 + 4) + 3);  // b: bytes 3 to 8 of a
    SetU32(package, second + 2 + 5 + 4, 6);
    ASSERT_EQ(ExtractInto(package), "(no error)");
    EXPECT_EQ(ReadAll(dir / "out/p_a"), "0123456789") << "the name is cut at its zero byte";
    EXPECT_EQ(ReadAll(dir / "out/BIN/p_b.bin"), "345678");

    ctx.ReplayLines.Clear();
    for (std::size_t i = 0; i < ctx.OperationLog.Count(); ++i) ctx.ReplayLines.Add(ctx.OperationLog[i]);
    {
        SourceStreamScope source(ctx, dir / "p.lib");
        InsertLib(ctx, dir / "p.lib", 0);
    }
    EXPECT_EQ(ReadAll(dir / "p.lib"), MakeLib({{Bytes("a\0.x", 4), "0123456789"}, {"b.bin", "345678"}}))
        << "each item gets bytes of its own; the stored name keeps its zero byte";
}

// Thousands of entries naming the same megabyte would make gigabytes of
// items: the package is refused before the first one is written.
TEST_F(HostileInput, LibItemsComingToMoreThan4GiBAreRefused)
{
    const std::uint32_t entries = 4100;
    std::vector<LibItem> items(entries, LibItem{"x.bin", ""});
    Bytes package = MakeLib(items);
    package += Bytes(1 << 20, 'd');
    for (std::uint32_t i = 0; i < entries; ++i) SetU32(package, 8 + i * 15 + 2 + 5 + 4, 1 << 20);
    const std::string error = ExtractInto(package);
    EXPECT_NE(error.find("entry 4095 (x.bin): the items up to it come to 4294967296 bytes"), std::string::npos) << error;
    EXPECT_EQ(FilesOut(), 0u);
}

TEST_F(HostileInput, CifTextsSharingOneHugeRecordAreRefusedPast4GiB)
{
    CifParts parts;
    parts.text = Bytes(1 << 20, 't') + '\0';
    parts.offsets.assign(4097, 0);
    ctx.settings.TargetDir = dir.str();
    WriteAll(dir / "shared.sal", BuildCif(parts));
    const std::string error = ErrorOf([&] { ExtractCifText(ctx, dir / "shared.sal"); });
    EXPECT_NE(error.find("its texts up to entry 4095 already come to more than 4 GiB"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(dir / "shared.txt"));
    EXPECT_TRUE(ctx.OperationLog.Empty());
}

TEST_F(HostileInput, CifFieldsOf2To31And2To32Minus1AreRefused)
{
    const Bytes good = BuildCif(CifOfTexts({"one", "two"}));
    for (std::uint32_t huge : kHuge) {
        for (std::size_t at : {std::size_t{16}, std::size_t{20 + 8 + 6}}) {  // table length, text length
            Bytes bad = good;
            SetU32(bad, at, huge);
            WriteAll(dir / "bad.sal", bad);
            EXPECT_NE(ErrorOf([&] { ExtractCifText(ctx, dir / "bad.sal"); }).find("reaches past the end"), std::string::npos);
        }
        CifParts parts = CifOfTexts({"one"});
        parts.offsets[0] = huge;
        WriteAll(dir / "bad.cif", BuildCif(parts));
        EXPECT_NE(ErrorOf([&] { ExtractCifText(ctx, dir / "bad.cif"); }).find("lies outside the text block"), std::string::npos);
    }
}

TEST_F(HostileInput, MegabyteTxtLinesAndATxtWithoutFinalLineEndInsert)
{
    const Bytes line(1 << 20, 'm');
    WriteAll(dir / "big.sal", BuildCif(CifOfTexts({"a", "b"})));
    WriteAll(dir / "big.txt", "[00000000]\r\n" + line + "\r\n" + line + "\r\n[########]\r\n\r\n[00000001]\r\nb\r\n[########]");
    ctx.ReplayLines.Add("#Target: " + (dir / "big.txt"));
    {
        SourceStreamScope source(ctx, dir / "big.sal");
        InsertCifText(ctx, dir / "big.sal", 0);
    }
    EXPECT_EQ(ReadAll(dir / "big.sal"), RewrittenCif(CifParts(), {line + "\n" + line, "b"}));
}

TEST_F(HostileInput, ReplayPassesOverMegabyteLinesAndReadsALastLineWithoutLineEnd)
{
    WriteAll(dir / "p.lib", MakeLib({{"a.bin", "1"}}));
    WriteAll(dir / "item", "new");
    const Bytes junk(1 << 20, 'j');
    const Bytes log = junk + "\r\n#Format: LIB\r\n#Source: " + junk + "\r\n#Target: x\r\n#Format: LIB\r\n#Source: " +
                      (dir / "p.lib") + "\r\n#Target: " + (dir / "item");
    WriteAll(dir / "r.log", log);
    ReplayLog(ctx, dir / "r.log");
    EXPECT_EQ(recorder.results.front(), "Source " + junk + " not found, skipped.");
    EXPECT_EQ(ReadAll(dir / "p.lib"), MakeLib({{"a.bin", "new"}}));
}

TEST(HostileFont, FieldsOf2To31And2To32Minus1AreRefusedAndLeaveNoSheet)
{
    const Bytes good = MakeFont({PatternGlyph(1, 3, 2, 0), PatternGlyph(2, 2, 2, 1)});
    struct Field {
        std::size_t at;
        const char* says;
    };
    const std::size_t record = 48;  // glyph 0
    for (std::uint32_t huge : kHuge) {
        for (const Field& field : {Field{16, "its record lies past"}, Field{44, "reaches past the end"},
                                   Field{record + 8, "needs a sheet larger"}, Field{record + 12, "pixels"},
                                   Field{record + 16, "pixels"}, Field{record + 20, "lie past the end of the row table"}}) {
            SCOPED_TRACE(field.at);
            FontWorkspace w;
            Bytes bad = good;
            SetU32(bad, field.at, huge);
            const std::string path = w.PutFont("bad.fnt", bad);
            try {
                ConvertFontToBitmap(w.ctx, path);
                ADD_FAILURE() << "accepted";
            } catch (const ToolError& e) {
                EXPECT_NE(std::string(e.what()).find(field.says), std::string::npos) << e.what();
            }
            EXPECT_FALSE(std::filesystem::exists(w.SheetOf("bad.fnt")));
        }
    }
}

// Rows of zero skips that never end, all starting in the same place: each
// row is refused after 2 x width + 2 codes instead of being read to the end
// of a megabyte for every row.
TEST(HostileFont, RowsWhoseCodesGoOnPastTheirWidthAreRefused)
{
    std::vector<std::uint8_t> codes(1 << 20, 128);
    codes.push_back(kEndOfRow);
    const std::vector<std::uint8_t> rows(4 * 1000, 0);  // 1000 entries, all at offset 0
    try {
        DecodeGlyph(codes, rows, 0, 5, 1000);
        ADD_FAILURE() << "accepted";
    } catch (const GlyphFault& fault) {
        EXPECT_STREQ(fault.what(), "row 0: its codes go on past 12 bytes without ending the row (width 5)");
    }
    std::vector<std::uint8_t> most = {129, 1, 7, 128, 128, 128, 128, 128, 0};  // 2 x 3 + 2 codes
    EXPECT_EQ(DecodeGlyph(most, std::vector<std::uint8_t>(4, 0), 0, 3, 1), (std::vector<std::uint8_t>{0, 7, 0}));
    most.insert(most.begin(), 128);
    EXPECT_THROW(DecodeGlyph(most, std::vector<std::uint8_t>(4, 0), 0, 3, 1), GlyphFault);
}

// Many records of large glyphs sharing the same rows: a font of a few
// kilobytes that would take minutes to decode is refused first.
TEST(HostileFont, GlyphsTooLargeInAllAreRefused)
{
    FontParts parts = SplitFont(MakeFont({PatternGlyph(1, 1, 1, 0)}));
    parts.rows = Bytes(4 * 1000, '\0');
    parts.pixels = Bytes(1, '\0');
    parts.table.clear();
    for (int i = 0; i < 300; ++i) {
        for (std::uint32_t word : {0u, 0u, 0u, 900u, 1000u, 0u, 0u}) PutU32(parts.table, word);
    }
    SetU32(parts.fixed, 16, 300);
    FontWorkspace w;
    const std::string path = w.PutFont("many.fnt", AssembleFont(parts));
    try {
        ConvertFontToBitmap(w.ctx, path);
        ADD_FAILURE() << "accepted";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("glyph 297: the glyphs up to it come to more than 268435456 pixels"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(w.SheetOf("many.fnt")));
}

// A sheet of black rows has a cell for every row: only the cells a rebuild
// needs are listed, however tall the sheet.
TEST(HostileFont, FindCellsListsNoMoreCellsThanAsked)
{
    ColourTable colours{};
    const IndexedImage black(2, 100000, colours);
    EXPECT_EQ(FindCells(black, kSheetStrips).size(), kSheetStrips);
    EXPECT_EQ(FindCells(black).size(), 100000u);

    FontWorkspace w;
    const std::string font = w.PutFont("f.fnt", MakeFont({PatternGlyph(1, 3, 2, 0)}));
    SaveBmp(black, w.dir / "black.bmp");
    const Bytes before = ReadAll(font);
    try {
        w.Replay({{font, w.dir / "black.bmp"}});
        ADD_FAILURE() << "accepted";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("cell 0 (glyph 160) has no ink"), std::string::npos) << e.what();
    }
    w.ctx.SourceStream.Close();
    EXPECT_EQ(ReadAll(font), before);
}

TEST(HostileBmp, SizesAndCountsOf2To31And2To32Minus1AreRefused)
{
    TempFolder dir;
    SaveBmp(IndexedImage(5, 3, ColourTable{}), dir / "good.bmp");
    const Bytes good = ReadAll(dir / "good.bmp");
    for (std::uint32_t huge : kHuge) {
        for (std::size_t at : {std::size_t{10}, std::size_t{14}, std::size_t{18}, std::size_t{22}, std::size_t{46}}) {
            SCOPED_TRACE(std::to_string(at) + " = " + std::to_string(huge));
            Bytes bad = good;
            SetU32(bad, at, huge);
            WriteAll(dir / "bad.bmp", bad);
            if (at == 22 && huge == 0xFFFFFFFFu) {
                EXPECT_EQ(LoadBmp(dir / "bad.bmp").Height(), 1u) << "a height of -1: one row, top-down";
            } else {
                EXPECT_THROW(LoadBmp(dir / "bad.bmp"), ToolError);
            }
        }
    }
}

}  // namespace
}  // namespace eit::test
