#include <gtest/gtest.h>

#include "formats/glyphs/DecodeGlyph.h"
#include "platform/Bmp.h"
#include "support/Eitool.h"
#include "support/FontRun.h"
#include "fixtures/ImageTools.h"

namespace eit::test {
namespace {

std::vector<TestGlyph> Glyphs()
{
    std::vector<TestGlyph> glyphs;
    for (std::uint32_t i = 0; i < 224; ++i) glyphs.push_back(PatternGlyph(i, 2 + i % 4, 1 + i % 5, i == 65 ? 0 : i % 2));
    return glyphs;
}

void ExpectRebuilt(const std::string& fontPath)
{
    const FontParts font = SplitFont(ReadAll(fontPath));
    ASSERT_EQ(GetU32(font.fixed, 16), 224u);
    auto span = [](const Bytes& b) { return std::span(reinterpret_cast<const std::uint8_t*>(b.data()), b.size()); };
    for (std::uint32_t k = 0; k < 64; ++k) {
        const RecordWords r = RecordOf(font.table, 160 + k);
        EXPECT_EQ(r.width, 2u);
        EXPECT_EQ(r.height, 2u);
        EXPECT_EQ(r.top, 1u);
        EXPECT_EQ(DecodeGlyph(span(font.pixels), span(font.rows), r.firstRow, 2, 2),
                  std::vector<std::uint8_t>(4, static_cast<std::uint8_t>(100 + k)))
            << "glyph " << 160 + k;
    }
}

TEST(EitoolFont, ExtractWithAPaletteEditAndReplay)
{
    TempFolder dir;
    WriteAll(dir / "in/f.fnt", MakeFont(Glyphs()));
    WriteAll(dir / "pal.act", TestPalette());
    ToolRun extract = RunEitool({"extract", "--target", "out", "--palette", "pal.act", "in/f.fnt"}, dir.path());
    ASSERT_EQ(extract.status, 0) << extract.err;
    const std::string sheet = dir / "out/f.bmp";
    EXPECT_EQ(extract.out, "f.fnt converted to bitmap font.\nTotal " + std::to_string(ReadAll(sheet).size()) +
                               " bytes extracted.\n");
    EXPECT_EQ(ReadAll(dir / "out/result.log"),
              "#Format: FNT\r\n#Source: " + (dir / "in/f.fnt") + "\r\n#Target: " + sheet + "\r\n");

    PaintSheet(sheet);
    ToolRun replay = RunEitool({"replay", "out/result.log"}, dir.path());
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(replay.out, "f.fnt converted.\n");
    ExpectRebuilt(dir / "in/f.fnt");
}

TEST(EitoolFont, WithoutAPaletteTheErrorNamesTheFixedPathAndTheOption)
{
    TempFolder dir;
    WriteAll(dir / "f.fnt", MakeFont(Glyphs()));
    ToolRun extract = RunEitool({"extract", "--target", "out", "f.fnt"}, dir.path());
    EXPECT_EQ(extract.status, 1);
    EXPECT_EQ(extract.err, "eitool: No palette: c:\\work\\velmoran\\font.act does not exist; choose an ACT palette "
                           "(in eitool with --palette FILE)\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "out/f.bmp"));
}

// The sheet goes through an image editor's default save: ImageMagick writes
// RLE8 behind a V5 header.
TEST(EitoolFont, ASheetResavedByImageMagickReplays)
{
    SKIP_WITHOUT_CONVERT();
    TempFolder dir;
    WriteAll(dir / "f.fnt", MakeFont(Glyphs()));
    WriteAll(dir / "pal.act", TestPalette());
    ASSERT_EQ(RunEitool({"extract", "--target", "out", "--palette", "pal.act", "f.fnt"}, dir.path()).status, 0);
    const std::string sheet = dir / "out/f.bmp";
    PaintSheet(sheet);
    ASSERT_TRUE(RunConvert({sheet, dir / "resaved.bmp"}));
    std::filesystem::rename(dir / "resaved.bmp", sheet);
    ASSERT_EQ(GetU32(ReadAll(sheet), 30), 1u) << "RLE8";
    ToolRun replay = RunEitool({"replay", "--palette", "pal.act", "out/result.log"}, dir.path());
    ASSERT_EQ(replay.status, 0) << replay.err;
    ExpectRebuilt(dir / "f.fnt");
}

}  // namespace
}  // namespace eit::test
