#include "platform/File.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/RewriteAside.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace eit {

namespace {
constexpr std::size_t kCacheSize = 65536;

long failAt = 0;
long counted = 0;
bool triggered = false;

// Counts a mutating operation; true when this one is planned to fail.
bool InjectedFailure()
{
    if (failAt == 0) return false;
    if (++counted != failAt) return false;
    triggered = true;
    return true;
}
}  // namespace

namespace faults {
void FailOperation(long n)
{
    failAt = n;
    counted = 0;
    triggered = false;
}
long OperationsCounted() { return counted; }
bool Triggered() { return triggered; }
}  // namespace faults

File::~File() { Close(); }

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        mode_ = other.mode_;
        position_ = other.position_;
        cache_ = std::move(other.cache_);
        cacheStart_ = other.cacheStart_;
        readSize_ = other.readSize_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

#ifdef _WIN32

void File::Open(const std::string& path, OpenMode mode)
{
    Close();
    DWORD access = GENERIC_READ;
    DWORD share = 0;
    DWORD disposition = OPEN_EXISTING;
    if (mode == OpenMode::Read) share = FILE_SHARE_READ;
    else access |= GENERIC_WRITE;
    if (mode == OpenMode::Create) disposition = CREATE_ALWAYS;
    HANDLE h = CreateFileA(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    auto fail = [&] { return mode == OpenMode::Create ? CannotCreateFile(path) : CannotOpenFile(path); };
    if (h == INVALID_HANDLE_VALUE) throw fail();
    if (GetFileType(h) != FILE_TYPE_DISK) {  // a device such as NUL or CON, not a file
        CloseHandle(h);
        throw fail();
    }
    Adopt(h, path, mode);
}

bool File::CreateNew(const std::string& path)
{
    Close();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS || Exists(path)) return false;
        throw CannotCreateFile(path);
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        throw CannotCreateFile(path);
    }
    Adopt(h, path, OpenMode::Create);
    return true;
}

void File::Close() noexcept
{
    if (handle_ != kNoHandle) CloseHandle(handle_);
    handle_ = kNoHandle;
    cache_.clear();
    readSize_.reset();
}

std::size_t File::RawRead(std::uint64_t at, void* buffer, std::size_t n)
{
    std::size_t done = 0;
    while (done < n) {
        OVERLAPPED where{};
        std::uint64_t offset = at + done;
        where.Offset = static_cast<DWORD>(offset);
        where.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(handle_, static_cast<char*>(buffer) + done, want, &got, &where)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            throw StreamReadError();
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

void File::RawWrite(std::uint64_t at, const void* buffer, std::size_t n)
{
    if (InjectedFailure()) throw StreamWriteError();
    std::size_t done = 0;
    while (done < n) {
        OVERLAPPED where{};
        std::uint64_t offset = at + done;
        where.Offset = static_cast<DWORD>(offset);
        where.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD want = static_cast<DWORD>(std::min<std::size_t>(n - done, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(handle_, static_cast<const char*>(buffer) + done, want, &put, &where) || put == 0) {
            throw StreamWriteError();
        }
        done += put;
    }
}

std::uint64_t File::SystemSize() const
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) throw StreamReadError();
    return static_cast<std::uint64_t>(size.QuadPart);
}

void File::Truncate(std::uint64_t size)
{
    cache_.clear();
    if (InjectedFailure()) throw StreamWriteError();
    LARGE_INTEGER where;
    where.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(handle_, where, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) throw StreamWriteError();
    position_ = size;
}

void File::ReplaceWith(const std::string& newPath)
{
    if (InjectedFailure()) throw StreamWriteError();
    OpenMode mode = mode_;
    std::string path = path_;
    Close();  // a file opened without sharing cannot be replaced while open
    bool moved = MoveFileExA(newPath.c_str(), ResolvedPath(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    Open(path, mode == OpenMode::Create ? OpenMode::ReadWrite : mode);  // Create would empty the new contents
    if (!moved) throw StreamWriteError();
}

#else

void File::Open(const std::string& path, OpenMode mode)
{
    Close();
    int flags = O_CLOEXEC;
    if (mode == OpenMode::Read) flags |= O_RDONLY;
    else flags |= O_RDWR;
    if (mode == OpenMode::Create) flags |= O_CREAT;
    int fd = ::open(path.c_str(), flags, 0666);
    auto fail = [&] { return mode == OpenMode::Create ? CannotCreateFile(path) : CannotOpenFile(path); };
    if (fd < 0) throw fail();
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        throw fail();
    }
    // Advisory locks stand in for the sharing modes of other systems.
    int lock = (mode == OpenMode::Read ? LOCK_SH : LOCK_EX) | LOCK_NB;
    // Emptying an already empty new file is skipped: on some file systems a
    // truncation to zero makes the close flush the file at once.
    bool empty = info.st_size == 0;
    if (flock(fd, lock) != 0 || (mode == OpenMode::Create && !empty && ftruncate(fd, 0) != 0)) {
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
    if (InjectedFailure()) throw StreamWriteError();
    std::size_t done = 0;
    while (done < n) {
        ssize_t put = ::pwrite(handle_, static_cast<const char*>(buffer) + done, n - done, static_cast<off_t>(at + done));
        if (put <= 0) throw StreamWriteError();
        done += static_cast<std::size_t>(put);
    }
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

#endif

void File::Adopt(Handle handle, const std::string& path, OpenMode mode)
{
    handle_ = handle;
    path_ = path;
    mode_ = mode;
    position_ = 0;
    cache_.clear();
    readSize_.reset();
}

void File::Read(void* buffer, std::size_t n)
{
    if (n == 0) return;
    std::uint64_t cacheEnd = cacheStart_ + cache_.size();
    if (position_ >= cacheStart_ && position_ + n <= cacheEnd) {
        std::memcpy(buffer, cache_.data() + (position_ - cacheStart_), n);
    } else if (n >= kCacheSize / 2) {
        ReadUncached(buffer, n);
        return;
    } else {
        cache_.resize(kCacheSize);
        cache_.resize(RawRead(position_, cache_.data(), kCacheSize));
        cacheStart_ = position_;
        if (cache_.size() < n) throw StreamReadError();
        std::memcpy(buffer, cache_.data(), n);
    }
    position_ += n;
}

void File::ReadUncached(void* buffer, std::size_t n)
{
    if (n == 0) return;
    std::uint64_t cacheEnd = cacheStart_ + cache_.size();
    if (position_ >= cacheStart_ && position_ + n <= cacheEnd) {
        std::memcpy(buffer, cache_.data() + (position_ - cacheStart_), n);
    } else if (RawRead(position_, buffer, n) != n) {
        throw StreamReadError();
    }
    position_ += n;
}

std::uint8_t File::ReadU8()
{
    std::uint8_t b;
    Read(&b, 1);
    return b;
}

std::uint16_t File::ReadU16()
{
    std::uint8_t b[2];
    Read(b, 2);
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t File::ReadU32()
{
    std::uint8_t b[4];
    Read(b, 4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::vector<std::uint8_t> File::ReadBytes(std::size_t n)
{
    // The caller has checked n against the file's size; a short file still fails cleanly.
    if (n > Size() - std::min(Size(), position_)) throw StreamReadError();
    std::vector<std::uint8_t> bytes(n);
    Read(bytes.data(), n);
    return bytes;
}

void File::Write(const void* buffer, std::size_t n)
{
    if (n == 0) return;
    cache_.clear();
    RawWrite(position_, buffer, n);
    position_ += n;
}

void File::WriteU32(std::uint32_t value)
{
    std::uint8_t b[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                         static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    Write(b, 4);
}

void File::Seek(std::uint64_t position) { position_ = position; }

std::uint64_t File::Size() const
{
    // A file opened for reading only cannot change size through us, and
    // nobody may write it meanwhile: its size is taken once.
    if (mode_ != OpenMode::Read) return SystemSize();
    if (!readSize_) readSize_ = SystemSize();
    return *readSize_;
}

void File::CopyFrom(File& source, std::uint64_t count)
{
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyPiece)));
    while (count > 0) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyPiece));
        source.ReadUncached(piece.data(), n);  // leaves the source's read-ahead where it was
        Write(piece.data(), n);
        count -= n;
    }
}

void FillNewFile(File& file, const std::function<void(File&)>& fill)
{
    try {
        fill(file);
    } catch (...) {
        std::string path = file.Path();
        file.Close();
        RemoveFile(path);
        throw;
    }
}

void CreateWholeFile(const std::string& path, const std::function<void(File&)>& fill)
{
    if (Exists(path)) {
        // An earlier file of that name stays as it was until the new one is whole.
        File earlier;
        try {
            earlier.Open(path, OpenMode::ReadWrite);
        } catch (const ToolError&) {
            throw CannotCreateFile(path);
        }
        RewriteAside aside(earlier);
        fill(aside.Out());
        aside.Commit();
        return;
    }
    File file(path, OpenMode::Create);
    FillNewFile(file, fill);
}

void BufferedWriter::Write(const void* bytes, std::size_t n)
{
    if (piece_.size() + n > File::kCopyPiece) Flush();
    if (n >= File::kCopyPiece) {
        out_.Write(bytes, n);
    } else {
        piece_.append(static_cast<const char*>(bytes), n);
    }
}

void BufferedWriter::CopyFrom(File& source, std::uint64_t count)
{
    if (count >= File::kCopyPiece) {
        Flush();
        out_.CopyFrom(source, count);
        return;
    }
    std::size_t at = piece_.size();
    if (at + count > File::kCopyPiece) {
        Flush();
        at = 0;
    }
    piece_.resize(at + static_cast<std::size_t>(count));
    source.ReadUncached(piece_.data() + at, static_cast<std::size_t>(count));
}

void BufferedWriter::Flush()
{
    out_.Write(piece_.data(), piece_.size());
    piece_.clear();
}

}  // namespace eit
