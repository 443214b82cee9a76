#pragma once
// Runs the eitool executable for end-to-end tests.
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "support/Files.h"
#include "support/Shell.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/wait.h>
#endif

namespace eit::test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

#ifdef _WIN32

// eitool writes its output in text mode, with CR LF line ends.
inline std::string TextModeLines(std::string text)
{
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lines += text[i];
    }
    return lines;
}

// Runs eitool with `args` in the folder `cwd`, its output sent to two files
// there. No shell comes between: the arguments reach eitool as given.
inline ToolRun RunEitool(const std::vector<std::string>& args, const std::filesystem::path& cwd)
{
    const std::filesystem::path outFile = cwd / ".eitool-stdout";
    const std::filesystem::path errFile = cwd / ".eitool-stderr";
    std::string command = Quote(std::filesystem::path(EITOOL_PATH).make_preferred().string());
    for (const std::string& arg : args) command += " " + Quote(arg);

    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto create = [&](const std::filesystem::path& path) {
        return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    };
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    bool started = false;
    {
        // A child inherits every inheritable handle open at its start: the
        // output files of a run started from another thread are ours only
        // from their creation to the start of our child.
        static std::mutex starting;
        std::lock_guard<std::mutex> one(starting);
        start.hStdOutput = create(outFile);
        start.hStdError = create(errFile);
        started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, cwd.string().c_str(), &start,
                                 &process);
        CloseHandle(start.hStdOutput);
        CloseHandle(start.hStdError);
    }
    ToolRun run;
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process.hProcess, &code)) run.status = static_cast<int>(code);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    run.out = TextModeLines(ReadAll(outFile));
    run.err = TextModeLines(ReadAll(errFile));
    std::error_code ignored;
    std::filesystem::remove(outFile, ignored);
    std::filesystem::remove(errFile, ignored);
    return run;
}

#else

// Runs eitool with `args` in the folder `cwd`, after the shell text `prefix`
// (limits, or a program that runs it, such as timeout).
inline ToolRun RunEitool(const std::vector<std::string>& args, const std::filesystem::path& cwd, const std::string& prefix = "")
{
    std::filesystem::path errFile = cwd / ".eitool-stderr";
    std::string command = "cd " + Quote(cwd.string()) + " && " + prefix + " " + Quote(EITOOL_PATH);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " 2>" + Quote(errFile.string());
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.err = ReadAll(errFile);
    std::filesystem::remove(errFile);
    return run;
}

#endif

}  // namespace eit::test
