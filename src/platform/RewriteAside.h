#pragma once
#include <functional>
#include <string>

#include "platform/File.h"

namespace eit {

// Builds the new contents of an open file in a fresh file beside it, and swaps
// them in only when complete: whatever fails before Commit() returns, the
// original file stays byte-identical and the file beside it is removed.
class RewriteAside {
public:
    explicit RewriteAside(File& target);
    ~RewriteAside();
    RewriteAside(const RewriteAside&) = delete;
    RewriteAside& operator=(const RewriteAside&) = delete;

    File& Out() { return out_; }
    // Puts the new file in the target's place by a rename; the target is then
    // open on the new contents. There is no flush to the disk first: it would
    // double a replay's time, and common file systems (ext4, NTFS) write a
    // file's data out before a rename over another file takes effect.
    void Commit();

private:
    File& target_;
    File out_;
    std::string outPath_;
    bool committed_ = false;
};

// Lets `fill` write a file just created; when anything fails the file is
// closed and removed, so no half-written file is ever left behind.
void FillNewFile(File& file, const std::function<void(File&)>& fill);
// Creates the file at `path` and fills it the same way. An earlier file of
// that name is replaced only once the new one is whole; until then, and after
// any failure, it stays byte-identical.
void CreateWholeFile(const std::string& path, const std::function<void(File&)>& fill);

}  // namespace eit
