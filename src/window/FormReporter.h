#pragma once
#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <chrono>
#include <string>

#include "run/RunContext.h"
#include "window/JobListBox.h"
#include "window/ResultsPane.h"

namespace eit::window {

// The controls the reporting channels are bound to.
struct ReportControls {
    QLabel* currentMessage;
    QLabel* extracted;
    ResultsPane* results;
    QProgressBar* progress;
    QProgressBar* total;
    QAction* stop;
    QAction* saveLog;
    JobListBox* jobs;  // marks the entry under way
};

// The window's reporting channels. A handler reports every item, so the
// channels only note what they are told; Flush() shows it on the controls.
// PumpEvents flushes and handles the window's pending events, at most once
// per kPumpInterval: often enough to feel live, rarely enough that a package
// of many small items runs about as fast as without a window.
class FormReporter : public Reporter {
public:
    static constexpr std::chrono::milliseconds kPumpInterval{20};

    explicit FormReporter(const ReportControls& controls);

    void CurrentMessage(std::string_view text) override;
    void ClearResults() override;
    void AddResult(std::string_view line) override { c_.results->Model().Add(line); }
    std::size_t ResultCount() const override { return c_.results->Model().Count(); }
    void FocusResults() override { c_.results->setFocus(); }
    void Progress(int position, int max) override;
    void Total(int position, int max) override;
    void Extracted(std::string_view text) override;
    void PumpEvents() override;
    void HandlerStarted() override;
    void HandlerEnded() override;

    // Shows everything reported so far on the controls.
    void Flush();
    // The next PumpEvents handles events whenever it comes.
    void PumpAtNextCall() { lastPump_ = {}; }
    // How often PumpEvents handles events at most; 0 for at every call.
    void SetPumpInterval(std::chrono::milliseconds interval) { pumpInterval_ = interval; }
    // Slows every PumpEvents down, so that a run can be watched (screenshots).
    void SetPumpDelay(std::chrono::milliseconds delay) { pumpDelay_ = delay; }

private:
    struct Bar {
        int position = 0;
        int max = 100;
        bool changed = false;
    };
    struct Text {
        std::string text;
        bool changed = false;
    };
    static void Show(QLabel* label, Text& text);
    static void Show(QProgressBar* bar, Bar& state);

    ReportControls c_;
    Text message_;
    Text extracted_;
    Bar progress_;
    Bar total_;
    std::chrono::steady_clock::time_point lastPump_{};
    std::chrono::milliseconds pumpInterval_ = kPumpInterval;
    std::chrono::milliseconds pumpDelay_{0};
};

}  // namespace eit::window

namespace eit::window {

// The run's questions, asked once the controls show everything reported, so
// that "Operation complete!" comes over the final state of the window.
class FlushingDialogs : public Dialogs {
public:
    FlushingDialogs(FormReporter& reporter, Dialogs& dialogs) : reporter_(reporter), dialogs_(dialogs) {}
    std::optional<std::string> PickTargetFolder(const std::string& start) override
    {
        reporter_.Flush();
        return dialogs_.PickTargetFolder(start);
    }
    void ShowMessage(const std::string& text, const std::string& caption) override
    {
        reporter_.Flush();
        dialogs_.ShowMessage(text, caption);
    }
    std::optional<std::string> PickPalette() override
    {
        reporter_.Flush();
        return dialogs_.PickPalette();
    }
    std::optional<TextEncoding> PickEncoding() override
    {
        reporter_.Flush();
        return dialogs_.PickEncoding();
    }

private:
    FormReporter& reporter_;
    Dialogs& dialogs_;
};

}  // namespace eit::window
