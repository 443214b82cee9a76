#include "formats/glyphs/DrawLetters.h"

#include <vector>

#include "formats/glyphs/FindCells.h"
#include "formats/glyphs/LetterStyle.h"
#include "formats/glyphs/MonoFont.h"
#include "platform/Bmp.h"
#include "platform/Error.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/RewriteAside.h"
#include "platform/Utf8.h"
#include "platform/Words.h"

namespace eit {

namespace {
std::string ByteName(std::size_t cell, std::uint32_t firstByte) { return "byte " + HexByte(ByteOfCell(cell, firstByte)); }

// The cell of the game's digit zero: the sheet shows glyph g in cell g.
std::size_t DigitCell(std::uint32_t firstByte) { return *GlyphOfByte('0', firstByte); }

// The sheet, its 64 cells and its guide entry (-1 when it has none).
struct Sheet {
    IndexedImage image;
    std::vector<GlyphCell> cells;
    int guide = -1;
    std::size_t digitCell = 0;

    // A pixel of a glyph: in columns 1 and up, neither black nor index 0 (the
    // empty pixel of a font) nor part of the cell's baseline guide.
    bool IsGlyphInk(const GlyphCell& cell, std::uint32_t x, std::int64_t y) const
    {
        const std::uint8_t index = image.Pixel(x, static_cast<std::uint32_t>(y));
        return x > 0 && index != 0 && image.Colours()[index] != kSheetBlack && !(y == cell.guideRow && index == guide);
    }

    // The rows of the glyph in a cell: the first and the one after the last.
    std::optional<std::pair<std::int64_t, std::int64_t>> GlyphRows(const GlyphCell& cell) const
    {
        std::optional<std::pair<std::int64_t, std::int64_t>> rows;
        for (std::int64_t y = cell.stripTop; y < cell.endRow; ++y) {
            for (std::uint32_t x = 1; x < image.Width(); ++x) {
                if (!IsGlyphInk(cell, x, y)) continue;
                rows = std::pair(rows ? rows->first : y, y + 1);
                break;
            }
        }
        return rows;
    }
};

// The entry the glyphs already on the sheet use most; the lowest wins a tie.
std::uint8_t MostUsedInk(const Sheet& sheet, const std::string& refusal)
{
    std::array<std::uint64_t, 256> uses{};
    for (const GlyphCell& cell : sheet.cells) {
        for (std::int64_t y = cell.stripTop; y < cell.endRow; ++y) {
            for (std::uint32_t x = 1; x < sheet.image.Width(); ++x) {
                if (sheet.IsGlyphInk(cell, x, y)) ++uses[sheet.image.Pixel(x, static_cast<std::uint32_t>(y))];
            }
        }
    }
    std::size_t best = 0;
    for (std::size_t i = 1; i < uses.size(); ++i) {
        if (uses[i] > uses[best]) best = i;
    }
    if (uses[best] == 0) throw ToolError(refusal + "its cells hold no glyph to take the ink from (in eitool give --ink INDEX)");
    return static_cast<std::uint8_t>(best);
}

std::uint8_t CheckedInk(const Sheet& sheet, std::uint8_t ink, const std::string& refusal)
{
    if (ink == 0) throw ToolError(refusal + "ink 0 is the empty pixel of a font's glyphs; choose another entry");
    if (sheet.image.Colours()[ink] == kSheetBlack) {
        throw ToolError(refusal + "ink " + std::to_string(ink) + " is black in the sheet's colour table, so no letter would show");
    }
    return ink;
}

// The smallest size at which the font's digit 0 is at least as tall as the
// game's digit zero.
std::uint32_t DigitSize(MonoFont& font, const Sheet& sheet, const std::string& refusal)
{
    const std::string cellName = "cell " + std::to_string(sheet.digitCell);
    const auto rows = sheet.GlyphRows(sheet.cells[sheet.digitCell]);
    if (!rows) throw ToolError(refusal + cellName + " (the digit 0) has no glyph to take the size from (in eitool give --size PX)");
    const std::int64_t height = rows->second - rows->first;
    if (!font.Has(U'0')) {
        throw ToolError(refusal + "the font " + font.Path() + " has no digit 0 to take the size from (in eitool give --size PX)");
    }
    for (std::uint32_t size = 1; size <= kMaxLetterSize; ++size) {
        font.SetSize(size);
        const MonoLetter::Ink ink = font.Render(U'0').InkExtents();
        if (ink.Any() && ink.Height() >= height) return size;
    }
    throw ToolError(refusal + "the digit 0 of " + font.Path() + " stays shorter than the " + std::to_string(height) +
                    " rows of " + cellName + " up to " + std::to_string(kMaxLetterSize) + " px");
}

// The row each cell's letter stands on: the strip's guide row, or without a
// guide the row below the game's digit zero, as far down its strip.
std::vector<std::int64_t> Baselines(const Sheet& sheet, const std::string& refusal)
{
    std::optional<std::int64_t> digitBaseline;  // below the strip's top
    std::vector<std::int64_t> baselines;
    for (std::size_t k = 0; k < sheet.cells.size(); ++k) {
        const GlyphCell& cell = sheet.cells[k];
        if (cell.HasGuide()) {
            baselines.push_back(cell.guideRow);
            continue;
        }
        if (!digitBaseline) {
            const GlyphCell& digit = sheet.cells[sheet.digitCell];
            const auto rows = sheet.GlyphRows(digit);
            if (!rows) {
                throw ToolError(refusal + "cell " + std::to_string(k) + " has no baseline guide, and cell " +
                                std::to_string(sheet.digitCell) + " (the digit 0) has no glyph to take the baseline from");
            }
            digitBaseline = rows->second - digit.stripTop;
        }
        baselines.push_back(cell.stripTop + *digitBaseline);
    }
    return baselines;
}

// The sheet's glyphs, each as the entries of its glyph ink.
std::vector<GlyphPixels> SheetGlyphs(const Sheet& sheet)
{
    std::vector<GlyphPixels> glyphs;
    for (const GlyphCell& cell : sheet.cells) {
        GlyphPixels g{sheet.image.Width(), static_cast<std::uint32_t>(cell.endRow - cell.stripTop), {}};
        g.indexes.assign(std::size_t{g.width} * g.height, 0);
        for (std::uint32_t y = 0; y < g.height; ++y) {
            for (std::uint32_t x = 1; x < g.width; ++x) {
                if (sheet.IsGlyphInk(cell, x, cell.stripTop + y)) {
                    g.indexes[std::size_t{y} * g.width + x] = sheet.image.Pixel(x, static_cast<std::uint32_t>(cell.stripTop + y));
                }
            }
        }
        glyphs.push_back(std::move(g));
    }
    return glyphs;
}

LetterMask MaskOf(const MonoLetter& bitmap)
{
    LetterMask mask{bitmap.width, bitmap.rows, bitmap.top, {}};
    mask.pixels.resize(bitmap.bits.size());
    for (std::size_t i = 0; i < bitmap.bits.size(); ++i) mask.pixels[i] = bitmap.bits[i] ? LetterMask::kStrokePixel : 0;
    return mask;
}

// A rendered letter and the sheet row of its mask's top row.
struct PlacedLetter {
    std::size_t cell = 0;
    char32_t letter = 0;
    LetterMask mask;
    std::int64_t top = 0;
};

// Where the letter's ink would leave its cell, or nothing when it fits.
std::optional<std::string> Misfit(const Sheet& sheet, const GlyphCell& cell, const PlacedLetter& placed)
{
    const MonoLetter::Ink ink = InkExtents(placed.mask.width, placed.mask.rows, placed.mask.pixels);
    const std::int64_t above = cell.stripTop - (placed.top + ink.firstRow);
    const std::int64_t below = placed.top + ink.lastRow - (cell.endRow - 1);
    const std::int64_t beyond = 1 + ink.lastColumn - (std::int64_t{sheet.image.Width()} - 1);
    auto rows = [](std::int64_t n) { return std::to_string(n) + (n == 1 ? " row" : " rows"); };
    if (above > 0) return "reaches " + rows(above) + " above its strip";
    if (below > 0) return "reaches " + rows(below) + " below its strip";
    if (beyond > 0) return "reaches " + std::to_string(beyond) + " columns past the sheet's right edge";
    return std::nullopt;
}

void Draw(IndexedImage& image, const GlyphCell& cell, const PlacedLetter& placed, std::uint8_t ink, std::uint8_t shade)
{
    image.Fill(1, static_cast<std::uint64_t>(cell.stripTop), image.Width(),
               static_cast<std::uint64_t>(cell.endRow - cell.stripTop), image.NearestIndex(kSheetBlack));
    const LetterMask& mask = placed.mask;
    for (std::uint32_t y = 0; y < mask.rows; ++y) {
        for (std::uint32_t x = 0; x < mask.width; ++x) {
            const std::uint8_t role = mask.At(x, y);
            if (role != 0) image.SetPixel(1 + x, static_cast<std::uint64_t>(placed.top + y), role == LetterMask::kShadePixel ? shade : ink);
        }
    }
}

std::string StyleLine(const GlyphStyle& style)
{
    std::string line = "In the style of the sheet's glyphs: strokes " + std::to_string(style.stroke) + " px";
    if (style.shade) {
        line += ", shaded in entry " + std::to_string(*style.shade) + " at step (" + std::to_string(style.dx) + ", " +
                std::to_string(style.dy) + ") from the ink";
    }
    return line + ".";
}

// Writes the sheet over the file as the replay rewrites a source, keeping
// the earlier contents as NAME.~N~.
void RewriteSheet(Reporter& report, const IndexedImage& image, const std::string& path)
{
    File file(path, OpenMode::ReadWrite);
    const Notify notify = [&report](const std::string& line) { report.AddResult(line); };
    RewriteAside aside(file, notify);
    WriteBmp(image, aside.Out());
    const std::string backup = aside.Commit(true);
    if (!backup.empty()) {
        report.AddResult("Kept the earlier " + std::string(FileNameOf(path)) + " as " + std::string(FileNameOf(backup)) + ".");
    }
}
}  // namespace

SheetLetters LettersFromTable(const CharTable& table, const std::optional<std::u32string>& only, std::uint32_t firstByte)
{
    SheetLetters letters;
    for (std::size_t k = 0; k < letters.size(); ++k) letters[k] = table.CharOf(ByteOfCell(k, firstByte));
    if (!only) return letters;
    SheetLetters chosen;
    std::string strays;
    for (const char32_t c : *only) {
        const std::optional<std::uint8_t> byte = table.ByteOf(c);
        if (byte && IsRebuiltByte(*byte, firstByte)) {
            chosen[*GlyphOfByte(*byte, firstByte) - kFirstRebuiltGlyph] = c;
            continue;
        }
        strays += (strays.empty() ? "" : "; ") + DescribeCharacter(c) +
                  (byte ? " is byte " + HexByte(*byte) : std::string(" has no byte")) + " in " + table.Name();
    }
    if (!strays.empty()) {
        throw ToolError("Cannot draw letters whose bytes have no cell on the sheet, only " + HexByte(ByteOfCell(0, firstByte)) + " to " +
                        HexByte(ByteOfCell(kSheetStrips - 1, firstByte)) + " do: " + strays +
                        " (eitool table --fit gives such letters free bytes there)");
    }
    return chosen;
}

void DrawLetters(Reporter& report, const DrawRequest& request)
{
    const std::string refusal = "Cannot draw into " + request.sheetPath + ": ";
    if (request.size && (*request.size == 0 || *request.size > kMaxLetterSize)) {
        throw ToolError(refusal + "the size " + std::to_string(*request.size) + " px lies outside 1 to " +
                        std::to_string(kMaxLetterSize));
    }
    std::size_t wanted = 0;
    for (const std::optional<char32_t>& letter : request.letters) wanted += letter.has_value();
    if (request.firstByte > kMaxFirstByte) {
        throw ToolError(refusal + "the first byte " + std::to_string(request.firstByte) + " lies outside 0 to " + std::to_string(kMaxFirstByte));
    }
    if (wanted == 0) {
        throw ToolError(refusal + "no letter to draw: none of bytes " + HexByte(ByteOfCell(0, request.firstByte)) + " to " +
                        HexByte(ByteOfCell(kSheetStrips - 1, request.firstByte)) + " has one");
    }

    const std::string sheetName(FileNameOf(request.sheetPath));
    report.CurrentMessage("Drawing letters into " + sheetName + "...");
    Sheet sheet;
    sheet.image = LoadBmp(request.sheetPath);
    sheet.cells = SheetCells(sheet.image, refusal);
    sheet.guide = GuideIndex(sheet.image);
    sheet.digitCell = DigitCell(request.firstByte);
    const std::uint8_t ink = request.ink ? CheckedInk(sheet, *request.ink, refusal) : MostUsedInk(sheet, refusal);
    MonoFont font(request.fontPath);
    const std::uint32_t size = request.size ? *request.size : DigitSize(font, sheet, refusal);
    font.SetSize(size);
    const std::vector<std::int64_t> baselines = Baselines(sheet, refusal);
    const bool gameStyle = request.style == DrawRequest::Style::Game;
    const GlyphStyle style = gameStyle ? MeasureStyle(SheetGlyphs(sheet), ink) : GlyphStyle{};

    // Every letter is rendered and placed before the sheet changes.
    std::vector<PlacedLetter> placed;
    std::vector<std::string> refused, blank;
    for (std::size_t k = 0; k < request.letters.size(); ++k) {
        if (!request.letters[k]) continue;
        const char32_t letter = *request.letters[k];
        const std::string name = DescribeCharacter(letter) + " for " + ByteName(k, request.firstByte);
        if (!font.Has(letter)) {
            refused.push_back(name + " is missing from the font");
            continue;
        }
        const MonoLetter bitmap = font.Render(letter);
        if (!bitmap.InkExtents().Any()) {
            blank.push_back(name + " has no ink: cell " + std::to_string(k) + " left as it is.");
            continue;
        }
        PlacedLetter p{k, letter, gameStyle ? Styled(MaskOf(bitmap), style) : MaskOf(bitmap), 0};
        p.top = baselines[k] - p.mask.top;
        if (std::optional<std::string> misfit = Misfit(sheet, sheet.cells[k], p)) {
            refused.push_back(name + " " + *misfit);
            continue;
        }
        placed.push_back(std::move(p));
    }
    if (!refused.empty()) {
        std::string all;
        for (const std::string& r : refused) all += (all.empty() ? "" : "; ") + r;
        throw ToolError(refusal + all + " (" + std::string(FileNameOf(font.Path())) + " at " + std::to_string(size) + " px)");
    }

    const std::uint8_t shade = style.shade.value_or(ink);
    for (const PlacedLetter& p : placed) Draw(sheet.image, sheet.cells[p.cell], p, ink, shade);
    if (!placed.empty()) RewriteSheet(report, sheet.image, request.sheetPath);
    for (const PlacedLetter& p : placed) {
        report.AddResult(DescribeCharacter(p.letter) + " drawn into cell " + std::to_string(p.cell) + " for " +
                         ByteName(p.cell, request.firstByte) + ".");
    }
    for (const std::string& line : blank) report.AddResult(line);
    if (gameStyle) report.AddResult(StyleLine(style));
    report.AddResult(sheetName + ": " + Counted(placed.size(), "letter", "letters") +
                     " drawn from " + std::string(FileNameOf(font.Path())) + " at " + std::to_string(size) +
                     " px in ink " + std::to_string(ink) + ".");
}

}  // namespace eit
