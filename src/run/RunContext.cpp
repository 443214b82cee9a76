#include "run/RunContext.h"

#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "run/LogLines.h"

namespace eit {

SourceStreamScope::SourceStreamScope(RunContext& ctx, const std::string& path) : ctx_(ctx)
{
    ctx_.SourceStream.Close();
    if (Exists(path)) ctx_.SourceStream.Open(path, OpenMode::ReadWrite);
}

std::string RunContext::GroupLabel(std::string_view sourcePath, std::size_t first) const
{
    std::string label = "the group of " + std::string(FileNameOf(sourcePath));
    // The group's "#Source:" line is the one before `first`: line `first`, counted from 1.
    if (first > 0) label += " at line " + std::to_string(first);
    if (!ReplayLogPath.empty()) label += " of " + ReplayLogPath;
    return label;
}

std::string RunContext::GroupTargetPath(std::string_view sourcePath, std::size_t first) const
{
    if (first >= ReplayLines.Count()) {
        throw ToolError(std::string(ListIndexOutOfBounds(first).what()) + ": the log ends before the \"#Target: \" line of " +
                        GroupLabel(sourcePath, first));
    }
    return TargetLinePath(first);
}

std::string RunContext::TargetLinePath(std::size_t index) const
{
    return settings.Resolve(TargetPathOf(ReplayLines[index]));
}

}  // namespace eit
