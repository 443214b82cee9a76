// Drawing fonts into sheets: the layout, the cells found on drawn sheets,
// damaged fonts and the palette.
#include <gtest/gtest.h>

#include "formats/Formats.h"
#include "jobs/Run.h"
#include "formats/glyphs/FindCells.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "support/FontRun.h"

namespace eit {
namespace {

using namespace test;

struct Metrics {
    std::uint32_t lineHeight = 0, maxWidth = 0;
};

Metrics Measure(const std::vector<TestGlyph>& glyphs)
{
    Metrics m;
    for (const TestGlyph& g : glyphs) {
        m.lineHeight = std::max(m.lineHeight, g.top + static_cast<std::uint32_t>(g.rows.size()));
        m.maxWidth = std::max(m.maxWidth, g.width);
    }
    return m;
}

// The sheet of the layout: black, a white marker down column 0 of each
// drawn strip, the silver guide at glyph 65's bottom when there is a glyph
// 65, and each glyph's indexes from column 1 and its top row on.
std::vector<Bytes> ExpectedSheet(const std::vector<TestGlyph>& glyphs)
{
    const Metrics m = Measure(glyphs);
    const std::uint32_t pitch = m.lineHeight + 1, width = m.maxWidth + 30;
    std::vector<Bytes> rows(64 * pitch, Bytes(width, static_cast<char>(kTestBlack)));
    for (std::size_t i = 0; i < glyphs.size() && i < 64; ++i) {
        const std::size_t strip = i * pitch;
        for (std::size_t y = 0; y < m.lineHeight; ++y) rows[strip + y][0] = static_cast<char>(kTestWhite);
        if (glyphs.size() > 65) {
            rows[strip + glyphs[65].top + glyphs[65].rows.size()] = Bytes(width, static_cast<char>(kTestSilver));
        }
        for (std::size_t y = 0; y < glyphs[i].rows.size(); ++y) {
            rows[strip + glyphs[i].top + y].replace(1, glyphs[i].width, glyphs[i].rows[y]);
        }
    }
    return rows;
}

void ExpectSheet(const IndexedImage& sheet, const std::vector<Bytes>& expected)
{
    ASSERT_EQ(sheet.Height(), expected.size());
    ASSERT_EQ(sheet.Width(), expected.at(0).size());
    for (std::uint32_t y = 0; y < sheet.Height(); ++y) {
        ASSERT_EQ(Bytes(reinterpret_cast<const char*>(sheet.Row(y)), sheet.Width()), expected[y]) << "row " << y;
    }
}

std::vector<TestGlyph> Glyphs(std::uint32_t count)
{
    std::vector<TestGlyph> glyphs;
    for (std::uint32_t i = 0; i < count; ++i) glyphs.push_back(PatternGlyph(i, 3 + i % 9, 2 + i % 7, i % 4));
    return glyphs;
}

TEST(FontSheet, NoGlyphsGiveABlackSheetOf30By64)
{
    FontWorkspace w;
    w.PutFont("empty.fnt", MakeFont(TestFont{}));
    IndexedImage sheet = w.Draw("empty.fnt");
    ExpectSheet(sheet, std::vector<Bytes>(64, Bytes(30, static_cast<char>(kTestBlack))));
    EXPECT_EQ(w.ctx.OperationLog.Count(), 1u);
    EXPECT_EQ(w.ctx.OperationLog[0], "#Target: " + w.SheetOf("empty.fnt"));
    EXPECT_EQ(w.report.results, std::vector<std::string>{"empty.fnt converted to bitmap font."});
    EXPECT_EQ(w.report.messages, std::vector<std::string>{"Processing empty.fnt..."});
    for (int p : w.report.progress) EXPECT_EQ(p, 0);
    EXPECT_EQ(w.ctx.TotalBytes, ReadAll(w.SheetOf("empty.fnt")).size());
}

TEST(FontSheet, StripsMarkersGuideAndGlyphsFollowTheLayout)
{
    for (std::uint32_t count : {10u, 65u, 66u, 100u}) {
        SCOPED_TRACE(std::to_string(count) + " glyphs");
        FontWorkspace w;
        std::vector<TestGlyph> glyphs = Glyphs(count);
        glyphs[3] = PatternGlyph(3, 0, 4, 1);   // no width: draws nothing
        glyphs[4] = PatternGlyph(4, 6, 0, 2);   // no height: draws nothing
        glyphs[5] = PatternGlyph(5, 14, 9, 3);  // the widest and tallest
        w.PutFont("f.fnt", MakeFont(glyphs));
        ExpectSheet(w.Draw("f.fnt"), ExpectedSheet(glyphs));
    }
}

TEST(FontSheet, AllGlyphsAreDecodedButOnlyTheFirst64Drawn)
{
    FontWorkspace w;
    std::vector<TestGlyph> glyphs = Glyphs(224);
    w.PutFont("big.fnt", MakeFont(glyphs));
    ExpectSheet(w.Draw("big.fnt"), ExpectedSheet(glyphs));
    EXPECT_EQ(w.report.progress.back(), 99) << "the bar stops at (224 - 1) * 100 / 224";
    EXPECT_TRUE(std::is_sorted(w.report.progress.begin(), w.report.progress.end()));
    EXPECT_EQ(std::count(w.report.progress.begin(), w.report.progress.end(), 100), 0);

    // A damaged glyph far below the sheet's edge is still found.
    FontParts parts = SplitFont(MakeFont(glyphs));
    SetU32(parts.table, 200 * 28 + 12, 1);  // width 1 while its rows carry more
    w.PutFont("bad.fnt", AssembleFont(parts));
    try {
        ConvertFontToBitmap(w.ctx, w.dir / "bad.fnt");
        ADD_FAILURE() << "accepted";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("glyph 200: row 0: a literal run"), std::string::npos) << e.what();
    }
}

TEST(FontSheet, SheetNamesReplaceOrAddTheExtension)
{
    FontWorkspace w;
    for (const char* name : {"plain", "a.b.fnt", "UPPER.FNT"}) {
        w.PutFont(name, MakeFont(Glyphs(2)));
        ConvertFontToBitmap(w.ctx, w.dir / name);
    }
    EXPECT_TRUE(Exists(w.dir / "plain.bmp"));
    EXPECT_TRUE(Exists(w.dir / "a.b.bmp"));
    EXPECT_TRUE(Exists(w.dir / "UPPER.bmp"));
    EXPECT_EQ(w.ctx.OperationLog[1], "#Target: " + (w.dir / "a.b.bmp"));
}

TEST(FindCells, DrawnSheetsGiveOneCellPerStripWithTheGlyphsInk)
{
    FontWorkspace w;
    std::vector<TestGlyph> glyphs = Glyphs(64);
    glyphs[9].rows.assign(glyphs[9].rows.size(), Bytes(glyphs[9].width, '\0'));  // all empty: no ink
    w.PutFont("f.fnt", MakeFont(glyphs));
    const std::vector<GlyphCell> cells = FindCells(w.Draw("f.fnt"));
    const std::int64_t pitch = Measure(glyphs).lineHeight + 1;
    ASSERT_EQ(cells.size(), 64u);
    for (std::size_t k = 0; k < 64; ++k) {
        SCOPED_TRACE("cell " + std::to_string(k));
        const TestGlyph& g = glyphs[k];
        std::int64_t left = 1000, right = -1, top = 1000, bottom = -1;
        for (std::size_t y = 0; y < g.rows.size(); ++y) {
            for (std::size_t x = 0; x < g.width; ++x) {
                if (g.rows[y][x] == 0) continue;
                left = std::min<std::int64_t>(left, x + 1), right = std::max<std::int64_t>(right, x + 1);
                top = std::min<std::int64_t>(top, k * pitch + g.top + y);
                bottom = std::max<std::int64_t>(bottom, k * pitch + g.top + y);
            }
        }
        EXPECT_EQ(cells[k].stripTop, static_cast<std::int64_t>(k) * pitch);
        EXPECT_FALSE(cells[k].runsOffBottom);
        EXPECT_EQ(cells[k].HasInk(), k != 9);
        if (k == 9) continue;
        EXPECT_EQ(cells[k].left, left);
        EXPECT_EQ(cells[k].right, right);
        EXPECT_EQ(cells[k].top, top);
        EXPECT_EQ(cells[k].bottom, bottom);
    }
}

TEST(FindCells, TheGuideIsInkAndCanCloseTheGapBetweenStrips)
{
    FontWorkspace w;
    std::vector<TestGlyph> glyphs = Glyphs(100);
    w.PutFont("guide.fnt", MakeFont(glyphs));
    IndexedImage sheet = w.Draw("guide.fnt");
    const std::vector<GlyphCell> cells = FindCells(sheet);
    ASSERT_EQ(cells.size(), 64u);
    const std::int64_t baseline = glyphs[65].top + glyphs[65].rows.size();
    EXPECT_EQ(cells[0].right, sheet.Width() - 1);
    EXPECT_LE(cells[0].top, baseline);
    EXPECT_GE(cells[0].bottom, baseline);

    // Glyph 65 the tallest: the guide lies on every strip's last row.
    glyphs[65] = PatternGlyph(65, 4, 30, 5);
    w.PutFont("low.fnt", MakeFont(glyphs));
    const std::vector<GlyphCell> merged = FindCells(w.Draw("low.fnt"));
    ASSERT_EQ(merged.size(), 1u);
    EXPECT_TRUE(merged[0].runsOffBottom);
}

TEST(FontSheet, DamagedFontsAreRefusedNamingTheGlyphAndLeaveNothing)
{
    const Bytes good = MakeFont(Glyphs(6));
    const FontParts parts = SplitFont(good);
    struct Case {
        const char* name;
        std::function<void(FontParts&)> damage;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"more glyphs than records", [](FontParts& p) { SetU32(p.fixed, 16, 7); }, "glyph 6: its record lies past"},
        {"rows past the row table", [](FontParts& p) { SetU32(p.table, 2 * 28 + 20, 1000); }, "glyph 2: its rows 1000"},
        {"codes past the pixel data", [](FontParts& p) { SetU32(p.rows, 4 * 1, 0x3FFFFF); },
         "glyph 0: row 1: its codes run past"},
        {"literal run past the row", [](FontParts& p) { SetU32(p.table, 4 * 28 + 12, 2); }, "glyph 4: row 0: a literal run"},
        {"lead past the row", [](FontParts& p) { SetU32(p.rows, 0, 5u << 22); }, "glyph 0: row 0: a literal run of"},
        {"glyph table past the file", [](FontParts& p) { p.table.resize(p.table.size() + 3); },
         "reaches past the end of the file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FontWorkspace w;
        FontParts bad = parts;
        c.damage(bad);
        Bytes font = AssembleFont(bad);
        if (std::string(c.name) == "glyph table past the file") font.resize(48 + parts.table.size());
        const std::string path = w.PutFont("bad.fnt", font);
        try {
            ConvertFontToBitmap(w.ctx, path);
            ADD_FAILURE() << "accepted";
        } catch (const ToolError& e) {
            EXPECT_NE(std::string(e.what()).find("Damaged CIF font " + path + ": "), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
        EXPECT_FALSE(Exists(w.SheetOf("bad.fnt")));
        EXPECT_TRUE(w.ctx.OperationLog.Empty());
        EXPECT_TRUE(w.report.results.empty());
    }
    FontWorkspace w;
    w.PutFont("short.fnt", good.substr(0, 30));
    EXPECT_THROW(ConvertFontToBitmap(w.ctx, w.dir / "short.fnt"), ToolError);
}

// Runs the font-to-bitmap job over `fonts` as the Process command does.
void RunFontJob(FontWorkspace& w, const std::vector<std::string>& fonts)
{
    w.ask.folder = w.dir.str();
    w.ctx.JobKind = JobKind::FontToBitmap;
    RunProcess(w.ctx, fonts);
}

TEST(FontPalette, ChosenOncePerRunWhenTheFixedOneIsMissing)
{
    FontWorkspace w;
    const std::vector<std::string> fonts = {w.PutFont("a.fnt", MakeFont(Glyphs(3))), w.PutFont("b.fnt", MakeFont(Glyphs(3)))};
    RunFontJob(w, fonts);
    EXPECT_EQ(w.ask.palettesAsked, 1);
    EXPECT_EQ(w.ctx.settings.PalettePath, w.dir / "palette.act");
    EXPECT_TRUE(Exists(w.dir / "a.bmp") && Exists(w.dir / "b.bmp"));
    RunFontJob(w, fonts);
    EXPECT_EQ(w.ask.palettesAsked, 2) << "a new run asks again";
}

TEST(FontPalette, NoPaletteOrAShortOneIsRefused)
{
    FontWorkspace w;
    const std::string font = w.PutFont("a.fnt", MakeFont(Glyphs(3)));
    w.ask.palette.reset();
    try {
        ConvertFontToBitmap(w.ctx, font);
        ADD_FAILURE() << "accepted";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find(kFixedPalettePath), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("--palette"), std::string::npos) << e.what();
    }
    WriteAll(w.dir / "short.act", TestPalette().substr(0, 767));
    w.ask.palette = w.dir / "short.act";
    try {
        ConvertFontToBitmap(w.ctx, font);
        ADD_FAILURE() << "accepted";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find("short.act is 767 bytes long"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(Exists(w.dir / "a.bmp"));
}

#ifndef _WIN32
// Elsewhere than on Windows the fixed path is a file name in the target folder.
TEST(FontPalette, TheFixedPaletteComesFirstAndLongerFilesAreCut)
{
    FontWorkspace w;
    Bytes fixed;
    for (int i = 0; i < 256; ++i) fixed += Bytes{static_cast<char>(255 - i), static_cast<char>(i), static_cast<char>(i / 2)};
    WriteAll(w.dir / kFixedPalettePath, fixed + "trailing bytes are ignored");
    RunFontJob(w, {w.PutFont("a.fnt", MakeFont(Glyphs(3)))});
    EXPECT_EQ(w.ask.palettesAsked, 0);
    IndexedImage sheet = LoadBmp(w.dir / "a.bmp");
    for (std::size_t i = 0; i < 256; ++i) {
        EXPECT_EQ(sheet.Colours()[i], (Rgb{static_cast<std::uint8_t>(255 - i), static_cast<std::uint8_t>(i),
                                           static_cast<std::uint8_t>(i / 2)}));
    }
}
#endif

}  // namespace
}  // namespace eit
