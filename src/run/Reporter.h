#pragma once
#include <cstddef>
#include <string_view>

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

}  // namespace eit
