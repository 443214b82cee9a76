#pragma once
// Quoting arguments for the programs that tests run.
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

}  // namespace eit::test
