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
    // A line that warns of something the run goes on with: a results line in
    // the window, standard error in eitool.
    virtual void Warning(std::string_view line) { AddResult(line); }
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

// How the .txt files of a run hold their texts: the game's bytes as they are
// (nothing given), or UTF-8 through a code page, a character table file, or
// a code page with a table file's overrides.
struct TextEncoding {
    std::string codePage;
    std::string tableFile;
    bool AsBytes() const { return codePage.empty() && tableFile.empty(); }
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
    // The encoding of the run's .txt files, asked at most once per run: when
    // a run over CIF text files starts, or a replay meets a .txt saved as
    // UTF-8. Nothing to give up, which stops the run. Unless a front end asks,
    // the texts are the bytes as they are.
    virtual std::optional<TextEncoding> PickEncoding() { return TextEncoding{}; }
};

// The run state shared by the run driver, the replay and the format handlers.
struct RunContext {
    RunContext(Reporter& reporter, Dialogs& dialogs) : report(reporter), ask(dialogs) {}

    Reporter& report;
    Dialogs& ask;

    std::string TargetDir;
    LineList OperationLog;
    LineList ReplayLines;
    // The log whose lines ReplayLines holds; empty when they come from elsewhere.
    std::string ReplayLogPath;
    File SourceStream;
    eit::JobKind JobKind = eit::JobKind::None;
    std::atomic<bool> StopRequested{false};
    std::uint64_t TotalBytes = 0;
    // The font palette chosen for this run, once one has been found or given.
    std::string PalettePath;
    // The encoding the front end gives every run (eitool's options); nothing
    // when it is asked through PickEncoding, once per run, when first needed.
    std::optional<TextEncoding> GivenEncoding;
    // The encoding of this run's .txt files, once given or asked.
    std::optional<TextEncoding> Encoding;

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

    // Names, for an error, the group of the log being replayed whose first
    // "#Target:" line is at `first`: "the group of NAME at line N of LOG".
    std::string GroupLabel(std::string_view sourcePath, std::size_t first) const;
    // The path on the group's first "#Target:" line; a log that ends
    // before it is refused with the list's error and the group named.
    std::string GroupTargetPath(std::string_view sourcePath, std::size_t first) const;

private:
    static int Clamp(int value, int max) { return value < 0 ? 0 : (value > max ? max : value); }
    int progress_ = 0;
    int progressMax_ = 100;
};

// Tells the reporter that a handler's work starts, and that it ends on every
// way out of the scope.
class HandlerScope {
public:
    explicit HandlerScope(Reporter& report) : report_(report) { report_.HandlerStarted(); }
    ~HandlerScope() { report_.HandlerEnded(); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

private:
    Reporter& report_;
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
