#include "main/Replay.h"

#include <array>

#include "main/Dispatch.h"
#include "main/JobKinds.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace eit {

namespace {
constexpr std::array<std::string_view, 3> kReplayKeywords = {"#Format:", "#Source:", "#Target"};

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::uint8_t FormatOfName(std::string_view name)
{
    for (std::size_t i = 0; i < FormatNames.size(); ++i) {
        if (!FormatNames[i].empty() && FormatNames[i] == name) return KindByFilter[i];
    }
    return kFormatNone;
}

// Handles a "#Source:" line at index i; returns the index the walk goes on from.
std::size_t ReplaySource(RunContext& ctx, std::string_view sourcePath, std::uint8_t format, std::size_t i)
{
    if (ctx.StopRequested) throw RunStopped();
    std::string source(sourcePath);
    ctx.SourceStream.Close();
    if (Exists(source)) ctx.SourceStream.Open(source, OpenMode::ReadWrite);
    std::string_view name = FileNameOf(source);
    ctx.report.CurrentMessage("Processing " + std::string(name) + "...");
    InsertHandler insert = InsertHandlerOf(format);
    if (insert == nullptr) return i;
    try {
        return insert(ctx, JoinPath(ctx.TargetDir, name), i + 1);
    } catch (...) {
        ctx.SourceStream.Close();  // the error ends the run: leave no file held without sharing
        throw;
    }
}
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
    constexpr std::size_t kKeywordLength = 9;  // "#Target: "
    return std::string(line.size() > kKeywordLength ? line.substr(kKeywordLength) : std::string_view());
}

std::string SourceMissingLine(std::string_view path)
{
    return "Source " + std::string(FileNameOf(path)) + " not found, skipped.";
}

void ReplayLog(RunContext& ctx, const std::string& logPath)
{
    LineList& lines = ctx.ReplayLines;
    lines.Clear();
    lines.LoadFromFile(logPath);
    std::string message = "Processing " + std::string(FileNameOf(logPath)) + "...";
    ctx.report.CurrentMessage(message);
    ctx.SetTotal(0);
    std::uint8_t format = kFormatNone;

    for (std::size_t i = 0; i < lines.Count(); ++i) {
        ctx.report.CurrentMessage(message);
        std::size_t m = lines.Count();
        ctx.SetTotal(m > 1 ? static_cast<int>(i * 100 / (m - 1)) : 0);

        std::string_view line = lines[i];
        std::string_view token = FirstToken(line);
        bool keyword = false;
        for (std::string_view k : kReplayKeywords) keyword = keyword || (!token.empty() && token == k);
        if (keyword) {
            // The remainder is taken by position: the first token's length plus one.
            std::string_view remainder = line.size() > token.size() ? line.substr(token.size() + 1) : line.substr(line.size());
            lines.Set(i, remainder);
            if (token == kReplayKeywords[0]) {
                format = FormatOfName(FirstToken(remainder));
            } else if (token == kReplayKeywords[1]) {
                i = ReplaySource(ctx, remainder, format, i);
            }
        }
        ctx.SourceStream.Close();
        ctx.SetProgress(ctx.ProgressPosition() + 1);
        ctx.report.PumpEvents();
    }
}

}  // namespace eit
