#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/File.h"

namespace eit {

// Gathers small writes to a file into pieces of up to File::kCopyPiece bytes,
// so many small items cost few system calls. Flush() before the file is used.
class BufferedWriter {
public:
    explicit BufferedWriter(File& out) : out_(out) {}
    void Write(const void* bytes, std::size_t n);
    void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
    // Copies `count` bytes from the source's position: small ones through the
    // buffer, large ones streamed in pieces.
    void CopyFrom(File& source, std::uint64_t count);
    void Flush();

private:
    File& out_;
    std::string piece_;
};

}  // namespace eit
