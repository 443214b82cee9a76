#pragma once
// Runs other programs that write BMP files (ImageMagick's convert, Python's
// PIL), so the BMP reader is tested on what real tools write. Tests skip
// when a tool is missing; scripts/deps.sh installs both.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/Files.h"
#include "support/Shell.h"

namespace eit::test {

inline bool Succeeds(const std::string& command)
{
#ifdef _WIN32
    return std::system((command + " >NUL 2>&1").c_str()) == 0;
#else
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
#endif
}

// ImageMagick's converter, or empty when it is not installed.
inline const std::string& ConvertTool()
{
    static const std::string tool = Succeeds("convert -version") ? "convert" : "";
    return tool;
}

// A Python interpreter that has PIL, or empty.
inline const std::string& PythonWithPil()
{
    static const std::string python = [] {
        for (const char* candidate : {"python3", "/usr/bin/python3", "python"}) {
            if (Succeeds(std::string(candidate) + " -c \"import PIL.Image\"")) return std::string(candidate);
        }
        return std::string();
    }();
    return python;
}

// Runs a Python script with arguments; true when it succeeds.
inline bool RunPython(const std::string& script, const std::vector<std::string>& args, const TempFolder& dir)
{
    std::string file = dir / "script.py";
    WriteAll(file, script);
    std::string command = PythonWithPil() + " " + Quote(file);
    for (const std::string& arg : args) command += " " + Quote(arg);
    return Succeeds(command);
}

inline bool RunConvert(const std::vector<std::string>& args)
{
    std::string command = ConvertTool();
    for (const std::string& arg : args) command += " " + Quote(arg);
    return Succeeds(command);
}

}  // namespace eit::test

#define SKIP_WITHOUT_CONVERT()                                                                          \
    if (eit::test::ConvertTool().empty())                                                               \
    GTEST_SKIP() << "ImageMagick's convert is not installed (scripts/deps.sh installs imagemagick)"
#define SKIP_WITHOUT_PIL()                                                                              \
    if (eit::test::PythonWithPil().empty())                                                             \
    GTEST_SKIP() << "no Python with PIL is installed (scripts/deps.sh installs python3-pil)"
