#pragma once
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/File.h"
#include "platform/LineList.h"
#include "platform/RewriteAside.h"
#include "run/JobKind.h"

namespace eit {

// The reporting channels of a run. The window binds them to its controls,
// eitool to its output, tests to a recorder. Every call comes from the thread
// that runs the work; none of them may raise an error.
class Reporter {
public:
    virtual ~Reporter() = default;
    // The label naming the action under way.
    virtual void CurrentMessage(std::string_view text) = 0;
    virtual void ClearResults() = 0;
    virtual void AddResult(std::string_view line) = 0;
    virtual std::size_t ResultCount() const = 0;
    virtual void FocusResults() {}
    // The bar within one file and the bar over the job list (or a log's lines);
    // positions arrive already clamped to [0, max].
    virtual void Progress(int position, int max) = 0;
    virtual void Total(int position, int max) = 0;
    virtual void Extracted(std::string_view text) = 0;
    // Handle pending window events, then return.
    virtual void PumpEvents() {}
    // A handler starts or ends inside ProcessItem: the window enables Stop and
    // disables Save results, then the reverse.
    virtual void HandlerStarted() {}
    virtual void HandlerEnded() {}
};

// The questions a run asks the user. The window answers with dialogs, eitool
// and the tests from their arguments. None is ever asked from a test as a
// real modal dialog.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The folder picker, starting in `start`; nothing when cancelled. A folder
    // it returns exists (the picker creates a missing one after asking).
    virtual std::optional<std::string> PickTargetFolder(const std::string& start) = 0;
    // An information box with one OK button.
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    // An ACT palette file when the fixed one is missing; nothing to give up.
    virtual std::optional<std::string> PickPalette() { return std::nullopt; }
};

// The run state shared by the run driver, the replay and the format handlers.
struct RunContext {
    RunContext(Reporter& reporter, Dialogs& dialogs) : report(reporter), ask(dialogs) {}

    Reporter& report;
    Dialogs& ask;

    std::string TargetDir;
    LineList OperationLog;
    LineList ReplayLines;
    File SourceStream;
    eit::JobKind JobKind = eit::JobKind::None;
    std::atomic<bool> StopRequested{false};
    std::uint64_t TotalBytes = 0;
    // The font palette chosen for this run, once one has been found or given.
    std::string PalettePath;

    void SetProgress(int position) { report.Progress(progress_ = Clamp(position, progressMax_), progressMax_); }
    void SetProgressMax(int max)
    {
        progressMax_ = max;
        report.Progress(progress_ = Clamp(progress_, max), max);
    }
    int ProgressPosition() const { return progress_; }
    // Moves the bar to p and pumps events, but only when p differs: the
    // handlers touch the window once per whole percent, not once per item.
    void MoveProgress(int p)
    {
        if (p == progress_) return;
        SetProgress(p);
        report.PumpEvents();
    }
    // Results lines from the file layer about files removed or kept beside a
    // file it wrote.
    Notify Notes()
    {
        return [this](const std::string& line) { report.AddResult(line); };
    }
    // How an extraction writes its .txt, sheet and log: an earlier file whose
    // contents differ is kept, and the results say so.
    WholeFileOptions KeepingEarlierOutputs() { return {true, Notes()}; }
    void SetTotal(int position, int max = 100) { report.Total(Clamp(position, max), max); }
    // A handler starts on a file: names it in the label and sets the file's
    // bar to 0 of 100.
    void StartFile(std::string_view message)
    {
        report.CurrentMessage(message);
        SetProgress(0);
        SetProgressMax(100);
    }

private:
    static int Clamp(int value, int max) { return value < 0 ? 0 : (value > max ? max : value); }
    int progress_ = 0;
    int progressMax_ = 100;
};

// Holds a source open as ctx.SourceStream for one handler call: opened for
// reading and writing when the file exists (left closed when it does not, so
// the handler reports it missing), and closed on every way out.
class SourceStreamScope {
public:
    SourceStreamScope(RunContext& ctx, const std::string& path);
    ~SourceStreamScope() { ctx_.SourceStream.Close(); }
    SourceStreamScope(const SourceStreamScope&) = delete;
    SourceStreamScope& operator=(const SourceStreamScope&) = delete;

private:
    RunContext& ctx_;
};

}  // namespace eit
