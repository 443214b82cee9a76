#include "jobs/Run.h"

#include "formats/Formats.h"
#include "jobs/Replay.h"
#include "run/LogLines.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace eit {

namespace {
// Ends the handler's reporting on every way out of ProcessItem.
class HandlerScope {
public:
    explicit HandlerScope(Reporter& report) : report_(report) { report_.HandlerStarted(); }
    ~HandlerScope() { report_.HandlerEnded(); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    Reporter& report_;
};
}  // namespace

void ProcessItem(RunContext& ctx, JobKind kind, const std::string& path)
{
    ctx.report.FocusResults();
    HandlerScope handler(ctx.report);
    switch (kind) {
    case JobKind::ReplayLogs:
    case JobKind::ReplayProject: ReplayLog(ctx, path); break;
    case JobKind::ExtractLib:
    case JobKind::ExtractCifText:
    case JobKind::FontToBitmap: RowOfKind(kind)->extract(ctx, path); break;
    case JobKind::None: break;
    }
}

namespace {
// Processes the entries; false when the user stopped the run.
bool ProcessEntries(RunContext& ctx, const std::vector<std::string>& jobs)
{
    std::string formatLine = std::string(kFormatKeyword) + " " + std::string(FormatNameOfKind(ctx.JobKind));
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (ctx.StopRequested) return false;
        std::size_t groupStart = ctx.OperationLog.Count();
        ctx.OperationLog.Add(formatLine);
        ctx.OperationLog.Add(std::string(kSourceKeyword) + " " + jobs[i]);
        try {
            ProcessItem(ctx, ctx.JobKind, jobs[i]);
        } catch (const RunStopped&) {
            ctx.OperationLog.Shrink(groupStart);  // a group stopped part-way would not replay right
            return false;
        }
        ctx.SetTotal(static_cast<int>(i * 100 / jobs.size()));
        ctx.report.PumpEvents();
    }
    return true;
}
}  // namespace

void RunProcess(RunContext& ctx, const std::vector<std::string>& jobs)
{
    if (jobs.empty()) return;
    ctx.StopRequested = false;
    ctx.report.ClearResults();
    ctx.OperationLog.Clear();
    ctx.TargetDir = CurrentFolder();
    ctx.TotalBytes = 0;
    ctx.PalettePath.clear();

    if (std::optional<std::string> chosen = ctx.ask.PickTargetFolder(ctx.TargetDir)) {
        ctx.TargetDir = *chosen;
        SetCurrentFolder(ctx.TargetDir);  // a failure here shows at the first file written
        ctx.SetTotal(0);
        if (!ProcessEntries(ctx, jobs)) ctx.report.AddResult(kStoppedLine);
        ctx.report.CurrentMessage("");
        ctx.report.Extracted("");
        ctx.SetProgress(0);
        ctx.SetTotal(0);
    }
    if (ctx.TotalBytes != 0) {
        ctx.report.AddResult("Total " + std::to_string(ctx.TotalBytes) + " bytes extracted.");
    }
    if (!ctx.OperationLog.Empty() && !IsReplay(ctx.JobKind)) {
        ctx.OperationLog.SaveToFile(ctx.TargetDir + kPathSeparator + "result.log", ctx.KeepingEarlierOutputs());
    }
    ctx.ask.ShowMessage("Operation complete!", "Process status:");
}

}  // namespace eit
