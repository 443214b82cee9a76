// eitool fit and preview: widths against a model computed here from the
// glyph records, lines broken between words so that they fit, and a preview
// read back by Python's PIL against the glyphs the font was built from.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "fixtures/ImageTools.h"
#include "support/CifBuilder.h"
#include "support/Eitool.h"
#include "support/FontBuilder.h"

namespace eit::test {
namespace {

constexpr std::uint32_t kFirstByte = 32;

// Glyphs of several widths, heights and tops for the bytes 20 to 7D; byte 7E
// ("~") has none.
std::vector<TestGlyph> FitGlyphs()
{
    std::vector<TestGlyph> glyphs(224);
    for (std::uint32_t b = 0x20; b < 0x7E; ++b) glyphs[b - kFirstByte] = PatternGlyph(b, 1 + b * 5 % 9, 2 + b % 5, b % 3);
    return glyphs;
}

// The model: the glyphs' widths plus the spacing between each two.
std::uint32_t ModelWidth(const std::vector<TestGlyph>& glyphs, const Bytes& line, std::uint32_t spacing)
{
    std::uint32_t width = 0;
    for (std::size_t i = 0; i < line.size(); ++i) width += glyphs[static_cast<std::uint8_t>(line[i]) - kFirstByte].width + (i ? spacing : 0);
    return width;
}

std::vector<Bytes> Split(const Bytes& text, char by)
{
    std::vector<Bytes> parts;
    std::stringstream in(text);
    for (Bytes part; std::getline(in, part, by);) parts.push_back(part);
    return parts;
}

TEST(EitoolFit, ReportsTheLinesWiderThanTheModelSaysAndTheTextsWithTooManyLines)
{
    TempFolder dir;
    const std::vector<TestGlyph> glyphs = FitGlyphs();
    WriteAll(dir / "f.fnt", MakeFont(glyphs));
    const std::vector<Bytes> texts = {"Short", "A line of some words\nand a second one\nand a third", "Wide: MMMMWWWW"};
    WriteAll(dir / "a.txt", TxtOf(texts));
    for (const std::uint32_t spacing : {0u, 1u, 3u}) {
        SCOPED_TRACE(spacing);
        const std::uint32_t maxWidth = 60;
        std::string expected;
        for (std::size_t e = 0; e < texts.size(); ++e) {
            const std::vector<Bytes> lines = Split(texts[e], '\n');
            for (std::size_t l = 0; l < lines.size(); ++l) {
                const std::uint32_t width = ModelWidth(glyphs, lines[l], spacing);
                if (width > maxWidth) expected += "a.txt [0000000" + std::to_string(e) + "] line " + std::to_string(l + 1) + ": " + std::to_string(width) + " px\n";
            }
            if (lines.size() > 2) expected += "a.txt [0000000" + std::to_string(e) + "]: " + std::to_string(lines.size()) + " lines\n";
        }
        ASSERT_NE(expected, "");
        ToolRun run = RunEitool({"fit", "--font", "f.fnt", "--max-width", "60", "--max-lines", "2", "--spacing",
                                 std::to_string(spacing), "a.txt"},
                                dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, expected);
    }

    // Everything fits a box wide enough; a byte without a glyph is reported.
    ToolRun run = RunEitool({"fit", "--font", "f.fnt", "--max-width", "1000", "a.txt"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    WriteAll(dir / "a.txt", TxtOf({"A ~ B"}));
    run = RunEitool({"fit", "--font", "f.fnt", "--max-width", "1000", "a.txt"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("eitool: a.txt [00000000] line 1: byte 7E has no glyph in f.fnt\n"), std::string::npos) << run.err;
}

TEST(EitoolFit, WrapBreaksLinesBetweenWordsSoThatEveryLineFitsAndKeepsTheEarlierFile)
{
    TempFolder dir;
    const std::vector<TestGlyph> glyphs = FitGlyphs();
    WriteAll(dir / "f.fnt", MakeFont(glyphs));
    const Bytes sentence = "The quick brown fox jumps over the lazy dog and runs far away";
    const Bytes before = TxtOf({"Fine", sentence, "Unbreakable: WWWWWWWWWWWWWWWW"});
    WriteAll(dir / "a.txt", before);
    const std::vector<std::string> args = {"fit", "--font", "f.fnt", "--max-width", "70", "--wrap", "a.txt"};

    ToolRun run = RunEitool(args, dir.path());
    EXPECT_EQ(run.status, 1);  // the long word is wider than the box
    EXPECT_NE(run.err.find("the word \"WWWWWWWWWWWWWWWW\" is"), std::string::npos) << run.err;
    EXPECT_EQ(ReadAll(dir / "a.txt.~1~"), before);

    // Text 1 now spans several lines, each within the box, its words in order.
    const Bytes after = ReadAll(dir / "a.txt");
    const std::size_t from = after.find("[00000001]\r\n") + 12, to = after.find("\r\n[########]", from);
    const std::vector<Bytes> lines = Split(after.substr(from, to - from), '\r');
    ASSERT_GT(lines.size(), 1u);
    Bytes joined;
    for (Bytes line : lines) {
        if (!line.empty() && line[0] == '\n') line.erase(0, 1);
        EXPECT_LE(ModelWidth(glyphs, line, 1), 70u) << line;
        joined += (joined.empty() ? "" : " ") + line;
    }
    EXPECT_EQ(joined, sentence);

    // Without the long word the wrapped file fits, and fit says nothing.
    WriteAll(dir / "b.txt", TxtOf({sentence}));
    run = RunEitool({"fit", "--font", "f.fnt", "--max-width", "70", "--wrap", "b.txt"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST(EitoolPreview, PixelsAreTheFontsGlyphsAtTheirPlacesAndTheOverflowIsMarked)
{
    SKIP_WITHOUT_PIL();
    TempFolder dir;
    const std::vector<TestGlyph> glyphs = FitGlyphs();
    WriteAll(dir / "f.fnt", MakeFont(glyphs));
    WriteAll(dir / "pal.act", TestPalette());
    const std::vector<Bytes> texts = {"Hello, you", "Skipped", "Two lines\nof text here"};
    WriteAll(dir / "a.txt", TxtOf(texts));
    const std::uint32_t spacing = 2, maxWidth = 40;
    ToolRun run = RunEitool({"preview", "--font", "f.fnt", "--palette", "pal.act", "--entries", "0,2", "--spacing", "2",
                             "--max-width", "40", "--output", "p.png", "a.txt"},
                            dir.path());
    ASSERT_EQ(run.status, 0) << run.err;

    std::string dump;
    ASSERT_TRUE(RunPython("import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
                          "assert im.mode == 'P', im.mode\nw, h = im.size\nprint(w, h)\n"
                          "p = im.getpalette()\nprint(*p[:768])\n"
                          "for y in range(h): print(*[im.getpixel((x, y)) for x in range(w)])\n",
                          {dir / "p.png"}, dir, PythonWithPil(), &dump));
    std::stringstream in(dump);
    std::uint32_t width = 0, height = 0;
    in >> width >> height;
    const Bytes act = TestPalette();
    for (std::size_t i = 0; i < 768; ++i) {
        int value = 0;
        in >> value;
        ASSERT_EQ(value, static_cast<std::uint8_t>(act[i])) << "palette byte " << i;
    }
    std::vector<std::vector<int>> pixels(height, std::vector<int>(width));
    for (auto& row : pixels) {
        for (int& p : row) in >> p;
    }

    std::uint32_t lineHeight = 0;
    for (const TestGlyph& g : glyphs) lineHeight = std::max<std::uint32_t>(lineHeight, g.top + static_cast<std::uint32_t>(g.rows.size()));
    const std::vector<Bytes> lines = {"Hello, you", "Two lines", "of text here"};
    ASSERT_EQ(height, lines.size() * (lineHeight + 1));
    std::vector<std::vector<int>> expected(height, std::vector<int>(width, -1));  // -1: background or mark
    for (std::size_t r = 0; r < lines.size(); ++r) {
        std::uint32_t x = 0;
        for (std::size_t i = 0; i < lines[r].size(); ++i) {
            const TestGlyph& g = glyphs[static_cast<std::uint8_t>(lines[r][i]) - kFirstByte];
            for (std::size_t gy = 0; gy < g.rows.size(); ++gy) {
                for (std::uint32_t gx = 0; gx < g.width; ++gx) {
                    const int index = static_cast<std::uint8_t>(g.rows[gy][gx]);
                    if (index != 0) expected.at(r * (lineHeight + 1) + g.top + gy).at(x + gx) = index;
                }
            }
            x += g.width + spacing;
        }
    }
    // The mark: the palette's entry nearest red, by squared distance.
    int mark = 0;
    long best = -1;
    for (int i = 0; i < 256; ++i) {
        const long r = 255 - static_cast<std::uint8_t>(act[3 * i]), g = static_cast<std::uint8_t>(act[3 * i + 1]),
                   b = static_cast<std::uint8_t>(act[3 * i + 2]);
        if (best < 0 || r * r + g * g + b * b < best) best = r * r + g * g + b * b, mark = i;
    }
    for (std::uint32_t y = 0; y < height; ++y) {
        for (std::uint32_t x = 0; x < width; ++x) {
            if (expected[y][x] >= 0) ASSERT_EQ(pixels[y][x], expected[y][x]) << "at " << x << ", " << y;
            else ASSERT_TRUE(pixels[y][x] == 0 || pixels[y][x] == mark) << "at " << x << ", " << y << ": " << pixels[y][x];
        }
    }
    // The box's edge, and the underline of the lines past it.
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const bool over = ModelWidth(glyphs, lines[r], spacing) > maxWidth;
        EXPECT_EQ(pixels[r * (lineHeight + 1) + lineHeight][maxWidth + 1], over ? mark : 0) << lines[r];
        EXPECT_EQ(pixels[r * (lineHeight + 1) + lineHeight][maxWidth], mark);
    }
}

}  // namespace
}  // namespace eit::test
