#include "main/Dispatch.h"

#include "formathandlers/CifFont.h"
#include "formathandlers/CifText.h"
#include "formathandlers/Lib.h"
#include "main/JobKinds.h"
#include "main/Replay.h"

namespace eit {

void Dispatch(RunContext& ctx, std::uint8_t kind, const std::string& path)
{
    switch (kind) {
    case kExtractLib: ExtractLib(ctx, path); break;
    case kExtractCifText: ExtractCifText(ctx, path); break;
    case kFontToBitmap: ConvertFontToBitmap(ctx, path); break;
    case kReplayLogs:
    case kReplayProject: ReplayLog(ctx, path); break;
    default: break;
    }
}

InsertHandler InsertHandlerOf(std::uint8_t replayFormat)
{
    switch (replayFormat) {
    case kExtractLib: return InsertLib;
    case kExtractCifText: return InsertCifText;
    case kFontToBitmap: return ConvertBitmapToFont;
    default: return nullptr;
    }
}

}  // namespace eit
