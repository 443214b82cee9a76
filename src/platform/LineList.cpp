#include "platform/LineList.h"

#include <algorithm>
#include <cstring>

#include "platform/Error.h"
#include "platform/BufferedWriter.h"
#include "platform/File.h"
#include "platform/Utf8.h"

namespace eit {

namespace {
constexpr std::size_t kBlockSize = 1 << 20;

// Splits text fed in pieces into lines by the reading rules of line lists.
class LineSplitter {
public:
    explicit LineSplitter(LineList& list) : list_(list) {}

    // False once a zero byte has ended the text.
    bool Feed(std::string_view piece)
    {
        for (char c : piece) {
            if (afterCr_) {
                afterCr_ = false;
                if (c == '\n') continue;
            }
            if (c == '\0') {
                zeroByteLine_ = list_.Count() + 1;
                return false;
            }
            if (c == '\r' || c == '\n') {
                list_.Add(partial_);
                partial_.clear();
                afterCr_ = (c == '\r');
            } else {
                partial_ += c;
            }
        }
        return true;
    }

    // Adds the last line; the line a zero byte ended the text on, if one did.
    std::optional<std::size_t> Finish()
    {
        if (!partial_.empty()) list_.Add(partial_);
        partial_.clear();
        return zeroByteLine_;
    }

private:
    LineList& list_;
    std::string partial_;
    bool afterCr_ = false;
    std::optional<std::size_t> zeroByteLine_;
};
}  // namespace

std::string_view LineList::At(std::size_t i) const
{
    if (i >= lines_.size()) throw ListIndexOutOfBounds(i);
    return {lines_[i].text, lines_[i].length};
}

const char* LineList::Store(std::string_view text)
{
    if (text.empty()) return "";
    if (blocks_.empty() || blockUsed_ + text.size() > blockSize_) {
        blockSize_ = std::max(kBlockSize, text.size());
        blocks_.push_back(std::make_unique<char[]>(blockSize_));
        blockUsed_ = 0;
    }
    char* place = blocks_.back().get() + blockUsed_;
    std::memcpy(place, text.data(), text.size());
    blockUsed_ += text.size();
    return place;
}

void LineList::Add(std::string_view line)
{
    const char* text = Store(line);
    lines_.push_back({text, line.size()});
}

void LineList::Set(std::size_t i, std::string_view line)
{
    if (i >= lines_.size()) throw ListIndexOutOfBounds(i);
    Span& span = lines_[i];
    // A part of the line itself (a remainder) needs no copy: the blocks never move.
    if (line.data() >= span.text && line.data() + line.size() <= span.text + span.length) {
        span = {line.data(), line.size()};
    } else {
        span = {Store(line), line.size()};
    }
}

void LineList::Shrink(std::size_t count)
{
    if (count < lines_.size()) lines_.resize(count);
}

void LineList::Clear()
{
    lines_.clear();
    lines_.shrink_to_fit();
    blocks_.clear();
    blockUsed_ = blockSize_ = 0;
    zeroByteLine_.reset();
}

void LineList::AddText(std::string_view text)
{
    LineSplitter splitter(*this);
    splitter.Feed(text);
    zeroByteLine_ = splitter.Finish();
}

void LineList::LoadFromFile(const std::string& path, ByteOrderMark mark)
{
    File file(path, OpenMode::ReadUnlocked);
    std::uint64_t left = file.Size();
    std::vector<char> piece(File::kCopyPiece);
    LineSplitter splitter(*this);
    for (bool first = true; left > 0; first = false) {
        std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, piece.size()));
        file.Read(piece.data(), n);
        left -= n;
        std::string_view text(piece.data(), n);
        if (first && mark == ByteOrderMark::Skip && StartsWithUtf8Bom(text)) text.remove_prefix(kUtf8Bom.size());
        if (!splitter.Feed(text)) break;
    }
    zeroByteLine_ = splitter.Finish();
}

void LineList::SaveToFile(const std::string& path, const WholeFileOptions& options) const
{
    CreateWholeFile(path, [&](File& file) { WriteTo(file); }, options);
}

void LineList::WriteTo(File& file) const
{
    BufferedWriter out(file);
    for (const Span& line : lines_) {
        out.Write(line.text, line.length);
        out.Write("\r\n", 2);
    }
    out.Flush();
}

}  // namespace eit
