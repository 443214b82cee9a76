#include "formats/CifText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>

#include "platform/CharTable.h"
#include "formats/SizedBlock.h"
#include "platform/Error.h"
#include "platform/LittleEndian.h"
#include "platform/FileSystem.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/RewriteAside.h"
#include "platform/Utf8.h"
#include "run/LogLines.h"

namespace eit {

namespace {
constexpr std::size_t kNoZero = static_cast<std::size_t>(-1);

ToolError Damaged(const File& file, const std::string& what)
{
    return ToolError("Damaged CIF text file " + file.Path() + ": " + what);
}

// Every record must start inside the text block and end in a zero byte there.
void CheckRecords(const CifTextFile& cif, const File& file)
{
    const std::vector<std::uint8_t>& block = cif.textBlock;
    // A record whose text starts at p ends inside the block when some zero byte lies at or after p.
    std::size_t lastZero = kNoZero;
    for (std::size_t p = block.size(); p > 0; --p) {
        if (block[p - 1] == 0) {
            lastZero = p - 1;
            break;
        }
    }
    const std::uint64_t lead = cif.leadBytes ? 1 : 0;
    for (std::size_t i = 0; i < cif.EntryCount(); ++i) {
        const std::uint64_t start = std::uint64_t{cif.Offset(i)} + lead;
        if (lastZero != kNoZero && start <= lastZero) continue;
        const std::string record = "entry " + std::to_string(i) + ": its record at offset " + std::to_string(cif.Offset(i));
        const std::string blockSize = " the text block of " + std::to_string(block.size()) + " bytes";
        if (start >= block.size()) throw Damaged(file, record + (lead ? " (after its lead byte)" : "") + " lies outside" + blockSize);
        throw Damaged(file, record + " has no terminating zero inside" + blockSize);
    }
}

// Records may be shared, so the texts of a small file can add up to far more
// than the file: refused past 4 GiB, more than insertion could ever put back.
void CheckTextTotal(const CifTextFile& cif, const std::string& path)
{
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < cif.EntryCount(); ++i) {
        total += cif.Text(i).size();
        if (total > kLargestU32) {
            throw ToolError("Cannot extract " + path + ": its texts up to entry " + std::to_string(i) +
                            " already come to more than 4 GiB, the limit of a text block");
        }
    }
}

}  // namespace

std::uint32_t CifTextFile::Offset(std::size_t entry) const
{
    return LoadU32(offsetTable.data() + entry * kCifEntrySize);
}

void CifTextFile::SetOffset(std::size_t entry, std::uint32_t offset)
{
    StoreU32(offsetTable.data() + entry * kCifEntrySize, offset);
}

std::string_view CifTextFile::Text(std::size_t entry) const
{
    const char* block = reinterpret_cast<const char*>(textBlock.data());
    const std::size_t start = Offset(entry) + (leadBytes ? 1u : 0u);
    const void* zero = std::memchr(block + start, 0, textBlock.size() - start);
    return {block + start, static_cast<std::size_t>(static_cast<const char*>(zero) - (block + start))};
}

void DexorBlock(std::span<std::uint8_t> bytes)
{
    std::uint8_t key = CifKeyStart;
    std::uint8_t step = CifKeyStep;
    for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>((b - 1) ^ key);
        key = static_cast<std::uint8_t>(key + step);
        step = static_cast<std::uint8_t>(step + CifKeyStepDelta);
    }
}

void RexorBlock(std::span<std::uint8_t> bytes)
{
    std::uint8_t key = CifKeyStart;
    std::uint8_t step = CifKeyStep;
    for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>((b ^ key) + 1);
        key = static_cast<std::uint8_t>(key + step);
        step = static_cast<std::uint8_t>(step + CifKeyStepDelta);
    }
}

bool HasCifLeadBytes(std::string_view path)
{
    return LowerAscii(ExtensionOf(FileNameOf(path))) == ".cif";
}

CifTextFile LoadCifTextFile(RunContext& ctx, File& file, bool leadBytes)
{
    const std::uint64_t fileSize = file.Size();
    CifTextFile cif;
    cif.leadBytes = leadBytes;
    const DamagedFile damaged = [&file](const std::string& what) { return Damaged(file, what); };
    file.Seek(kCifTableLengthAt);
    cif.offsetTable = ReadSizedBlock(file, fileSize, "offset table", "length", damaged);
    file.Skip(kCifFillerSize);
    cif.textBlock = ReadSizedBlock(file, fileSize, "text block", "length", damaged);

    ctx.report.CurrentMessage("Dexoring contents...");
    ctx.report.PumpEvents();
    DexorBlock(cif.offsetTable);
    DexorBlock(cif.textBlock);
    CheckRecords(cif, file);
    return cif;
}

std::string CifEntryHeader(std::size_t entry)
{
    char header[16];
    std::snprintf(header, sizeof header, "[%08X]", static_cast<unsigned>(entry));
    return header;
}

ToolError SavedAsUtf8(const std::string& txtPath)
{
    return ToolError(txtPath + " begins with a UTF-8 byte order mark: it was saved as UTF-8, not in the game's code page. "
                               "Save it in the game's code page, or insert it with an encoding (eitool replay --encoding NAME).");
}

bool LoadTxtLines(LineList& lines, const std::string& txtPath)
{
    lines.LoadFromFile(txtPath);
    const bool bom = lines.Count() > 0 && StartsWithUtf8Bom(lines[0]);
    if (bom) lines.Set(0, lines[0].substr(kUtf8Bom.size()));
    return bom;
}

void ExtractCifText(RunContext& ctx, const std::string& path)
{
    const CharTable* table = RunCharTable(ctx, true);
    // The CIF file stays open until the .txt is written, so the two can never be one file.
    File source(path, OpenMode::Read);
    const std::string name(FileNameOf(path));
    const CifTextFile cif = LoadCifTextFile(ctx, source, HasCifLeadBytes(path));
    const std::size_t count = cif.EntryCount();
    CheckTextTotal(cif, path);

    ctx.StartFile("Extracting text from " + name + "...");
    ctx.report.PumpEvents();
    const std::string countText = std::to_string(count);
    const std::string txtName = ReplaceExtension(name, kTxtExtension);
    const std::string txtPath = JoinPath(ctx.settings.TargetDir, txtName);
    CreateWholeFile(txtPath, [&](File& out) {
        std::string piece(table ? kUtf8Bom : "");
        for (std::size_t i = 0; i < count; ++i) {
            AppendTxtEntry(piece, i, cif.Text(i), table ? &*table : nullptr);
            if (piece.size() >= File::kCopyPiece) {
                out.Write(piece.data(), piece.size());
                piece.clear();
            }
            ctx.MoveProgress(static_cast<int>(i * 100 / count));
            ctx.report.Extracted("Extarcted: " + std::to_string(i + 1) + " of " + countText);
        }
        out.Write(piece.data(), piece.size());
        ctx.TotalBytes += out.Position();
    }, ctx.KeepingEarlierOutputs());
    ctx.report.AddResult(txtName + " was extracted.");
    ctx.report.PumpEvents();
    AddTargetLine(ctx.OperationLog, txtPath);
}

void AppendTxtEntry(std::string& out, std::size_t entry, std::string_view text, const CharTable* table)
{
    out += CifEntryHeader(entry);
    out += "\r\n";
    if (table) table->AppendText(out, text);
    else out += text;
    out += "\r\n";
    out += kCifEndMarker;
    out += "\r\n\r\n";
}

std::optional<std::uint32_t> EntryOfHeader(std::string_view line)
{
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    if (line.size() != 10 || line.front() != '[' || line.back() != ']') return std::nullopt;
    std::uint32_t entry = 0;
    for (char c : line.substr(1, 8)) {
        int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        entry = entry * 16 + static_cast<std::uint32_t>(digit);
    }
    return entry;
}

bool HasEndMarker(std::string_view line) { return line.find(kCifEndMarker) != std::string_view::npos; }

std::vector<std::size_t> IndexHeaderLines(const LineList& lines, std::size_t count)
{
    std::vector<std::size_t> headers(count, kNoTxtLine);
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        std::optional<std::uint32_t> entry = EntryOfHeader(lines[i]);
        if (entry && *entry < count && headers[*entry] == kNoTxtLine) headers[*entry] = i;
    }
    return headers;
}

void AppendEntryText(std::vector<std::uint8_t>& block, const LineList& lines, std::size_t k, const std::string& txtPath,
                     std::size_t entry, const CharTable* table, const TxtFault& fault)
{
    for (const std::size_t start = k;; ++k) {
        if (k >= lines.Count()) {
            const std::optional<std::size_t> zero = lines.ZeroByteLine();
            throw ToolError(std::string(ListIndexOutOfBounds(lines.Count()).what()) + ": " + txtPath +
                            " ends inside the text of entry " + std::to_string(entry) + ": no end marker line " +
                            std::string(kCifEndMarker) + " follows its header line " + CifEntryHeader(entry) +
                            (zero ? ", as a zero byte on line " + std::to_string(*zero) + " ends the file's text there" : ""));
        }
        const std::string_view line = lines[k];
        if (HasEndMarker(line)) return;
        if (k > start) block.push_back('\n');
        const std::size_t lineStart = block.size();
        if (!table) {
            block.insert(block.end(), line.begin(), line.end());
        } else if (std::optional<CharTable::Fault> wrong = table->AppendBytes(block, line)) {
            throw fault("entry " + std::to_string(entry) + " (line " + std::to_string(k + 1) + ", column " +
                        std::to_string(wrong->column) + "): " + wrong->what);
        }
        // Only the space byte is cut, never a table's character that merely shows as one.
        while (block.size() > lineStart && block.back() == ' ') block.pop_back();
    }
}

namespace {
// What insertion writes: the file's blocks as they are now, the new text
// block (plain) and each entry's offset in it.
struct CifTextPlan {
    CifTextFile cif;
    std::vector<std::uint8_t> text;
    std::vector<std::uint32_t> offsets;

    // Entry j's text in the new block, without lead byte and zero.
    std::string_view NewText(std::size_t j) const
    {
        const std::size_t start = offsets[j] + (cif.leadBytes ? 1u : 0u);
        const std::size_t end = (j + 1 < offsets.size() ? offsets[j + 1] : text.size()) - 1;
        return {reinterpret_cast<const char*>(text.data()) + start, end - start};
    }
};

// The reading finds each entry's text from the first line equal to its header
// to the next end marker line. Where an entry's header line lies inside
// another entry's text (that text's end marker was lost), the entry would be
// read from the middle of the other's text: refused, naming both and the line.
void CheckTextsEnd(const LineList& lines, const std::vector<std::size_t>& headers, const TxtFault& cannotInsert)
{
    std::size_t open = kNoTxtLine;  // the entry whose text the walk is in
    for (std::size_t k = 0; k < lines.Count(); ++k) {
        const std::optional<std::uint32_t> entry = EntryOfHeader(lines[k]);
        if (entry && *entry < headers.size() && headers[*entry] == k) {
            if (open != kNoTxtLine) {
                throw cannotInsert("line " + std::to_string(k + 1) + ", the header line of entry " + std::to_string(*entry) +
                                   ", lies inside the text of entry " + std::to_string(open) + " (header line " +
                                   std::to_string(headers[open] + 1) + "): the end marker line " + std::string(kCifEndMarker) +
                                   " of entry " + std::to_string(open) + " is missing");
            }
            open = *entry;
        } else if (open != kNoTxtLine && HasEndMarker(lines[k])) {
            open = kNoTxtLine;
        }
    }
}

// The new text block: one record per entry in entry order, and their offsets.
void BuildTextBlock(RunContext& ctx, CifTextPlan& plan, const LineList& lines, const std::string& txtPath,
                    const CharTable* table)
{
    const CifTextFile& cif = plan.cif;
    const std::size_t count = cif.EntryCount();
    const std::vector<std::size_t> headers = IndexHeaderLines(lines, count);
    const TxtFault cannotInsert = [&](const std::string& why) {
        return ToolError("Cannot insert " + txtPath + " into " + ctx.SourceStream.Path() + ": " + why);
    };
    CheckTextsEnd(lines, headers, cannotInsert);
    std::vector<std::uint8_t>& block = plan.text;
    block.reserve(cif.textBlock.size());
    plan.offsets.reserve(count);
    for (std::size_t j = 0; j < count; ++j) {
        if (headers[j] == kNoTxtLine) {
            throw cannotInsert("it has no header line " + CifEntryHeader(j) + " for entry " + std::to_string(j));
        }
        const std::uint64_t offset = block.size();
        if (cif.leadBytes) block.push_back(cif.textBlock[cif.Offset(j)]);
        AppendEntryText(block, lines, headers[j] + 1, txtPath, j, table, cannotInsert);
        block.push_back(0);
        if (block.size() > kLargestU32) throw cannotInsert("the text block would pass 4 GiB, the limit of its 32-bit length");
        plan.offsets.push_back(static_cast<std::uint32_t>(offset));
        ctx.MoveProgress(static_cast<int>(j * 100 / count));
    }
}

// Reads the CIF file open as SourceStream and the .txt, and builds what
// insertion writes, announcing the work with `message` once the file is read.
CifTextPlan PlanCifText(RunContext& ctx, const std::string& path, const std::string& txtPath, const std::string& message)
{
    CifTextPlan plan{LoadCifTextFile(ctx, ctx.SourceStream, HasCifLeadBytes(path)), {}, {}};
    ctx.StartFile(message);
    ctx.report.PumpEvents();
    LineList lines;
    const bool savedAsUtf8 = LoadTxtLines(lines, txtPath);
    CheckTxtMarked(ctx, txtPath, savedAsUtf8);
    const CharTable* table = RunCharTable(ctx, savedAsUtf8);
    if (savedAsUtf8 && !table) throw SavedAsUtf8(txtPath);
    BuildTextBlock(ctx, plan, lines, txtPath, table);
    return plan;
}

// Whether the rewrite would give the file exactly the bytes it holds: the same
// offsets and texts (the scrambling is the same for blocks of one length), the
// filler it writes, and nothing after the text block.
bool RewriteKeeps(File& file, const CifTextPlan& plan)
{
    const CifTextFile& cif = plan.cif;
    const std::uint64_t fillerAt = kCifTableAt + cif.offsetTable.size();
    if (file.Size() != fillerAt + kCifFillerSize + 4 + plan.text.size() || plan.text != cif.textBlock) return false;
    for (std::size_t j = 0; j < plan.offsets.size(); ++j) {
        if (cif.Offset(j) != plan.offsets[j]) return false;
    }
    std::uint8_t filler[kCifFillerSize];
    file.Seek(fillerAt);
    file.Read(filler, kCifFillerSize);
    return std::equal(filler, filler + kCifFillerSize, kCifFiller);
}

// Keeps header and tableLength, then writes the new blocks, all through a file
// built aside: whatever fails, the CIF file stays byte-identical.
void RewriteCifTextFile(File& file, const std::vector<std::uint8_t>& table, const std::vector<std::uint8_t>& text,
                        const Notify& notify)
{
    RewriteAside aside(file, notify);
    File& out = aside.Out();
    file.Seek(0);
    out.CopyFrom(file, kCifTableAt);
    out.Write(table.data(), table.size());
    out.Write(kCifFiller, kCifFillerSize);
    out.WriteU32(static_cast<std::uint32_t>(text.size()));
    out.Write(text.data(), text.size());
    aside.Commit();
}
}  // namespace

std::size_t InsertCifText(RunContext& ctx, const std::string& path, std::size_t first)
{
    if (!ctx.SourceStream.IsOpen()) {
        ctx.report.AddResult(SourceMissingLine(path));
        return first + 1;
    }
    const std::string txtPath = ctx.GroupTargetPath(path, first);
    if (!Exists(txtPath)) return first + 1;  // an item whose .txt is gone is passed over

    CifTextPlan plan = PlanCifText(ctx, path, txtPath, "Inserting text to " + std::string(FileNameOf(path)) + "...");
    if (RewriteKeeps(ctx.SourceStream, plan)) {  // left as it is, unwritten
        ctx.report.AddResult("Inserted.");
        ctx.report.AddResult(UpToDateLine(path));
        ctx.report.PumpEvents();
        return first + 1;
    }
    for (std::size_t j = 0; j < plan.offsets.size(); ++j) plan.cif.SetOffset(j, plan.offsets[j]);
    RexorBlock(plan.cif.offsetTable);
    RexorBlock(plan.text);
    RewriteCifTextFile(ctx.SourceStream, plan.cif.offsetTable, plan.text, ctx.Notes());

    ctx.report.AddResult("Inserted.");
    ctx.report.PumpEvents();
    return first + 1;
}

std::size_t CheckCifText(RunContext& ctx, const std::string& path, std::size_t first, GroupCheck& check)
{
    if (!ctx.SourceStream.IsOpen()) {
        check.summary = "not found, skipped";
        return first + 1;
    }
    const std::string txtPath = ctx.GroupTargetPath(path, first);
    if (!Exists(txtPath)) {
        check.summary = txtPath + " not found, skipped";
        return first + 1;
    }
    check.rewrites = true;
    if (!check.ReadsFinal(txtPath, "its text file")) return first + 1;
    const CifTextPlan plan = PlanCifText(ctx, path, txtPath, "Checking " + std::string(FileNameOf(path)) + "...");
    std::size_t differ = 0;
    if (check.report) {  // only a reported check tells what differs
        for (std::size_t j = 0; j < plan.offsets.size(); ++j) differ += plan.cif.Text(j) != plan.NewText(j) ? 1 : 0;
    }
    check.summary = DifferenceSummary(plan.offsets.size(), "text", "texts", differ);
    check.upToDate = RewriteKeeps(ctx.SourceStream, plan);
    return first + 1;
}

}  // namespace eit
