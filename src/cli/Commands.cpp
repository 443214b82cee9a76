#include "cli/Commands.h"

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/Utf8.h"

namespace eit::cli {

namespace {
// --encoding: a code page the tool knows, or a usage error that lists them.
const CLI::Validator kCodePageName(
    [](std::string& name) {
        try {
            CodePageName(name);
            return std::string();
        } catch (const ToolError& e) {
            return std::string(e.what());
        }
    },
    "NAME");
}  // namespace

std::optional<std::string> Commands::UnknownCommand(int argc, char** argv) const
{
    if (argc < 2 || argv[1][0] == '-') return std::nullopt;
    const std::string word = argv[1];
    std::string names;
    for (std::size_t i = 0; i < actions_.size(); ++i) {
        const CLI::App* command = actions_[i].first;
        if (command->check_name(word)) return std::nullopt;
        names += (i == 0 ? "" : i + 1 == actions_.size() ? " and " : ", ") + command->get_name();
    }
    return "there is no command " + QuotedClipped(word) + "; the commands are " + names;
}

void AddEncodingOptions(CLI::App* command, TextEncoding& encoding)
{
    command->add_option("--encoding", encoding.codePage, "Code page of the texts (windows-1250, cp852, ...): .txt files in UTF-8")
        ->check(kCodePageName);
    command->add_option("--table", encoding.tableFile, "Character table file of XX=c lines: overrides, or with no --encoding every byte");
}

}  // namespace eit::cli
