#pragma once
#include <optional>
#include <string>

#include "platform/CharTable.h"

namespace eit {

// The questions a run asks the user. The window answers with dialogs, eitool
// and the tests from their arguments. None is ever asked from a test as a
// real modal dialog. A new question is a virtual here with a default answer,
// its Qt dialog in window/QtDialogs, and its scripted answers in
// cli/ConsoleFrontEnd and the tests' dialogs.
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

}  // namespace eit
