#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace eit {

// Every failure that ends a run is one of these; its text is what the user sees.
class ToolError : public std::runtime_error {
public:
    explicit ToolError(const std::string& text) : std::runtime_error(text) {}
};

// A run that the user stopped part-way through a job entry. The run driver
// catches it; it never reaches the user as an error.
class RunStopped : public std::exception {
public:
    const char* what() const noexcept override { return "Run stopped by user."; }
};

// The system's own error texts, with the reason when there is one: the
// system's, or what the entry is instead of a regular file. Reads and writes
// name the file the user knows: the file being rewritten, never the helper
// file built beside it.
inline ToolError CannotOpenFile(const std::string& path, const std::string& reason = {})
{
    return ToolError("Cannot open file " + path + (reason.empty() ? "" : ": " + reason));
}
inline ToolError CannotCreateFile(const std::string& path, const std::string& reason = {})
{
    return ToolError("Cannot create file " + path + (reason.empty() ? "" : ": " + reason));
}
inline ToolError StreamReadError(const std::string& reason, const std::string& path)
{
    return ToolError("Stream read error: " + reason + " (reading " + path + ")");
}
inline ToolError StreamWriteError(const std::string& reason, const std::string& path)
{
    return ToolError("Stream write error: " + reason + " (writing " + path + ")");
}
inline ToolError ListIndexOutOfBounds(std::uint64_t index)
{
    return ToolError("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace eit
