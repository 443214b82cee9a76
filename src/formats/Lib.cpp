#include "formats/Lib.h"

#include <cstdio>
#include <unordered_set>

#include "platform/BufferedWriter.h"
#include "platform/Error.h"
#include "platform/LittleEndian.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
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
    return "entry " + std::to_string(index) + " (" + std::string(name) + ")";
}

// Creates the item's file under its plain target name or, when a file or
// folder has that name, under the first numbered name that nothing has yet:
// an existing file is never overwritten. Sets `path` to the file created.
File CreateOutputFile(const std::string& typeFolder, const std::string& plain, const std::string& typeName,
                      std::string& path)
{
    File output;
    std::string name = plain;
    for (std::uint32_t counter = 0; !output.CreateNew(path = JoinPath(typeFolder, name)); ++counter) {
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
// could ever put back, it is refused too.
void CheckWholeDirectory(File& package)
{
    LibDirectoryReader directory(package);
    std::uint64_t itemBytes = 0;
    for (std::uint32_t i = 0; i < directory.EntryCount(); ++i) {
        const LibEntry entry = directory.Next();
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

    std::unordered_set<std::string> typeFolders;  // known to exist: one check per folder, not per item
    for (std::uint32_t i = 0; i < count; ++i) {
        if (i > 0 && ctx.StopRequested) throw RunStopped();
        LibEntry entry = directory.Next();
        const std::string itemName(StoredFileName(entry.name));
        std::string_view extension = ExtensionOf(itemName);
        const std::string typeName = UpperAscii(extension.empty() ? extension : extension.substr(1));
        const std::string typeFolder = JoinPath(ctx.TargetDir, typeName);
        if (typeFolders.insert(typeFolder).second && !Exists(typeFolder)) {
            CreateFolder(typeFolder);  // a failure shows when the item is created
        }

        ctx.report.CurrentMessage("Extracting " + itemName + " from " + packageName + "...");
        ctx.report.PumpEvents();

        std::string outputPath;
        File output = CreateOutputFile(typeFolder, PlainTargetName(stem, itemName), typeName, outputPath);
        FillNewFile(output, [&](File& out) {
            package.Seek(entry.offset);
            out.CopyFrom(package, entry.size);
        });
        ctx.TotalBytes += entry.size;

        ctx.report.Extracted("Extracted: " + std::to_string(i + 1) + " of " + std::to_string(count));
        ctx.MoveProgress(static_cast<int>(std::uint64_t{i} * 100 / count));
        ctx.report.AddResult("Item " + std::to_string(i) + " " + itemName + " extracted.");
        // The line names the file actually written, so replay puts back the fresh copy.
        AddTargetLine(ctx.OperationLog, outputPath);
    }
}

namespace {
struct DirectoryExtent {
    std::uint32_t count;
    std::uint64_t end;  // where the rebuilt data area starts
};

// Walks the directory and checks that the log holds a line for every entry.
DirectoryExtent CheckInsertion(RunContext& ctx, std::size_t first)
{
    LibDirectoryReader directory(ctx.SourceStream, false);
    const std::uint32_t count = directory.EntryCount();
    if (first + count > ctx.ReplayLines.Count()) throw ListIndexOutOfBounds(ctx.ReplayLines.Count());
    for (std::uint32_t i = 0; i < count; ++i) directory.Next();
    return {count, directory.Position()};
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

    const auto [count, directoryEnd] = CheckInsertion(ctx, first);
    RewriteAside aside(package, ctx.Notes());
    aside.Out().Seek(directoryEnd);
    BufferedWriter out(aside.Out());
    std::vector<std::uint32_t> sizes(count);
    std::uint64_t offset = directoryEnd;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string itemPath = TargetPathOf(ctx.ReplayLines[first + i]);
        const std::string itemName(FileNameOf(itemPath));
        ctx.report.CurrentMessage("Inserting " + itemName + " to " + packageName + "...");
        ctx.report.PumpEvents();
        File item(itemPath, OpenMode::Read);
        const std::uint64_t size = item.Size();
        if (offset > kLargestU32 || size > kLargestU32) {
            throw ToolError("Cannot insert " + itemPath + " into " + package.Path() +
                            ": the package would pass 4 GiB, the limit of its 32-bit offsets and sizes");
        }
        out.CopyFrom(item, size);
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

}  // namespace eit
