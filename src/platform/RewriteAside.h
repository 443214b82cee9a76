#pragma once
#include <functional>
#include <string>

#include "platform/File.h"

namespace eit {

// Hears a results line about a file kept or removed beside a file written.
using Notify = std::function<void(const std::string& line)>;

// Builds the new contents of a file in a fresh file beside it, and swaps them
// in only when complete: whatever fails before Commit() returns, the original
// file stays byte-identical and the file beside it is removed. The file
// beside is held from its creation to the end, with the original's owner,
// group and mode (on Windows, attributes) before any data goes in. A rewrite
// gives the name a new file: other hard links keep the old bytes.
class RewriteAside {
public:
    // Rewrites the file `target` is open on, in place: a link at its path
    // stays and the file it leads to is replaced. Files beside it that
    // rewrites killed part-way left, and that no live process holds, are
    // removed first, each reported to `notify`.
    explicit RewriteAside(File& target, const Notify& notify = {});
    // A new file for the name `path` itself, never written through a link
    // there. `earlier`, when open on a regular file of that name, lends it
    // its identity and is held until the swap.
    RewriteAside(const std::string& path, File* earlier, const Notify& notify);
    ~RewriteAside();
    RewriteAside(const RewriteAside&) = delete;
    RewriteAside& operator=(const RewriteAside&) = delete;

    File& Out() { return out_; }
    // Puts the new file in the target's place by a rename; the target is then
    // open on the new contents. With `keepEarlier` the earlier file stays as
    // NAME.~N~, whose name is returned. There is no flush to the disk first:
    // it would double a replay's time, and common file systems (ext4, NTFS)
    // write a file's data out before a rename over another file takes effect.
    std::string Commit(bool keepEarlier = false);

private:
    File* earlier_;
    std::string finalPath_;
    File out_;
    bool committed_ = false;
};

// Lets `fill` write a file just created; when anything fails the file is
// removed, so no half-written file is ever left behind.
void FillNewFile(File& file, const std::function<void(File&)>& fill);

struct WholeFileOptions {
    // An earlier file or link of the name whose contents differ is kept as
    // NAME.~N~ (the first free N) rather than replaced.
    bool keepEarlier = false;
    Notify notify;
};
// Creates the file at `path` and fills it the same way. An earlier file of
// that name is replaced only once the new one is whole (until then, and after
// any failure, it stays byte-identical), and not at all when it holds the
// same bytes. A link at the name is replaced itself: nothing is ever written
// where it leads.
void CreateWholeFile(const std::string& path, const std::function<void(File&)>& fill, const WholeFileOptions& options = {});

}  // namespace eit
