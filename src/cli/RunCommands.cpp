// eitool's runs: extract, and replay with its --check.
#include <csignal>
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/ConsoleFrontEnd.h"
#include "formats/Formats.h"
#include "jobs/ProjectList.h"
#include "jobs/ReplayCheck.h"
#include "jobs/Run.h"
#include "jobs/Translation.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"

namespace eit::cli {

namespace {
std::atomic<bool>* stopFlag = nullptr;
volatile std::sig_atomic_t interrupts = 0;

// The first Ctrl-C is the Stop button; a second ends the process at once.
extern "C" void OnInterrupt(int)
{
    if (interrupts) std::_Exit(kExitInterrupted);
    interrupts = 1;
    if (stopFlag) stopFlag->store(true);
}

// Ctrl-C stops the run given while this scope lasts.
class StopOnInterrupt {
public:
    explicit StopOnInterrupt(RunContext& ctx)
    {
        stopFlag = &ctx.StopRequested;
        std::signal(SIGINT, OnInterrupt);
    }
    ~StopOnInterrupt() { stopFlag = nullptr; }
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
};

// What a run takes from the command line.
struct RunOptions {
    std::string target;
    std::string palette;
    TextEncoding encoding;
    bool overrideEncoding = false;
    std::vector<std::string> files;
};

// The target folder of a run: --target against the shell's current folder,
// else the current folder.
std::string TargetFolder(const RunOptions& options)
{
    return options.target.empty() ? CurrentFolder() : AbsolutePath(options.target);
}

// Paths on the command line are the shell's: made absolute here, so that the
// operation log names them whole.
std::vector<std::string> AbsolutePaths(std::vector<std::string> paths)
{
    for (std::string& path : paths) path = AbsolutePath(path);
    return paths;
}

// The encoding with the table file's full path, which the run's messages name.
TextEncoding GivenEncoding(const RunOptions& options)
{
    TextEncoding encoding = options.encoding;
    if (!encoding.tableFile.empty()) encoding.tableFile = AbsolutePath(encoding.tableFile);
    return encoding;
}

void AddRunOptions(CLI::App* command, RunOptions& options)
{
    command->add_option("--palette", options.palette, "ACT palette for fonts");
    AddEncodingOptions(command, options.encoding);
}

// What a run and a replay's check take from the options alike.
void TakeRunOptions(RunContext& ctx, ScriptedDialogs& dialogs, JobKind kind, const RunOptions& options)
{
    ctx.settings.GivenEncoding = GivenEncoding(options);
    ctx.settings.OverrideEncoding = options.overrideEncoding;
    ctx.JobKind = kind;
    dialogs.palette = options.palette.empty() ? std::string() : AbsolutePath(options.palette);
}

// A run over `jobs` of `kind` with the console as its window.
int Run(JobKind kind, const std::vector<std::string>& jobs, const RunOptions& options)
{
    bool stopped = false;
    OnConsole([&](Reporter& reporter) {
        ScriptedDialogs dialogs;
        RunContext ctx(reporter, dialogs);
        TakeRunOptions(ctx, dialogs, kind, options);
        dialogs.targetFolder = TargetFolder(options);
        StopOnInterrupt interrupt(ctx);
        RunProcess(ctx, jobs);
        stopped = ctx.StopRequested;
    });
    // A run stopped by Ctrl-C has kept what is done and logged the complete groups.
    return stopped ? kExitInterrupted : 0;
}

// replay --check: what the replay would do, and its errors; writes nothing.
// Exit 0 when the replay would succeed, else 1 with the errors on standard error.
int Check(JobKind kind, const std::vector<std::string>& logs, const RunOptions& options)
{
    std::vector<std::string> errors;
    OnConsole([&](Reporter& reporter) {
        ScriptedDialogs dialogs;
        RunContext ctx(reporter, dialogs);
        TakeRunOptions(ctx, dialogs, kind, options);
        ctx.settings.TargetDir = TargetFolder(options);
        StopOnInterrupt interrupt(ctx);
        errors = CheckReplay(ctx, logs);
    });
    for (const std::string& error : errors) std::cerr << "eitool: " << error << "\n";
    std::cerr << std::flush;
    return errors.empty() ? 0 : kExitError;
}

// po export and po import: the translation file's extension is checked
// first, a usage error for any other than those the command takes.
int Translate(bool import, TranslationSettings settings)
{
    const std::optional<TranslationFormat> format = TranslationFormatOf(settings.file);
    if (!format || (import && *format == TranslationFormat::Pot)) {
        throw UsageError(settings.file + ": the file must end in " + (import ? ".po or .csv" : ".pot, .po or .csv"));
    }
    for (std::string* path : {&settings.file, &settings.templateFile, &settings.encoding.tableFile}) {
        if (!path->empty()) *path = AbsolutePath(*path);
    }
    settings.logs = AbsolutePaths(settings.logs);
    try {
        OnConsole([&](Reporter& reporter) {
            ScriptedDialogs dialogs;
            RunContext ctx(reporter, dialogs);
            ctx.settings.TargetDir = CurrentFolder();
            StopOnInterrupt interrupt(ctx);
            if (import) ImportTranslation(ctx, settings);
            else ExportTranslation(ctx, settings);
        });
    } catch (const RunStopped& stopped) {
        std::cerr << "eitool: " << stopped.what() << std::endl;
        return kExitInterrupted;  // stopped before anything was written
    }
    return 0;
}

// The --kind values: the extractable formats' "#Format: " names in lower case.
std::vector<std::string> KindChoices()
{
    std::vector<std::string> kinds;
    for (const JobRow& row : kJobRows) {
        if (row.extract != nullptr) kinds.push_back(LowerAscii(row.formatName));
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

// The kind of an extraction: by --kind (a "#Format: " name in lower case) or
// by the files' extensions.
JobKind ExtractKind(const std::string& kindName, const std::vector<std::string>& files)
{
    auto extractable = [](const JobRow* row) { return row != nullptr && row->extract != nullptr; };
    if (!kindName.empty()) {
        for (const JobRow& row : kJobRows) {
            if (extractable(&row) && LowerAscii(row.formatName) == kindName) return row.kind;
        }
        throw UsageError("--kind " + kindName + " names no format; give " + KindNames());
    }
    const JobRow* found = nullptr;
    for (const std::string& file : files) {
        const JobRow* row = RowOfKind(KindOfFile(file));
        if (!extractable(row)) throw UsageError(file + ": the extension names no kind to extract; give --kind " + KindNames());
        if (found != nullptr && row != found) throw UsageError("files of several kinds; extract one kind at a time or give --kind");
        found = row;
    }
    return found->kind;
}
}  // namespace

void AddExtractCommand(Commands& commands)
{
    struct Options : RunOptions {
        std::string kind;
    };
    auto options = std::make_shared<Options>();
    CLI::App* extract = commands.Add("extract", "Extract LIB packages, CIF text files or CIF fonts; writes result.log",
                                     [options](const CLI::App&) {
                                         const std::vector<std::string> files = AbsolutePaths(options->files);
                                         return Run(ExtractKind(options->kind, files), files, *options);
                                     });
    extract->add_option("--target", options->target, "Target folder (created when missing)")->required();
    extract->add_option("--kind", options->kind, "What the files are")->check(CLI::IsMember(KindChoices()));
    AddRunOptions(extract, *options);
    extract->add_option("files", options->files, "Files to extract")->required();
}

void AddReplayCommand(Commands& commands)
{
    struct Options : RunOptions {
        std::string project;
        bool check = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* replay = commands.Add("replay", "Put edited files back by replaying operation logs", [options](const CLI::App&) {
        const bool fromProject = !options->project.empty();
        if (!fromProject && options->files.empty()) throw UsageError("replay needs operation logs or --project LIST");
        const JobKind kind = fromProject ? JobKind::ReplayProject : JobKind::ReplayLogs;
        // A project list's entries stay as written: relative ones are taken in the target folder.
        const std::vector<std::string> logs = fromProject ? LoadProjectList(options->project) : AbsolutePaths(options->files);
        return options->check ? Check(kind, logs, *options) : Run(kind, logs, *options);
    });
    replay->add_option("--target", options->target, "Target folder (default: the current folder)");
    AddRunOptions(replay, *options);
    CLI::Option* project = replay->add_option("--project", options->project, "A project list of operation logs");
    replay->add_flag("--check", options->check,
                     "Write nothing: show what the replay would do to each source, and every error (exit 1 on errors)");
    replay->add_flag("--override-encoding", options->overrideEncoding,
                     "Replay with the given encoding or table though the log records another, or its table changed");
    replay->add_option("logs", options->files, "Operation logs")->excludes(project);
}

void AddPoCommand(Commands& commands)
{
    auto settings = std::make_shared<TranslationSettings>();
    CLI::App* po = commands.Add("po", "Translation files (PO templates, PO, CSV) of the texts of operation logs",
                                [settings](const CLI::App& command) {
                                    return Translate(command.get_subcommand("import")->parsed(), *settings);
                                });
    po->require_subcommand(1);
    CLI::App* poExport = po->add_subcommand("export", "Write the texts of the logs' CIF files as a .pot, .po or .csv");
    poExport->add_option("--output", settings->file, "The file to write: FILE.pot, FILE.po or FILE.csv")->required();
    CLI::App* poImport = po->add_subcommand("import", "Write the translations of a .po or .csv into the logs' .txt files");
    poImport->add_option("file", settings->file, "The translation file: FILE.po or FILE.csv")->required();
    poImport->add_flag("--check", settings->check, "Check everything, write nothing");
    for (CLI::App* command : {poExport, poImport}) {
        command->add_option("--template", settings->templateFile, "The game's texts from a .pot made from the untouched game");
        AddEncodingOptions(command, settings->encoding);
        command->add_option("logs", settings->logs, "Operation logs of extracted CIF text files")->required();
    }
}

}  // namespace eit::cli
