#pragma once
// A reporter that keeps every value set, and dialogs answered from a script.
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "run/RunContext.h"

namespace eit::test {

class Recorder : public Reporter {
public:
    std::vector<std::string> messages;
    std::vector<std::string> results;
    std::vector<int> progress;  // every position set
    std::vector<int> total;
    std::vector<std::string> extracted;
    int pumps = 0;
    int handlersStarted = 0;
    int handlersEnded = 0;
    // Called at every PumpEvents: lets a test act "from the window" mid-run.
    std::function<void()> onPump;

    void CurrentMessage(std::string_view text) override { messages.emplace_back(text); }
    void ClearResults() override { results.clear(); }
    void AddResult(std::string_view line) override { results.emplace_back(line); }
    std::size_t ResultCount() const override { return results.size(); }
    void Progress(int position, int) override { progress.push_back(position); }
    void Total(int position, int) override { total.push_back(position); }
    void Extracted(std::string_view text) override { extracted.emplace_back(text); }
    void PumpEvents() override
    {
        ++pumps;
        if (onPump) onPump();
    }
    void HandlerStarted() override { ++handlersStarted; }
    void HandlerEnded() override { ++handlersEnded; }
};

class ScriptDialogs : public Dialogs {
public:
    std::optional<std::string> folder;  // nothing: the picker is cancelled
    std::vector<std::string> pickerStarts;
    std::vector<std::string> shown;
    std::optional<std::string> palette;
    int palettesAsked = 0;
    std::optional<TextEncoding> encoding = TextEncoding{};  // nothing: the question is cancelled
    int encodingsAsked = 0;

    std::optional<std::string> PickTargetFolder(const std::string& start) override
    {
        pickerStarts.push_back(start);
        return folder;
    }
    void ShowMessage(const std::string& text, const std::string& caption) override { shown.push_back(caption + "|" + text); }
    std::optional<std::string> PickPalette() override
    {
        ++palettesAsked;
        return palette;
    }
    std::optional<TextEncoding> PickEncoding() override
    {
        ++encodingsAsked;
        return encoding;
    }
};

}  // namespace eit::test
