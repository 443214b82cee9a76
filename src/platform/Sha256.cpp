#include "platform/Sha256.h"

#include <gcrypt.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/Error.h"
#include "platform/File.h"

namespace eit {

namespace {

// libgcrypt must be told once, before any other call, that the program uses
// it without secure memory (nothing here is secret).
void InitialiseOnce()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (gcry_check_version(GCRYPT_VERSION) == nullptr) throw ToolError("The crypto library is older than the one built against");
        gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
        gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    });
}

gcry_md_hd_t Handle(void* handle) { return static_cast<gcry_md_hd_t>(handle); }

}  // namespace

Sha256::Sha256()
{
    InitialiseOnce();
    gcry_md_hd_t handle = nullptr;
    if (gcry_md_open(&handle, GCRY_MD_SHA256, 0) != 0) throw ToolError("Cannot start a SHA-256 hash");
    handle_ = handle;
}

Sha256::~Sha256() { gcry_md_close(Handle(handle_)); }

void Sha256::Add(std::string_view bytes) { gcry_md_write(Handle(handle_), bytes.data(), bytes.size()); }

std::string Sha256::HexDigest()
{
    constexpr char kDigits[] = "0123456789abcdef";
    const unsigned char* digest = gcry_md_read(Handle(handle_), GCRY_MD_SHA256);
    std::string hex;
    hex.reserve(64);
    for (int i = 0; i < 32; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 0x0F];
    }
    return hex;
}

std::string Sha256Hex(std::string_view bytes)
{
    Sha256 hash;
    hash.Add(bytes);
    return hash.HexDigest();
}

std::string Sha256OfRange(File& file, std::uint64_t offset, std::uint64_t size)
{
    Sha256 hash;
    std::vector<char> piece(static_cast<std::size_t>(std::min<std::uint64_t>(size, File::kCopyPiece)));
    file.Seek(offset);
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size()));
        file.ReadUncached(piece.data(), n);
        hash.Add({piece.data(), n});
        left -= n;
    }
    return hash.HexDigest();
}

std::string Sha256OfFile(const std::string& path)
{
    File file(path, OpenMode::ReadUnlocked);
    return Sha256OfRange(file, 0, file.Size());
}

}  // namespace eit
