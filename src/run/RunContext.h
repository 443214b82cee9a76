#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/File.h"
#include "platform/FileIdentity.h"
#include "platform/LineList.h"
#include "platform/RewriteAside.h"
#include "run/Dialogs.h"
#include "run/JobKind.h"
#include "run/Reporter.h"
#include "run/RunSettings.h"

namespace eit {

// What the check before a replay found when it compared a package with its
// item files: its first `items` items in place, byte for byte, as a rebuild
// writes them, and whether that is all the package holds; as the package was
// then (`stamp`).
struct ComparedSource {
    FileStamp stamp;
    std::uint32_t items = 0;
    bool upToDate = false;
};

// The run state shared by the run driver, the replay and the format handlers.
struct RunContext {
    RunContext(Reporter& reporter, Dialogs& dialogs) : report(reporter), ask(dialogs) {}

    Reporter& report;
    Dialogs& ask;

    // The target folder, encoding and palette, settled once per run.
    RunSettings settings;
    LineList OperationLog;
    LineList ReplayLines;
    // The log whose lines ReplayLines holds; empty when they come from elsewhere.
    std::string ReplayLogPath;
    File SourceStream;
    eit::JobKind JobKind = eit::JobKind::None;
    std::atomic<bool> StopRequested{false};
    std::uint64_t TotalBytes = 0;
    // What the check before this replay compared, by the log's path and the
    // group's first "#Target:" line, so that the replay need not read the
    // same bytes again; each is taken once.
    std::map<std::pair<std::string, std::size_t>, ComparedSource> Compared;

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
    // The path on the "#Target:" line at `index` of ReplayLines, a relative
    // one taken in the target folder.
    std::string TargetLinePath(std::size_t index) const;

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
