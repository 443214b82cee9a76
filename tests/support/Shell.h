#pragma once
// Quoting arguments for the shell that runs other programs in tests.
#include <string>

namespace eit::test {

inline std::string Quote(const std::string& arg)
{
#ifdef _WIN32
    return "\"" + arg + "\"";
#else
    std::string quoted = "'";
    for (char c : arg) quoted += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
#endif
}

}  // namespace eit::test
