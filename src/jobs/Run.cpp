#include "jobs/Run.h"

#include <map>

#include "formats/Formats.h"
#include "jobs/Replay.h"
#include "jobs/ReplayCheck.h"
#include "run/LogLines.h"
#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace eit {

void ProcessItem(RunContext& ctx, JobKind kind, const std::string& path)
{
    ctx.report.FocusResults();
    HandlerScope handler(ctx.report);
    if (IsReplay(kind)) {
        ReplayLog(ctx, path);
    } else if (const JobRow* row = RowOfKind(kind); row != nullptr && row->extract != nullptr) {
        row->extract(ctx, path);
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

ToolError LineBreakRefusal(const std::string& what, const std::string& path)
{
    return ToolError("Cannot extract " + what + ShowLineBreaks(path) +
                     ": its path holds a line break, which the operation log cannot hold");
}

// Refuses, before anything is written, an extraction whose log would replay
// wrong (a line break in a source's path, the target folder's or the
// character table's, which the log records), or that
// would write over one of its own sources: the same file, by identity, not
// by spelling, so links and letter case cannot hide it.
void CheckExtraction(const RunContext& ctx, const std::vector<std::string>& jobs)
{
    if (HasLineBreak(ctx.settings.TargetDir)) throw LineBreakRefusal("into the folder ", ctx.settings.TargetDir);
    if (const auto& given = ctx.settings.GivenEncoding; given && HasLineBreak(given->tableFile)) {
        throw LineBreakRefusal("with the character table ", given->tableFile);
    }
    std::map<FileId, std::string> sources;
    for (const std::string& job : jobs) {
        if (HasLineBreak(job)) throw LineBreakRefusal("", job);
        if (std::optional<FileId> id = IdentityOf(job)) sources.emplace(*id, job);
    }
    auto refuseOverSource = [&](const std::string& output) {
        std::optional<FileId> id = IdentityOf(output);
        if (auto source = id ? sources.find(*id) : sources.end(); source != sources.end()) {
            throw ToolError("Cannot write " + output + ": it is the same file as " + source->second +
                            ", a source of this run; nothing was written");
        }
    };
    refuseOverSource(JoinPath(ctx.settings.TargetDir, kLogFileName));
    const JobRow* row = RowOfKind(ctx.JobKind);
    if (row == nullptr || row->outputExtension.empty()) return;
    for (const std::string& job : jobs) {
        refuseOverSource(JoinPath(ctx.settings.TargetDir, ReplaceExtension(FileNameOf(job), row->outputExtension)));
    }
}

// Writes the extraction's log; an encoding other than the bytes as they are
// is recorded before the first group, so that the replay reads the .txt files alike.
void SaveOperationLog(RunContext& ctx, const std::string& path)
{
    if (!ctx.settings.Encoding || ctx.settings.Encoding->AsBytes()) {
        ctx.OperationLog.SaveToFile(path, ctx.KeepingEarlierOutputs());
        return;
    }
    LineList log;
    AddEncodingLines(log, *ctx.settings.Encoding);
    for (std::size_t i = 0; i < ctx.OperationLog.Count(); ++i) log.Add(ctx.OperationLog[i]);
    log.SaveToFile(path, ctx.KeepingEarlierOutputs());
}

// What must hold before the run's first write: a replay's every group of
// every log checks out; an extraction writes over none of its sources. False
// when the user stopped the run meanwhile.
bool CheckBeforeWriting(RunContext& ctx, const std::vector<std::string>& jobs)
{
    if (!IsReplay(ctx.JobKind)) {
        CheckExtraction(ctx, jobs);
        return true;
    }
    HandlerScope handler(ctx.report);  // the check of many logs can take a while: Stop is live
    try {
        PreflightReplay(ctx, jobs);
    } catch (const RunStopped&) {
        return false;
    }
    return true;
}
}  // namespace

std::optional<std::string> OperationLogPath(const RunContext& ctx)
{
    if (ctx.OperationLog.Empty() || IsReplay(ctx.JobKind)) return std::nullopt;
    return JoinPath(ctx.settings.TargetDir, kLogFileName);
}

void RunProcess(RunContext& ctx, const std::vector<std::string>& jobs)
{
    if (jobs.empty()) return;
    ctx.settings.StartRun();
    ctx.StopRequested = false;
    ctx.report.ClearResults();
    ctx.OperationLog.Clear();
    // The picker starts in the last run's target folder; nothing changes the
    // process's current folder: the run's relative paths are resolved explicitly.
    if (ctx.settings.TargetDir.empty()) ctx.settings.TargetDir = CurrentFolder();
    ctx.TotalBytes = 0;

    if (std::optional<std::string> chosen = ctx.ask.PickTargetFolder(ctx.settings.TargetDir)) {
        ctx.settings.TargetDir = *chosen;
        ctx.SetTotal(0);
        if (!CheckBeforeWriting(ctx, jobs) || !ProcessEntries(ctx, jobs)) ctx.report.AddResult(kStoppedLine);
        ctx.report.CurrentMessage("");
        ctx.report.Extracted("");
        ctx.SetProgress(0);
        ctx.SetTotal(0);
    }
    if (ctx.TotalBytes != 0) {
        ctx.report.AddResult("Total " + std::to_string(ctx.TotalBytes) + " bytes extracted.");
    }
    if (std::optional<std::string> log = OperationLogPath(ctx)) SaveOperationLog(ctx, *log);
    ctx.ask.ShowMessage("Operation complete!", "Process status:");
}

}  // namespace eit
