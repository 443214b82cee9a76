#include "cli/Commands.h"

#include "platform/CodePage.h"
#include "platform/Error.h"

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

void AddEncodingOptions(CLI::App* command, TextEncoding& encoding)
{
    command->add_option("--encoding", encoding.codePage, "Code page of the texts (windows-1250, cp852, ...): .txt files in UTF-8")
        ->check(kCodePageName);
    command->add_option("--table", encoding.tableFile, "Character table file of XX=c lines: overrides, or with no --encoding every byte");
}

}  // namespace eit::cli
