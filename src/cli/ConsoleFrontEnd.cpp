#include "cli/ConsoleFrontEnd.h"

#include <chrono>
#include <cstdio>

#include "platform/Error.h"
#include "platform/FileSystem.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace eit::cli {

namespace {
// Whether standard error is a terminal that understands the escape codes of
// the progress line. A Windows console is asked to understand them; a file,
// a pipe or NUL is no console.
bool ProgressTerminal()
{
#ifdef _WIN32
    HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) return false;
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
#else
    return isatty(fileno(stderr)) != 0;
#endif
}
}  // namespace

ConsoleReporter::ConsoleReporter() : terminal_(ProgressTerminal()) {}

void ConsoleReporter::CurrentMessage(std::string_view text)
{
    if (message_ == text) return;
    message_ = text;
    Draw();
}

void ConsoleReporter::AddResult(std::string_view line)
{
    ++results_;
    EndDisplay();
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

void ConsoleReporter::Warning(std::string_view line)
{
    EndDisplay();
    std::fflush(stdout);
    std::fprintf(stderr, "eitool: %.*s\n", static_cast<int>(line.size()), line.data());
}

void ConsoleReporter::Progress(int position, int max)
{
    int percent = max > 0 ? position * 100 / max : 0;
    if (percent == progress_) return;
    progress_ = percent;
    Draw();
}

void ConsoleReporter::Total(int position, int max)
{
    int percent = max > 0 ? position * 100 / max : 0;
    if (percent == total_) return;
    total_ = percent;
    Draw();
}

void ConsoleReporter::Draw()
{
    if (!terminal_) return;
    // A terminal redrawn for every item would slow a run of many small items.
    auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - lastDraw_ < std::chrono::milliseconds(50)) return;
    lastDraw_ = now;
    std::fflush(stdout);
    std::string shown = message_.substr(0, 50);
    std::fprintf(stderr, "\r\033[K[%3d%% | total %3d%%] %s", progress_, total_, shown.c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void ConsoleReporter::EndDisplay()
{
    if (!drawn_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    drawn_ = false;
}

void OnConsole(const std::function<void(Reporter&)>& command)
{
    ConsoleReporter reporter;
    try {
        command(reporter);
    } catch (...) {
        reporter.EndDisplay();
        std::fflush(stdout);
        throw;
    }
    reporter.EndDisplay();
    std::fflush(stdout);
}

std::optional<std::string> ScriptedDialogs::PickTargetFolder(const std::string&)
{
    if (!CreateFolders(targetFolder)) throw ToolError("Cannot create folder " + targetFolder);
    return targetFolder;
}

void ScriptedDialogs::ShowMessage(const std::string& text, const std::string&)
{
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", text.c_str());
}

std::optional<std::string> ScriptedDialogs::PickPalette()
{
    if (palette.empty()) return std::nullopt;
    return palette;
}

}  // namespace eit::cli
