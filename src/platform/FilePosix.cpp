// The file layer on POSIX systems: descriptors with advisory locks standing
// in for sharing modes, positioned reads and writes.
#ifndef _WIN32
#include "platform/File.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <iterator>
#include <sys/file.h>
#include <sys/stat.h>
#ifdef __linux__
#include <sys/vfs.h>
#endif
#include <system_error>
#include <unistd.h>

#include "platform/Error.h"
#include "platform/Faults.h"
#include "platform/FolderHandles.h"
#include "platform/Paths.h"

namespace eit {

using faults::InjectedFailure;

namespace {
// Why an open is refused when another process holds the file's lock.
constexpr const char* kHeldElsewhere = "another program holds it open (a replay or extraction of it may be under way)";
// How often an open tries again when the file it locked was replaced meanwhile.
constexpr int kOpenAttempts = 100;

std::string SystemReason(int error = errno) { return std::generic_category().message(error); }

// Why an entry of this type is refused; empty for a regular file.
std::string NotRegular(mode_t mode)
{
    if (S_ISREG(mode)) return {};
    const char* kind = S_ISFIFO(mode)                    ? "a FIFO"
                       : S_ISDIR(mode)                   ? "a folder"
                       : S_ISSOCK(mode)                  ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode)  ? "a device"
                                                         : "something else";
    return std::string("it is ") + kind + ", not a regular file";
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

FileStamp StampOf(const struct stat& info)
{
    return {FileId{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)},
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

// Gives a new file the owner (where allowed), group and mode of `like`. The
// owner comes first: changing it clears the set-user-ID bits.
void TakeIdentity(int fd, int like)
{
    struct stat info;
    if (fstat(like, &info) != 0) return;
    const bool owned = fchown(fd, info.st_uid, info.st_gid) == 0;
    if (!owned && fchown(fd, static_cast<uid_t>(-1), info.st_gid) != 0) {
        // the group stays ours
    }
    if (fchmod(fd, info.st_mode & (owned ? 07777 : 0777)) != 0) return;  // the file stays readable by its owner only
}

// Gives the file or link at `path` a second name PATH.~N~, the first free N;
// `moved` when the file system has no hard links and the name was moved
// instead. Empty when nothing has the name.
std::string KeepAsBackup(const std::string& path, const std::string& shownPath, bool& moved)
{
    for (std::uint64_t n = 1;; ++n) {
        const std::string backup = File::BackupName(path, n);
        if (linkat(AT_FDCWD, path.c_str(), AT_FDCWD, backup.c_str(), 0) == 0) return backup;
        if (errno == EEXIST) continue;
        if (errno == ENOENT) return {};
        struct stat taken;
        if (lstat(backup.c_str(), &taken) == 0) continue;
        if (std::rename(path.c_str(), backup.c_str()) != 0) throw StreamWriteError(SystemReason(), shownPath);
        moved = true;
        return backup;
    }
}
}  // namespace

void File::Open(const std::string& path, OpenMode mode, FolderHandles* folders)
{
    Close();
    const bool creating = mode == OpenMode::Create;
    // Opened without waiting: a FIFO would block the open until a writer came.
    int flags = O_CLOEXEC | O_NONBLOCK | (ReadOnly(mode) ? O_RDONLY : O_RDWR);
    if (creating) flags |= O_CREAT | O_NOFOLLOW;  // never written through a link
    auto fail = [&](const std::string& reason) {
        return creating ? CannotCreateFile(path, reason) : CannotOpenFile(path, reason);
    };
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        const FolderHandles::Place place = FolderHandles::Locate(folders, path);
        const int fd = ::openat(place.folder, place.name, flags, 0666);
        if (fd < 0) throw fail(errno == EISDIR ? NotRegular(S_IFDIR) : SystemReason());
        struct stat opened;
        std::string refusal = fstat(fd, &opened) == 0 ? NotRegular(opened.st_mode) : SystemReason();
        if (!refusal.empty()) {
            ::close(fd);
            throw fail(refusal);
        }
        // A regular file ignores O_NONBLOCK, so it stays set. The user's own
        // files, read as items, texts or sheets, take no lock: nothing needs
        // them guarded, and a lock is more system calls per item.
        if (mode == OpenMode::ReadUnlocked) {
            Adopt(fd, path, mode);
            readSize_ = static_cast<std::uint64_t>(opened.st_size);
            stamp_ = StampOf(opened);
            return;
        }
        // Advisory locks stand in for the sharing modes of other systems.
        if (flock(fd, (ReadOnly(mode) ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
            const std::string reason = errno == EWOULDBLOCK ? kHeldElsewhere : SystemReason();
            ::close(fd);
            throw fail(reason);
        }
        // A rewrite swaps its new file in while it still holds the old one: a
        // file replaced between our open and our lock is opened anew.
        struct stat named;
        if (stat(path.c_str(), &named) != 0 || !SameFile(opened, named)) {
            ::close(fd);
            continue;
        }
        // Emptying an already empty new file is skipped: on some file systems
        // a truncation to zero makes the close flush the file at once.
        if (creating && named.st_size != 0 && ftruncate(fd, 0) != 0) {
            ::close(fd);
            throw fail(SystemReason());
        }
        Adopt(fd, path, mode);
        readSize_ = creating ? 0 : static_cast<std::uint64_t>(named.st_size);
        if (!creating) stamp_ = StampOf(named);
        return;
    }
    throw fail("it was replaced again and again while being opened");
}

bool File::CreateNew(const std::string& path, bool held)
{
    Close();
    // O_EXCL also refuses a link at the name, dangling or not.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        throw CannotCreateFile(path, SystemReason());
    }
    if (held && flock(fd, LOCK_EX | LOCK_NB) != 0) {  // a file nobody could know yet
        ::close(fd);
        throw CannotCreateFile(path, SystemReason());
    }
    Adopt(fd, path, OpenMode::Create);
    return true;
}

void File::CreateBeside(const std::string& realPath, const std::string& shownPath, const File* like)
{
    Close();
    // Owner-only until it has the original's identity: a private file never
    // shows its bytes to others, not even half-built or left by a killed run.
    const mode_t initial = like != nullptr ? 0600 : 0666;
    for (std::uint64_t n = 0;; ++n) {
        const std::string name = BesideName(realPath, n);
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, initial);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const std::string reason = SystemReason();
            if (fd >= 0) ::close(fd);
            throw CannotCreateFile(shownPath, reason + BesideNote(realPath));
        }
        if (like != nullptr) TakeIdentity(fd, like->handle_);
        Adopt(fd, name, OpenMode::Create);
        shownPath_ = shownPath;
        return;
    }
}

void File::CheckCreateBeside(const std::string& realPath, const std::string& shownPath)
{
    const std::string folder = FolderOf(realPath);
    auto refuse = [&](int error) { return CannotCreateFile(shownPath, SystemReason(error) + BesideNote(realPath)); };
    // As the open that creates the file would judge: permissions, access
    // control lists, a read-only file system.
    if (faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) throw refuse(errno);
    // In a sticky folder (such as /tmp) only the owner of the file or of the
    // folder may rename a file onto it.
    struct stat inFolder, file;
    const uid_t me = geteuid();
    if (me != 0 && stat(folder.c_str(), &inFolder) == 0 && (inFolder.st_mode & S_ISVTX) != 0 && inFolder.st_uid != me &&
        stat(realPath.c_str(), &file) == 0 && file.st_uid != me) {
        throw refuse(EPERM);
    }
}

std::string File::MoveOnto(const std::string& path, File* earlier, bool keepEarlier)
{
    if (InjectedFailure()) throw StreamWriteError(faults::kInjectedReason, ShownPath());
    bool moved = false;
    const std::string backup = keepEarlier ? KeepAsBackup(path, ShownPath(), moved) : std::string();
    if (std::rename(path_.c_str(), path.c_str()) != 0) {
        const std::string reason = SystemReason();
        if (moved) std::rename(backup.c_str(), path.c_str());
        else if (!backup.empty()) ::unlink(backup.c_str());
        throw StreamWriteError(reason, ShownPath());
    }
    path_ = path;
    // The new file stays held, so no other rewrite can take it before we let go.
    if (earlier != nullptr) earlier->TakeHandleOf(*this);
    return backup;
}

void File::Remove() noexcept
{
    struct stat held;
    struct stat named;
    if (handle_ != kNoHandle && fstat(handle_, &held) == 0 && lstat(path_.c_str(), &named) == 0 && SameFile(held, named)) {
        ::unlink(path_.c_str());
    }
    Close();
}

bool File::RemoveUnheld(const std::string& path) noexcept
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat held;
    struct stat named;
    const bool removed = fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                         lstat(path.c_str(), &named) == 0 && SameFile(held, named) && ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

File::Handle File::CopyHandle() const
{
    const int fd = ::fcntl(handle_, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) throw CannotOpenFile(ShownPath(), SystemReason());
    return fd;
}

void File::Close() noexcept
{
    if (handle_ != kNoHandle) ::close(handle_);
    handle_ = kNoHandle;
    cache_.clear();
    readSize_.reset();
}

std::size_t File::RawRead(std::uint64_t at, void* buffer, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        ssize_t got = ::pread(handle_, static_cast<char*>(buffer) + done, n - done, static_cast<off_t>(at + done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw StreamReadError(SystemReason(), ShownPath());
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

void File::RawWrite(std::uint64_t at, const void* buffer, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        ssize_t put = ::pwrite(handle_, static_cast<const char*>(buffer) + done, n - done, static_cast<off_t>(at + done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw StreamWriteError(put < 0 ? SystemReason() : SystemReason(ENOSPC), ShownPath());
        done += static_cast<std::size_t>(put);
    }
}

// copy_file_range (Linux) copies between files of one file system inside the
// kernel, and clones where the file system shares extents. It fails where it
// cannot (EXDEV, ENOSYS, EINVAL, EOPNOTSUPP, ...) and stops short at the end
// of the source: the caller then copies the rest through its buffer, which
// raises the read or write error a copy that fails there deserves.
std::size_t File::KernelCopy(File& source, std::size_t n)
{
    std::size_t done = 0;
#ifdef __linux__
    const std::size_t allowed = faults::KernelCopyAllowed(n);
    while (done < allowed) {
        off_t in = static_cast<off_t>(source.position_ + done), out = static_cast<off_t>(position_ + done);
        ssize_t copied = ::copy_file_range(source.handle_, &in, handle_, &out, allowed - done, 0);
        if (copied <= 0) break;
        done += static_cast<std::size_t>(copied);
    }
    faults::CountKernelCopy(done);
#endif
    if (done < n) source.kernelCopy_ = kernelCopy_ = false;
    return done;
}

bool File::MayShareExtents() const
{
#ifdef __linux__
    // File systems known to keep every file's blocks to itself; others
    // (btrfs, XFS, network file systems, ...) may clone.
    constexpr unsigned long kNeverShare[] = {
        0x01021994,  // tmpfs
        0x858458f6,  // ramfs
        0xef53,      // ext2, ext3, ext4
        0x4d44,      // FAT
        0x2011bab0,  // exFAT
        0x7366746e,  // ntfs3
        0xf2f52010,  // F2FS
    };
    struct statfs info;
    if (fstatfs(handle_, &info) != 0) return true;
    const auto type = static_cast<unsigned long>(info.f_type);
    return std::find(std::begin(kNeverShare), std::end(kNeverShare), type) == std::end(kNeverShare);
#else
    return false;  // no copy inside the kernel here (KernelCopy)
#endif
}

std::uint64_t File::SystemSize() const
{
    struct stat info;
    if (fstat(handle_, &info) != 0) throw StreamReadError(SystemReason(), ShownPath());
    return static_cast<std::uint64_t>(info.st_size);
}

FileStamp File::SystemStamp() const
{
    struct stat info;
    if (fstat(handle_, &info) != 0) throw StreamReadError(SystemReason(), ShownPath());
    return StampOf(info);
}

// Beside SystemStamp, so that the two give the time in the same units.
std::optional<std::int64_t> ModifiedAt(const std::string& path, FolderHandles* folders)
{
    if (path.empty()) return std::nullopt;
    const FolderHandles::Place place = FolderHandles::Locate(folders, path);
    struct stat info;
    if (::fstatat(place.folder, place.name, &info, 0) != 0) return std::nullopt;
    return StampOf(info).modified;
}

void File::Truncate(std::uint64_t size)
{
    cache_.clear();
    if (InjectedFailure()) throw StreamWriteError(faults::kInjectedReason, ShownPath());
    if (ftruncate(handle_, static_cast<off_t>(size)) != 0) throw StreamWriteError(SystemReason(), ShownPath());
    position_ = size;
}

}  // namespace eit
#endif
