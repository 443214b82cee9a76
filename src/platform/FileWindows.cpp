// The file layer on Windows: handles opened with sharing modes, positioned
// reads and writes through OVERLAPPED offsets.
#ifdef _WIN32
#include "platform/File.h"

#include <algorithm>

#include "platform/Error.h"
#include "platform/Faults.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace eit {

using faults::InjectedFailure;

namespace {
std::string SystemReason(DWORD code = GetLastError())
{
    char* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD n = FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = n != 0 ? std::string(text, n) : "system error " + std::to_string(code);
    if (text != nullptr) LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    return reason;
}

// Why a handle of this type is refused; empty for a file on a disk.
std::string NotRegular(HANDLE h)
{
    switch (GetFileType(h)) {
    case FILE_TYPE_DISK: return {};
    case FILE_TYPE_PIPE: return "it is a pipe, not a regular file";
    default: return "it is a device, not a regular file";
    }
}

bool NameTaken(DWORD error, const std::string& name)
{
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ||
           (error == ERROR_ACCESS_DENIED && GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES);
}
}  // namespace

void File::Open(const std::string& path, OpenMode mode, FolderHandles* /*paths are used whole here*/)
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
    auto fail = [&](const std::string& reason) {
        return mode == OpenMode::Create ? CannotCreateFile(path, reason) : CannotOpenFile(path, reason);
    };
    if (h == INVALID_HANDLE_VALUE) throw fail(SystemReason());
    if (const std::string refusal = NotRegular(h); !refusal.empty()) {  // such as NUL, CON or a pipe
        CloseHandle(h);
        throw fail(refusal);
    }
    Adopt(h, path, mode);
}

bool File::CreateNew(const std::string& path, bool /*held: a new file is never shared here*/)
{
    Close();
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (NameTaken(error, path)) return false;
        throw CannotCreateFile(path, SystemReason(error));
    }
    if (const std::string refusal = NotRegular(h); !refusal.empty()) {
        CloseHandle(h);
        throw CannotCreateFile(path, refusal);
    }
    Adopt(h, path, OpenMode::Create);
    return true;
}

void File::CreateBeside(const std::string& realPath, const std::string& shownPath, const File* like)
{
    Close();
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    BY_HANDLE_FILE_INFORMATION info;
    if (like != nullptr && GetFileInformationByHandle(like->handle_, &info)) {
        const DWORD kept = info.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                                    FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        if (kept != 0) attributes = kept;
    }
    for (std::uint64_t n = 0;; ++n) {
        const std::string name = BesideName(realPath, n);
        // Shared for deletion only: it is renamed onto the original while held.
        HANDLE h = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW, attributes,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (NameTaken(error, name)) continue;
            throw CannotCreateFile(shownPath, SystemReason(error) + BesideNote(realPath));
        }
        Adopt(h, name, OpenMode::Create);
        shownPath_ = shownPath;
        return;
    }
}

void File::CheckCreateBeside(const std::string& realPath, const std::string& shownPath)
{
    // Only making a file tells whether a folder's access control lists allow
    // it: a probe that the system removes when its handle closes.
    for (std::uint64_t n = 0;; ++n) {
        const std::string name = BesideName(realPath, n);
        HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return;
        }
        const DWORD error = GetLastError();
        if (!NameTaken(error, name)) throw CannotCreateFile(shownPath, SystemReason(error) + BesideNote(realPath));
    }
}

std::string File::MoveOnto(const std::string& path, File* earlier, bool keepEarlier)
{
    if (InjectedFailure()) throw StreamWriteError(faults::kInjectedReason, ShownPath());
    // A file held without sharing can be neither renamed nor replaced: the
    // earlier one is let go first, and held again if the swap fails.
    const bool held = earlier != nullptr && earlier->IsOpen();
    const OpenMode heldMode = held && earlier->mode_ == OpenMode::Read ? OpenMode::Read : OpenMode::ReadWrite;
    if (held) earlier->Close();
    auto fail = [&](DWORD error) {
        if (held) {
            try {
                earlier->Open(earlier->path_, heldMode);
            } catch (const ToolError&) {  // another program took it meanwhile: it stays closed
            }
        }
        return StreamWriteError(SystemReason(error), ShownPath());
    };
    std::string backup;
    for (std::uint64_t n = 1; keepEarlier; ++n) {
        const std::string name = File::BackupName(path, n);
        if (MoveFileExA(path.c_str(), name.c_str(), 0)) {
            backup = name;
            break;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) break;
        if (!NameTaken(error, name)) throw fail(error);
    }
    if (!MoveFileExA(path_.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (!backup.empty()) MoveFileExA(backup.c_str(), path.c_str(), 0);
        throw fail(error);
    }
    path_ = path;
    if (earlier != nullptr) earlier->TakeHandleOf(*this);
    return backup;
}

void File::Remove() noexcept
{
    if (handle_ == kNoHandle) return;
    // Deleted while still held where the sharing allows, so nothing else can
    // take the name in between.
    if (!DeleteFileA(path_.c_str())) {
        Close();
        DeleteFileA(path_.c_str());
    }
    Close();
}

bool File::RemoveUnheld(const std::string& path) noexcept
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        return false;
    }
    // Opening without sharing fails while any process holds the file.
    HANDLE h = CreateFileA(path.c_str(), DELETE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

File::Handle File::CopyHandle() const
{
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (!::DuplicateHandle(GetCurrentProcess(), handle_, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        throw CannotOpenFile(ShownPath(), SystemReason());
    }
    return copy;
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
            const DWORD error = GetLastError();
            if (error == ERROR_HANDLE_EOF) break;
            throw StreamReadError(SystemReason(error), ShownPath());
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
        if (!WriteFile(handle_, static_cast<const char*>(buffer) + done, want, &put, &where)) {
            throw StreamWriteError(SystemReason(), ShownPath());
        }
        if (put == 0) throw StreamWriteError(SystemReason(ERROR_DISK_FULL), ShownPath());
        done += put;
    }
}

// Windows has no copy between open files inside the kernel: CopyFrom copies
// through its buffer.
std::size_t File::KernelCopy(File&, std::size_t) { return 0; }

bool File::MayShareExtents() const { return false; }  // nothing is copied inside the kernel here

std::uint64_t File::SystemSize() const
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_, &size)) throw StreamReadError(SystemReason(), ShownPath());
    return static_cast<std::uint64_t>(size.QuadPart);
}

namespace {
std::int64_t TimeOf(const FILETIME& time) { return static_cast<std::int64_t>((std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime); }
}  // namespace

FileStamp File::SystemStamp() const
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle_, &info)) throw StreamReadError(SystemReason(), ShownPath());
    return {FileId{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow},
            (std::uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow, TimeOf(info.ftLastWriteTime)};
}

// Beside SystemStamp, so that the two give the time in the same units.
std::optional<std::int64_t> ModifiedAt(const std::string& path, FolderHandles* /*paths are used whole here*/)
{
    WIN32_FILE_ATTRIBUTE_DATA info;
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) return std::nullopt;
    return TimeOf(info.ftLastWriteTime);
}

void File::Truncate(std::uint64_t size)
{
    cache_.clear();
    if (InjectedFailure()) throw StreamWriteError(faults::kInjectedReason, ShownPath());
    LARGE_INTEGER where;
    where.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(handle_, where, nullptr, FILE_BEGIN) || !SetEndOfFile(handle_)) {
        throw StreamWriteError(SystemReason(), ShownPath());
    }
    position_ = size;
}

}  // namespace eit
#endif
