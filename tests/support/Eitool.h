#pragma once
// Runs the eitool executable for end-to-end tests.
#include <cstdio>
#include <string>
#include <vector>

#include "support/Files.h"
#include "support/Shell.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace eit::test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs eitool with `args` in the folder `cwd`.
inline ToolRun RunEitool(const std::vector<std::string>& args, const std::filesystem::path& cwd)
{
    std::filesystem::path errFile = cwd / ".eitool-stderr";
    std::string command = "cd " + Quote(cwd.string()) + " && " + Quote(EITOOL_PATH);
    for (const std::string& arg : args) command += " " + Quote(arg);
    command += " 2>" + Quote(errFile.string());
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    int status = pclose(pipe);
#ifdef _WIN32
    run.status = status;
#else
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.err = ReadAll(errFile);
    std::filesystem::remove(errFile);
    return run;
}

}  // namespace eit::test
