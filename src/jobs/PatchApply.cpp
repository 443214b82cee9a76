#include <map>
#include <optional>
#include <set>
#include <vector>

#include "formats/LibLayout.h"
#include "jobs/Patch.h"
#include "jobs/PatchFiles.h"
#include "platform/Error.h"
#include "platform/LittleEndian.h"
#include "platform/Sha256.h"

namespace eit {

namespace {

using patch::HostPathIn;

enum class Direction { Apply, Remove };

// A slot of a package's directory as the command expects to find it: an
// item with the checksum it must have, or an item the patch does not touch,
// which may hold anything (`noted`: what the patch's maker had there).
struct SlotFound {
    std::string name;
    std::string required;
    std::string noted;
};

// A slot of the directory the command writes: an item kept from the
// package as it is (its index among the slots found), or contents named by
// their checksum.
struct SlotWritten {
    std::string name;
    std::optional<std::size_t> kept;
    std::string sha;
};

// What the command does to one file of the manifest. For a whole file,
// `from` and `to` are the checksums it has before and after, empty for no
// file; for a package, the directory's names and slots.
struct Step {
    const PatchFile* file = nullptr;
    std::string path;  // on the host
    std::string from, to;
    std::vector<SlotFound> found;
    std::vector<SlotWritten> written;
    bool done = false;
    bool refused = false;  // it holds neither what the command expects nor what it writes
};

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

// Everything that one run of apply or remove needs.
class PatchCommand {
public:
    PatchCommand(Reporter& report, const PatchSettings& settings, Direction direction)
        : report_(report), settings_(settings), apply_(direction == Direction::Apply)
    {
        const std::string manifestPath = JoinPath(settings.patch, kPatchManifestName);
        ReadManifest(manifestPath);
        manifest_ = ParseManifest(manifestText_, manifestPath);
        const std::string id = Sha256Hex(WriteManifest(manifest_)).substr(0, 16);
        store_ = JoinPath(JoinPath(settings.game, kPatchStoreFolder), id);
        contents_ = apply_ ? JoinPath(settings.patch, kPatchDataFolder) : store_;
        if (!IsFolder(settings.game)) throw CannotOpenFile(settings.game, "it is not a folder");
        for (const PatchFile& file : manifest_.files) steps_.push_back(StepOf(file, direction, settings.game));
    }

    PatchOutcome Run()
    {
        report_.Progress(0, 100);
        for (std::size_t n = 0; n < steps_.size(); ++n) {
            report_.CurrentMessage("Checking " + steps_[n].file->path + "...");
            report_.PumpEvents();
            const std::size_t before = problems_.size();
            Examine(steps_[n]);
            steps_[n].refused = problems_.size() > before;
            report_.Progress(static_cast<int>((n + 1) * 100 / steps_.size()), 100);
        }
        CheckContents();
        if (!problems_.empty()) Refuse();
        std::size_t toDo = 0;
        for (const Step& step : steps_) toDo += step.done ? 0 : 1;
        if (toDo == 0) {
            report_.CurrentMessage("");
            report_.AddResult(apply_ ? "The patch " + Title() + " is already applied to " + settings_.game + ": nothing changed."
                                     : "The patch " + Title() + " is not applied to " + settings_.game + ": nothing to remove.");
            return PatchOutcome::AlreadyDone;
        }
        if (settings_.check) {
            for (const Step& step : steps_) Describe(step, true);
            report_.CurrentMessage("");
            report_.AddResult("The patch " + Title() + " would " + (apply_ ? "apply to " : "be removed from ") + settings_.game + ": " +
                              std::to_string(toDo) + " of " + std::to_string(steps_.size()) + " files would change. Nothing was written.");
            return PatchOutcome::Changed;
        }
        WriteAll(toDo);
        return PatchOutcome::Changed;
    }

private:
    std::string Title() const { return "\"" + manifest_.title + "\""; }
    std::string ContentsPath(const std::string& sha) const { return JoinPath(contents_, sha); }
    // Where a package that was not packed is kept whole before it is rebuilt.
    std::string WholePackagePath(const Step& step) const { return JoinPath(store_, "package-" + Sha256Hex(step.file->path).substr(0, 16)); }

    void ReadManifest(const std::string& path)
    {
        File file(path, OpenMode::ReadUnlocked);
        manifestText_.resize(static_cast<std::size_t>(file.Size()));
        file.Read(manifestText_.data(), manifestText_.size());
    }

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
            if (settings_.check) {
                for (std::size_t i = 0; i < step.found.size(); ++i) {
                    if (!step.found[i].noted.empty()) NoteUntouched(step, i, itemSha(i));
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

    // An item the patch does not touch that differs from the maker's is
    // kept as it is: said, not refused.
    void NoteUntouched(const Step& step, std::size_t i, const std::string& sha)
    {
        const SlotFound& slot = step.found[i];
        if (slot.noted.empty() || slot.noted == sha) return;
        report_.Warning(ItemLabel(step, i, slot.name) + ": the patch does not touch this item, which differs from the one it was made against "
                        "(expected SHA-256 " + slot.noted + ", found SHA-256 " + sha + "); it is kept as it is and the patch applies item by item.");
    }

    // The contents the writes take: the patch's own files (every one, when
    // applying) or what applying kept for removing, each checked against its
    // checksum; and that every rebuilt package stays within 4 GiB.
    void CheckContents()
    {
        std::set<std::string> needed;
        for (const Step& step : steps_) {
            if (apply_ || (!step.done && !step.refused)) AddNeeded(step, needed);
        }
        for (const std::string& sha : needed) {
            const std::string path = ContentsPath(sha);
            if (KindOfEntry(path) != EntryKind::Regular) {
                Problem(apply_ ? "The patch's own file " + path + " is missing: the patch is incomplete"
                               : "What the game held before the patch (SHA-256 " + sha + ") is not in " + store_ +
                                     ": the patch was not applied here by eitool, or that folder was changed since");
                continue;
            }
            File contents(path, OpenMode::ReadUnlocked);
            const std::string found = Sha256OfRange(contents, 0, contents.Size());
            if (found != sha) {
                Problem(path + ": expected SHA-256 " + sha + ", found SHA-256 " + found + (apply_ ? ": the patch was changed or damaged since it was made"
                                                                                         : ": the folder " + store_ + " was changed since"));
            }
            sizes_[sha] = contents.Size();
        }
        for (const Step& step : steps_) {
            if (!step.done && !step.refused && step.file->change == FileChange::Package) CheckPackageSize(step);
        }
    }

    void AddNeeded(const Step& step, std::set<std::string>& needed) const
    {
        if (step.file->change != FileChange::Package) {
            if (!step.to.empty()) needed.insert(step.to);
            return;
        }
        if (!apply_ && Exists(WholePackagePath(step))) return;
        for (const SlotWritten& slot : step.written) {
            if (!slot.sha.empty()) needed.insert(slot.sha);
        }
    }

    void CheckPackageSize(const Step& step)
    {
        if (!apply_ && Exists(WholePackagePath(step))) return;
        File package(step.path, OpenMode::Read);
        const LibLayout layout = ReadLibLayout(package);
        std::vector<std::string> names;
        std::uint64_t size = 0;
        for (const SlotWritten& slot : step.written) {
            names.push_back(slot.name);
            size += slot.kept ? layout.entries[*slot.kept].size : sizes_[slot.sha];
        }
        if (PackedDirectoryEnd(names) + size > kLargestU32 + 1) {
            Problem(step.file->path + ": the package would pass 4 GiB, the limit of its 32-bit offsets and sizes");
        }
    }

    [[noreturn]] void Refuse()
    {
        report_.CurrentMessage("");
        std::string text = apply_ ? "Cannot apply the patch " + Title() + " to " + settings_.game + ": " +
                                        std::to_string(problems_.size()) + " of its checks failed. This is another version of the game, "
                                        "or files were changed since (by an update or another mod). Nothing was written."
                                  : "Cannot remove the patch " + Title() + " from " + settings_.game + ": " + std::to_string(problems_.size()) +
                                        " of its checks failed. Files were changed since the patch was applied, or it was never applied "
                                        "here. Nothing was written.";
        for (const std::string& line : problems_) text += "\n  " + line;
        throw ToolError(text);
    }

    void Describe(const Step& step, bool wouldBe)
    {
        const std::string prefix = step.file->path + (wouldBe ? ": would be " : ": ");
        if (step.done) {
            report_.AddResult(step.file->path + (apply_ ? ": holds the patch's contents already" : ": holds its original contents already"));
            return;
        }
        switch (step.file->change) {
        case FileChange::Change: report_.AddResult(prefix + (apply_ ? "replaced" : "restored")); break;
        case FileChange::Add: report_.AddResult(prefix + (apply_ ? "added" : "deleted")); break;
        case FileChange::Delete: report_.AddResult(prefix + (apply_ ? "deleted" : "restored")); break;
        case FileChange::Package: {
            std::size_t items = 0;
            for (const PatchItem& item : step.file->items) items += item.change == ItemChange::Keep ? 0 : 1;
            report_.AddResult(prefix + "rebuilt, " + std::to_string(items) + (items == 1 ? " item " : " items ") + (apply_ ? "changed" : "restored"));
            break;
        }
        }
    }

    void WriteAll(std::size_t toDo)
    {
        std::size_t written = 0;
        try {
            if (apply_) {
                if (!CreateFolders(store_)) throw CannotCreateFile(store_, "the folder cannot be made");
                const std::string copy = JoinPath(store_, kPatchManifestName);
                if (!Exists(copy)) CreateWholeFile(copy, [&](File& out) { out.Write(manifestText_.data(), manifestText_.size()); });
            }
            for (std::size_t n = 0; n < steps_.size(); ++n) {
                Step& step = steps_[n];
                report_.CurrentMessage((apply_ ? "Patching " : "Restoring ") + step.file->path + "...");
                report_.PumpEvents();
                if (!step.done) {
                    if (step.file->change == FileChange::Package) {
                        WritePackage(step);
                    } else {
                        WriteWhole(step);
                    }
                    ++written;
                }
                Describe(step, false);
                report_.Progress(static_cast<int>((n + 1) * 100 / steps_.size()), 100);
            }
        } catch (const ToolError& e) {
            if (written == 0) throw;
            throw ToolError(std::string(e.what()) + " (" + std::to_string(written) + " of " + std::to_string(toDo) +
                            " files were written: run the same command again to finish)");
        }
        report_.CurrentMessage("");
        if (apply_) {
            report_.AddResult("The patch " + Title() + " is applied to " + settings_.game + ": " + std::to_string(toDo) + " files changed.");
        } else {
            RemoveFolderTree(store_);
            RemoveEntry(JoinPath(settings_.game, kPatchStoreFolder));  // when no other patch's folder is left in it
            report_.AddResult("The patch " + Title() + " is removed from " + settings_.game + ": " + std::to_string(toDo) + " files restored.");
        }
    }

    void WriteWhole(const Step& step)
    {
        if (apply_ && !step.from.empty()) {
            File original(step.path, OpenMode::Read);
            patch::WriteContents(ContentsPathInStore(step.from), original, 0, original.Size());
        }
        if (step.to.empty()) {
            if (!RemoveEntry(step.path)) throw ToolError("Cannot delete file " + step.path);
            RemoveEmptyFolders(step.file->path);
            return;
        }
        const std::size_t slash = step.file->path.rfind('/');
        if (slash != std::string::npos) CreateFolders(HostPathIn(settings_.game, step.file->path.substr(0, slash)));
        File contents(ContentsPath(step.to), OpenMode::ReadUnlocked);
        CreateWholeFile(step.path, [&](File& out) { out.CopyFrom(contents, contents.Size()); });
    }

    // The folders of a deleted file that are left empty, deepest first.
    void RemoveEmptyFolders(std::string path) const
    {
        for (std::size_t slash = path.rfind('/'); slash != std::string::npos; slash = path.rfind('/')) {
            path.resize(slash);
            if (!RemoveEntry(HostPathIn(settings_.game, path))) return;
        }
    }

    std::string ContentsPathInStore(const std::string& sha) const { return JoinPath(store_, sha); }

    void WritePackage(const Step& step)
    {
        File package(step.path, OpenMode::ReadWrite);
        const LibLayout layout = ReadLibLayout(package);
        if (apply_) {
            // What removing needs: the items the patch replaces or removes,
            // and a package whose layout a rebuild would not give back, whole.
            for (std::size_t i = 0; i < step.found.size(); ++i) {
                if (!step.found[i].required.empty()) {
                    patch::WriteContents(ContentsPathInStore(step.found[i].required), package, layout.entries[i].offset, layout.entries[i].size);
                }
            }
            if (!layout.packed) patch::WriteContents(WholePackagePath(step), package, 0, package.Size());
        } else if (Exists(WholePackagePath(step))) {
            File whole(WholePackagePath(step), OpenMode::ReadUnlocked);
            RewriteAside aside(package, Notes());
            aside.Out().CopyFrom(whole, whole.Size());
            aside.Commit();
            return;
        }
        Rebuild(step, package, layout);
    }

    // Writes the package packed: the directory of the slots written, then
    // each item, kept ones from the package as it is.
    void Rebuild(const Step& step, File& package, const LibLayout& layout)
    {
        std::vector<std::string> names;
        std::vector<std::uint64_t> sizes;
        for (const SlotWritten& slot : step.written) {
            names.push_back(slot.name);
            sizes.push_back(slot.kept ? layout.entries[*slot.kept].size : sizes_.at(slot.sha));
        }
        RewriteAside aside(package, Notes());
        BufferedWriter out(aside.Out());
        WritePackedDirectory(out, layout.lead, names, sizes, step.path);
        std::vector<char> piece(File::kCopyPiece);
        for (const SlotWritten& slot : step.written) {
            if (!slot.kept) {
                File contents(ContentsPath(slot.sha), OpenMode::ReadUnlocked);
                out.CopyFrom(contents, contents.Size());
                continue;
            }
            // A kept item is hashed as it is copied, to say whether it differs from the maker's.
            const LibLayout::Entry& entry = layout.entries[*slot.kept];
            package.Seek(entry.offset);
            if (step.found[*slot.kept].noted.empty()) {
                out.CopyFrom(package, entry.size);
                continue;
            }
            Sha256 hash;
            package.Seek(entry.offset);
            for (std::uint64_t left = entry.size; left > 0;) {
                const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size()));
                package.ReadUncached(piece.data(), n);
                hash.Add({piece.data(), n});
                out.Write(piece.data(), n);
                left -= n;
            }
            NoteUntouched(step, *slot.kept, hash.HexDigest());
        }
        out.Flush();
        aside.Commit();
    }

    Notify Notes()
    {
        return [this](const std::string& line) { report_.AddResult(line); };
    }

    Reporter& report_;
    const PatchSettings& settings_;
    bool apply_;
    std::string manifestText_;
    PatchManifest manifest_;
    std::string store_;     // GAME/.eitool-patches/ID: what removing needs
    std::string contents_;  // where the contents written come from
    std::vector<Step> steps_;
    std::vector<std::string> problems_;
    std::map<std::string, std::uint64_t> sizes_;  // of the contents, by checksum
};

}  // namespace

PatchOutcome ApplyPatch(Reporter& report, const PatchSettings& settings) { return PatchCommand(report, settings, Direction::Apply).Run(); }

PatchOutcome RemovePatch(Reporter& report, const PatchSettings& settings) { return PatchCommand(report, settings, Direction::Remove).Run(); }

}  // namespace eit
