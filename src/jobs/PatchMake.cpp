#include <map>
#include <optional>
#include <vector>

#include "formats/Formats.h"
#include "formats/LibLayout.h"
#include "jobs/Patch.h"
#include "jobs/PatchFiles.h"
#include "platform/Error.h"
#include "platform/Sha256.h"
#include "platform/Words.h"

namespace eit {

namespace {

using patch::HostPathIn;

// The patch being made: its manifest and the folder its contents go to.
class PatchWriter {
public:
    explicit PatchWriter(const std::string& output) : data_(JoinPath(output, kPatchDataFolder)) {}

    // Carries `size` bytes of `source` from `offset`, whose checksum is `sha`.
    void Carry(File& source, std::uint64_t offset, std::uint64_t size, const std::string& sha)
    {
        if (!madeData_ && !CreateFolders(data_)) throw CannotCreateFile(data_, "the folder cannot be made");
        madeData_ = true;
        if (patch::WriteContents(JoinPath(data_, sha), source, offset, size)) carried += size;
    }

    std::uint64_t carried = 0;

private:
    std::string data_;
    bool madeData_ = false;  // made on the first carry, so that no patch made leaves no folder
};

// A whole file of both folders: nothing when the contents are the same.
std::optional<PatchFile> CompareWhole(PatchWriter& writer, const std::string& path, File& original, File& modified)
{
    const std::string was = Sha256OfRange(original, 0, original.Size());
    const std::string becomes = Sha256OfRange(modified, 0, modified.Size());
    if (was == becomes) return std::nullopt;
    writer.Carry(modified, 0, modified.Size(), becomes);
    return PatchFile{FileChange::Change, path, was, becomes, {}};
}

// Pairs the two directories' entries by name in order: an original entry
// whose name comes later in the modified directory marks the entries before
// it there as added; one whose name does not come again was removed.
// Returns, in the merged order, pairs of (original index, modified index).
std::vector<std::pair<std::optional<std::size_t>, std::optional<std::size_t>>> AlignNames(const std::vector<std::string>& original,
                                                                                          const std::vector<std::string>& modified)
{
    std::map<std::string, std::vector<std::size_t>> placesInModified;
    for (std::size_t j = 0; j < modified.size(); ++j) placesInModified[modified[j]].push_back(j);
    auto comesAtOrAfter = [&](const std::string& name, std::size_t j) {
        auto places = placesInModified.find(name);
        return places != placesInModified.end() && places->second.back() >= j;
    };
    std::vector<std::pair<std::optional<std::size_t>, std::optional<std::size_t>>> merged;
    std::size_t i = 0, j = 0;
    while (i < original.size() || j < modified.size()) {
        if (i < original.size() && j < modified.size() && original[i] == modified[j]) {
            merged.emplace_back(i++, j++);
        } else if (j < modified.size() && (i == original.size() || comesAtOrAfter(original[i], j))) {
            merged.emplace_back(std::nullopt, j++);
        } else {
            merged.emplace_back(i++, std::nullopt);
        }
    }
    return merged;
}

// A package of both folders, item by item. It falls back to the whole file
// when either package is damaged, their leading bytes differ, or the
// modified one is not packed (a rebuild could not give its bytes).
std::optional<PatchFile> ComparePackage(PatchWriter& writer, const std::string& path, File& original, File& modified)
{
    LibLayout was, becomes;
    try {
        was = ReadLibLayout(original);
        becomes = ReadLibLayout(modified);
    } catch (const ToolError&) {
        return CompareWhole(writer, path, original, modified);
    }
    if (was.lead != becomes.lead || !becomes.packed) return CompareWhole(writer, path, original, modified);

    const std::vector<std::string> wasNames = was.Names(), becomesNames = becomes.Names();
    PatchFile package{FileChange::Package, path, DirectoryNamesSha(wasNames), DirectoryNamesSha(becomesNames), {}};
    bool changed = !was.packed;
    for (const auto& [i, j] : AlignNames(wasNames, becomesNames)) {
        PatchItem item;
        if (i) item.was = Sha256OfRange(original, was.entries[*i].offset, was.entries[*i].size);
        if (j) {
            const LibLayout::Entry& entry = becomes.entries[*j];
            const std::string sha = Sha256OfRange(modified, entry.offset, entry.size);
            if (sha != item.was) {
                item.becomes = sha;
                writer.Carry(modified, entry.offset, entry.size, sha);
            }
        }
        item.change = !i ? ItemChange::Add : !j ? ItemChange::Remove : item.becomes.empty() ? ItemChange::Keep : ItemChange::Replace;
        item.name = i ? was.entries[*i].name : becomes.entries[*j].name;
        changed = changed || item.change != ItemChange::Keep;
        package.items.push_back(std::move(item));
    }
    if (!changed) return std::nullopt;
    return package;
}

std::string ItemSummary(const PatchFile& package)
{
    std::size_t replaced = 0, added = 0, removed = 0;
    for (const PatchItem& item : package.items) {
        replaced += item.change == ItemChange::Replace;
        added += item.change == ItemChange::Add;
        removed += item.change == ItemChange::Remove;
    }
    return Counted(replaced, "item", "items") + " replaced, " + std::to_string(added) + " added, " + std::to_string(removed) + " removed";
}

// What differs in one relative path of the two folders.
std::optional<PatchFile> Compare(PatchWriter& writer, const MakePatchSettings& settings, const std::string& path, bool inOriginal,
                                 bool inModified)
{
    std::optional<File> original, modified;
    if (inOriginal) original.emplace(HostPathIn(settings.original, path), OpenMode::Read);
    if (inModified) modified.emplace(HostPathIn(settings.modified, path), OpenMode::Read);
    if (!original) {
        const std::string sha = Sha256OfRange(*modified, 0, modified->Size());
        writer.Carry(*modified, 0, modified->Size(), sha);
        return PatchFile{FileChange::Add, path, {}, sha, {}};
    }
    if (!modified) return PatchFile{FileChange::Delete, path, Sha256OfRange(*original, 0, original->Size()), {}, {}};
    if (KindOfFile(path) == JobKind::ExtractLib) return ComparePackage(writer, path, *original, *modified);
    return CompareWhole(writer, path, *original, *modified);
}

void CheckFolders(const MakePatchSettings& settings)
{
    for (const std::string* folder : {&settings.original, &settings.modified}) {
        if (!IsFolder(*folder)) throw CannotOpenFile(*folder, "it is not a folder");
    }
    if (Exists(settings.output) && (!IsFolder(settings.output) || !FilesBelow(settings.output).empty())) {
        throw CannotCreateFile(settings.output, "a patch is made in a new or empty folder");
    }
    const std::string output = AbsolutePath(settings.output) + kPathSeparator;
    for (const std::string* folder : {&settings.original, &settings.modified}) {
        const std::string inside = AbsolutePath(*folder) + kPathSeparator;
        if (output.starts_with(inside) || inside.starts_with(output)) {
            throw CannotCreateFile(settings.output, "the patch folder and " + *folder + " cannot lie one inside the other");
        }
    }
}

// The files below a game folder, without the folder of applied patches.
std::vector<std::string> GameFiles(Reporter& report, const std::string& folder)
{
    std::vector<std::string> passedOver;
    std::vector<std::string> files = FilesBelow(folder, &passedOver);
    for (const std::string& path : passedOver) report.Warning("Passed over " + path + " in " + folder + ": it is not a regular file.");
    const std::string store = std::string(kPatchStoreFolder) + "/";
    std::erase_if(files, [&](const std::string& path) { return path.starts_with(store); });
    return files;
}

}  // namespace

void MakePatch(Reporter& report, const MakePatchSettings& settings)
{
    CheckFolders(settings);
    const std::vector<std::string> original = GameFiles(report, settings.original);
    const std::vector<std::string> modified = GameFiles(report, settings.modified);
    std::vector<std::string> paths;
    std::set_union(original.begin(), original.end(), modified.begin(), modified.end(), std::back_inserter(paths));

    PatchWriter writer(settings.output);
    PatchManifest manifest{settings.title, {}};
    report.Progress(0, 100);
    for (std::size_t n = 0; n < paths.size(); ++n) {
        const std::string& path = paths[n];
        report.CurrentMessage("Comparing " + path + "...");
        report.PumpEvents();
        const bool inOriginal = std::binary_search(original.begin(), original.end(), path);
        const bool inModified = std::binary_search(modified.begin(), modified.end(), path);
        if (std::optional<PatchFile> file = Compare(writer, settings, path, inOriginal, inModified)) {
            switch (file->change) {
            case FileChange::Change: report.AddResult(path + ": changed"); break;
            case FileChange::Add: report.AddResult(path + ": added"); break;
            case FileChange::Delete: report.AddResult(path + ": deleted"); break;
            case FileChange::Package: report.AddResult(path + ": " + ItemSummary(*file)); break;
            }
            manifest.files.push_back(std::move(*file));
        }
        report.Progress(static_cast<int>((n + 1) * 100 / paths.size()), 100);
    }
    report.CurrentMessage("");
    if (manifest.files.empty()) {
        throw ToolError("No patch made: " + settings.original + " and " + settings.modified + " hold the same files");
    }
    // The manifest comes last: a patch whose making was stopped has none, and cannot be applied.
    const std::string text = WriteManifest(manifest);
    ParseManifest(text, kPatchManifestName);  // what is written must read back
    if (!CreateFolders(settings.output)) throw CannotCreateFile(settings.output, "the folder cannot be made");
    CreateWholeFile(JoinPath(settings.output, kPatchManifestName), [&](File& out) { out.Write(text.data(), text.size()); });
    report.AddResult("Patch \"" + settings.title + "\" written to " + settings.output + ": " + Counted(manifest.files.size(), "file", "files") +
                     ", " + std::to_string(writer.carried + text.size()) + " bytes.");
}

}  // namespace eit
