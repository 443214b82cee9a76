#include "platform/BufferedWriter.h"

namespace eit {

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
