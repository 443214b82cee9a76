#include "jobs/Replay.h"

#include <array>

#include "formats/Formats.h"
#include "run/LogLines.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace eit {

namespace {
constexpr std::array<std::string_view, 3> kReplayKeywords = {kFormatKeyword, kSourceKeyword, kTargetKeywordPrefix};

// Handles a "#Source:" line at index i for the group's format (null for none);
// returns the index the walk goes on from.
std::size_t ReplaySource(RunContext& ctx, std::string_view sourcePath, const JobRow* format, std::size_t i)
{
    if (ctx.StopRequested) throw RunStopped();
    const std::string source(sourcePath);
    SourceStreamScope scope(ctx, source);
    std::string_view name = FileNameOf(source);
    ctx.report.CurrentMessage("Processing " + std::string(name) + "...");
    if (format == nullptr || format->insert == nullptr) return i;
    return format->insert(ctx, JoinPath(ctx.TargetDir, name), i + 1);
}
}  // namespace

void ReplayLog(RunContext& ctx, const std::string& logPath)
{
    LineList& lines = ctx.ReplayLines;
    lines.Clear();
    lines.LoadFromFile(logPath, LineList::ByteOrderMark::Skip);
    std::string message = "Processing " + std::string(FileNameOf(logPath)) + "...";
    ctx.report.CurrentMessage(message);
    ctx.SetTotal(0);
    const JobRow* format = nullptr;

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
                format = RowOfFormatName(FirstToken(remainder));
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
