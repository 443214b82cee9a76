#include "run/RunContext.h"

#include "platform/FileSystem.h"

namespace eit {

SourceStreamScope::SourceStreamScope(RunContext& ctx, const std::string& path) : ctx_(ctx)
{
    ctx_.SourceStream.Close();
    if (Exists(path)) ctx_.SourceStream.Open(path, OpenMode::ReadWrite);
}

}  // namespace eit
