// eitool: the command-line front end over the same run, replay and handlers
// as the window.
#include <CLI/CLI.hpp>

#include <csignal>
#include <functional>
#include <cstdio>
#include <iostream>

#include "cli/ConsoleFrontEnd.h"
#include "formats/CharTable.h"
#include "formats/Formats.h"
#include "formats/Lib.h"
#include "formats/TextCoverage.h"
#include "jobs/Patch.h"
#include "jobs/ProjectList.h"
#include "jobs/ReplayCheck.h"
#include "jobs/Run.h"
#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"
#ifdef EIT_DRAW_LETTERS
#include "formats/glyphs/DrawLetters.h"
#endif

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
    if (interrupts) std::_Exit(kExitInterrupted);
    interrupts = 1;
    if (stopFlag) stopFlag->store(true);
}

struct Options {
    std::string target;
    std::string kind;
    std::string palette;
    std::string project;
    std::string font;
    eit::TextEncoding encoding;
    std::vector<std::string> files;
    bool check = false;
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

// --encoding: a code page the tool knows, or a usage error that lists them.
const CLI::Validator kCodePageName(
    [](std::string& name) {
        try {
            eit::CodePageName(name);
            return std::string();
        } catch (const eit::ToolError& e) {
            return std::string(e.what());
        }
    },
    "NAME");

void AddEncodingOptions(CLI::App* command, Options& options)
{
    command->add_option("--encoding", options.encoding.codePage, "Code page of the texts (windows-1250, cp852, ...): .txt files in UTF-8")
        ->check(kCodePageName);
    command->add_option("--table", options.encoding.tableFile, "Character table file of XX=c lines: overrides, or with no --encoding every byte");
}

// The texts' encoding with the table file's full path (a run changes the
// current folder), checked before any work: a table file that is wrong ends
// eitool before it touches a file.
eit::TextEncoding CheckedEncoding(eit::TextEncoding encoding)
{
    if (encoding.tableFile.empty()) return encoding;
    encoding.tableFile = eit::AbsolutePath(encoding.tableFile);
    eit::CharTable::Load(encoding.codePage, encoding.tableFile);
    return encoding;
}

std::optional<eit::CharTable> TableOf(const eit::TextEncoding& encoding)
{
    if (encoding.AsBytes()) return std::nullopt;
    return eit::CharTable::Load(encoding.codePage, encoding.tableFile);
}

// Ctrl-C stops the run given while this scope lasts.
class StopOnInterrupt {
public:
    explicit StopOnInterrupt(eit::RunContext& ctx)
    {
        stopFlag = &ctx.StopRequested;
        std::signal(SIGINT, OnInterrupt);
    }
    ~StopOnInterrupt() { stopFlag = nullptr; }
    StopOnInterrupt(const StopOnInterrupt&) = delete;
    StopOnInterrupt& operator=(const StopOnInterrupt&) = delete;
};

std::string TargetFolder(const Options& options)
{
    return options.target.empty() ? eit::CurrentFolder() : eit::AbsolutePath(options.target);
}

int Run(eit::JobKind kind, std::vector<std::string> jobs, const Options& options)
{
    eit::cli::ConsoleReporter reporter;
    eit::cli::ScriptedDialogs dialogs;
    eit::RunContext ctx(reporter, dialogs);
    ctx.GivenEncoding = CheckedEncoding(options.encoding);
    StopOnInterrupt interrupt(ctx);

    dialogs.palette = options.palette.empty() ? std::string() : eit::AbsolutePath(options.palette);
    dialogs.targetFolder = TargetFolder(options);
    if (!eit::CreateFolders(dialogs.targetFolder)) throw eit::ToolError("Cannot create folder " + dialogs.targetFolder);
    ctx.JobKind = kind;
    try {
        eit::RunProcess(ctx, jobs);
    } catch (...) {
        reporter.EndDisplay();
        std::fflush(stdout);
        throw;
    }
    reporter.EndDisplay();
    // A run stopped by Ctrl-C has kept what is done and logged the complete groups.
    return ctx.StopRequested ? kExitInterrupted : 0;
}

// replay --check: what the replay would do, and its errors; writes nothing.
// Exit 0 when the replay would succeed, else 1 with the errors on standard error.
int Check(eit::JobKind kind, const std::vector<std::string>& logs, const Options& options)
{
    eit::cli::ConsoleReporter reporter;
    eit::cli::ScriptedDialogs dialogs;
    eit::RunContext ctx(reporter, dialogs);
    ctx.GivenEncoding = CheckedEncoding(options.encoding);
    ctx.JobKind = kind;
    ctx.TargetDir = TargetFolder(options);
    std::vector<std::string> errors;
    {
        StopOnInterrupt interrupt(ctx);
        errors = eit::CheckReplay(ctx, logs);
    }
    reporter.EndDisplay();
    std::fflush(stdout);
    for (const std::string& error : errors) std::cerr << "eitool: " << error << "\n";
    std::cerr << std::flush;
    return errors.empty() ? 0 : kExitError;
}

// The options of draw beside the character table's.
struct DrawOptions {
    std::string ttf;
    std::string chars;
    std::uint32_t size = 0;
    int ink = 0;
    std::string sheet;
};

#ifdef EIT_DRAW_LETTERS
std::u32string DecodeChars(const std::string& text)
{
    std::u32string chars;
    for (std::size_t pos = 0; pos < text.size();) {
        std::optional<char32_t> c = eit::NextUtf8(text, pos);
        if (!c) throw UsageError("--chars is not UTF-8 text (byte " + std::to_string(pos) + ")");
        chars += *c;
    }
    return chars;
}

// Draws the letters of the character table into the sheet.
int Draw(const Options& options, const DrawOptions& drawing, const CLI::App& command)
{
    const std::optional<eit::CharTable> table = TableOf(options.encoding);
    if (!table) throw UsageError("draw needs a character table: --encoding NAME, --table FILE or both");
    std::optional<std::u32string> only;
    if (command.count("--chars") > 0) only = DecodeChars(drawing.chars);
    eit::DrawRequest request{drawing.sheet, drawing.ttf, eit::LettersFromTable(*table, only), std::nullopt, std::nullopt};
    if (command.count("--size") > 0) request.size = drawing.size;
    if (command.count("--ink") > 0) request.ink = static_cast<std::uint8_t>(drawing.ink);
    eit::cli::ConsoleReporter reporter;
    eit::DrawLetters(reporter, request);
    reporter.EndDisplay();
    return 0;
}
#endif

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

std::string Utf8Of(char32_t c)
{
    std::string text;
    eit::AppendUtf8(text, c);
    return text;
}

// The table in its file's form: a starting point to edit.
int PrintTable(const eit::TextEncoding& encoding)
{
    if (encoding.AsBytes()) throw UsageError("table needs --encoding NAME, --table FILE or both");
    const eit::CharTable table = eit::CharTable::Load(encoding.codePage, encoding.tableFile);
    for (unsigned b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        if (std::optional<char32_t> c = table.CharOf(byte)) std::printf("%s=%s\n", eit::HexByte(byte).c_str(), Utf8Of(*c).c_str());
    }
    return 0;
}

// One line per character the texts use: code point, character, byte, count,
// and "missing" when the font has no glyph for the byte. 1 when a byte has no
// glyph or a character no byte.
int Coverage(const Options& options)
{
    const std::optional<eit::CharTable> table = TableOf(options.encoding);
    eit::File fontFile(options.font, eit::OpenMode::Read);
    const eit::CifFont font = eit::ReadCifFont(fontFile);
    std::size_t missing = 0, noByte = 0;
    for (const eit::UsedCharacter& used : eit::UsedCharacters(options.files, table ? &*table : nullptr, font)) {
        const std::string codePoint = used.character ? eit::CodePointName(*used.character) : "-";
        const std::string shown = used.character ? "\"" + Utf8Of(*used.character) + "\"" : table ? "<$" + eit::HexByte(*used.byte) + ">" : "-";
        const std::string byte = used.byte ? eit::HexByte(*used.byte) : "-";
        const char* verdict = !used.byte ? " no byte" : used.missing ? " missing" : "";
        std::printf("%s %s %s %llu%s\n", codePoint.c_str(), shown.c_str(), byte.c_str(), static_cast<unsigned long long>(used.count), verdict);
        missing += used.missing ? 1 : 0;
        noByte += used.byte ? 0 : 1;
    }
    if (missing == 0 && noByte == 0) return 0;
    std::fflush(stdout);
    std::string problems;
    if (missing != 0) problems = std::string(eit::FileNameOf(options.font)) + " has no glyph for " + std::to_string(missing) + " of the bytes the texts use";
    if (noByte != 0) {
        problems += (problems.empty() ? "" : "; ") + std::to_string(noByte) + " of the characters have no byte in " + table->Name();
    }
    std::cerr << "eitool: " << problems << std::endl;
    return kExitError;
}

// The patch commands' arguments.
struct PatchOptions {
    std::string original;
    std::string modified;
    std::string output;
    std::string title;
    eit::PatchSettings settings;
};

// patch make, apply and remove: 0 when done (or already done), 1 when refused or failed.
int Patch(const std::function<void(eit::Reporter&)>& command)
{
    eit::cli::ConsoleReporter reporter;
    try {
        command(reporter);
    } catch (...) {
        reporter.EndDisplay();
        std::fflush(stdout);
        throw;
    }
    reporter.EndDisplay();
    return 0;
}

int MakePatch(const PatchOptions& options)
{
    const std::string output = eit::AbsolutePath(options.output);
    const std::string title = options.title.empty() ? std::string(eit::FileNameOf(output)) : options.title;
    const eit::MakePatchSettings settings{eit::AbsolutePath(options.original), eit::AbsolutePath(options.modified), output, title};
    return Patch([&](eit::Reporter& report) { eit::MakePatch(report, settings); });
}

int ApplyOrRemovePatch(eit::PatchSettings settings, bool apply)
{
    settings.patch = eit::AbsolutePath(settings.patch);
    settings.game = eit::AbsolutePath(settings.game);
    return Patch([&](eit::Reporter& report) { apply ? eit::ApplyPatch(report, settings) : eit::RemovePatch(report, settings); });
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
    AddEncodingOptions(extract, options);
    extract->add_option("files", options.files, "Files to extract")->required();

    CLI::App* replay = app.add_subcommand("replay", "Put edited files back by replaying operation logs");
    replay->add_option("--target", options.target, "Target folder (default: the current folder)");
    replay->add_option("--palette", options.palette, "ACT palette for fonts");
    AddEncodingOptions(replay, options);
    CLI::Option* project = replay->add_option("--project", options.project, "A project list of operation logs");
    replay->add_flag("--check", options.check,
                     "Write nothing: show what the replay would do to each source, and every error (exit 1 on errors)");
    replay->add_option("logs", options.files, "Operation logs")->excludes(project);

    CLI::App* list = app.add_subcommand("list", "List the directory of a LIB package");
    list->add_option("package", options.files, "The package")->required()->expected(1);

    CLI::App* table = app.add_subcommand("table", "Print a character table as XX=c lines, a starting point for a table file");
    AddEncodingOptions(table, options);

    CLI::App* coverage = app.add_subcommand("coverage", "List the characters that .txt files use and whether a CIF font has their glyphs");
    coverage->add_option("--font", options.font, "The CIF font")->required();
    AddEncodingOptions(coverage, options);
    coverage->add_option("txts", options.files, "Extracted texts (.txt)")->required();

    PatchOptions patching;
    CLI::App* patch = app.add_subcommand("patch", "Make, apply or remove a patch: the items and files a translation changed");
    patch->require_subcommand(1);
    CLI::App* patchMake = patch->add_subcommand("make", "Compare an untouched game folder with a translated one and write a patch folder");
    patchMake->add_option("original", patching.original, "The untouched game folder")->required();
    patchMake->add_option("modified", patching.modified, "The game folder with the translation in it")->required();
    patchMake->add_option("--output", patching.output, "The patch folder to make (new or empty)")->required();
    patchMake->add_option("--title", patching.title, "The patch's title (default: the patch folder's name)");
    CLI::App* patchApply = patch->add_subcommand("apply", "Apply a patch to a game folder, after checking every file it changes");
    CLI::App* patchRemove = patch->add_subcommand("remove", "Remove an applied patch from a game folder, putting back what it replaced");
    for (CLI::App* command : {patchApply, patchRemove}) {
        command->add_option("patch", patching.settings.patch, "The patch folder")->required();
        command->add_option("game", patching.settings.game, "The game folder")->required();
        command->add_flag("--check", patching.settings.check, "Write nothing: show what would change (exit 1 when it would be refused)");
    }

    DrawOptions drawing;
#ifdef EIT_DRAW_LETTERS
    CLI::App* draw = app.add_subcommand("draw", "Draw letters from a TrueType or OpenType font into an extracted sheet");
    draw->add_option("--ttf", drawing.ttf, "The font to draw from")->required();
    AddEncodingOptions(draw, options);
    draw->add_option("--chars", drawing.chars, "Only these letters (UTF-8)");
    draw->add_option("--size", drawing.size, "Size in pixels (default: the sheet's digits' height)")
        ->check(CLI::Range(1u, eit::kMaxLetterSize));
    draw->add_option("--ink", drawing.ink, "Palette index of the letters (default: the glyphs' most used)")
        ->check(CLI::Range(0, 255));
    draw->add_option("sheet", drawing.sheet, "The sheet (8-bit BMP)")->required();
#else
    CLI::App* draw = app.add_subcommand("draw", "Not in this build (built without FreeType): draw letters from a font");
    draw->allow_extras();
    app.footer("This eitool was built without FreeType: it cannot draw letters from fonts (eitool draw).");
#endif

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : kExitUsage;
    }

    try {
        if (list->parsed()) return List(options.files.front());
        if (table->parsed()) return PrintTable(options.encoding);
        if (coverage->parsed()) return Coverage(options);
        if (patchMake->parsed()) return MakePatch(patching);
        if (patchApply->parsed()) return ApplyOrRemovePatch(patching.settings, true);
        if (patchRemove->parsed()) return ApplyOrRemovePatch(patching.settings, false);
#ifdef EIT_DRAW_LETTERS
        if (draw->parsed()) return Draw(options, drawing, *draw);
#else
        if (draw->parsed()) throw eit::ToolError("draw is not in this build: it was built without FreeType");
#endif
        for (std::string& file : options.files) file = eit::AbsolutePath(file);
        if (extract->parsed()) return Run(ExtractRow(options)->kind, options.files, options);
        const bool fromProject = !options.project.empty();
        if (!fromProject && options.files.empty()) throw UsageError("replay needs operation logs or --project LIST");
        const eit::JobKind kind = fromProject ? eit::JobKind::ReplayProject : eit::JobKind::ReplayLogs;
        const std::vector<std::string> logs = fromProject ? eit::LoadProjectList(options.project) : options.files;
        if (options.check) return Check(kind, logs, options);
        return Run(kind, logs, options);
    } catch (const UsageError& e) {
        std::cerr << "eitool: " << e.what() << "\n" << app.help() << std::flush;
        return kExitUsage;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::cerr << "eitool: " << e.what() << std::endl;
        return kExitError;
    }
}
