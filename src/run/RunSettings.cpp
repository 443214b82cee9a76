#include "run/RunSettings.h"

#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "run/RunContext.h"

namespace eit {

void RunSettings::StartRun()
{
    Encoding.reset();
    Table.reset();
    PalettePath.clear();
    if (GivenEncoding) Table = LoadCharTable(*GivenEncoding);
}

std::string RunSettings::Resolve(std::string_view path) const
{
    if (path.empty() || TargetDir.empty() || !IsRelativePath(path)) return std::string(path);
    return JoinPath(TargetDir, path);
}

const CharTable* RunCharTable(RunContext& ctx, bool needed)
{
    RunSettings& settings = ctx.settings;
    if (!settings.GivenEncoding && !needed) return nullptr;
    if (!settings.Encoding) {
        std::optional<TextEncoding> encoding = settings.GivenEncoding ? settings.GivenEncoding : ctx.ask.PickEncoding();
        if (!encoding) throw RunStopped();
        if (!settings.GivenEncoding || !settings.Table) settings.Table = LoadCharTable(*encoding);
        settings.Encoding = encoding;
        if (settings.Table) {
            ctx.report.AddResult("Text encoding: " + settings.Table->Name());
            ctx.report.PumpEvents();
        }
    }
    return settings.Table ? &*settings.Table : nullptr;
}

std::string RunPalettePath(RunContext& ctx)
{
    RunSettings& settings = ctx.settings;
    const std::string fixed = settings.Resolve(kFixedPalettePath);
    if (Exists(fixed)) return fixed;
    if (settings.PalettePath.empty()) {
        std::optional<std::string> chosen = ctx.ask.PickPalette();
        if (!chosen || chosen->empty()) {
            throw ToolError(std::string("No palette: ") + kFixedPalettePath +
                            " does not exist; choose an ACT palette (in eitool with --palette FILE)");
        }
        settings.PalettePath = *chosen;
    }
    return settings.PalettePath;
}

}  // namespace eit
