#pragma once
// Window dialogs answered from a script; every question is recorded.
#include <deque>
#include <functional>

#include "window/WindowDialogs.h"

namespace eit::window::test {

class ScriptedWindowDialogs : public WindowDialogs {
public:
    // One answer per dialog shown, in order; nothing left means cancelled.
    std::deque<FileChoice> openAnswers;
    std::deque<std::string> saveAnswers;
    std::optional<std::string> folder;  // nothing: the picker is cancelled
    std::deque<std::string> folderAnswers;  // PickFolder's answers, in order; then cancelled
    std::vector<std::string> folderCaptions;
    std::deque<std::string> openFileAnswers;  // the one-file dialog's answers, in order;
    std::optional<std::string> openFile;      // then this one
    bool answerYes = true;
    std::optional<TextEncoding> encoding = TextEncoding{};  // nothing: the question is cancelled
    int encodingsAsked = 0;
    std::optional<std::uint32_t> number;  // nothing: the question is cancelled
    std::vector<std::string> numberQuestions;  // "caption|text|initial"
    std::vector<std::pair<std::string, IndexedImage>> pictures;  // caption and picture shown
    // Called while a dialog is up, to look at the window then.
    std::function<void()> whileAsked;

    std::vector<int> openFilterIndexes;  // the filter each add-files dialog started with
    std::vector<std::string> saveTitles;
    std::vector<std::string> openFileTitles;
    std::vector<std::string> pickerStarts;
    std::vector<std::string> messages;  // "caption|text"
    std::vector<std::string> errors;
    std::vector<std::string> questions;
    std::vector<std::string> shownFolders;

    std::optional<FileChoice> OpenFiles(const FileDialogSetup&, int filterIndex) override
    {
        openFilterIndexes.push_back(filterIndex);
        Asked();
        return Next(openAnswers);
    }
    std::optional<std::string> OpenFile(const FileDialogSetup& setup) override
    {
        openFileTitles.emplace_back(setup.title);
        Asked();
        return openFileAnswers.empty() ? openFile : Next(openFileAnswers);
    }
    std::optional<std::string> SaveFile(const FileDialogSetup& setup) override
    {
        saveTitles.emplace_back(setup.title);
        Asked();
        return Next(saveAnswers);
    }
    std::optional<std::string> PickTargetFolder(const std::string& start) override
    {
        pickerStarts.push_back(start);
        Asked();
        return folder;
    }
    std::optional<std::string> PickFolder(const std::string& caption, const std::string&) override
    {
        folderCaptions.push_back(caption);
        Asked();
        return Next(folderAnswers);
    }
    void ShowMessage(const std::string& text, const std::string& caption) override
    {
        messages.push_back(caption + "|" + text);
    }
    void ShowError(const std::string& text) override { errors.push_back(text); }
    std::optional<TextEncoding> PickEncoding() override
    {
        ++encodingsAsked;
        Asked();
        return encoding;
    }
    bool AskYesNo(const std::string& text, const std::string&) override
    {
        questions.push_back(text);
        return answerYes;
    }
    void ShowFolder(const std::string& folder) override { shownFolders.push_back(folder); }
    std::optional<std::uint32_t> AskNumber(const std::string& text, const std::string& caption, std::uint32_t initial) override
    {
        numberQuestions.push_back(caption + "|" + text + "|" + std::to_string(initial));
        Asked();
        return number;
    }
    void ShowPicture(const IndexedImage& picture, const std::string& caption) override { pictures.emplace_back(caption, picture); }

private:
    void Asked()
    {
        if (whileAsked) whileAsked();
    }
    template <typename T>
    static std::optional<T> Next(std::deque<T>& answers)
    {
        if (answers.empty()) return std::nullopt;
        T answer = std::move(answers.front());
        answers.pop_front();
        return answer;
    }
};

}  // namespace eit::window::test
