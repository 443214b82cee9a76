#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Error.h"
#include "platform/Faults.h"
#include "platform/FileIdentity.h"

namespace eit {

class FolderHandles;

enum class OpenMode {
    Read,          // existing file, reading; others may read, nobody may write
    ReadUnlocked,  // existing file, reading; others may read and write: the
                   // user's own files, read only as items, texts or sheets
    ReadWrite,     // existing file, reading and writing, shared with nobody
    Create,        // created or emptied, reading and writing, shared with nobody
};

// A file on disk. Failures raise ToolError with the system's texts:
// "Cannot open file %s", "Cannot create file %s", "Stream read error",
// "Stream write error"; reads and writes add the system's reason and the file.
// Only regular files open: a FIFO, a device or a folder is refused at once,
// never waited on. Small reads are served from an internal buffer, so walking
// a directory field by field costs few system calls.
class File {
public:
    File() = default;
    File(const std::string& path, OpenMode mode, FolderHandles* folders = nullptr) { Open(path, mode, folders); }
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // A file opened for writing is held exclusively, and it is the file that
    // has the path once held: one replaced meanwhile is opened again.
    // `folders`, when given, reaches the file in its folder held there.
    void Open(const std::string& path, OpenMode mode, FolderHandles* folders = nullptr);
    // Creates a new file, opened for reading and writing; false, with nothing
    // changed, when a file, folder or link already has the path. Other
    // failures raise "Cannot create file %s". Unless `held` is false, nobody
    // else can open it for writing while it is open here (on POSIX systems
    // that is an advisory lock, one more system call: item files, which are
    // only ever read, go without).
    bool CreateNew(const std::string& path, bool held = true);
    // Creates the helper file a rewrite of the file at `realPath` is built in:
    // the first free name of realPath + ".eit-new" + N (N empty, 1, 2, ...),
    // held exclusively, readable by its owner only until it takes `like`'s
    // owner (where allowed), group and mode, or on Windows its attributes.
    // Errors name `shownPath`, the file being rewritten, as does every error
    // of this file from then on.
    void CreateBeside(const std::string& realPath, const std::string& shownPath, const File* like);
    // Raises the error CreateBeside would raise for `realPath` where the
    // system can tell without a file being left: its folder lets no file be
    // created (permission, a read-only file system), or lets no other file be
    // renamed onto it. For checking every rewrite of a run before the first.
    static void CheckCreateBeside(const std::string& realPath, const std::string& shownPath);
    // Puts this finished file at `path` by a rename, replacing what has that
    // name (a link itself, not the file it leads to). With `keepEarlier` the
    // file or link that had the name stays as PATH.~N~ (the first free N),
    // whose name is returned. `earlier`, when open on the file replaced, is
    // then open on the new contents and this file is closed; on failure
    // nothing has changed.
    std::string MoveOnto(const std::string& path, File* earlier, bool keepEarlier);
    // Removes the file this is open on, if its path still names it, and closes it.
    void Remove() noexcept;
    // The name of the N-th helper file beside `realPath`.
    static std::string BesideName(const std::string& realPath, std::uint64_t n);
    // The name the N-th earlier file of `path` is kept under: PATH.~N~.
    static std::string BackupName(const std::string& path, std::uint64_t n) { return path + ".~" + std::to_string(n) + "~"; }
    // Removes the file at `path` when no live process holds it open: a helper
    // file left by a rewrite that was killed. False when it stays.
    static bool RemoveUnheld(const std::string& path) noexcept;
    void Close() noexcept;
    // A second handle on this open file, with a position and read-ahead of
    // its own: for another thread to read or write it at other places.
    File Duplicate() const;
    bool IsOpen() const { return handle_ != kNoHandle; }
    const std::string& Path() const { return path_; }
    // The file named in errors: the path, or the file a helper file stands for.
    const std::string& ShownPath() const { return shownPath_.empty() ? path_ : shownPath_; }

    // Reads exactly n bytes or raises "Stream read error".
    void Read(void* buffer, std::size_t n);
    // The same without filling the read-ahead buffer: for bulk data.
    void ReadUncached(void* buffer, std::size_t n);
    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::uint32_t ReadU32();
    std::vector<std::uint8_t> ReadBytes(std::size_t n);

    void Write(const void* buffer, std::size_t n);
    void WriteU32(std::uint32_t value);

    void Seek(std::uint64_t position);
    void Skip(std::uint64_t count) { Seek(position_ + count); }
    std::uint64_t Position() const { return position_; }
    std::uint64_t Size() const;
    // The file's identity, size and modification time as it was opened (a
    // look of the open itself, where it made one) or first asked for.
    FileStamp Stamp() const;
    // Cuts or extends the file to `size` bytes and moves the position there.
    void Truncate(std::uint64_t size);

    // Copies `count` bytes from `source`'s position to this file's position,
    // in pieces of at most kCopyPiece bytes: inside the kernel where the system
    // can, else through a buffer of at most one piece. Small copies are read
    // through the source's read-ahead: copy from a File of its own when other
    // reads of that file (a directory walk) must keep theirs.
    void CopyFrom(File& source, std::uint64_t count);
    // Copies as CopyFrom does, but hands the kernel the whole range at once, so
    // that a file system sharing extents clones what it can rather than copying
    // it; counted as one write by the failure seam.
    void CloneFrom(File& source, std::uint64_t count);
    // Whether this file's file system may share extents between files, so
    // that CloneFrom clones rather than copies: false only where it is known
    // that it cannot (a copy into a file of its own is then a copy).
    bool MayShareExtents() const;
    // Whether the two files hold the same bytes; both positions move.
    bool SameContents(File& other);

    static constexpr std::size_t kCopyPiece = 61440;

private:
#ifdef _WIN32
    using Handle = void*;
    static inline const Handle kNoHandle = reinterpret_cast<void*>(-1);
#else
    using Handle = int;
    static constexpr Handle kNoHandle = -1;
#endif
    // Added to the reason when the helper file beside `realPath` cannot be made.
    static std::string BesideNote(const std::string& realPath);

    void Adopt(Handle handle, const std::string& path, OpenMode mode);
    Handle CopyHandle() const;
    // Takes over `fresh`'s handle, keeping this file's path: after a swap.
    void TakeHandleOf(File& fresh);
    ToolError ShortRead() const;
    std::uint64_t SystemSize() const;
    FileStamp SystemStamp() const;
    std::size_t RawRead(std::uint64_t at, void* buffer, std::size_t n);
    void RawWrite(std::uint64_t at, const void* buffer, std::size_t n);
    // Copies up to n bytes from `source`'s position to ours inside the kernel,
    // moving neither position; returns how many it copied: fewer (down to 0)
    // where the system cannot copy so, after which neither file tries again.
    std::size_t KernelCopy(File& source, std::size_t n);
    static bool ReadOnly(OpenMode mode) { return mode == OpenMode::Read || mode == OpenMode::ReadUnlocked; }

    Handle handle_ = kNoHandle;
    std::string path_;
    std::string shownPath_;
    OpenMode mode_ = OpenMode::Read;
    std::uint64_t position_ = 0;
    // Read-ahead window: bytes [cacheStart_, cacheStart_ + cache_.size()).
    std::vector<std::uint8_t> cache_;
    std::uint64_t cacheStart_ = 0;
    mutable std::optional<std::uint64_t> readSize_;  // of a file opened for reading only
    mutable std::optional<FileStamp> stamp_;
    bool kernelCopy_ = true;  // false once the kernel refused to copy from or to this file
};

}  // namespace eit
