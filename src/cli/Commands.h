#pragma once
#include <CLI/CLI.hpp>

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "platform/CharTable.h"

namespace eit::cli {

inline constexpr int kExitError = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;  // the shell's status for a run ended by Ctrl-C

// A command line that asks for something eitool cannot do: the message and
// the help, exit status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a command does once its command line is parsed; returns the exit status.
using Action = std::function<int(const CLI::App& command)>;

// eitool's commands. Each command is one function (AddXCommand) that adds its
// subcommand and options here with the action that runs it, by calling one
// function of jobs/; main() calls each such function once.
class Commands {
public:
    explicit Commands(CLI::App& app) : app_(app) {}
    CLI::App& App() { return app_; }
    CLI::App* Add(const std::string& name, const std::string& description, Action action)
    {
        CLI::App* command = app_.add_subcommand(name, description);
        actions_.emplace_back(command, std::move(action));
        return command;
    }
    // What is wrong with a first argument that is neither an option nor a
    // command (the parser would only ask for a command); nothing when it is fine.
    std::optional<std::string> UnknownCommand(int argc, char** argv) const;
    // Runs the action of the command that was parsed.
    int RunParsed() const
    {
        for (const auto& [command, action] : actions_) {
            if (command->parsed()) return action(*command);
        }
        return kExitUsage;
    }

private:
    CLI::App& app_;
    std::vector<std::pair<CLI::App*, Action>> actions_;
};

// --encoding and --table, the texts' encoding.
void AddEncodingOptions(CLI::App* command, TextEncoding& encoding);

// The commands, by group: runs (RunCommands.cpp), texts and letters
// (TextCommands.cpp), packages (PackageCommands.cpp), patches (PatchCommands.cpp).
void AddExtractCommand(Commands& commands);
void AddReplayCommand(Commands& commands);
void AddPoCommand(Commands& commands);
void AddListCommand(Commands& commands);
void AddTableCommand(Commands& commands);
void AddCoverageCommand(Commands& commands);
void AddDrawCommand(Commands& commands);
void AddFitCommand(Commands& commands);
void AddPreviewCommand(Commands& commands);
// patch make, apply and remove.
void AddPatchCommand(Commands& commands);

}  // namespace eit::cli
