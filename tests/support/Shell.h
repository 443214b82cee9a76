#pragma once
// Quoting arguments for the programs that tests run, and running them.
#include <cstdlib>
#include <string>

namespace eit::test {

#ifdef _WIN32
// One argument as the C runtime splits a command line: backslashes count
// only before a quote, so those (and the ones before the closing quote, as in
// "D:\") are doubled.
inline std::string Quote(const std::string& arg)
{
    std::string quoted = "\"";
    std::size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        quoted.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        quoted += c;
        slashes = 0;
    }
    quoted.append(slashes * 2, '\\');
    return quoted + "\"";
}
#else
inline std::string Quote(const std::string& arg)
{
    std::string quoted = "'";
    for (char c : arg) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}
#endif

#ifdef _WIN32
inline constexpr const char* kNullDevice = "NUL";
#else
inline constexpr const char* kNullDevice = "/dev/null";
#endif

// Runs a command line through the shell, its standard output written to
// `outFile` and its errors thrown away; true when it succeeds.
inline bool Succeeds(const std::string& command, const std::string& outFile = kNullDevice)
{
    return std::system((command + " >" + (outFile == kNullDevice ? outFile : Quote(outFile)) + " 2>" + kNullDevice).c_str()) == 0;
}

}  // namespace eit::test
