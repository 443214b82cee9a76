#include "formathandlers/CifText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "main/Replay.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/RewriteAside.h"

namespace eit {

namespace {
constexpr std::uint64_t kMaxOffset = 0xFFFFFFFFull;
constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

ToolError Damaged(const File& file, const std::string& what)
{
    return ToolError("Damaged CIF text file " + file.Path() + ": " + what);
}

// Reads a u32 length at the file's position and the block it announces.
std::vector<std::uint8_t> ReadBlock(File& file, std::uint64_t fileSize, const std::string& blockName)
{
    const std::uint64_t at = file.Position();
    if (at + 4 > fileSize) {
        throw Damaged(file, "the file (" + std::to_string(fileSize) + " bytes) ends before the length of its " + blockName);
    }
    const std::uint64_t length = file.ReadU32();
    if (length > fileSize - at - 4) {
        throw Damaged(file, "its " + blockName + " of " + std::to_string(length) + " bytes reaches past the end of the file (" +
                                std::to_string(fileSize) + " bytes)");
    }
    return file.ReadBytes(static_cast<std::size_t>(length));
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

// Sets the file's progress bar to 0 of 100 and lets the window catch up.
void StartProgress(RunContext& ctx)
{
    ctx.SetProgress(0);
    ctx.SetProgressMax(100);
    ctx.report.PumpEvents();
}

}  // namespace

std::uint32_t CifTextFile::Offset(std::size_t entry) const
{
    const std::uint8_t* at = offsetTable.data() + entry * kCifEntrySize;
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

void CifTextFile::SetOffset(std::size_t entry, std::uint32_t offset)
{
    std::uint8_t* at = offsetTable.data() + entry * kCifEntrySize;
    for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(offset >> (8 * i));
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
    file.Seek(kCifTableLengthAt);
    cif.offsetTable = ReadBlock(file, fileSize, "offset table");
    file.Skip(kCifFillerSize);
    cif.textBlock = ReadBlock(file, fileSize, "text block");

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

    ctx.report.CurrentMessage("Extracting text from " + name + "...");
    StartProgress(ctx);
    const std::size_t count = cif.EntryCount();
    const std::string countText = std::to_string(count);
    std::string txt;
    txt.reserve(cif.textBlock.size() + count * 32);
    for (std::size_t i = 0; i < count; ++i) {
        txt += CifEntryHeader(i);
        txt += "\r\n";
        txt += cif.Text(i);
        txt += "\r\n";
        txt += kCifEndMarker;
        txt += "\r\n\r\n";
        ctx.MoveProgress(static_cast<int>(i * 100 / count));
        ctx.report.Extracted("Extarcted: " + std::to_string(i + 1) + " of " + countText);
    }

    const std::string txtName = ReplaceExtension(name, ".txt");
    const std::string txtPath = JoinPath(ctx.TargetDir, txtName);
    ctx.report.AddResult(txtName + " was extracted.");
    ctx.report.PumpEvents();
    ctx.OperationLog.Add("#Target: " + txtPath);
    CreateWholeFile(txtPath, [&](File& out) { out.Write(txt.data(), txt.size()); });
    ctx.TotalBytes += txt.size();
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
        if (block.size() > kMaxOffset) throw cannotInsert("the text block would pass 4 GiB, the limit of its 32-bit length");
        cif.SetOffset(j, static_cast<std::uint32_t>(offset));
        ctx.MoveProgress(static_cast<int>(j * 100 / count));
    }
    return block;
}

// Keeps header and tableLength, then writes the new blocks, all through a file
// built aside: whatever fails, the CIF file stays byte-identical.
void RewriteCifTextFile(File& file, const std::vector<std::uint8_t>& table, const std::vector<std::uint8_t>& text)
{
    RewriteAside aside(file);
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
    ctx.report.CurrentMessage("Inserting text to " + std::string(FileNameOf(path)) + "...");
    StartProgress(ctx);

    LineList lines;
    lines.LoadFromFile(txtPath);
    TrimTrailingSpaces(lines);
    std::vector<std::uint8_t> newText = BuildTextBlock(ctx, cif, lines, txtPath);
    RexorBlock(cif.offsetTable);
    RexorBlock(newText);
    RewriteCifTextFile(cifFile, cif.offsetTable, newText);

    ctx.report.AddResult("Inserted.");
    ctx.report.PumpEvents();
    return first + 1;
}

}  // namespace eit
