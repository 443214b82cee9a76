#pragma once
// A folder, a run context and a palette for running the font handlers, and
// the sheet edit that the round trips make.
#include <string>

#include "formats/CifFont.h"
#include "jobs/Replay.h"
#include "platform/Bmp.h"
#include "support/FontBuilder.h"
#include "support/Recorder.h"

namespace eit::test {

// Paints a 2 x 2 glyph of index 100 + k into strip k of the sheet, over a
// cleared strip.
inline void PaintSheet(const std::string& path)
{
    IndexedImage sheet = LoadBmp(path);
    const std::uint32_t pitch = sheet.Height() / 64;
    for (std::uint32_t k = 0; k < 64; ++k) {
        sheet.Fill(1, k * pitch, sheet.Width(), pitch, kTestBlack);
        sheet.Fill(4, k * pitch + 1, 2, 2, static_cast<std::uint8_t>(100 + k));
    }
    SaveBmp(sheet, path);
}

struct FontWorkspace {
    TempFolder dir;
    Recorder report;
    ScriptDialogs ask;
    RunContext ctx{report, ask};

    FontWorkspace()
    {
        WriteAll(dir / "palette.act", TestPalette());
        ask.palette = dir / "palette.act";
        ctx.settings.TargetDir = dir.str();
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
