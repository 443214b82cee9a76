#include "formats/LibLayout.h"
#include "jobs/PatchCheck.h"
#include "jobs/PatchFiles.h"
#include "platform/Error.h"
#include "platform/Sha256.h"
#include "platform/Words.h"

namespace eit {

namespace {

using namespace patch;

// The writes of a patch command that passed its check, file by file, each
// file whole or not at all.
class PatchWrites {
public:
    PatchWrites(Reporter& report, const PatchSettings& settings, Plan& plan) : report_(report), settings_(settings), plan_(plan) {}

    PatchOutcome Run()
    {
        std::size_t toDo = 0;
        for (const Step& step : plan_.steps) toDo += step.done ? 0 : 1;
        if (toDo == 0) {
            report_.CurrentMessage("");
            report_.AddResult(plan_.apply ? "The patch " + plan_.Title() + " is already applied to " + settings_.game + ": nothing changed."
                                          : "The patch " + plan_.Title() + " is not applied to " + settings_.game + ": nothing to remove.");
            return PatchOutcome::AlreadyDone;
        }
        if (settings_.check) {
            for (const Step& step : plan_.steps) Describe(step, true);
            report_.CurrentMessage("");
            report_.AddResult("The patch " + plan_.Title() + " would " + (plan_.apply ? "apply to " : "be removed from ") + settings_.game +
                              ": " + std::to_string(toDo) + " of " + std::to_string(plan_.steps.size()) + " files would change. Nothing was written.");
            return PatchOutcome::Changed;
        }
        WriteAll(toDo);
        return PatchOutcome::Changed;
    }

private:
    void Describe(const Step& step, bool wouldBe)
    {
        const std::string prefix = step.file->path + (wouldBe ? ": would be " : ": ");
        if (step.done) {
            report_.AddResult(step.file->path + (plan_.apply ? ": holds the patch's contents already" : ": holds its original contents already"));
            return;
        }
        switch (step.file->change) {
        case FileChange::Change: report_.AddResult(prefix + (plan_.apply ? "replaced" : "restored")); break;
        case FileChange::Add: report_.AddResult(prefix + (plan_.apply ? "added" : "deleted")); break;
        case FileChange::Delete: report_.AddResult(prefix + (plan_.apply ? "deleted" : "restored")); break;
        case FileChange::Package: {
            std::size_t items = 0;
            for (const PatchItem& item : step.file->items) items += item.change == ItemChange::Keep ? 0 : 1;
            report_.AddResult(prefix + "rebuilt, " + Counted(items, "item", "items") + (plan_.apply ? " changed" : " restored"));
            break;
        }
        }
    }

    void WriteAll(std::size_t toDo)
    {
        std::size_t written = 0;
        try {
            if (plan_.apply) {
                if (!CreateFolders(plan_.store)) throw CannotCreateFile(plan_.store, "the folder cannot be made");
                const std::string copy = JoinPath(plan_.store, kPatchManifestName);
                if (!Exists(copy)) CreateWholeFile(copy, [&](File& out) { out.Write(plan_.manifestText.data(), plan_.manifestText.size()); });
            }
            for (std::size_t n = 0; n < plan_.steps.size(); ++n) {
                Step& step = plan_.steps[n];
                report_.CurrentMessage((plan_.apply ? "Patching " : "Restoring ") + step.file->path + "...");
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
                report_.Progress(static_cast<int>((n + 1) * 100 / plan_.steps.size()), 100);
            }
        } catch (const ToolError& e) {
            if (written == 0) throw;
            throw ToolError(std::string(e.what()) + " (" + std::to_string(written) + " of " + std::to_string(toDo) +
                            " files were written: run the same command again to finish)");
        }
        report_.CurrentMessage("");
        const std::string files = Counted(toDo, "file", "files") + " ";
        if (plan_.apply) {
            report_.AddResult("The patch " + plan_.Title() + " is applied to " + settings_.game + ": " + files + "changed.");
        } else {
            RemoveFolderTree(plan_.store);
            RemoveEntry(JoinPath(settings_.game, kPatchStoreFolder));  // when no other patch's folder is left in it
            report_.AddResult("The patch " + plan_.Title() + " is removed from " + settings_.game + ": " + files + "restored.");
        }
    }

    void WriteWhole(const Step& step)
    {
        if (plan_.apply && !step.from.empty()) {
            File original(step.path, OpenMode::Read);
            patch::WriteContents(plan_.StorePath(step.from), original, 0, original.Size());
        }
        if (step.to.empty()) {
            if (!RemoveEntry(step.path)) throw ToolError("Cannot delete file " + step.path);
            RemoveEmptyFolders(step.file->path);
            return;
        }
        const std::size_t slash = step.file->path.rfind('/');
        if (slash != std::string::npos) CreateFolders(HostPathIn(settings_.game, step.file->path.substr(0, slash)));
        File contents(plan_.ContentsPath(step.to), OpenMode::ReadUnlocked);
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

    void WritePackage(const Step& step)
    {
        File package(step.path, OpenMode::ReadWrite);
        const LibLayout layout = ReadLibLayout(package);
        if (plan_.apply) {
            // What removing needs: the items the patch replaces or removes,
            // and a package whose layout a rebuild would not give back, whole.
            for (std::size_t i = 0; i < step.found.size(); ++i) {
                if (!step.found[i].required.empty()) {
                    patch::WriteContents(plan_.StorePath(step.found[i].required), package, layout.entries[i].offset, layout.entries[i].size);
                }
            }
            if (!layout.packed) patch::WriteContents(plan_.WholePackagePath(step), package, 0, package.Size());
        } else if (Exists(plan_.WholePackagePath(step))) {
            File whole(plan_.WholePackagePath(step), OpenMode::ReadUnlocked);
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
            sizes.push_back(slot.kept ? layout.entries[*slot.kept].size : plan_.sizes.at(slot.sha));
        }
        RewriteAside aside(package, Notes());
        BufferedWriter out(aside.Out());
        WritePackedDirectory(out, layout.lead, names, sizes, step.path);
        std::vector<char> piece(File::kCopyPiece);
        for (const SlotWritten& slot : step.written) {
            if (!slot.kept) {
                File contents(plan_.ContentsPath(slot.sha), OpenMode::ReadUnlocked);
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
            for (std::uint64_t left = entry.size; left > 0;) {
                const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size()));
                package.ReadUncached(piece.data(), n);
                hash.Add({piece.data(), n});
                out.Write(piece.data(), n);
                left -= n;
            }
            NoteUntouched(report_, step, *slot.kept, hash.HexDigest());
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
    Plan& plan_;
};

PatchOutcome RunPatch(Reporter& report, const PatchSettings& settings, Direction direction)
{
    Plan plan = CheckPatch(report, settings, direction);
    return PatchWrites(report, settings, plan).Run();
}

}  // namespace

PatchOutcome ApplyPatch(Reporter& report, const PatchSettings& settings) { return RunPatch(report, settings, Direction::Apply); }

PatchOutcome RemovePatch(Reporter& report, const PatchSettings& settings) { return RunPatch(report, settings, Direction::Remove); }

}  // namespace eit
