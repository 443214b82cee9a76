#include "jobs/PatchCheck.h"

#include <set>

#include "formats/LibLayout.h"
#include "jobs/PatchFiles.h"
#include "platform/Error.h"
#include "platform/LittleEndian.h"
#include "platform/Sha256.h"

namespace eit::patch {

namespace {

// A manifest larger than this is refused before it is read.
constexpr std::uint64_t kLargestManifest = 256u << 20;

Step StepOf(const PatchFile& file, Direction direction, const std::string& game)
{
    const bool apply = direction == Direction::Apply;
    Step step{&file, HostPathIn(game, file.path), apply ? file.was : file.becomes, apply ? file.becomes : file.was, {}, {}, false};
    if (file.change != FileChange::Package) return step;
    for (const PatchItem& item : file.items) {
        const bool keep = item.change == ItemChange::Keep;
        const bool before = item.change != ItemChange::Add, after = item.change != ItemChange::Remove;
        if (apply ? before : after) step.found.push_back({item.name, keep ? "" : apply ? item.was : item.becomes, keep && apply ? item.was : ""});
        if (apply ? after : before) {
            std::optional<std::size_t> kept;
            if (keep) kept = step.found.size() - 1;
            step.written.push_back({item.name, kept, keep ? "" : apply ? item.becomes : item.was});
        }
    }
    return step;
}

std::string ItemLabel(const Step& step, std::size_t index, std::string_view name)
{
    return step.file->path + ", item " + std::to_string(index) + " (" + ManifestText(name) + ")";
}

std::string ReadManifest(const std::string& path)
{
    File file(path, OpenMode::ReadUnlocked);
    if (file.Size() > kLargestManifest) throw ToolError("Damaged patch manifest " + path + ": it is larger than a manifest can be (256 MiB)");
    std::string text(static_cast<std::size_t>(file.Size()), '\0');
    file.Read(text.data(), text.size());
    return text;
}

// Examines every step and the contents the writes take; gathers problems.
class Examiner {
public:
    Examiner(Reporter& report, const PatchSettings& settings, Plan& plan) : report_(report), settings_(settings), plan_(plan) {}

    void Run()
    {
        report_.Progress(0, 100);
        for (std::size_t n = 0; n < plan_.steps.size(); ++n) {
            report_.CurrentMessage("Checking " + plan_.steps[n].file->path + "...");
            report_.PumpEvents();
            const std::size_t before = problems_.size();
            Examine(plan_.steps[n]);
            plan_.steps[n].refused = problems_.size() > before;
            report_.Progress(static_cast<int>((n + 1) * 100 / plan_.steps.size()), 100);
        }
        CheckContents();
        if (!problems_.empty()) Refuse();
    }

private:
    void Problem(std::string line) { problems_.push_back(std::move(line)); }

    void Examine(Step& step)
    {
        const EntryKind kind = KindOfEntry(step.path);
        if (kind != EntryKind::Regular && kind != EntryKind::Missing) {
            Problem(step.file->path + ": it is not a regular file");
            return;
        }
        if (step.file->change == FileChange::Package) {
            if (kind == EntryKind::Missing) {
                Problem(step.file->path + ": the package is missing");
                return;
            }
            ExaminePackage(step);
        } else {
            ExamineWhole(step, kind == EntryKind::Regular);
        }
        if (!step.done && kind == EntryKind::Regular) CheckWritable(step);
    }

    void CheckWritable(const Step& step)
    {
        try {
            File writable(step.path, OpenMode::ReadWrite);
        } catch (const ToolError& e) {
            Problem(step.file->path + ": it cannot be written: " + e.what());
        }
    }

    void ExamineWhole(Step& step, bool exists)
    {
        const std::string found = exists ? Sha256OfFile(step.path) : "";
        if (found == step.to) {
            step.done = true;
        } else if (found != step.from) {
            const std::string expected = step.from.empty() ? "no file" : "SHA-256 " + step.from;
            Problem(step.file->path + ": expected " + expected + ", found " + (exists ? "SHA-256 " + found : "no file"));
        }
    }

    void ExaminePackage(Step& step)
    {
        File package(step.path, OpenMode::Read);
        LibLayout layout;
        try {
            layout = ReadLibLayout(package);
        } catch (const ToolError& e) {
            Problem(step.file->path + ": " + e.what());
            return;
        }
        std::map<std::size_t, std::string> shas;
        auto itemSha = [&](std::size_t i) -> const std::string& {
            auto [at, fresh] = shas.try_emplace(i);
            if (fresh) at->second = Sha256OfRange(package, layout.entries[i].offset, layout.entries[i].size);
            return at->second;
        };
        const std::vector<std::string> names = layout.Names();
        const std::string namesSha = DirectoryNamesSha(names);
        std::vector<std::string> written, found;
        for (std::size_t i = 0; i < step.written.size() && namesSha == step.to; ++i) {
            const std::string& sha = step.written[i].sha;
            if (!sha.empty() && itemSha(i) != sha) written.push_back(Mismatch(step, i, step.written[i].name, sha, itemSha(i)));
        }
        for (std::size_t i = 0; i < step.found.size() && namesSha == step.from; ++i) {
            const std::string& sha = step.found[i].required;
            if (!sha.empty() && itemSha(i) != sha) found.push_back(Mismatch(step, i, step.found[i].name, sha, itemSha(i)));
        }
        const bool asWritten = namesSha == step.to && written.empty();
        const bool asFound = namesSha == step.from && found.empty();
        if (asWritten && (layout.packed || !asFound)) {
            step.done = true;
        } else if (asFound) {
            for (const SlotWritten& slot : step.written) step.keptBytes += slot.kept ? layout.entries[*slot.kept].size : 0;
            if (settings_.check) {
                for (std::size_t i = 0; i < step.found.size(); ++i) {
                    if (!step.found[i].noted.empty()) NoteUntouched(report_, step, i, itemSha(i));
                }
            }
        } else if (namesSha == step.from) {
            for (std::string& line : found) Problem(std::move(line));
        } else if (namesSha == step.to) {
            for (std::string& line : written) Problem(std::move(line));
        } else {
            Problem(step.file->path + ": its directory does not list the items the patch expects (SHA-256 of the names: expected " +
                    step.from + ", found " + namesSha + ")" + FirstNameDifference(step, names));
        }
    }

    static std::string FirstNameDifference(const Step& step, const std::vector<std::string>& names)
    {
        for (std::size_t i = 0; i < std::min(names.size(), step.found.size()); ++i) {
            if (names[i] != step.found[i].name) {
                return "; item " + std::to_string(i) + " is " + ManifestText(names[i]) + " where the patch expects " + ManifestText(step.found[i].name);
            }
        }
        return "; it has " + std::to_string(names.size()) + " items where the patch expects " + std::to_string(step.found.size());
    }

    static std::string Mismatch(const Step& step, std::size_t i, std::string_view name, const std::string& expected, const std::string& found)
    {
        return ItemLabel(step, i, name) + ": expected SHA-256 " + expected + ", found SHA-256 " + found;
    }

    // The contents the writes take: the patch's own files (every one, when
    // applying) or what applying kept for removing, each checked against its
    // checksum; and that every rebuilt package stays within 4 GiB.
    void CheckContents()
    {
        std::set<std::string> needed;
        for (const Step& step : plan_.steps) {
            if (plan_.apply || (!step.done && !step.refused)) AddNeeded(step, needed);
        }
        for (const std::string& sha : needed) {
            const std::string path = plan_.ContentsPath(sha);
            if (KindOfEntry(path) != EntryKind::Regular) {
                Problem(plan_.apply ? "The patch's own file " + path + " is missing: the patch is incomplete"
                                    : "What the game held before the patch (SHA-256 " + sha + ") is not in " + plan_.store +
                                     ": the patch was not applied here by eitool, or that folder was changed since");
                continue;
            }
            File contents(path, OpenMode::ReadUnlocked);
            const std::string found = Sha256OfRange(contents, 0, contents.Size());
            if (found != sha) {
                const std::string why = plan_.apply ? "the patch was changed or damaged since it was made" : "the folder " + plan_.store + " was changed since";
                Problem(path + ": expected SHA-256 " + sha + ", found SHA-256 " + found + ": " + why);
            }
            plan_.sizes[sha] = contents.Size();
        }
        for (const Step& step : plan_.steps) {
            if (!step.done && !step.refused && step.file->change == FileChange::Package) CheckPackageSize(step);
        }
    }

    void AddNeeded(const Step& step, std::set<std::string>& needed) const
    {
        if (step.file->change != FileChange::Package) {
            if (!step.to.empty()) needed.insert(step.to);
            return;
        }
        if (!plan_.apply && Exists(plan_.WholePackagePath(step))) return;
        for (const SlotWritten& slot : step.written) {
            if (!slot.sha.empty()) needed.insert(slot.sha);
        }
    }

    void CheckPackageSize(const Step& step)
    {
        if (!plan_.apply && Exists(plan_.WholePackagePath(step))) return;
        std::vector<std::string> names;
        std::uint64_t size = step.keptBytes;
        for (const SlotWritten& slot : step.written) {
            names.push_back(slot.name);
            if (!slot.kept) size += plan_.sizes[slot.sha];
        }
        if (PackedDirectoryEnd(names) + size > kLargestU32 + 1) {
            Problem(step.file->path + ": the package would pass 4 GiB, the limit of its 32-bit offsets and sizes");
        }
    }

    [[noreturn]] void Refuse()
    {
        report_.CurrentMessage("");
        const std::string failed = std::to_string(problems_.size()) + " of its checks failed. ";
        std::string text = plan_.apply ? "Cannot apply the patch " + plan_.Title() + " to " + settings_.game + ": " + failed +
                                             "This is another version of the game, or files were changed since (by an update or another "
                                             "mod). Nothing was written."
                                       : "Cannot remove the patch " + plan_.Title() + " from " + settings_.game + ": " + failed +
                                             "Files were changed since the patch was applied, or it was never applied here. Nothing was "
                                             "written.";
        for (const std::string& line : problems_) text += "\n  " + line;
        throw ToolError(text);
    }

    Reporter& report_;
    const PatchSettings& settings_;
    Plan& plan_;
    std::vector<std::string> problems_;
};

}  // namespace

std::string Plan::ContentsPath(const std::string& sha) const { return JoinPath(contents, sha); }

std::string Plan::StorePath(const std::string& sha) const { return JoinPath(store, sha); }

std::string Plan::WholePackagePath(const Step& step) const { return JoinPath(store, "package-" + Sha256Hex(step.file->path).substr(0, 16)); }

Plan CheckPatch(Reporter& report, const PatchSettings& settings, Direction direction)
{
    Plan plan;
    plan.apply = direction == Direction::Apply;
    const std::string manifestPath = JoinPath(settings.patch, kPatchManifestName);
    plan.manifestText = ReadManifest(manifestPath);
    plan.manifest = ParseManifest(plan.manifestText, manifestPath);
    if (!IsFolder(settings.game)) throw CannotOpenFile(settings.game, "it is not a folder");
    // Named after the manifest's contents, not its bytes: line ends changed by an unzip do not matter.
    const std::string id = Sha256Hex(WriteManifest(plan.manifest)).substr(0, 16);
    plan.store = JoinPath(JoinPath(settings.game, kPatchStoreFolder), id);
    plan.contents = plan.apply ? JoinPath(settings.patch, kPatchDataFolder) : plan.store;
    for (const PatchFile& file : plan.manifest.files) plan.steps.push_back(StepOf(file, direction, settings.game));
    Examiner(report, settings, plan).Run();
    return plan;
}

// An item the patch does not touch that differs from the maker's is
// kept as it is: said, not refused.
void NoteUntouched(Reporter& report, const Step& step, std::size_t i, const std::string& sha)
{
    const SlotFound& slot = step.found[i];
    if (slot.noted.empty() || slot.noted == sha) return;
    report.Warning(ItemLabel(step, i, slot.name) + ": the patch does not touch this item, which differs from the one it was made against "
                   "(expected SHA-256 " + slot.noted + ", found SHA-256 " + sha + "); it is kept as it is and the patch applies item by item.");
}

}  // namespace eit::patch
