#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace eit {

class File;

// SHA-256 over bytes given piece by piece; the digest as 64 lower-case
// hexadecimal digits, the form manifests and logs carry.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(std::string_view bytes);
    // The digest of everything added; the hash is spent afterwards.
    std::string HexDigest();

private:
    void* handle_ = nullptr;
};

std::string Sha256Hex(std::string_view bytes);
// The digest of `size` bytes of `file` from `offset`, read in bounded pieces.
std::string Sha256OfRange(File& file, std::uint64_t offset, std::uint64_t size);
// The digest of a whole file on disk ("Cannot open file %s" when it cannot be read).
std::string Sha256OfFile(const std::string& path);

}  // namespace eit
