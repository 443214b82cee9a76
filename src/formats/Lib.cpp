#include "formats/Lib.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <unordered_set>

#include "platform/BufferedWriter.h"
#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "platform/LittleEndian.h"
#include "platform/FileSystem.h"
#include "platform/FolderHandles.h"
#include "platform/Paths.h"
#include "platform/Prefetch.h"
#include "platform/RangeCopier.h"
#include "platform/RewriteAside.h"
#include "run/LogLines.h"

namespace eit {

namespace {

ToolError Damaged(const File& package, const std::string& what)
{
    return ToolError("Damaged LIB package " + package.Path() + ": " + what);
}

std::string EntryLabel(std::uint32_t index, std::string_view name)
{
    return "entry " + std::to_string(index) + " (" + ShowLineBreaks(name) + ")";
}

// The type name of an item: its extension without the dot, in upper case.
std::string TypeNameOf(std::string_view itemFileName)
{
    std::string_view extension = ExtensionOf(itemFileName);
    return UpperAscii(extension.empty() ? extension : extension.substr(1));
}

// Creates the item's file under its plain target name or, when a file or
// folder has that name, under the first numbered name that nothing has yet:
// an existing file is never overwritten. Sets `path` to the file created.
File CreateOutputFile(const std::string& typeFolder, const std::string& plain, const std::string& typeName,
                      std::string& path)
{
    File output;
    std::string name = plain;
    for (std::uint32_t counter = 0; !output.CreateNew(path = JoinPath(typeFolder, name), false); ++counter) {
        if (counter > 0xFFFF) {
            throw ToolError("No free name left for " + plain + " in " + typeFolder + " (all 65536 numbered names are taken)");
        }
        name = NumberedTargetName(plain, static_cast<std::uint16_t>(counter), typeName);
    }
    return output;
}

// Walks the whole directory before any item is written, so a damaged entry
// anywhere refuses the package. Items may share their bytes, so a small
// package can name far more than it holds: past 4 GiB, more than insertion
// could ever put back, it is refused too. So is an item whose file name holds
// a line break: its "#Target: " line would split in two, and a replay would
// put items into the wrong entries.
void CheckWholeDirectory(File& package)
{
    LibDirectoryReader directory(package);
    std::uint64_t itemBytes = 0;
    for (std::uint32_t i = 0; i < directory.EntryCount(); ++i) {
        const LibEntry entry = directory.Next();
        if (HasLineBreak(StoredFileName(entry.name))) {
            throw ToolError("Cannot extract " + package.Path() + ": " + EntryLabel(i, entry.name) +
                            " has a line break in its name, which the operation log cannot hold");
        }
        itemBytes += entry.size;
        if (itemBytes > kLargestU32) {
            throw Damaged(package, EntryLabel(i, entry.name) + ": the items up to it come to " + std::to_string(itemBytes) +
                                       " bytes, past the 4 GiB a package can hold (do items overlap?)");
        }
    }
}

// How many "#Target:" lines follow `first`: the group of a package whose file was missing.
std::size_t CountTargetLines(const LineList& lines, std::size_t first)
{
    std::size_t count = 0;
    while (first + count < lines.Count() && FirstToken(lines[first + count]) == kTargetKeyword) ++count;
    return count;
}
}  // namespace

LibDirectoryReader::LibDirectoryReader(File& package, bool checkData)
    : package_(package), packageSize_(package.Size()), checkData_(checkData)
{
    if (packageSize_ < kLibHeaderSize) {
        throw Damaged(package, "the file is " + std::to_string(packageSize_) + " bytes long, too short for its header");
    }
    package.Seek(4);
    entryCount_ = package.ReadU32();
    if (entryCount_ * kLibEntryFixedSize > packageSize_ - kLibHeaderSize) {
        throw Damaged(package, "its entry count " + std::to_string(entryCount_) + " cannot fit in a file of " +
                                   std::to_string(packageSize_) + " bytes");
    }
}

LibEntry LibDirectoryReader::Next()
{
    LibEntry entry;
    std::uint32_t index = index_++;
    if (position_ + kLibEntryFixedSize > packageSize_) {
        throw Damaged(package_, "entry " + std::to_string(index) + " lies past the end of the file");
    }
    package_.Seek(position_);
    entry.nameLength = package_.ReadU16();
    if (position_ + kLibEntryFixedSize + entry.nameLength > packageSize_) {
        throw Damaged(package_, "the name of entry " + std::to_string(index) + " (" +
                                    std::to_string(entry.nameLength) + " bytes) reaches past the end of the file");
    }
    std::string raw(entry.nameLength, '\0');
    package_.Read(raw.data(), raw.size());
    entry.name = raw.substr(0, raw.find('\0'));
    entry.offset = package_.ReadU32();
    entry.size = package_.ReadU32();
    position_ = package_.Position();
    if (checkData_ && std::uint64_t{entry.offset} + entry.size > packageSize_) {
        throw Damaged(package_, EntryLabel(index, entry.name) + ": its " + std::to_string(entry.size) +
                                    " bytes at offset " + std::to_string(entry.offset) +
                                    " reach past the end of the file (" + std::to_string(packageSize_) + " bytes)");
    }
    return entry;
}

std::string PackageStem(std::string_view packageFileName)
{
    std::size_t dot = packageFileName.find('.');
    return dot == std::string_view::npos ? std::string() : std::string(packageFileName.substr(0, dot));
}

std::string PlainTargetName(std::string_view packageStem, std::string_view itemFileName)
{
    return std::string(packageStem) + "_" + std::string(itemFileName);
}

std::string NumberedTargetName(std::string_view plainTargetName, std::uint16_t counter, std::string_view typeName)
{
    char number[8];
    std::snprintf(number, sizeof number, "%04X", static_cast<unsigned>(counter));
    std::string_view head = plainTargetName.substr(0, plainTargetName.find('.'));
    return std::string(head) + "_" + number + "." + LowerAscii(typeName);
}

// Items are created here, in order (the first of two items of one name gets
// the plain name), while a second thread copies their bytes; an item is
// reported extracted once its copy is complete.
void ExtractLib(RunContext& ctx, const std::string& path)
{
    File package(path, OpenMode::Read);
    CheckWholeDirectory(package);
    LibDirectoryReader directory(package);
    const std::string packageName(FileNameOf(path));
    const std::string stem = PackageStem(packageName);
    const std::uint32_t count = directory.EntryCount();

    ctx.StartFile("Processing " + packageName + "...");
    ctx.report.Extracted("Extracted: 0");

    // The items' bytes are read through handles of the copier's own, so that
    // their read-ahead and the directory walk's do not displace each other.
    RangeCopier copier(package);
    std::deque<std::string> copying;  // the results lines of items not yet copied
    std::uint32_t reported = 0;
    auto reportCopied = [&](std::size_t copied) {
        for (; reported < copied; ++reported) {
            ctx.report.Extracted("Extracted: " + std::to_string(reported + 1) + " of " + std::to_string(count));
            ctx.MoveProgress(static_cast<int>(std::uint64_t{reported} * 100 / count));
            ctx.report.AddResult(copying.front());
            copying.pop_front();
        }
    };
    std::unordered_set<std::string> typeFolders;  // known to exist: one check per folder, not per item
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i > 0 && ctx.StopRequested) {
            copier.Finish();
            reportCopied(i);
            throw RunStopped();
        }
        LibEntry entry = directory.Next();
        const std::string itemName(StoredFileName(entry.name));
        const std::string typeName = TypeNameOf(itemName);
        const std::string typeFolder = JoinPath(ctx.settings.TargetDir, typeName);
        if (typeFolders.insert(typeFolder).second && !Exists(typeFolder)) {
            CreateFolder(typeFolder);  // a failure shows when the item is created
        }

        ctx.report.CurrentMessage("Extracting " + itemName + " from " + packageName + "...");
        ctx.report.PumpEvents();

        std::string outputPath;
        copier.Copy(CreateOutputFile(typeFolder, PlainTargetName(stem, itemName), typeName, outputPath), entry.offset,
                    entry.size);
        ctx.TotalBytes += entry.size;
        copying.push_back("Item " + std::to_string(i) + " " + itemName + " extracted.");
        // The line names the file actually written, so replay puts back the fresh copy.
        AddTargetLine(ctx.OperationLog, outputPath);
        reportCopied(copier.Completed());
    }
    copier.Finish();
    reportCopied(count);
}

namespace {
struct DirectoryExtent {
    std::uint32_t count;
    std::uint64_t end;  // where the rebuilt data area starts
};

// Whether an item file has a name that extraction gives the entry: its plain
// target name, or a numbered one.
bool NameComesFromEntry(std::string_view fileName, std::string_view stem, std::string_view entryName)
{
    const std::string itemName(StoredFileName(entryName));
    const std::string plain = PlainTargetName(stem, itemName);
    if (fileName == plain) return true;
    const std::string head = plain.substr(0, plain.find('.')) + "_";
    std::string tail(1, '.');  // built by appending: GCC 12 at -O3 warns wrongly of "." + string
    tail += LowerAscii(TypeNameOf(itemName));
    if (fileName.size() != head.size() + 4 + tail.size() || !fileName.starts_with(head) || !fileName.ends_with(tail)) {
        return false;
    }
    const std::string_view counter = fileName.substr(head.size(), 4);
    return std::all_of(counter.begin(), counter.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); });
}

using WarningSink = std::function<void(std::string_view line)>;

// Walks the directory; refuses a group whose "#Target:" lines do not match
// the package's entries one for one (the package changed since extraction,
// or the log was cut short), and warns of every target whose name does not
// come from its entry's name.
DirectoryExtent CheckInsertion(RunContext& ctx, const std::string& path, std::size_t first, const WarningSink& warn)
{
    LibDirectoryReader directory(ctx.SourceStream, false);
    const std::uint32_t count = directory.EntryCount();
    const std::size_t lines = CountTargetLines(ctx.ReplayLines, first);
    if (lines != count) {
        std::string why = "Cannot insert into " + ctx.SourceStream.Path() + ": the package has " + std::to_string(count) +
                          (count == 1 ? " entry" : " entries") + ", but " + ctx.GroupLabel(path, first) + " has " +
                          std::to_string(lines) + " \"#Target: \" line" + (lines == 1 ? "" : "s") +
                          " (has the package changed since it was extracted?)";
        if (first + count > ctx.ReplayLines.Count()) {
            why = std::string(ListIndexOutOfBounds(ctx.ReplayLines.Count()).what()) + ": " + why;
        }
        throw ToolError(why);
    }
    const std::string packageName(FileNameOf(path));
    const std::string stem = PackageStem(packageName);
    for (std::uint32_t i = 0; i < count; ++i) {
        const LibEntry entry = directory.Next();
        const std::string target = ctx.TargetLinePath(first + i);
        if (!NameComesFromEntry(FileNameOf(target), stem, entry.name)) {
            warn("Warning: " + EntryLabel(i, entry.name) + " of " + packageName + " gets " + target +
                 ", whose name does not come from the entry's name.");
        }
    }
    return {count, directory.Position()};
}

// Refuses an item that would put the package past its 32-bit offsets and sizes.
void CheckItemFits(const File& package, const std::string& itemPath, std::uint64_t offset, std::uint64_t size)
{
    if (offset > kLargestU32 || size > kLargestU32) {
        throw ToolError("Cannot insert " + itemPath + " into " + package.Path() +
                        ": the package would pass 4 GiB, the limit of its 32-bit offsets and sizes");
    }
}

// Two pieces of bytes to compare, allocated once for a whole package.
struct ComparePieces {
    std::vector<char> inPackage = std::vector<char>(File::kCopyPiece);
    std::vector<char> inItem = std::vector<char>(File::kCopyPiece);
};

// Whether an entry's bytes in the package are the item file's, compared
// piece by piece; an entry whose bytes lie outside the package differs.
bool HoldsItem(File& package, const LibEntry& entry, File& item, ComparePieces& pieces)
{
    if (item.Size() != entry.size || std::uint64_t{entry.offset} + entry.size > package.Size()) return false;
    auto& [inPackage, inItem] = pieces;
    package.Seek(entry.offset);
    item.Seek(0);
    for (std::uint64_t left = entry.size; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, File::kCopyPiece));
        package.ReadUncached(inPackage.data(), n);
        item.ReadUncached(inItem.data(), n);
        if (std::memcmp(inPackage.data(), inItem.data(), n) != 0) return false;
        left -= n;
    }
    return true;
}

// An item file opened for insertion; a small item is read whole at once and
// its file closed, so reading many ahead holds few handles.
struct OpenedItem {
    File file;
    std::string bytes;
    std::uint64_t size = 0;
};

OpenedItem OpenItem(const std::string& path, FolderHandles& folders)
{
    constexpr std::uint64_t kReadWhole = 16384;  // a small item: read whole, its handle closed at once
    OpenedItem item;
    item.file.Open(path, OpenMode::ReadUnlocked, &folders);
    item.size = item.file.Size();
    if (item.size <= kReadWhole) {
        item.bytes.resize(static_cast<std::size_t>(item.size));
        item.file.ReadUncached(item.bytes.data(), item.bytes.size());
        item.file.Close();
    }
    return item;
}

// Writes the header and the directory with the new offsets and sizes.
void WriteDirectory(File& package, BufferedWriter& out, std::uint64_t directoryEnd, const std::vector<std::uint32_t>& sizes)
{
    package.Seek(0);
    out.CopyFrom(package, kLibHeaderSize);
    std::uint64_t offset = directoryEnd;
    LibDirectoryReader directory(package, false);
    for (std::uint32_t i = 0; i < directory.EntryCount(); ++i) {
        std::uint64_t start = directory.Position();
        std::uint16_t nameLength = directory.Next().nameLength;
        package.Seek(start);
        std::string entry(2u + nameLength, '\0');
        package.Read(entry.data(), entry.size());  // the name exactly as stored, zero bytes included
        for (std::uint64_t value : {offset, std::uint64_t{sizes[i]}}) {
            for (int shift = 0; shift < 32; shift += 8) entry += static_cast<char>((value >> shift) & 0xFF);
        }
        out.Write(entry);
        offset += sizes[i];
    }
}
}  // namespace

// The new package is built aside, its data area first and its directory last,
// and swapped in only when whole: whatever fails (too few lines, an item
// file that does not open, offsets past 32 bits, a failed write), the package
// stays byte-identical.
std::size_t InsertLib(RunContext& ctx, const std::string& path, std::size_t first)
{
    const std::string packageName(FileNameOf(path));
    if (!ctx.SourceStream.IsOpen()) {
        ctx.report.AddResult(SourceMissingLine(path));
        return first + CountTargetLines(ctx.ReplayLines, first);
    }
    File& package = ctx.SourceStream;
    ctx.StartFile("Processing " + packageName + "...");

    const auto [count, directoryEnd] = CheckInsertion(ctx, path, first, [&](std::string_view line) { ctx.report.Warning(line); });
    RewriteAside aside(package, ctx.Notes());
    aside.Out().Seek(directoryEnd);
    BufferedWriter out(aside.Out());
    std::vector<std::uint32_t> sizes(count);
    std::uint64_t offset = directoryEnd;
    FolderHandles folders;
    Prefetch<OpenedItem> items(count, [&](std::size_t i) { return OpenItem(ctx.TargetLinePath(first + i), folders); });
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string itemPath = ctx.TargetLinePath(first + i);
        const std::string itemName(FileNameOf(itemPath));
        ctx.report.CurrentMessage("Inserting " + itemName + " to " + packageName + "...");
        ctx.report.PumpEvents();
        OpenedItem item = items.Take();
        const std::uint64_t size = item.size;
        CheckItemFits(package, itemPath, offset, size);
        if (item.file.IsOpen()) {
            out.CopyFrom(item.file, size);
        } else {
            out.Write(item.bytes);
        }
        sizes[i] = static_cast<std::uint32_t>(size);
        offset += size;
        ctx.MoveProgress(static_cast<int>(std::uint64_t{i} * 100 / count));
        ctx.report.AddResult("Item " + itemName + " inserted.");
    }
    out.Flush();
    aside.Out().Seek(0);
    WriteDirectory(package, out, directoryEnd, sizes);
    out.Flush();
    aside.Commit();
    return first + count;
}

// Everything InsertLib checks, and that every item file can be read, without
// a write; item data is only read when the check reports what differs.
std::size_t CheckLib(RunContext& ctx, const std::string& path, std::size_t first, GroupCheck& check)
{
    if (!ctx.SourceStream.IsOpen()) {
        check.summary = "not found, skipped";
        return first + CountTargetLines(ctx.ReplayLines, first);
    }
    File& package = ctx.SourceStream;
    const WarningSink warn = [&](std::string_view line) {
        if (check.report) ctx.report.Warning(line);
    };
    const auto [count, directoryEnd] = CheckInsertion(ctx, path, first, warn);
    LibDirectoryReader directory(package, false);
    std::uint64_t offset = directoryEnd;
    std::uint32_t differ = 0, unknown = 0, unreadable = 0;
    std::string firstError;
    ComparePieces pieces;
    // One look at each item file tells most of what the check needs; an item
    // is opened only when that look leaves a doubt, or to compare its bytes.
    FolderHandles folders;
    Prefetch<std::optional<FileFacts>> looks(count, [&](std::size_t i) { return LookAt(ctx.TargetLinePath(first + i), &folders); });
    for (std::uint32_t i = 0; i < count; ++i) {
        const LibEntry entry = directory.Next();
        const std::string itemPath = ctx.TargetLinePath(first + i);
        const std::optional<FileFacts> facts = looks.Take();
        const bool final = check.IsFinal(itemPath, facts ? std::optional(facts->id) : std::nullopt);
        File item;
        if (!facts || !facts->readable || (final && check.report)) {
            try {
                item.Open(itemPath, OpenMode::ReadUnlocked, &folders);  // it exists, is a regular file and can be read
            } catch (const ToolError& e) {
                if (!check.report) throw;
                // Reported: every item file that is missing or cannot be read is named, not just the first.
                ctx.report.AddResult(package.Path() + ": " + (Exists(itemPath) ? "cannot read " : "missing ") + itemPath);
                if (unreadable++ == 0) firstError = e.what();
                continue;
            }
        }
        if (!final) {
            ++unknown;  // its size and bytes are known only once the earlier group has rewritten it
            continue;
        }
        const std::uint64_t size = item.IsOpen() ? item.Size() : facts->size;
        CheckItemFits(package, itemPath, offset, size);
        offset += size;
        if (check.report && !HoldsItem(package, entry, item, pieces)) ++differ;
        ctx.MoveProgress(static_cast<int>(std::uint64_t{i} * 100 / count));
    }
    if (unreadable == 1) throw ToolError(firstError);
    if (unreadable > 1) {
        const std::uint32_t more = unreadable - 1;
        throw ToolError(firstError + " (and " + std::to_string(more) + (more == 1 ? " more item file)" : " more item files)"));
    }
    check.rewrites = true;
    check.summary = DifferenceSummary(count, "item", "items", differ);
    if (unknown > 0) check.summary += ", " + std::to_string(unknown) + " rewritten first by an earlier group";
    return first + count;
}

}  // namespace eit
