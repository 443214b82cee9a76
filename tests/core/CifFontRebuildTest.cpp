// Rebuilding glyphs 160 to 223 from edited sheets, and refusing what would
// damage the font.
#include <gtest/gtest.h>

#include "formats/glyphs/DecodeGlyph.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "support/FontRun.h"
#include "run/LogLines.h"

namespace eit {
namespace {

using namespace test;

std::vector<TestGlyph> Glyphs(std::uint32_t count)
{
    std::vector<TestGlyph> glyphs;
    // Glyph 65 places the guide; it stays above the strips' last rows.
    for (std::uint32_t i = 0; i < count; ++i) glyphs.push_back(PatternGlyph(i, 2 + i % 5, 1 + i % 6, i == 65 ? 0 : i % 3));
    return glyphs;
}

// The glyph a user paints into cell k: its first and last pixels are ink, so
// its ink spans the whole glyph.
TestGlyph PaintedGlyph(std::uint32_t k)
{
    TestGlyph glyph = PatternGlyph(1000 + k, 1 + k % 13, 1 + k % 5, k % 3);
    glyph.rows.front().front() = static_cast<char>(1 + k);
    glyph.rows.back().back() = static_cast<char>(2 + k);
    return glyph;
}

// Clears columns 1 and up of every strip (the guide with them) and paints
// glyph k into strip k at column `left`.
void PaintCells(IndexedImage& sheet, std::uint32_t pitch, std::uint32_t left = 3)
{
    for (std::uint32_t k = 0; k < 64; ++k) {
        const std::uint32_t stripTop = k * pitch;
        sheet.Fill(1, stripTop, sheet.Width(), pitch, kTestBlack);
        const TestGlyph glyph = PaintedGlyph(k);
        for (std::size_t y = 0; y < glyph.rows.size(); ++y) {
            for (std::size_t x = 0; x < glyph.width; ++x) {
                sheet.SetPixel(left + x, stripTop + glyph.top + y, static_cast<std::uint8_t>(glyph.rows[y][x]));
            }
        }
    }
}

Bytes Image(const TestGlyph& glyph)
{
    Bytes all;
    for (const Bytes& row : glyph.rows) all += row;
    return all;
}

Bytes DecodedGlyph(const FontParts& font, const RecordWords& r)
{
    auto span = [](const Bytes& b) { return std::span(reinterpret_cast<const std::uint8_t*>(b.data()), b.size()); };
    std::vector<std::uint8_t> pixels = DecodeGlyph(span(font.pixels), span(font.rows), r.firstRow, r.width, r.height);
    return Bytes(pixels.begin(), pixels.end());
}

struct Drawn {
    FontWorkspace w;
    std::string font;
    std::string sheet;
    Bytes before;
};

// Draws a font of `records` glyphs, paints the cells and saves the sheet.
void DrawAndPaint(Drawn& d, std::uint32_t records)
{
    const std::vector<TestGlyph> glyphs = Glyphs(records);
    TestFont font;
    font.glyphs = glyphs;
    font.pixelPrefix = "old bytes";
    font.after = "tail after the row table";
    d.before = MakeFont(font);
    d.font = d.w.PutFont("f.fnt", d.before);
    IndexedImage sheet = d.w.Draw("f.fnt");
    PaintCells(sheet, sheet.Height() / 64);
    d.sheet = d.w.SheetOf("f.fnt");
    SaveBmp(sheet, d.sheet);
    d.w.report = Recorder();
}

TEST(FontRebuild, EditedCellsBecomeGlyphs160To223AndEverythingElseStays)
{
    for (std::uint32_t records : {224u, 100u, 160u, 230u}) {
        SCOPED_TRACE(std::to_string(records) + " records");
        Drawn d;
        DrawAndPaint(d, records);
        d.w.Replay({{d.font, d.sheet}});

        const FontParts old = SplitFont(d.before), now = SplitFont(ReadAll(d.font));
        EXPECT_EQ(now.fixed.substr(0, 16), old.fixed.substr(0, 16));
        EXPECT_EQ(now.fixed.substr(24), old.fixed.substr(24)) << "the rest of the header and the table's block word";
        EXPECT_EQ(GetU32(now.fixed, 16), 224u);
        EXPECT_EQ(GetU32(now.fixed, 20), now.pixels.size());
        EXPECT_EQ(now.pixelWord, 10u);
        EXPECT_EQ(now.rowWord, 10u);
        EXPECT_EQ(now.after, "") << "nothing is written after the row table";
        EXPECT_EQ(now.table.size(), std::max<std::size_t>(records, 224) * 28);
        EXPECT_EQ(now.pixels.substr(0, old.pixels.size()), old.pixels);
        EXPECT_EQ(now.rows.substr(0, old.rows.size()), old.rows);
        for (std::uint32_t g = 0; g < now.table.size() / 28; ++g) {
            SCOPED_TRACE("glyph " + std::to_string(g));
            const RecordWords r = RecordOf(now.table, g);
            if (g < 160 || g >= 224) {
                EXPECT_EQ(r, g < records ? RecordOf(old.table, g) : RecordWords{});
                continue;
            }
            const TestGlyph painted = PaintedGlyph(g - 160);
            const RecordWords was = g < records ? RecordOf(old.table, g) : RecordWords{};
            EXPECT_EQ(r.mark, 1u);
            EXPECT_EQ(r.extra1, was.extra1);
            EXPECT_EQ(r.extra2, was.extra2);
            EXPECT_EQ(r.width, painted.width);
            EXPECT_EQ(r.height, painted.rows.size());
            EXPECT_EQ(r.top, painted.top);
            EXPECT_GE(r.firstRow * 4, old.rows.size());
            EXPECT_EQ(DecodedGlyph(now, r), Image(painted));
        }
        EXPECT_EQ(d.w.report.results, std::vector<std::string>{"f.fnt converted."});
    }
}

TEST(FontRebuild, ProgressRunsFrom71To99AndEveryConversionAppends)
{
    Drawn d;
    DrawAndPaint(d, 224);
    d.w.Replay({{d.font, d.sheet}, {d.font, d.sheet}});
    std::vector<int> moves;
    for (int p : d.w.report.progress) {
        if (p != 0 && (moves.empty() || moves.back() != p)) moves.push_back(p);
    }
    // The replay moves the bar by one per line; the handler sets 0, then 71 to 99.
    std::vector<int> expected;
    for (int p = 71; p <= 99; ++p) expected.push_back(p);
    EXPECT_EQ(std::vector<int>(moves.begin() + 1, moves.begin() + 1 + 29), expected);
    EXPECT_EQ(d.w.report.results, (std::vector<std::string>{"f.fnt converted.", "f.fnt converted."}));

    const FontParts once = SplitFont(d.before);
    const FontParts twice = SplitFont(ReadAll(d.font));
    std::size_t newRows = 0;
    for (std::uint32_t k = 0; k < 64; ++k) newRows += PaintedGlyph(k).rows.size();
    EXPECT_EQ(twice.rows.size(), once.rows.size() + 2 * 4 * newRows) << "the first rebuild's rows stay, unreferenced";
}

// Rebuilds a font of `records` glyphs from a sheet made by hand.
FontParts RebuildFrom(const IndexedImage& sheet, std::uint32_t records)
{
    Drawn d;
    d.font = d.w.PutFont("f.fnt", MakeFont(Glyphs(records)));
    d.sheet = d.w.dir / "edited.bmp";
    SaveBmp(sheet, d.sheet);
    d.w.Replay({{d.font, d.sheet}});
    return SplitFont(ReadAll(d.font));
}

TEST(FontRebuild, InkComesFromColoursAndEmptinessFromIndexes)
{
    // Entry 0 is grey here and entries 3 and 5 black: index 0 widens the
    // cell but is coded empty; index 3 does not widen it but is coded inside.
    ColourTable colours{};
    colours.fill({90, 90, 90});
    colours[3] = {0, 0, 0};
    colours[5] = {0, 0, 0};
    IndexedImage sheet(12, 64 * 3, colours);
    sheet.Fill(0, 0, 12, sheet.Height(), 5);
    for (std::uint32_t k = 0; k < 64; ++k) {
        const std::uint32_t top = 3 * k;
        sheet.Fill(0, top, 1, 2, 9);  // marker over two rows
        sheet.Fill(2, top + 1, 6, 1, 0);
        sheet.SetPixel(2, top + 1, 8);
        sheet.SetPixel(4, top + 1, 3);
        sheet.SetPixel(6, top + 1, 8);
        sheet.SetPixel(9, top + 1, 3);
    }
    const FontParts now = RebuildFrom(sheet, 224);
    const RecordWords r = RecordOf(now.table, 170);
    EXPECT_EQ(r.width, 6u) << "index 0 is grey here: ink";
    EXPECT_EQ(r.height, 1u);
    EXPECT_EQ(r.top, 1u);
    EXPECT_EQ(DecodedGlyph(now, r), (Bytes{8, 0, 3, 0, 8, 0}));
}

TEST(FontRebuild, LongLeadsKeep1023AndSkipTheRest)
{
    ColourTable colours{};
    colours.fill({200, 0, 0});
    colours[0] = {0, 0, 0};
    IndexedImage sheet(1200, 64 * 3, colours);
    for (std::uint32_t k = 0; k < 64; ++k) {
        sheet.Fill(0, 3 * k, 1, 2, 1);
        sheet.SetPixel(1, 3 * k, 4);
        sheet.SetPixel(1150, 3 * k + 1, 6);
    }
    const FontParts now = RebuildFrom(sheet, 10);
    const RecordWords r = RecordOf(now.table, 160);
    ASSERT_EQ(r.width, 1150u);
    Bytes expected(2 * 1150, '\0');
    expected[0] = 4;
    expected[2 * 1150 - 1] = 6;
    EXPECT_EQ(DecodedGlyph(now, r), expected);
    EXPECT_EQ(GetU32(now.rows, (r.firstRow + 1) * 4) >> 22, 1023u);
}

void Crop(IndexedImage& sheet, std::uint32_t height)
{
    IndexedImage cut(sheet.Width(), height, sheet.Colours());
    cut.Draw(sheet, 0, 0);
    sheet = cut;
}

void ExpectRefusedAndUnchanged(Drawn& d, const std::string& says)
{
    try {
        d.w.Replay({{d.font, d.sheet}});
        ADD_FAILURE() << "accepted";
    } catch (const ToolError& e) {
        EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadAll(d.font), d.before);
    EXPECT_TRUE(d.w.report.results.empty());
}

TEST(FontRebuild, SheetsThatCannotGiveTheGlyphsAreRefusedAndTheFontStays)
{
    struct Case {
        const char* name;
        std::function<void(IndexedImage&)> edit;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"63 strips", [](IndexedImage& s) { Crop(s, s.Height() - s.Height() / 64); }, "fewer than the 64"},
        {"an inkless cell", [](IndexedImage& s) { s.Fill(1, 10 * (s.Height() / 64), s.Width(), s.Height() / 64, 0); },
         "cell 10 (glyph 170) has no ink"},
        {"a strip off the bottom edge", [](IndexedImage& s) { Crop(s, s.Height() - 1); },
         "cell 63 (glyph 223) runs off the bottom edge"},
        {"a marker broken in two", [](IndexedImage& s) { s.SetPixel(0, 1, 0); }, "has no ink"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Drawn d;
        DrawAndPaint(d, 224);
        IndexedImage sheet = LoadBmp(d.sheet);
        c.edit(sheet);
        SaveBmp(sheet, d.sheet);
        ExpectRefusedAndUnchanged(d, c.says);
    }
}

TEST(FontRebuild, DamagedSheetsAndFontsAreRefusedAndTheFontStays)
{
    Drawn d;
    DrawAndPaint(d, 224);
    const Bytes sheet = ReadAll(d.sheet);
    Bytes rgb = sheet;
    rgb[28] = 24;
    WriteAll(d.sheet, rgb);
    ExpectRefusedAndUnchanged(d, "24 bits per pixel");

    std::filesystem::remove(d.sheet);
    ExpectRefusedAndUnchanged(d, "Cannot open file " + d.sheet);
    WriteAll(d.sheet, sheet);

    FontParts parts = SplitFont(d.before);
    parts.rows += "xy";
    d.before = AssembleFont(parts);
    WriteAll(d.font, d.before);
    ExpectRefusedAndUnchanged(d, "no whole number of 4-byte entries");

    d.before = d.before.substr(0, d.before.size() - 5 - parts.after.size());
    WriteAll(d.font, d.before);
    ExpectRefusedAndUnchanged(d, "its row table of");
}

TEST(FontRebuild, PixelDataPast4194303BytesIsRefused)
{
    Drawn d;
    DrawAndPaint(d, 170);
    FontParts parts = SplitFont(d.before);
    std::size_t newBytes = 0;
    {
        // The same sheet over a copy of the font measures what a rebuild adds.
        FontWorkspace probe;
        probe.PutFont("p.fnt", d.before);
        probe.Replay({{probe.dir / "p.fnt", d.sheet}});
        newBytes = SplitFont(ReadAll(probe.dir / "p.fnt")).pixels.size() - parts.pixels.size();
    }
    parts.pixels += Bytes(kMaxRowOffset - parts.pixels.size() - newBytes + 1, '\x7F');
    d.before = AssembleFont(parts);
    WriteAll(d.font, d.before);
    ExpectRefusedAndUnchanged(d, "past the 4194303 that row entries can reach");

    parts.pixels.pop_back();
    WriteAll(d.font, AssembleFont(parts));
    d.w.Replay({{d.font, d.sheet}});
    EXPECT_EQ(SplitFont(ReadAll(d.font)).pixels.size(), kMaxRowOffset) << "exactly the limit is allowed";
}

TEST(FontRebuild, AFailedWriteAtAnyStepLeavesTheFontAsItWas)
{
    Drawn d;
    DrawAndPaint(d, 224);
    for (long n = 1;; ++n) {
        SCOPED_TRACE("failing operation " + std::to_string(n));
        WriteAll(d.font, d.before);
        faults::FailOperation(n);
        try {
            d.w.Replay({{d.font, d.sheet}});
        } catch (const ToolError& e) {
            EXPECT_EQ(e.what(), InjectedWriteError(d.font));
        }
        const bool failed = faults::Triggered();
        faults::FailOperation(0);
        d.w.ctx.SourceStream.Close();
        if (!failed) break;
        EXPECT_EQ(ReadAll(d.font), d.before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d.w.dir.path()), {}), 4) << "a file left beside";
    }
    EXPECT_NE(ReadAll(d.font), d.before);
}

TEST(FontRebuild, AMissingFontIsSkippedAndTheReplayGoesOn)
{
    Drawn d;
    DrawAndPaint(d, 224);
    d.w.Replay({{d.w.dir / "gone.fnt", d.sheet}, {d.font, d.sheet}});
    EXPECT_EQ(d.w.report.results, (std::vector<std::string>{SourceMissingLine("gone.fnt"), "f.fnt converted."}));
    EXPECT_NE(ReadAll(d.font), d.before);
}

}  // namespace
}  // namespace eit
