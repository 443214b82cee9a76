#include "main/Run.h"

#include "main/Dispatch.h"
#include "main/JobKinds.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace eit {

void ProcessItem(RunContext& ctx, std::uint8_t kind, const std::string& path)
{
    ctx.report.FocusResults();
    ctx.report.HandlerStarted();
    try {
        Dispatch(ctx, kind, path);
    } catch (const RunStopped&) {
        ctx.report.HandlerEnded();
        throw;
    }
    ctx.report.HandlerEnded();
}

namespace {
// Processes the entries; false when the user stopped the run.
bool ProcessEntries(RunContext& ctx, const std::vector<std::string>& jobs)
{
    std::string formatLine = "#Format: " + std::string(FormatNameOfKind(ctx.JobKind));
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        if (ctx.StopRequested) return false;
        std::size_t groupStart = ctx.OperationLog.Count();
        ctx.OperationLog.Add(formatLine);
        ctx.OperationLog.Add("#Source: " + jobs[i]);
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
    bool replaying = ctx.JobKind == kReplayLogs || ctx.JobKind == kReplayProject;
    if (!ctx.OperationLog.Empty() && !replaying) {
        ctx.OperationLog.SaveToFile(ctx.TargetDir + kPathSeparator + "result.log");
    }
    ctx.ask.ShowMessage("Operation complete!", "Process status:");
}

}  // namespace eit
