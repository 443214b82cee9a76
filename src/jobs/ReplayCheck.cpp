#include "jobs/ReplayCheck.h"

#include <map>
#include <optional>
#include <set>

#include "formats/Formats.h"
#include "jobs/Replay.h"
#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Words.h"
#include "run/GroupCheck.h"

namespace eit {

namespace {
// The files a replay run rewrites, gathered by identity as its groups are
// checked in log order.
class RunCheck : public GroupCheck {
public:
    RunCheck(const RunSettings& settings, const std::vector<std::string>& logs, bool reporting)
    {
        report = reporting;
        for (const std::string& entry : logs) {
            const std::string log = settings.Resolve(entry);
            if (std::optional<FileId> id = IdentityOf(log)) logs_.emplace(*id, log);
        }
    }

    // A group starts: one that would rewrite a log of the run is refused, as
    // the log would no longer be the one checked.
    void BeginGroup(const std::string& source)
    {
        summary.clear();
        rewrites = false;
        upToDate = false;
        sourcePath_ = source;
        source_ = IdentityOf(source);
        if (!source_) return;
        if (auto log = logs_.find(*source_); log != logs_.end()) {
            throw ToolError("Cannot replay into " + source + ": it is the operation log " + log->second + " of this run");
        }
    }
    bool SourceRewrittenEarlier() const override { return source_ && rewritten_.contains(*source_); }
    void EndGroup()
    {
        if (rewrites && !upToDate && source_) rewritten_.insert(*source_);  // one up to date keeps its bytes
    }

    bool IsFinal(const std::string& path, const std::optional<FileId>& id) override
    {
        if (!id) return true;  // reading it reports it missing
        if (id == source_) {
            throw ToolError("Cannot replay into " + sourcePath_ + ": its group names it as its own target " + path);
        }
        return !rewritten_.contains(*id);
    }

private:
    std::map<FileId, std::string> logs_;
    std::set<FileId> rewritten_;
    std::optional<FileId> source_;
    std::string sourcePath_;
};

// Checks one "#Source:" line's group. When the check reports, an error is
// reported and added to `errors`, and the walk passes over the group's lines;
// otherwise it is raised.
std::size_t CheckGroup(RunContext& ctx, RunCheck& check, const JobRow* format, const std::string& source, std::size_t i,
                       std::vector<std::string>& errors)
{
    try {
        SourceStreamScope scope(ctx, source);  // it opens for writing, or is missing
        const std::string name(FileNameOf(source));
        ctx.report.CurrentMessage("Checking " + name + "...");
        if (format == nullptr || format->check == nullptr) {
            if (check.report) ctx.report.AddResult(source + ": its group names no format, passed over");
            return i;
        }
        check.BeginGroup(source);
        const std::size_t next = format->check(ctx, JoinPath(ctx.settings.TargetDir, name), i + 1, check);
        // The rewrite builds the new file beside the source's real file: its
        // folder must let it, or the replay would stop after earlier writes.
        // A source already up to date is not rewritten and needs no such file.
        if (check.rewrites && !check.upToDate) File::CheckCreateBeside(ResolvedPath(source), source);
        if (check.report) {
            const bool twice = check.rewrites && check.SourceRewrittenEarlier();
            const char* note = twice ? " (an earlier group rewrites it first)" : check.upToDate ? ", up to date" : "";
            ctx.report.AddResult(source + ": " + check.summary + note);
        }
        check.EndGroup();
        return next;
    } catch (const ToolError& e) {
        if (!check.report) throw;
        errors.emplace_back(e.what());
        ctx.report.AddResult(source + ": cannot be replayed: " + e.what());
        return i;
    }
}

std::string EmptyEntryError(JobKind kind, std::size_t index)
{
    const std::string where = kind == JobKind::ReplayProject ? "Line " + std::to_string(index + 1) + " of the project list"
                                                             : "Job entry " + std::to_string(index + 1);
    return where + " is empty: it names no operation log";
}

// Checks every log's groups. `reporting`: report every group and every error
// and go on (the Check command); otherwise quietly raise the first error.
std::vector<std::string> CheckLogs(RunContext& ctx, const std::vector<std::string>& logs, bool reporting)
{
    ctx.Compared.clear();
    RunCheck check(ctx.settings, logs, reporting);
    std::vector<std::string> errors;
    for (std::size_t n = 0; n < logs.size(); ++n) {
        if (ctx.StopRequested) throw RunStopped();
        try {
            if (logs[n].empty()) throw ToolError(EmptyEntryError(ctx.JobKind, n));
            WalkLog(ctx, logs[n], "Checking", [&](const JobRow* format, const std::string& source, std::size_t i) {
                return CheckGroup(ctx, check, format, source, i, errors);
            });
        } catch (const ToolError& e) {
            if (!reporting) throw;
            errors.emplace_back(e.what());
            ctx.report.AddResult(logs[n].empty() ? std::string(e.what()) : logs[n] + ": cannot be replayed: " + e.what());
        }
        ctx.SetTotal(static_cast<int>(n * 100 / logs.size()));
        ctx.report.PumpEvents();
    }
    return errors;
}
}  // namespace

void PreflightReplay(RunContext& ctx, const std::vector<std::string>& logs) { CheckLogs(ctx, logs, false); }

std::vector<std::string> CheckReplay(RunContext& ctx, const std::vector<std::string>& logs)
{
    ctx.settings.StartRun();
    ctx.StopRequested = false;
    ctx.report.ClearResults();
    std::vector<std::string> errors;
    bool stopped = false;
    try {
        HandlerScope handler(ctx.report);  // Stop is live while the check runs
        errors = CheckLogs(ctx, logs, true);
    } catch (const RunStopped&) {
        stopped = true;
        errors.emplace_back(kCheckStoppedLine);
    }
    ctx.report.CurrentMessage("");
    ctx.SetProgress(0);
    ctx.SetTotal(0);
    if (errors.empty()) {
        ctx.report.AddResult(kCheckSucceededLine);
    } else if (stopped) {
        ctx.report.AddResult(kCheckStoppedLine);
    } else {
        ctx.report.AddResult("The replay would fail with " + Counted(errors.size(), "error", "errors") + ", and write nothing.");
    }
    return errors;
}

}  // namespace eit
