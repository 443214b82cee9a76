// eitool: the command-line front end over the same commands of jobs/ as the
// window. A new command is one AddXCommand function (see cli/Commands.h) and
// one line below.
#include <cstdio>
#include <iostream>

#include "cli/Commands.h"

#ifndef EIT_VERSION
#define EIT_VERSION "0"
#endif

int main(int argc, char** argv)
{
    using namespace eit::cli;
    CLI::App app{"eitool: extract items, texts and fonts from game files, and put edited ones back"};
    app.set_version_flag("--version", std::string("eitool ") + EIT_VERSION);
    app.require_subcommand(1);

    Commands commands(app);
    AddExtractCommand(commands);
    AddReplayCommand(commands);
    AddPoCommand(commands);
    AddListCommand(commands);
    AddTableCommand(commands);
    AddCoverageCommand(commands);
    AddDrawCommand(commands);
    AddFitCommand(commands);
    AddPreviewCommand(commands);
    AddPatchCommand(commands);

    if (std::optional<std::string> unknown = commands.UnknownCommand(argc, argv)) {
        std::cerr << "eitool: " << *unknown << "\nRun eitool --help for what each does.\n" << std::flush;
        return kExitUsage;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kExitUsage;
    }
    try {
        return commands.RunParsed();
    } catch (const UsageError& e) {
        std::cerr << "eitool: " << e.what() << "\n" << app.help() << std::flush;
        return kExitUsage;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::cerr << "eitool: " << e.what() << std::endl;
        return kExitError;
    }
}
