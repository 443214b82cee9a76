// Letters drawn from a TrueType font into a sheet, checked against FreeType's
// own bitmaps (rendered by python3-freetype), and the warning about guides
// left in place when a sheet goes back.
#include <gtest/gtest.h>

#include "fixtures/FreeTypeReference.h"
#include "formats/glyphs/DecodeGlyph.h"
#include "formats/glyphs/DrawLetters.h"
#include "formats/glyphs/FindCells.h"
#include "platform/Error.h"
#include "platform/Utf8.h"
#include "support/FontRun.h"

namespace eit {
namespace {

using namespace test;

struct Letter {
    std::uint8_t byte;
    char32_t c;
};
const std::vector<Letter> kLetters = {{0xA0, U'\u00A0'}, {0xA3, U'Ł'}, {0xB9, U'ą'},
                                      {0xC1, U'ę'},      {0xC6, U'Ж'}, {0xD0, U'ğ'}};

DrawRequest Request(const std::string& sheet, const std::vector<Letter>& letters)
{
    // A font whose first byte is 0: byte b shows glyph b, so cell k is byte
    // 160 + k; drawn plain, as FreeType renders.
    DrawRequest request{sheet, kDejaVuSans, {}, std::nullopt, std::nullopt};
    request.firstByte = 0;
    request.style = DrawRequest::Style::Plain;
    for (const Letter& l : letters) request.letters[l.byte - kFirstRebuiltGlyph] = l.c;
    return request;
}

// A glyph's image as rows of '1' (ink) and '0' (empty); '?' for any other entry.
std::vector<std::string> InkRows(const FontParts& font, const RecordWords& r)
{
    auto span = [](const Bytes& b) { return std::span(reinterpret_cast<const std::uint8_t*>(b.data()), b.size()); };
    const std::vector<std::uint8_t> pixels = DecodeGlyph(span(font.pixels), span(font.rows), r.firstRow, r.width, r.height);
    std::vector<std::string> rows(r.height);
    for (std::uint32_t i = 0; i < pixels.size(); ++i) rows[i / r.width] += pixels[i] == kBlockInk ? '1' : pixels[i] ? '?' : '0';
    return rows;
}

// The bitmap cut to its ink; `firstRow` the first row cut.
std::vector<std::string> Trimmed(const std::vector<std::string>& rows, int& firstRow)
{
    std::size_t top = rows.size(), bottom = 0, left = std::string::npos, right = 0;
    for (std::size_t y = 0; y < rows.size(); ++y) {
        const std::size_t first = rows[y].find('1');
        if (first == std::string::npos) continue;
        top = std::min(top, y), bottom = y;
        left = std::min(left, first), right = std::max(right, rows[y].rfind('1'));
    }
    firstRow = static_cast<int>(top);
    std::vector<std::string> cut;
    for (std::size_t y = top; y <= bottom && top < rows.size(); ++y) cut.push_back(rows[y].substr(left, right - left + 1));
    return cut;
}

struct SheetCase {
    const char* name;
    std::uint32_t digitHeight;
    std::uint32_t glyphs;  // 65: no glyph 65, so no guide
};

class DrawnLetters : public testing::TestWithParam<SheetCase> {};

TEST_P(DrawnLetters, RebuildAsFreeTypesOwnBitmapsAtTheDigitsSizeAndLeaveOtherCells)
{
    SKIP_WITHOUT_FREETYPE_REFERENCE();
    const SheetCase& c = GetParam();
    FontWorkspace w;
    const std::string font = w.PutFont("f.fnt", DigitFont(c.digitHeight, c.glyphs));
    const IndexedImage before = w.Draw("f.fnt");
    const std::string sheet = w.SheetOf("f.fnt");
    ASSERT_EQ(FindCells(before)[0].HasGuide(), c.glyphs > 65);

    std::u32string letters;
    for (const Letter& l : kLetters) letters += l.c;
    const ReferenceRendering reference = RenderReference(kDejaVuSans, 0, static_cast<int>(c.digitHeight), letters, w.dir);
    ASSERT_EQ(reference.letters.size(), kLetters.size());

    w.report = Recorder();
    DrawLetters(w.report, Request(sheet, kLetters));
    ASSERT_FALSE(w.report.results.empty());
    EXPECT_EQ(w.report.results.back(), "f.bmp: 5 letters drawn from DejaVuSans.ttf at " + std::to_string(reference.size) +
                                           " px in ink 42.");
    EXPECT_EQ(w.report.results[0], "Kept the earlier f.bmp as f.bmp.~1~.");
    EXPECT_EQ(w.report.results[1], "\"Ł\" (U+0141) drawn into cell 3 for byte A3.");
    EXPECT_EQ(w.report.results[6], "\"\u00A0\" (U+00A0) for byte A0 has no ink: cell 0 left as it is.");

    // Only columns 1 and up of the drawn cells change.
    const IndexedImage after = LoadBmp(sheet);
    const std::vector<GlyphCell> cells = FindCells(before, 64);
    std::vector<bool> drawnRow(before.Height());
    for (const Letter& l : kLetters) {
        const GlyphCell& cell = cells[l.byte - kFirstRebuiltGlyph];
        if (l.byte != 0xA0) std::fill(drawnRow.begin() + cell.stripTop, drawnRow.begin() + cell.endRow, true);
    }
    ASSERT_EQ(after.Width(), before.Width());
    ASSERT_EQ(after.Height(), before.Height());
    for (std::uint32_t y = 0; y < before.Height(); ++y) {
        const std::uint32_t kept = drawnRow[y] ? 1 : before.Width();
        ASSERT_TRUE(std::equal(before.Row(y), before.Row(y) + kept, after.Row(y))) << "row " << y;
    }
    EXPECT_EQ(after.Colours(), before.Colours());

    w.Replay({{font, sheet}});
    const FontParts rebuilt = SplitFont(ReadAll(font));
    for (std::size_t i = 1; i < kLetters.size(); ++i) {
        SCOPED_TRACE(DescribeCharacter(kLetters[i].c));
        const RecordWords r = RecordOf(rebuilt.table, kLetters[i].byte);
        int firstRow = 0;
        EXPECT_EQ(InkRows(rebuilt, r), Trimmed(reference.letters[i].rows, firstRow));
        EXPECT_EQ(static_cast<int>(r.top), static_cast<int>(kBlockBaseline) - reference.letters[i].top + firstRow);
    }
}

INSTANTIATE_TEST_SUITE_P(Sheets, DrawnLetters,
                         testing::Values(SheetCase{"ShortDigits", 9, 224}, SheetCase{"TallDigits", 14, 224},
                                         SheetCase{"NoGuide", 11, 65}),
                         [](const testing::TestParamInfo<SheetCase>& info) { return info.param.name; });

// The median over a cell's ink pixels of the shorter of the horizontal and
// the vertical run of ink through each: 2 for strokes two pixels wide.
std::uint32_t MedianStroke(const IndexedImage& sheet, const GlyphCell& cell, std::uint8_t ink)
{
    auto isInk = [&](std::int64_t x, std::int64_t y) {
        return x >= 0 && x < sheet.Width() && y >= cell.stripTop && y < cell.endRow &&
               sheet.Pixel(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)) == ink;
    };
    std::vector<std::uint32_t> runs;
    for (std::int64_t y = cell.stripTop; y < cell.endRow; ++y) {
        for (std::int64_t x = 1; x < sheet.Width(); ++x) {
            if (!isInk(x, y)) continue;
            std::uint32_t across = 1, down = 1;
            for (std::int64_t i = x - 1; isInk(i, y); --i) ++across;
            for (std::int64_t i = x + 1; isInk(i, y); ++i) ++across;
            for (std::int64_t i = y - 1; isInk(x, i); --i) ++down;
            for (std::int64_t i = y + 1; isInk(x, i); ++i) ++down;
            runs.push_back(std::min(across, down));
        }
    }
    if (runs.empty()) return 0;
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

TEST(DrawLetters, InTheGamesStyleTheyCarryItsShadingOnTheSameEdgeAndStrokesAsWide)
{
    SKIP_WITHOUT_FREETYPE_REFERENCE();
    FontWorkspace w;
    w.PutFont("f.fnt", AsciiFont());
    const IndexedImage before = w.Draw("f.fnt");
    const std::string sheet = w.SheetOf("f.fnt");
    const std::vector<GlyphCell> cells = FindCells(before, 64);
    // The game's own glyphs: strokes 2 wide, every one shaded on its right.
    ASSERT_EQ(MedianStroke(before, cells[33], kBlockInk), 2u);  // glyph 33, "A"

    DrawRequest request{sheet, kDejaVuSans, {}, std::nullopt, std::nullopt};
    const std::vector<std::pair<std::size_t, char32_t>> letters = {{6, U'Ж'}, {14, U'О'}, {24, U'Ш'}, {42, U'к'}};
    for (const auto& [cell, letter] : letters) request.letters[cell] = letter;
    DrawLetters(w.report, request);
    ASSERT_GE(w.report.results.size(), 2u);
    EXPECT_EQ(w.report.results[w.report.results.size() - 2],
              "In the style of the sheet's glyphs: strokes 2 px, shaded in entry 44 at step (1, 0) from the ink.");

    const IndexedImage after = LoadBmp(sheet);
    for (const auto& [k, letter] : letters) {
        SCOPED_TRACE(DescribeCharacter(letter));
        const GlyphCell& cell = cells[k];
        std::size_t shade = 0, ink = 0;
        for (std::int64_t y = cell.stripTop; y < cell.endRow; ++y) {
            for (std::uint32_t x = 1; x + 1 < after.Width(); ++x) {
                const std::uint8_t p = after.Pixel(x, static_cast<std::uint32_t>(y));
                const std::uint8_t right = after.Pixel(x + 1, static_cast<std::uint32_t>(y));
                if (p == kShadeInk) {
                    ++shade;
                    EXPECT_EQ(after.Pixel(x - 1, static_cast<std::uint32_t>(y)), kBlockInk) << "shade at " << x << ", " << y;
                }
                if (p == kBlockInk) {
                    ++ink;
                    EXPECT_TRUE(right == kBlockInk || right == kShadeInk) << "unshaded right edge at " << x << ", " << y;
                }
            }
        }
        EXPECT_GT(ink, 0u);
        EXPECT_GT(shade, 0u);
        EXPECT_GE(MedianStroke(after, cell, kBlockInk), 2u);
    }

    // Plain: one ink, FreeType's own strokes.
    SaveBmp(before, sheet);
    request.style = DrawRequest::Style::Plain;
    DrawLetters(w.report, request);
    const IndexedImage plain = LoadBmp(sheet);
    for (std::uint32_t y = 0; y < plain.Height(); ++y) {
        for (std::uint32_t x = 0; x < plain.Width(); ++x) {
            if (before.Pixel(x, y) != plain.Pixel(x, y)) {
                ASSERT_NE(plain.Pixel(x, y), kShadeInk);
            }
        }
    }
}

TEST(DrawLetters, RefusesNamingTheLetterAndLeavesTheSheetByteIdentical)
{
    SKIP_WITHOUT_FREETYPE_REFERENCE();
    struct Case {
        const char* name;
        std::function<void(DrawRequest&)> change;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"too tall", [](DrawRequest& r) { r.size = 40; }, "\"Ł\" (U+0141) for byte A3 reaches "},
        {"too deep", [](DrawRequest& r) { r.letters[0x10] = U'ğ', r.size = 60; }, "\"ğ\" (U+011F) for byte B0 reaches "},
        {"missing", [](DrawRequest& r) { r.letters[0x20] = U'\U0010FFFD'; }, "(U+10FFFD) for byte C0 is missing from the font"},
        {"ink 0", [](DrawRequest& r) { r.ink = 0; }, "ink 0 is the empty pixel"},
        {"size 0", [](DrawRequest& r) { r.size = 0; }, "the size 0 px lies outside 1 to 2048"},
        {"nothing", [](DrawRequest& r) { r.letters = {}; }, "no letter to draw"},
    };
    FontWorkspace w;
    w.PutFont("f.fnt", DigitFont(10, 224));
    w.Draw("f.fnt");
    const std::string sheet = w.SheetOf("f.fnt");
    const Bytes before = ReadAll(sheet);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DrawRequest request = Request(sheet, {{0xA3, U'Ł'}});
        c.change(request);
        try {
            DrawLetters(w.report, request);
            ADD_FAILURE() << "not refused";
        } catch (const ToolError& e) {
            EXPECT_NE(std::string(e.what()).find("Cannot draw into " + sheet + ": "), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadAll(sheet), before);
    }
}

TEST(DrawLetters, AGuideLeftInPlaceIsWarnedOfAndADrawnSheetGivesNoWarning)
{
    SKIP_WITHOUT_FREETYPE_REFERENCE();
    FontWorkspace w;
    const std::string font = w.PutFont("f.fnt", DigitFont(10, 224));
    const IndexedImage drawn = w.Draw("f.fnt");
    const std::string sheet = w.SheetOf("f.fnt");
    const std::uint32_t pitch = drawn.Height() / 64;

    // By hand: a letter painted above the guide in every cell, the guide
    // cleared in all but cells 5 and 9.
    IndexedImage edited = drawn;
    for (std::uint32_t k = 0; k < 64; ++k) {
        if (k != 5 && k != 9) edited.HorizontalLine(k * pitch + kBlockBaseline, 1, edited.Width() - 1, kTestBlack);
        edited.Fill(2, k * pitch + 4, 3, 5, kBlockInk);
    }
    SaveBmp(edited, sheet);
    w.report = Recorder();
    w.Replay({{font, sheet}});
    EXPECT_EQ(w.report.results, (std::vector<std::string>{sheet + ": cells 5, 9 (glyphs 165, 169) still hold the whole baseline "
                                                                  "guide, which the font will carry as ink",
                                                          "f.fnt converted."}));

    // Drawn: all 64 cells, the Cyrillic capitals and small letters А to я.
    SaveBmp(drawn, sheet);
    std::vector<Letter> cyrillic;
    for (std::uint8_t k = 0; k < 64; ++k) cyrillic.push_back({static_cast<std::uint8_t>(0xA0 + k), U'А' + k});
    DrawLetters(w.report, Request(sheet, cyrillic));
    w.report = Recorder();
    w.Replay({{font, sheet}});
    EXPECT_EQ(w.report.results, std::vector<std::string>{"f.fnt converted."});
}

}  // namespace
}  // namespace eit
