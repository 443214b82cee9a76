#include "formats/Lib.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <thread>
#include <unordered_set>
#include <vector>

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

// Two pieces of bytes to compare, allocated once for a whole package: large
// enough that most items take one read on each side.
struct ComparePieces {
    static constexpr std::size_t kSize = 262144;
    std::vector<char> inPackage = std::vector<char>(kSize);
    std::vector<char> inItem = std::vector<char>(kSize);
};

// Whether the next `size` bytes of the two files, from their positions on,
// are the same, compared piece by piece; both positions move.
bool SamePieces(File& package, File& item, std::uint64_t size, ComparePieces& pieces)
{
    auto& [inPackage, inItem] = pieces;
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, ComparePieces::kSize));
        package.ReadUncached(inPackage.data(), n);
        item.ReadUncached(inItem.data(), n);
        if (std::memcmp(inPackage.data(), inItem.data(), n) != 0) return false;
        left -= n;
    }
    return true;
}

// Whether an entry's bytes in the package are the item file's; an entry
// whose bytes lie outside the package differs.
bool HoldsItem(File& package, const LibEntry& entry, File& item, ComparePieces& pieces)
{
    if (item.Size() != entry.size || std::uint64_t{entry.offset} + entry.size > package.Size()) return false;
    package.Seek(entry.offset);
    item.Seek(0);
    return SamePieces(package, item, entry.size, pieces);
}

// An item file opened for insertion; a small item is read whole at once and
// its file closed, so reading many ahead holds few handles.
struct OpenedItem {
    File file;
    std::string bytes;
    std::uint64_t size = 0;
    FileId id;
};

OpenedItem OpenItem(const std::string& path, FolderHandles& folders)
{
    constexpr std::uint64_t kReadWhole = 16384;  // a small item: read whole, its handle closed at once
    OpenedItem item;
    item.file.Open(path, OpenMode::ReadUnlocked, &folders);
    item.size = item.file.Size();
    item.id = item.file.Stamp().id;
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

// Whether the package holds the item in place: as the entry at `offset`, the
// next bytes of `data` (a handle on the package at that offset), as a rebuild
// would put it. Both positions move.
bool HoldsInPlace(const LibEntry& entry, std::uint64_t offset, std::uint64_t packageSize, File& data, OpenedItem& item,
                  ComparePieces& pieces)
{
    if (entry.offset != offset || entry.size != item.size || offset + item.size > packageSize) return false;
    if (item.file.IsOpen()) return SamePieces(data, item.file, item.size, pieces);
    data.Read(pieces.inPackage.data(), item.bytes.size());  // a small item: through the read-ahead
    return std::memcmp(pieces.inPackage.data(), item.bytes.data(), item.bytes.size()) == 0;
}

// The package rebuilt beside the one open, from its first item that changes
// on. Everything before that item is copied over at once, inside the kernel
// where it can (cloned where the file system shares extents): the items that
// stay, and the header and directory, which are written anew at the end.
class PackageRebuild {
public:
    PackageRebuild(RunContext& ctx, File& package, File& data, std::uint64_t directoryEnd, std::uint64_t kept)
        : aside_(package, ctx.Notes()), out_(aside_.Out())
    {
        if (kept > directoryEnd) {
            data.Seek(0);
            aside_.Out().CloneFrom(data, kept);
        } else {
            aside_.Out().Seek(directoryEnd);
        }
    }
    void Append(OpenedItem& item)
    {
        if (!item.file.IsOpen()) return out_.Write(item.bytes);
        item.file.Seek(0);  // its comparison may have read part of it
        out_.CopyFrom(item.file, item.size);
    }
    void Finish(File& package, std::uint64_t directoryEnd, const std::vector<std::uint32_t>& sizes)
    {
        out_.Flush();
        aside_.Out().Seek(0);
        WriteDirectory(package, out_, directoryEnd, sizes);
        out_.Flush();
        aside_.Commit();
    }

private:
    RewriteAside aside_;
    BufferedWriter out_;
};

// What the check before this replay compared of the package open as
// SourceStream, when it is still the file compared then.
std::optional<ComparedSource> TakeCompared(RunContext& ctx, std::size_t first)
{
    auto compared = ctx.Compared.extract({ctx.ReplayLogPath, first});
    if (compared.empty() || !(compared.mapped().stamp == ctx.SourceStream.Stamp())) return std::nullopt;
    return compared.mapped();
}
}  // namespace

// The items are compared with the package as they are taken, unless the check
// before the replay compared them already: a package that holds them all in
// place, and nothing more, is up to date and left as it is, unwritten. From
// the first item that differs on, the new package is built aside, its
// directory last, and swapped in only when whole: whatever fails (too few
// lines, an item file that does not open, offsets past 32 bits, a failed
// write), the package stays byte-identical.
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
    const std::optional<ComparedSource> compared = TakeCompared(ctx, first);
    const std::uint32_t known = compared ? compared->items : 0;  // in place: neither opened nor compared again
    const std::uint64_t packageSize = package.Size();
    // The data area is read through a handle of its own, so that the
    // directory walk keeps its read-ahead.
    File data = package.Duplicate();
    data.Seek(directoryEnd);
    LibDirectoryReader directory(package, false);
    std::optional<PackageRebuild> rebuild;
    ComparePieces pieces;
    std::vector<std::uint32_t> sizes(count);
    std::uint64_t offset = directoryEnd;
    FolderHandles folders;
    Prefetch<OpenedItem> items(count - known, [&](std::size_t i) { return OpenItem(ctx.TargetLinePath(first + known + i), folders); });
    for (std::uint32_t i = 0; i < count; ++i) {
        const LibEntry entry = directory.Next();
        const std::string itemPath = ctx.TargetLinePath(first + i);
        const std::string itemName(FileNameOf(itemPath));
        ctx.report.CurrentMessage("Inserting " + itemName + " to " + packageName + "...");
        ctx.report.PumpEvents();
        std::uint64_t size = entry.size;
        if (i >= known) {
            OpenedItem item = items.Take();
            size = item.size;
            CheckItemFits(package, itemPath, offset, size);
            if (!rebuild && (compared || !HoldsInPlace(entry, offset, packageSize, data, item, pieces))) {
                rebuild.emplace(ctx, package, data, directoryEnd, offset);
            }
            if (rebuild) rebuild->Append(item);
        }
        sizes[i] = static_cast<std::uint32_t>(size);
        offset += size;
        ctx.MoveProgress(static_cast<int>(std::uint64_t{i} * 100 / count));
        ctx.report.AddResult("Item " + itemName + " inserted.");
    }
    if (!rebuild && offset == packageSize) {
        ctx.report.AddResult(UpToDateLine(packageName));
        return first + count;
    }
    if (!rebuild) rebuild.emplace(ctx, package, data, directoryEnd, offset);  // only bytes after the last item go
    data.Close();
    rebuild->Finish(package, directoryEnd, sizes);
    return first + count;
}

namespace {
// An item file as the check sees it: opened (a small one read) while the
// package may still hold every item in place, else only looked at.
struct SeenItem {
    std::optional<FileFacts> facts;
    std::optional<OpenedItem> opened;
};

// Where the package's file system cannot clone, the items before the first
// that changed are copied like the others: one item that differs is all the
// rebuild needs to know. Beside the comparison in order, a thread looks for
// one among the items edited since the package and its log were last written,
// the likely ones, and ends that comparison when it finds one. Whether the
// package changes is still settled by bytes alone, never by times.
std::jthread SearchEditedItem(RunContext& ctx, const File& package, std::size_t first, std::uint32_t count,
                              std::uint64_t directoryEnd, std::atomic<bool>& comparing)
{
    constexpr std::uint64_t kLargeItem = 4096;  // below, looking at an item costs about what comparing it does
    if (count == 0 || package.MayShareExtents() || (package.Size() - directoryEnd) / count < kLargeItem) return {};
    const std::int64_t since = std::max(package.Stamp().modified,
                                        ModifiedAt(ctx.ReplayLogPath).value_or(std::numeric_limits<std::int64_t>::max()));
    return std::jthread([&ctx, &comparing, first, count, since, walked = package.Duplicate(),
                         data = package.Duplicate()](std::stop_token stop) mutable {
        try {
            FolderHandles folders;
            LibDirectoryReader directory(walked, false);
            ComparePieces pieces;
            std::uint32_t edited = 0;
            for (std::uint32_t i = 0; i < count && comparing && !stop.stop_requested(); ++i) {
                const LibEntry entry = directory.Next();
                const std::string itemPath = ctx.TargetLinePath(first + i);
                const std::optional<std::int64_t> modified = ModifiedAt(itemPath, &folders);
                if (!modified || *modified <= since) continue;
                if (++edited > count / 8) return;  // with many edited, the comparison in order soon meets one
                File item;
                try {
                    item.Open(itemPath, OpenMode::ReadUnlocked, &folders);
                } catch (const ToolError&) {
                    continue;  // the check itself tells
                }
                if (!HoldsItem(data, entry, item, pieces)) comparing = false;
            }
        } catch (const ToolError&) {
            // A damaged entry or a failed read: the check itself meets it and tells.
        }
    });
}
}  // namespace

// Everything InsertLib checks, and that every item file can be read, without
// a write. Before a replay, the items are compared with the package for as
// long as it may hold them all in place, and the replay is told what was
// found: it need not read those bytes again. A reported check compares every
// item, to say what differs.
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
    const std::uint64_t packageSize = package.Size();
    File data = package.Duplicate();  // read in step with the items compared in place
    data.Seek(directoryEnd);
    std::uint64_t offset = directoryEnd;
    std::uint32_t differ = 0, unknown = 0, unreadable = 0;
    bool inPlace = true;  // every entry where a rebuild would put it
    const bool telling = !check.report && !check.SourceRewrittenEarlier();
    std::atomic<bool> comparing = telling;
    const std::jthread search = telling ? SearchEditedItem(ctx, package, first, count, directoryEnd, comparing) : std::jthread();
    std::uint32_t held = 0;  // the first items found in place, byte for byte
    std::string firstError;
    ComparePieces pieces;
    // One look at each item file tells most of what the check needs; an item
    // is opened only when that look leaves a doubt, or to compare its bytes.
    FolderHandles folders;
    Prefetch<SeenItem> looks(count, [&](std::size_t i) {
        const std::string itemPath = ctx.TargetLinePath(first + i);
        if (!comparing) return SeenItem{LookAt(itemPath, &folders), std::nullopt};
        try {
            OpenedItem item = OpenItem(itemPath, folders);
            const FileFacts facts{item.id, item.size, true};
            return SeenItem{facts, std::move(item)};
        } catch (const ToolError&) {
            // Looked at instead, so the item's identity still tells (a package
            // named as its own item cannot be opened twice on Windows); opened
            // again below, which raises its error.
            return SeenItem{LookAt(itemPath, &folders), std::nullopt};
        }
    });
    for (std::uint32_t i = 0; i < count; ++i) {
        const LibEntry entry = directory.Next();
        const std::string itemPath = ctx.TargetLinePath(first + i);
        SeenItem seen = looks.Take();
        const std::optional<FileFacts>& facts = seen.facts;
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
            comparing = false;
            continue;
        }
        const std::uint64_t size = item.IsOpen() ? item.Size() : facts->size;
        CheckItemFits(package, itemPath, offset, size);
        inPlace = inPlace && entry.offset == offset && entry.size == size;
        if (comparing) {
            if (seen.opened && HoldsInPlace(entry, offset, packageSize, data, *seen.opened, pieces)) ++held;
            else comparing = false;
        }
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
    if (check.report) {
        check.upToDate = differ == 0 && unknown == 0 && inPlace && offset == packageSize;
    } else if (telling && unknown == 0) {
        check.upToDate = held == count && offset == packageSize;
        ctx.Compared[{ctx.ReplayLogPath, first}] = {package.Stamp(), held, check.upToDate};
    }
    return first + count;
}

}  // namespace eit
