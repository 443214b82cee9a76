// eitool: the command-line front end over the same run, replay and handlers
// as the window.
#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <iostream>

#include "cli/ConsoleFrontEnd.h"
#include "formats/Lib.h"
#include "formats/Formats.h"
#include "jobs/ProjectList.h"
#include "jobs/Run.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

#ifndef EIT_VERSION
#define EIT_VERSION "0"
#endif

namespace {

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;  // the shell's status for a run ended by Ctrl-C

std::atomic<bool>* stopFlag = nullptr;
volatile std::sig_atomic_t interrupts = 0;

// The first Ctrl-C is the Stop button; a second ends the process at once.
extern "C" void OnInterrupt(int)
{
    if (interrupts) std::_Exit(130);
    interrupts = 1;
    if (stopFlag) stopFlag->store(true);
}

struct Options {
    std::string target;
    std::string kind;
    std::string palette;
    std::string project;
    std::vector<std::string> files;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The --kind values: the extractable formats' "#Format: " names in lower case.
std::vector<std::string> KindChoices()
{
    std::vector<std::string> kinds;
    for (const eit::JobRow& row : eit::kJobRows) {
        if (row.extract != nullptr) kinds.push_back(eit::LowerAscii(row.formatName));
    }
    return kinds;
}

std::string KindNames()
{
    const std::vector<std::string> kinds = KindChoices();
    std::string names;
    for (std::size_t i = 0; i < kinds.size(); ++i) names += (i == 0 ? "" : i + 1 == kinds.size() ? " or " : ", ") + kinds[i];
    return names;
}

// The row of an extractable format: by --kind (its "#Format: " name in lower
// case) or by the files' extensions.
const eit::JobRow* ExtractRow(const Options& options)
{
    auto extractable = [](const eit::JobRow* row) { return row != nullptr && row->extract != nullptr; };
    if (!options.kind.empty()) {
        for (const eit::JobRow& row : eit::kJobRows) {
            if (extractable(&row) && eit::LowerAscii(row.formatName) == options.kind) return &row;
        }
        throw UsageError("--kind " + options.kind + " names no format; give " + KindNames());
    }
    const eit::JobRow* found = nullptr;
    for (const std::string& file : options.files) {
        const eit::JobRow* row = eit::RowOfKind(eit::KindOfFile(file));
        if (!extractable(row)) {
            throw UsageError(file + ": the extension names no kind to extract; give --kind " + KindNames());
        }
        if (found != nullptr && row != found) throw UsageError("files of several kinds; extract one kind at a time or give --kind");
        found = row;
    }
    return found;
}

int Run(eit::JobKind kind, std::vector<std::string> jobs, const std::string& target, const std::string& palette)
{
    eit::cli::ConsoleReporter reporter;
    eit::cli::ScriptedDialogs dialogs;
    eit::RunContext ctx(reporter, dialogs);
    stopFlag = &ctx.StopRequested;
    std::signal(SIGINT, OnInterrupt);

    dialogs.palette = palette.empty() ? std::string() : eit::AbsolutePath(palette);
    dialogs.targetFolder = target.empty() ? eit::CurrentFolder() : eit::AbsolutePath(target);
    if (!eit::CreateFolders(dialogs.targetFolder)) throw eit::ToolError("Cannot create folder " + dialogs.targetFolder);
    ctx.JobKind = kind;
    try {
        eit::RunProcess(ctx, jobs);
    } catch (...) {
        reporter.EndDisplay();
        std::fflush(stdout);
        stopFlag = nullptr;
        throw;
    }
    reporter.EndDisplay();
    stopFlag = nullptr;
    // A run stopped by Ctrl-C has kept what is done and logged the complete groups.
    return ctx.StopRequested ? kExitInterrupted : 0;
}

int List(const std::string& packagePath)
{
    eit::File package(packagePath, eit::OpenMode::Read);
    eit::LibDirectoryReader directory(package);
    for (std::uint32_t i = 0; i < directory.EntryCount(); ++i) {
        eit::LibEntry entry = directory.Next();
        std::printf("%u %u %u %s\n", i, entry.offset, entry.size, entry.name.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"eitool: extract items, texts and fonts from game files, and put edited ones back"};
    app.set_version_flag("--version", std::string("eitool ") + EIT_VERSION);
    app.require_subcommand(1);
    Options options;

    CLI::App* extract = app.add_subcommand("extract", "Extract LIB packages, CIF text files or CIF fonts; writes result.log");
    extract->add_option("--target", options.target, "Target folder (created when missing)")->required();
    extract->add_option("--kind", options.kind, "What the files are")->check(CLI::IsMember(KindChoices()));
    extract->add_option("--palette", options.palette, "ACT palette for fonts");
    extract->add_option("files", options.files, "Files to extract")->required();

    CLI::App* replay = app.add_subcommand("replay", "Put edited files back by replaying operation logs");
    replay->add_option("--target", options.target, "Target folder (default: the current folder)");
    replay->add_option("--palette", options.palette, "ACT palette for fonts");
    CLI::Option* project = replay->add_option("--project", options.project, "A project list of operation logs");
    replay->add_option("logs", options.files, "Operation logs")->excludes(project);

    CLI::App* list = app.add_subcommand("list", "List the directory of a LIB package");
    list->add_option("package", options.files, "The package")->required()->expected(1);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kExitUsage;
    }

    try {
        if (list->parsed()) return List(options.files.front());
        for (std::string& file : options.files) file = eit::AbsolutePath(file);
        if (extract->parsed()) return Run(ExtractRow(options)->kind, options.files, options.target, options.palette);
        if (!options.project.empty()) {
            return Run(eit::JobKind::ReplayProject, eit::LoadProjectList(options.project), options.target, options.palette);
        }
        if (options.files.empty()) throw UsageError("replay needs operation logs or --project LIST");
        return Run(eit::JobKind::ReplayLogs, options.files, options.target, options.palette);
    } catch (const UsageError& e) {
        std::cerr << "eitool: " << e.what() << "\n" << app.help() << std::flush;
        return kExitUsage;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::cerr << "eitool: " << e.what() << std::endl;
        return kExitError;
    }
}
