// The file layer on POSIX systems: descriptors with advisory locks standing
// in for sharing modes, positioned reads and writes.
#ifndef _WIN32
#include "platform/File.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Error.h"
#include "platform/Faults.h"
#include "platform/FileSystem.h"

namespace eit {

using faults::InjectedFailure;

void File::Open(const std::string& path, OpenMode mode)
{
    Close();
    int flags = O_CLOEXEC | (ReadOnly(mode) ? O_RDONLY : O_RDWR);
    if (mode == OpenMode::Create) flags |= O_CREAT;
    int fd = ::open(path.c_str(), flags, 0666);
    auto fail = [&] { return mode == OpenMode::Create ? CannotCreateFile(path) : CannotOpenFile(path); };
    if (fd < 0) throw fail();
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw fail();
    }
    // Advisory locks stand in for the sharing modes of other systems; the
    // user's own files, read as items, texts or sheets, take none: nothing
    // needs them guarded, and a lock is one more system call per item.
    bool locked = mode == OpenMode::ReadUnlocked || flock(fd, (ReadOnly(mode) ? LOCK_SH : LOCK_EX) | LOCK_NB) == 0;
    // Emptying an already empty new file is skipped: on some file systems a
    // truncation to zero makes the close flush the file at once.
    bool empty = info.st_size == 0;
    if (!locked || (mode == OpenMode::Create && !empty && ftruncate(fd, 0) != 0)) {
        ::close(fd);
        throw fail();
    }
    Adopt(fd, path, mode);
    readSize_ = static_cast<std::uint64_t>(info.st_size);
}

bool File::CreateNew(const std::string& path)
{
    Close();
    // Nobody else can hold a file that did not exist a moment ago: no lock needed.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (errno == EEXIST) return false;
        throw CannotCreateFile(path);
    }
    Adopt(fd, path, OpenMode::Create);
    return true;
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
        if (got < 0) throw StreamReadError();
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
        if (put <= 0) throw StreamWriteError();
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

std::uint64_t File::SystemSize() const
{
    struct stat info;
    if (fstat(handle_, &info) != 0) throw StreamReadError();
    return static_cast<std::uint64_t>(info.st_size);
}

void File::Truncate(std::uint64_t size)
{
    cache_.clear();
    if (InjectedFailure() || ftruncate(handle_, static_cast<off_t>(size)) != 0) throw StreamWriteError();
    position_ = size;
}

void File::ReplaceWith(const std::string& newPath)
{
    if (InjectedFailure()) throw StreamWriteError();
    std::error_code ignored;
    std::filesystem::permissions(newPath, std::filesystem::status(path_).permissions(), ignored);
    if (std::rename(newPath.c_str(), ResolvedPath(path_).c_str()) != 0) throw StreamWriteError();
    OpenMode mode = mode_;
    std::string path = path_;
    Open(path, mode == OpenMode::Create ? OpenMode::ReadWrite : mode);
}

}  // namespace eit
#endif
