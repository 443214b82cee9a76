#include "formats/CifFont.h"

#include <algorithm>
#include <array>
#include <optional>

#include "formats/glyphs/DecodeGlyph.h"
#include "formats/glyphs/EncodeGlyph.h"
#include "formats/glyphs/FindCells.h"
#include "formats/glyphs/Palette.h"
#include "formats/SizedBlock.h"
#include "platform/Bmp.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/LittleEndian.h"
#include "platform/Paths.h"
#include "platform/RewriteAside.h"
#include "run/LogLines.h"

namespace eit {

namespace {
ToolError Damaged(const std::string& fontPath, const std::string& what)
{
    return ToolError("Damaged CIF font " + fontPath + ": " + what);
}

void SkipBlockWord(File& font, std::uint64_t fileSize, const std::string& block)
{
    if (fileSize - font.Position() < 4) throw Damaged(font.Path(), "the file ends before its " + block);
    font.Skip(4);
}
}  // namespace

std::uint32_t CifFont::GlyphCount() const { return LoadU32(fixed.data() + kGlyphCountOffset); }

GlyphRecord CifFont::Record(std::size_t index) const
{
    const std::uint8_t* p = glyphTable.data() + index * kGlyphRecordSize;
    return {LoadU32(p), LoadU32(p + 4), LoadU32(p + 8), LoadU32(p + 12), LoadU32(p + 16), LoadU32(p + 20), LoadU32(p + 24)};
}

void CifFont::SetRecord(std::size_t index, const GlyphRecord& r)
{
    std::size_t at = index * kGlyphRecordSize;
    for (std::uint32_t word : {r.mark, r.extra1, r.top, r.width, r.height, r.firstRow, r.extra2}) {
        StoreU32(glyphTable.data() + at, word);
        at += 4;
    }
}

CifFont ReadCifFont(File& file)
{
    const std::uint64_t fileSize = file.Size();
    if (fileSize < kFontFixedSize) {
        throw Damaged(file.Path(), "the file is " + std::to_string(fileSize) + " bytes long, too short for its header");
    }
    CifFont font;
    const DamagedFile damaged = [&file](const std::string& what) { return Damaged(file.Path(), what); };
    file.Seek(0);
    font.fixed = file.ReadBytes(kFontFixedSize);
    font.glyphTable = ReadSizedBlock(file, fileSize, "glyph table", "size", damaged);
    SkipBlockWord(file, fileSize, "pixel data block");
    font.pixelData = ReadSizedBlock(file, fileSize, "pixel data", "size", damaged);
    SkipBlockWord(file, fileSize, "row table block");
    font.rowTable = ReadSizedBlock(file, fileSize, "row table", "size", damaged);
    return font;
}

// ---- Font to sheet ---------------------------------------------------------

namespace {
struct SheetGeometry {
    std::uint64_t width = kSheetExtraWidth;
    std::uint64_t lineHeight = 0;              // the largest top + height
    std::optional<std::uint64_t> baseline;     // top + height of glyph 65, when there is one
    std::uint64_t Pitch() const { return lineHeight + 1; }
    std::uint64_t Height() const { return kSheetStrips * Pitch(); }
};

// All glyphs are decoded, those below the sheet too, to find damage there;
// records may share rows, so many large records in a small font could take
// hours: past this many pixels in all the font is refused. 224 glyphs of the
// largest size a sheet allows stay within it.
constexpr std::uint64_t kMaxGlyphPixels = 4 * IndexedImage::kMaxPixels;

// Measures every glyph; refuses records past the glyph table, glyphs too
// large in all, and sheets larger than an image may be, before anything is drawn.
SheetGeometry MeasureGlyphs(const CifFont& font, const std::string& fontPath)
{
    SheetGeometry sheet;
    const std::uint32_t count = font.GlyphCount();
    if (count > font.RecordCount()) {
        throw Damaged(fontPath, "glyph " + std::to_string(font.RecordCount()) +
                                    ": its record lies past the end of the glyph table (" +
                                    std::to_string(font.glyphTable.size()) + " bytes for " + std::to_string(count) +
                                    " glyphs)");
    }
    std::uint64_t decodeCost = 0;  // the pixels and rows of all glyphs, each decoded in turn
    for (std::uint32_t i = 0; i < count; ++i) {
        const GlyphRecord r = font.Record(i);
        decodeCost += (std::uint64_t{r.width} + 1) * r.height;
        if (decodeCost > kMaxGlyphPixels) {
            throw Damaged(fontPath, "glyph " + std::to_string(i) + ": the glyphs up to it come to more than " +
                                        std::to_string(kMaxGlyphPixels) + " pixels");
        }
        const std::uint64_t bottom = std::uint64_t{r.top} + r.height;
        sheet.lineHeight = std::max(sheet.lineHeight, bottom);
        sheet.width = std::max<std::uint64_t>(sheet.width, std::uint64_t{r.width} + kSheetExtraWidth);
        if (i == kBaselineGlyph) sheet.baseline = bottom;
        if (sheet.width * sheet.Height() > IndexedImage::kMaxPixels) {
            throw Damaged(fontPath, "glyph " + std::to_string(i) + ": its size " + std::to_string(r.width) + " x " +
                                        std::to_string(r.height) + " at row " + std::to_string(r.top) +
                                        " needs a sheet larger than " + std::to_string(IndexedImage::kMaxPixels) + " pixels");
        }
    }
    return sheet;
}

// Strip frame: the white marker down column 0, then the silver baseline guide.
void DrawStripFrame(IndexedImage& sheet, const SheetGeometry& geometry, std::uint64_t stripTop)
{
    if (geometry.lineHeight > 0) {
        sheet.VerticalLine(0, stripTop, stripTop + geometry.lineHeight - 1, sheet.NearestIndex(kMarkerColour));
    }
    if (geometry.baseline) {
        sheet.HorizontalLine(stripTop + *geometry.baseline, 0, sheet.Width() - 1, sheet.NearestIndex(kGuideColour));
    }
}

ColourTable LoadPalette(RunContext& ctx)
{
    const std::string path = RunPalettePath(ctx);
    File act(path, OpenMode::Read);
    if (act.Size() < kActPaletteSize) {
        throw ToolError("The palette " + path + " is " + std::to_string(act.Size()) +
                        " bytes long; an ACT palette holds 768 (256 entries of red, green and blue)");
    }
    std::array<std::uint8_t, kActPaletteSize> bytes;
    act.Read(bytes.data(), bytes.size());
    return MakePalette(bytes);
}
}  // namespace

void ConvertFontToBitmap(RunContext& ctx, const std::string& path)
{
    const std::string name(FileNameOf(path));
    const ColourTable palette = LoadPalette(ctx);
    File fontFile(path, OpenMode::Read);
    const CifFont font = ReadCifFont(fontFile);
    fontFile.Close();

    ctx.StartFile("Processing " + name + "...");
    ctx.report.PumpEvents();

    const SheetGeometry geometry = MeasureGlyphs(font, path);
    IndexedImage sheet(static_cast<std::uint32_t>(geometry.width), static_cast<std::uint32_t>(geometry.Height()), palette);
    sheet.Fill(0, 0, sheet.Width(), sheet.Height(), sheet.NearestIndex(kSheetBlack));
    const std::uint32_t count = font.GlyphCount();
    std::uint64_t stripTop = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        DrawStripFrame(sheet, geometry, stripTop);
        const GlyphRecord r = font.Record(i);
        try {
            std::vector<std::uint8_t> glyph = DecodeGlyph(font.pixelData, font.rowTable, r.firstRow, r.width, r.height);
            sheet.Draw(glyph.data(), r.width, r.height, 1, stripTop + r.top);
        } catch (const GlyphFault& fault) {
            throw Damaged(path, "glyph " + std::to_string(i) + ": " + fault.what());
        }
        stripTop += geometry.Pitch();
        ctx.MoveProgress(static_cast<int>(std::uint64_t{i} * 100 / count));
    }

    const std::string bmpName = ReplaceExtension(name, kSheetExtension);
    const std::string sheetPath = JoinPath(ctx.settings.TargetDir, bmpName);
    ctx.TotalBytes += SaveBmp(sheet, sheetPath, ctx.KeepingEarlierOutputs());
    AddTargetLine(ctx.OperationLog, sheetPath);
    ctx.report.AddResult(name + " converted to bitmap font.");
    ctx.report.PumpEvents();
}

// ---- Sheet to font ---------------------------------------------------------

namespace {
// The cells that become glyphs 160 to 223, refused unless every one is whole
// and has ink.
std::vector<GlyphCell> RebuildCells(const IndexedImage& sheet, const std::string& refusal)
{
    std::vector<GlyphCell> cells = SheetCells(sheet, refusal);
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (!cells[k].HasInk()) {
            throw ToolError(refusal + "cell " + std::to_string(k) + " (glyph " + std::to_string(kFirstRebuiltGlyph + k) +
                            ") has no ink");
        }
    }
    return cells;
}

// "0-3, 7, 9-10": numbers in ascending order as ranges, each shifted by `base`.
std::string Ranges(const std::vector<std::size_t>& numbers, std::size_t base)
{
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        text += (text.empty() ? "" : ", ") + std::to_string(base + numbers[i]);
        if (j > i) text += "-" + std::to_string(base + numbers[j]);
        i = j + 1;
    }
    return text;
}

// A guide left in place is ink like any other: the glyph would take the
// sheet's whole width and carry a grey line. One warning for the sheet.
void WarnOfGuides(RunContext& ctx, const std::string& sheetPath, const IndexedImage& sheet, const std::vector<GlyphCell>& cells)
{
    std::vector<std::size_t> guided;
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (HoldsWholeGuide(sheet, cells[k])) guided.push_back(k);
    }
    if (guided.empty()) return;
    const bool one = guided.size() == 1;
    ctx.report.Warning(sheetPath + (one ? ": cell " : ": cells ") + Ranges(guided, 0) + (one ? " (glyph " : " (glyphs ") +
                       Ranges(guided, kFirstRebuiltGlyph) + ") still " + (one ? "holds" : "hold") +
                       " the whole baseline guide, which the font will carry as ink");
}

std::vector<std::uint8_t> CutGlyph(const IndexedImage& sheet, const GlyphCell& cell, std::uint32_t width, std::uint32_t height)
{
    std::vector<std::uint8_t> image(std::size_t{width} * height);
    for (std::uint32_t k = 0; k < height; ++k) {
        const std::uint8_t* row = sheet.Row(static_cast<std::uint32_t>(cell.top + k)) + cell.left;
        std::copy_n(row, width, image.data() + std::size_t{k} * width);
    }
    return image;
}

void WriteCifFont(File& out, const CifFont& font)
{
    out.Write(font.fixed.data(), font.fixed.size());
    out.WriteU32(static_cast<std::uint32_t>(font.glyphTable.size()));
    out.Write(font.glyphTable.data(), font.glyphTable.size());
    for (const std::vector<std::uint8_t>* block : {&font.pixelData, &font.rowTable}) {
        out.WriteU32(kFontBlockWord);
        out.WriteU32(static_cast<std::uint32_t>(block->size()));
        out.Write(block->data(), block->size());
    }
}

// Whether a rebuilt glyph looks as the font's glyph did: same place, size and
// pixels. `before` is decoded from the blocks as they were (their first bytes).
bool LooksAsBefore(const CifFont& font, std::size_t pixelDataSize, std::size_t rowTableSize, const GlyphRecord& before,
                   const GlyphRecord& after, const std::vector<std::uint8_t>& image)
{
    if (before.top != after.top || before.width != after.width || before.height != after.height) return false;
    try {
        return DecodeGlyph(std::span(font.pixelData).first(pixelDataSize), std::span(font.rowTable).first(rowTableSize),
                           before.firstRow, before.width, before.height) == image;
    } catch (const GlyphFault&) {
        return false;  // a damaged glyph is replaced
    }
}

// Reads the sheet and the font open as SourceStream, and rebuilds glyphs 160
// to 223 in memory, announcing the work with `message` once both are read.
// Warns of guides left in place when `warn`; counts in `differ`, when given,
// the glyphs whose look changes.
CifFont PlanFontRebuild(RunContext& ctx, const std::string& sheetPath, const std::string& message, bool warn,
                        std::size_t* differ)
{
    const std::string fontPath = ctx.SourceStream.Path();
    const std::string refusal = "Cannot convert " + sheetPath + " into CIF font " + fontPath + ": ";
    const IndexedImage sheet = LoadBmp(sheetPath);
    const std::vector<GlyphCell> cells = RebuildCells(sheet, refusal);
    CifFont font = ReadCifFont(ctx.SourceStream);
    if (font.rowTable.size() % kRowEntrySize != 0) {
        throw Damaged(fontPath, "its row table of " + std::to_string(font.rowTable.size()) +
                                    " bytes is no whole number of 4-byte entries");
    }

    ctx.StartFile(message);
    ctx.report.PumpEvents();
    if (warn) WarnOfGuides(ctx, sheetPath, sheet, cells);

    const std::size_t pixelDataSize = font.pixelData.size();
    const std::size_t rowTableSize = font.rowTable.size();
    font.glyphTable.resize(std::max<std::size_t>(font.glyphTable.size(), kRebuiltGlyphCount * kGlyphRecordSize), 0);
    for (std::uint32_t g = kFirstRebuiltGlyph; g < kRebuiltGlyphCount; ++g) {
        const GlyphCell& cell = cells[g - kFirstRebuiltGlyph];
        const GlyphRecord before = font.Record(g);
        GlyphRecord record = before;
        record.mark = 1;
        record.width = static_cast<std::uint32_t>(cell.right - cell.left + 1);
        record.height = static_cast<std::uint32_t>(cell.bottom - cell.top + 1);
        record.top = static_cast<std::uint32_t>(cell.top - cell.stripTop);
        record.firstRow = static_cast<std::uint32_t>(font.rowTable.size() / kRowEntrySize);
        const std::vector<std::uint8_t> image = CutGlyph(sheet, cell, record.width, record.height);
        try {
            EncodeGlyph(image, record.width, record.height, font.pixelData, font.rowTable);
        } catch (const GlyphFault& fault) {
            throw ToolError(refusal + "glyph " + std::to_string(g) + ": " + fault.what());
        }
        if (differ && !LooksAsBefore(font, pixelDataSize, rowTableSize, before, record, image)) ++*differ;
        font.SetRecord(g, record);
        ctx.MoveProgress(static_cast<int>(g * 100 / kRebuiltGlyphCount));
    }
    if (font.pixelData.size() > kMaxRowOffset) {
        throw ToolError(refusal + "its pixel data would grow to " + std::to_string(font.pixelData.size()) +
                        " bytes, past the " + std::to_string(kMaxRowOffset) + " that row entries can reach");
    }
    if (font.rowTable.size() > kLargestU32) {
        throw ToolError(refusal + "its row table would grow past the 4 GiB that its size word can hold");
    }
    StoreU32(font.fixed.data() + kGlyphCountOffset, kRebuiltGlyphCount);
    StoreU32(font.fixed.data() + kPixelDataSizeOffset, static_cast<std::uint32_t>(font.pixelData.size()));
    return font;
}
}  // namespace

std::size_t ConvertBitmapToFont(RunContext& ctx, const std::string& path, std::size_t first)
{
    const std::string name(FileNameOf(path));
    if (!ctx.SourceStream.IsOpen()) {
        ctx.report.AddResult(SourceMissingLine(path));
        return first;
    }
    const CifFont font = PlanFontRebuild(ctx, ctx.GroupTargetPath(path, first), "Processing " + name + "...", true, nullptr);
    RewriteAside aside(ctx.SourceStream, ctx.Notes());
    WriteCifFont(aside.Out(), font);
    aside.Commit();
    ctx.report.AddResult(name + " converted.");
    ctx.report.PumpEvents();
    return first;
}

std::size_t CheckBitmapToFont(RunContext& ctx, const std::string& path, std::size_t first, GroupCheck& check)
{
    if (!ctx.SourceStream.IsOpen()) {
        check.summary = "not found, skipped";
        return first;
    }
    const std::string sheetPath = ctx.GroupTargetPath(path, first);
    check.rewrites = true;
    if (!check.ReadsFinal(sheetPath, "its sheet")) return first;
    std::size_t differ = 0;
    PlanFontRebuild(ctx, sheetPath, "Checking " + std::string(FileNameOf(path)) + "...", check.report,
                    check.report ? &differ : nullptr);
    check.summary = "glyphs 160 to 223: " + DifferenceSummary(kSheetStrips, "glyph", "glyphs", differ);
    return first;
}

}  // namespace eit
