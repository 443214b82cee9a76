#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/RewriteAside.h"

namespace eit {

// An ordered list of byte-string lines, stored compactly: the text lives in
// large blocks that never move, so adding a line costs constant time and a
// list of a million lines holds little more than its bytes.
class LineList {
public:
    std::size_t Count() const { return lines_.size(); }
    bool Empty() const { return lines_.empty(); }
    // Line i; raises "List index out of bounds (i)" past the end.
    std::string_view At(std::size_t i) const;
    std::string_view operator[](std::size_t i) const { return At(i); }

    void Add(std::string_view line);
    void Set(std::size_t i, std::string_view line);
    // Keeps the first `count` lines.
    void Shrink(std::size_t count);
    void Clear();

    // Files: each line followed by CR LF when written; when read, a line ends
    // at CR LF, CR or LF, a zero byte ends the text, and a final line end
    // adds no empty line. Errors are the file layer's. A file read as a line
    // list is the user's own (a log, a project list, a text) and is not
    // locked. A list of paths (a log, a project list) skips the UTF-8 byte
    // order mark that Windows editors put first.
    enum class ByteOrderMark { Keep, Skip };
    void LoadFromFile(const std::string& path, ByteOrderMark mark = ByteOrderMark::Keep);
    void SaveToFile(const std::string& path, const WholeFileOptions& options = {}) const;
    // Writes every line, each ended by CR LF, from the file's position on.
    void WriteTo(File& file) const;
    // The same reading rules over bytes in memory.
    void AddText(std::string_view text);
    // The line (counted from 1) on which a zero byte ended the text last read;
    // nothing when none did.
    std::optional<std::size_t> ZeroByteLine() const { return zeroByteLine_; }

private:
    struct Span {
        const char* text;
        std::size_t length;
    };
    const char* Store(std::string_view text);

    std::vector<Span> lines_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t blockUsed_ = 0;
    std::size_t blockSize_ = 0;
    std::optional<std::size_t> zeroByteLine_;
};

}  // namespace eit
