#include "formats/CifText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "formats/SizedBlock.h"
#include "platform/Error.h"
#include "platform/LittleEndian.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/RewriteAside.h"
#include "run/LogLines.h"

namespace eit {

namespace {
constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

ToolError Damaged(const File& file, const std::string& what)
{
    return ToolError("Damaged CIF text file " + file.Path() + ": " + what);
}

// Every record must start inside the text block and end in a zero byte there.
void CheckRecords(const CifTextFile& cif, const File& file)
{
    const std::vector<std::uint8_t>& block = cif.textBlock;
    // A record whose text starts at p ends inside the block when some zero byte lies at or after p.
    std::size_t lastZero = kNoLine;
    for (std::size_t p = block.size(); p > 0; --p) {
        if (block[p - 1] == 0) {
            lastZero = p - 1;
            break;
        }
    }
    const std::uint64_t lead = cif.leadBytes ? 1 : 0;
    for (std::size_t i = 0; i < cif.EntryCount(); ++i) {
        const std::uint64_t start = std::uint64_t{cif.Offset(i)} + lead;
        if (lastZero != kNoLine && start <= lastZero) continue;
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

void ExtractCifText(RunContext& ctx, const std::string& path)
{
    // The CIF file stays open until the .txt is written, so the two can never be one file.
    File source(path, OpenMode::Read);
    const std::string name(FileNameOf(path));
    const CifTextFile cif = LoadCifTextFile(ctx, source, HasCifLeadBytes(path));
    const std::size_t count = cif.EntryCount();
    CheckTextTotal(cif, path);

    ctx.StartFile("Extracting text from " + name + "...");
    ctx.report.PumpEvents();
    const std::string countText = std::to_string(count);
    const std::string txtName = ReplaceExtension(name, ".txt");
    const std::string txtPath = JoinPath(ctx.TargetDir, txtName);
    CreateWholeFile(txtPath, [&](File& out) {
        std::string piece;
        for (std::size_t i = 0; i < count; ++i) {
            piece += CifEntryHeader(i);
            piece += "\r\n";
            piece += cif.Text(i);
            piece += "\r\n";
            piece += kCifEndMarker;
            piece += "\r\n\r\n";
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

namespace {
int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The entry an entry header line names, in either letter case; nothing for any other line.
std::optional<std::uint32_t> EntryOfHeader(std::string_view line)
{
    if (line.size() != 10 || line.front() != '[' || line.back() != ']') return std::nullopt;
    std::uint32_t entry = 0;
    for (char c : line.substr(1, 8)) {
        int digit = HexDigit(c);
        if (digit < 0) return std::nullopt;
        entry = entry * 16 + static_cast<std::uint32_t>(digit);
    }
    return entry;
}

// The index of each entry's first header line, or kNoLine: one pass over the
// lines, so finding every entry's text stays linear in the size of the .txt.
std::vector<std::size_t> IndexHeaderLines(const LineList& lines, std::size_t count)
{
    std::vector<std::size_t> headers(count, kNoLine);
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        std::optional<std::uint32_t> entry = EntryOfHeader(lines[i]);
        if (entry && *entry < count && headers[*entry] == kNoLine) headers[*entry] = i;
    }
    return headers;
}

void TrimTrailingSpaces(LineList& lines)
{
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        std::string_view line = lines[i];
        std::size_t n = line.size();
        while (n > 0 && line[n - 1] == ' ') --n;
        if (n != line.size()) lines.Set(i, line.substr(0, n));
    }
}

bool HasEndMarker(std::string_view line) { return line.find(kCifEndMarker) != std::string_view::npos; }

// Appends the lines from `k` up to the next line holding the end marker,
// joined by single LF bytes; a .txt that ends first raises the list error.
void AppendText(std::vector<std::uint8_t>& block, const LineList& lines, std::size_t k)
{
    for (std::string_view line = lines[k]; !HasEndMarker(line);) {
        block.insert(block.end(), line.begin(), line.end());
        line = lines[++k];
        if (!HasEndMarker(line)) block.push_back('\n');
    }
}

// The new text block: one record per entry in entry order; sets the new offsets.
std::vector<std::uint8_t> BuildTextBlock(RunContext& ctx, CifTextFile& cif, const LineList& lines, const std::string& txtPath)
{
    const std::size_t count = cif.EntryCount();
    const std::vector<std::size_t> headers = IndexHeaderLines(lines, count);
    auto cannotInsert = [&](const std::string& why) {
        return ToolError("Cannot insert " + txtPath + " into " + ctx.SourceStream.Path() + ": " + why);
    };
    std::vector<std::uint8_t> block;
    block.reserve(cif.textBlock.size());
    for (std::size_t j = 0; j < count; ++j) {
        if (headers[j] == kNoLine) {
            throw cannotInsert("it has no header line " + CifEntryHeader(j) + " for entry " + std::to_string(j));
        }
        const std::uint64_t offset = block.size();
        if (cif.leadBytes) block.push_back(cif.textBlock[cif.Offset(j)]);
        AppendText(block, lines, headers[j] + 1);
        block.push_back(0);
        if (block.size() > kLargestU32) throw cannotInsert("the text block would pass 4 GiB, the limit of its 32-bit length");
        cif.SetOffset(j, static_cast<std::uint32_t>(offset));
        ctx.MoveProgress(static_cast<int>(j * 100 / count));
    }
    return block;
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
    const std::string txtPath = TargetPathOf(ctx.ReplayLines[first]);
    if (!Exists(txtPath)) return first + 1;  // an item whose .txt is gone is passed over

    File& cifFile = ctx.SourceStream;
    CifTextFile cif = LoadCifTextFile(ctx, cifFile, HasCifLeadBytes(path));
    ctx.StartFile("Inserting text to " + std::string(FileNameOf(path)) + "...");
    ctx.report.PumpEvents();

    LineList lines;
    lines.LoadFromFile(txtPath);
    TrimTrailingSpaces(lines);
    std::vector<std::uint8_t> newText = BuildTextBlock(ctx, cif, lines, txtPath);
    RexorBlock(cif.offsetTable);
    RexorBlock(newText);
    RewriteCifTextFile(cifFile, cif.offsetTable, newText, ctx.Notes());

    ctx.report.AddResult("Inserted.");
    ctx.report.PumpEvents();
    return first + 1;
}

}  // namespace eit
