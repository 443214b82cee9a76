#include "run/LogLines.h"

#include "platform/Paths.h"

namespace eit {

namespace {
bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
}  // namespace

std::string_view FirstToken(std::string_view line)
{
    std::size_t start = 0;
    while (start < line.size() && IsWhiteSpace(line[start])) ++start;
    std::size_t end = start;
    while (end < line.size() && !IsWhiteSpace(line[end])) ++end;
    return line.substr(start, end - start);
}

std::string TargetPathOf(std::string_view line)
{
    constexpr std::size_t kKeywordLength = kTargetKeyword.size() + 1;  // "#Target: "
    return std::string(line.size() > kKeywordLength ? line.substr(kKeywordLength) : std::string_view());
}

void AddTargetLine(LineList& log, std::string_view path)
{
    std::string line(kTargetKeyword);
    line += ' ';
    line += path;
    log.Add(line);
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

std::string ShowLineBreaks(std::string_view text)
{
    std::string shown;
    for (char c : text) {
        if (c == '\r') shown += "\\r";
        else if (c == '\n') shown += "\\n";
        else shown += c;
    }
    return shown;
}

std::string SourceMissingLine(std::string_view path)
{
    return "Source " + std::string(FileNameOf(path)) + " not found, skipped.";
}

std::string UpToDateLine(std::string_view path)
{
    return std::string(FileNameOf(path)) + " was up to date: nothing written.";
}

}  // namespace eit
