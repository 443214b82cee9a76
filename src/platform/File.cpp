#include "platform/File.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "platform/Error.h"
#include "platform/Paths.h"

namespace eit {

namespace {
constexpr std::size_t kCacheSize = 65536;
}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept { *this = std::move(other); }

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        handle_ = other.handle_;
        path_ = std::move(other.path_);
        shownPath_ = std::move(other.shownPath_);
        mode_ = other.mode_;
        position_ = other.position_;
        cache_ = std::move(other.cache_);
        cacheStart_ = other.cacheStart_;
        readSize_ = other.readSize_;
        stamp_ = other.stamp_;
        kernelCopy_ = other.kernelCopy_;
        other.handle_ = kNoHandle;
    }
    return *this;
}

void File::Adopt(Handle handle, const std::string& path, OpenMode mode)
{
    handle_ = handle;
    path_ = path;
    shownPath_.clear();
    mode_ = mode;
    position_ = 0;
    cache_.clear();
    readSize_.reset();
    stamp_.reset();
    kernelCopy_ = true;
}

void File::TakeHandleOf(File& fresh)
{
    const std::string path = path_;
    Close();
    Adopt(fresh.handle_, path, OpenMode::ReadWrite);
    fresh.handle_ = kNoHandle;
    fresh.Close();
}

File File::Duplicate() const
{
    File copy;
    copy.Adopt(CopyHandle(), path_, mode_);
    copy.shownPath_ = shownPath_;
    copy.readSize_ = readSize_;
    copy.kernelCopy_ = kernelCopy_;
    return copy;
}

std::string File::BesideName(const std::string& realPath, std::uint64_t n)
{
    return realPath + ".eit-new" + (n == 0 ? std::string() : std::to_string(n));
}

std::string File::BesideNote(const std::string& realPath)
{
    return " (the new contents are built in a file beside it, in its folder " + FolderOf(realPath) + ")";
}

ToolError File::ShortRead() const { return StreamReadError("the file ends early", ShownPath()); }

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
        if (cache_.size() < n) throw ShortRead();
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
        throw ShortRead();
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
    if (n > Size() - std::min(Size(), position_)) throw ShortRead();
    std::vector<std::uint8_t> bytes(n);
    Read(bytes.data(), n);
    return bytes;
}

void File::Write(const void* buffer, std::size_t n)
{
    if (n == 0) return;
    cache_.clear();
    if (faults::InjectedFailure()) throw StreamWriteError(faults::kInjectedReason, ShownPath());
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
    // A file opened for reading only cannot change size through us: its size
    // is taken once. (Where nobody is kept from writing it, a read past what
    // it holds by then fails as any short read does.)
    if (!ReadOnly(mode_)) return SystemSize();
    if (!readSize_) readSize_ = SystemSize();
    return *readSize_;
}

FileStamp File::Stamp() const
{
    if (!stamp_) stamp_ = SystemStamp();
    return *stamp_;
}

void File::CopyFrom(File& source, std::uint64_t count)
{
    cache_.clear();
    // Small copies go through the source's read-ahead, so many small items in
    // a row cost one read; larger ones are copied inside the kernel where it can.
    const bool small = count < kCacheSize / 2;
    std::vector<std::uint8_t> piece;  // only where the kernel does not copy
    while (count > 0) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyPiece));
        // One write per piece, however it is copied, as the failure seam counts them.
        if (faults::InjectedFailure()) throw StreamWriteError(faults::kInjectedReason, ShownPath());
        const std::size_t done = !small && kernelCopy_ && source.kernelCopy_ ? KernelCopy(source, n) : 0;
        source.position_ += done;
        position_ += done;
        if (done < n) {
            piece.resize(n - done);
            source.Read(piece.data(), piece.size());
            RawWrite(position_, piece.data(), piece.size());
            position_ += piece.size();
        }
        count -= n;
    }
}

void File::CloneFrom(File& source, std::uint64_t count)
{
    cache_.clear();
    if (faults::InjectedFailure()) throw StreamWriteError(faults::kInjectedReason, ShownPath());
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, std::numeric_limits<std::size_t>::max()));
    const std::size_t done = count > 0 && kernelCopy_ && source.kernelCopy_ ? KernelCopy(source, n) : 0;
    source.position_ += done;
    position_ += done;
    CopyFrom(source, count - done);
}

bool File::SameContents(File& other)
{
    const std::uint64_t size = Size();
    if (other.Size() != size) return false;
    std::vector<std::uint8_t> mine(static_cast<std::size_t>(std::min<std::uint64_t>(size, kCopyPiece)));
    std::vector<std::uint8_t> theirs(mine.size());
    Seek(0);
    other.Seek(0);
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, kCopyPiece));
        ReadUncached(mine.data(), n);
        other.ReadUncached(theirs.data(), n);
        if (!std::equal(mine.begin(), mine.begin() + static_cast<std::ptrdiff_t>(n), theirs.begin())) return false;
        left -= n;
    }
    return true;
}

}  // namespace eit
