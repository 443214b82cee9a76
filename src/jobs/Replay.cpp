#include "jobs/Replay.h"

#include <array>

#include "run/LogLines.h"
#include "run/RunSettings.h"
#include "platform/Error.h"
#include "platform/Paths.h"

namespace eit {

namespace {
constexpr std::array<std::string_view, 3> kReplayKeywords = {kFormatKeyword, kSourceKeyword, kTargetKeywordPrefix};
}  // namespace

void WalkLog(RunContext& ctx, const std::string& logPath, std::string_view verb, const SourceStep& step)
{
    LineList& lines = ctx.ReplayLines;
    lines.Clear();
    ctx.ReplayLogPath = ctx.settings.Resolve(logPath);
    lines.LoadFromFile(ctx.ReplayLogPath, LineList::ByteOrderMark::Skip);
    SettleLogEncoding(ctx, lines, ctx.ReplayLogPath);
    const std::string message = std::string(verb) + " " + std::string(FileNameOf(logPath)) + "...";
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
                if (ctx.StopRequested) throw RunStopped();
                i = step(format, ctx.settings.Resolve(remainder), i);
            }
        }
        ctx.SetProgress(ctx.ProgressPosition() + 1);
        ctx.report.PumpEvents();
    }
}

void ReplayLog(RunContext& ctx, const std::string& logPath)
{
    WalkLog(ctx, logPath, "Processing", [&ctx](const JobRow* format, const std::string& source, std::size_t i) {
        SourceStreamScope scope(ctx, source);
        std::string_view name = FileNameOf(source);
        ctx.report.CurrentMessage("Processing " + std::string(name) + "...");
        if (format == nullptr || format->insert == nullptr) return i;
        return format->insert(ctx, JoinPath(ctx.settings.TargetDir, name), i + 1);
    });
}

}  // namespace eit
