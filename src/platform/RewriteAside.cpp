#include "platform/RewriteAside.h"

#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace eit {

namespace {
// Names past a missing one that are still looked at: a leftover may lie
// behind a name that was freed.
constexpr int kNamesPastAGap = 8;

// Removes the files beside `realPath` that killed rewrites of it left. Only a
// rewrite that holds the file calls it, so no other rewrite of the file is
// under way; a file some live process holds stays all the same.
void RemoveLeftovers(const std::string& realPath, const Notify& notify)
{
    int missing = 0;
    for (std::uint64_t n = 0; missing < kNamesPastAGap; ++n) {
        const std::string name = File::BesideName(realPath, n);
        if (!Exists(name)) {
            ++missing;
            continue;
        }
        missing = 0;
        if (File::RemoveUnheld(name) && notify) notify("Removed " + name + ", left by a rewrite that did not finish.");
    }
}

ToolError NotAFile(const std::string& path, EntryKind kind)
{
    return CannotCreateFile(path, kind == EntryKind::Folder ? "it is a folder, not a regular file" : "it is not a regular file");
}
}  // namespace

RewriteAside::RewriteAside(File& target, const Notify& notify) : earlier_(&target)
{
    // A name of our own beside the target's real file (not beside a link to
    // it), so the swap stays on one volume and replaces the file itself.
    finalPath_ = ResolvedPath(target.Path());
    RemoveLeftovers(finalPath_, notify);
    out_.CreateBeside(finalPath_, target.Path(), &target);
}

RewriteAside::RewriteAside(const std::string& path, File* earlier, const Notify& notify) : earlier_(earlier), finalPath_(path)
{
    if (earlier != nullptr) RemoveLeftovers(finalPath_, notify);
    out_.CreateBeside(finalPath_, path, earlier);
}

RewriteAside::~RewriteAside()
{
    if (!committed_) out_.Remove();
}

std::string RewriteAside::Commit(bool keepEarlier)
{
    std::string backup = out_.MoveOnto(finalPath_, earlier_, keepEarlier);
    committed_ = true;
    out_.Close();
    return backup;
}

void FillNewFile(File& file, const std::function<void(File&)>& fill)
{
    try {
        fill(file);
    } catch (...) {
        file.Remove();
        throw;
    }
}

void CreateWholeFile(const std::string& path, const std::function<void(File&)>& fill, const WholeFileOptions& options)
{
    File file;
    if (file.CreateNew(path)) {
        FillNewFile(file, fill);
        return;
    }
    const EntryKind kind = KindOfEntry(path);
    if (kind == EntryKind::Folder || kind == EntryKind::Other) throw NotAFile(path, kind);
    File earlier;
    if (kind == EntryKind::Regular) {
        try {
            earlier.Open(path, OpenMode::ReadWrite);
        } catch (const ToolError& e) {
            // The earlier file cannot be replaced: the open's reason, told as the create's.
            const std::string opening = std::string(CannotOpenFile(path).what()) + ": ";
            const std::string_view text = e.what();
            throw CannotCreateFile(path, text.starts_with(opening) ? std::string(text.substr(opening.size())) : std::string());
        }
    }
    RewriteAside aside(path, earlier.IsOpen() ? &earlier : nullptr, options.notify);
    fill(aside.Out());
    if (earlier.IsOpen() && aside.Out().SameContents(earlier)) return;  // left untouched
    const std::string backup = aside.Commit(options.keepEarlier);
    if (!backup.empty() && options.notify) {
        options.notify("Kept the earlier " + std::string(FileNameOf(path)) + " as " + std::string(FileNameOf(backup)) + ".");
    }
}

}  // namespace eit
