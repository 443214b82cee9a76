// The file layer on Windows: handles opened with sharing modes, positioned
// reads and writes through OVERLAPPED offsets.
#ifdef _WIN32
#include "platform/File.h"

#include <algorithm>

#include "platform/Error.h"
#include "platform/Faults.h"
#include "platform/FileSystem.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace eit {

using faults::InjectedFailure;

void File::Open(const std::string& path, OpenMode mode)
{
    Close();
    DWORD access = GENERIC_READ;
    DWORD share = 0;
    DWORD disposition = OPEN_EXISTING;
    if (mode == OpenMode::Read) share = FILE_SHARE_READ;
    else if (mode == OpenMode::ReadUnlocked) share = FILE_SHARE_READ | FILE_SHARE_WRITE;
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

// Windows has no copy between open files inside the kernel: CopyFrom copies
// through its buffer.
std::size_t File::KernelCopy(File&, std::size_t) { return 0; }

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

}  // namespace eit
#endif
