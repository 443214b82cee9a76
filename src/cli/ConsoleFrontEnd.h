#pragma once
#include <chrono>
#include <functional>
#include <string>

#include "run/RunContext.h"

namespace eit::cli {

// Results lines to standard output as they come; a progress display on
// standard error when that is a terminal.
class ConsoleReporter : public Reporter {
public:
    ConsoleReporter();
    void CurrentMessage(std::string_view text) override;
    void ClearResults() override { results_ = 0; }
    void AddResult(std::string_view line) override;
    // On standard error only, so a warning is shown once.
    void Warning(std::string_view line) override;
    std::size_t ResultCount() const override { return results_; }
    void Progress(int position, int max) override;
    void Total(int position, int max) override;
    void Extracted(std::string_view) override {}
    void EndDisplay();

private:
    void Draw();
    bool terminal_;
    std::size_t results_ = 0;
    std::string message_;
    int progress_ = 0;
    int total_ = 0;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point lastDraw_;
};

// Runs `command` with a console reporter whose progress display is ended,
// and standard output flushed, before anything else is printed: whether the
// command returns or throws.
void OnConsole(const std::function<void(Reporter&)>& command);

// The answers eitool gives: the target folder from --target (created when
// missing), the palette from --palette, messages to standard error.
class ScriptedDialogs : public Dialogs {
public:
    std::string targetFolder;
    std::string palette;
    std::optional<std::string> PickTargetFolder(const std::string&) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    std::optional<std::string> PickPalette() override;
};

}  // namespace eit::cli
