#pragma once
// A folder, a run context and a palette for running the font handlers.
#include <string>

#include "formathandlers/CifFont.h"
#include "main/Replay.h"
#include "platform/Bmp.h"
#include "support/FontBuilder.h"
#include "support/Recorder.h"

namespace eit::test {

struct FontWorkspace {
    TempFolder dir;
    Recorder report;
    ScriptDialogs ask;
    RunContext ctx{report, ask};

    FontWorkspace()
    {
        WriteAll(dir / "palette.act", TestPalette());
        ask.palette = dir / "palette.act";
        ctx.TargetDir = dir.str();
    }

    std::string PutFont(const std::string& name, const Bytes& font)
    {
        WriteAll(dir / name, font);
        return dir / name;
    }

    std::string SheetOf(const std::string& fontName) const
    {
        return dir / (fontName.substr(0, fontName.rfind('.')) + ".bmp");
    }

    // Draws the font into its sheet and loads the sheet.
    IndexedImage Draw(const std::string& fontName)
    {
        ConvertFontToBitmap(ctx, dir / fontName);
        return LoadBmp(SheetOf(fontName));
    }

    // Replays a log of FNT groups, each a font and its sheet.
    void Replay(const std::vector<std::pair<std::string, std::string>>& groups)
    {
        Bytes log;
        for (const auto& [font, sheet] : groups) log += "#Format: FNT\r\n#Source: " + font + "\r\n#Target: " + sheet + "\r\n";
        WriteAll(dir / "result.log", log);
        ReplayLog(ctx, dir / "result.log");
    }
};

}  // namespace eit::test
