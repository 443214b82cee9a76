// ConvertFontToBitmap over a fuzzed font: a refused font leaves no sheet; a
// drawn one leaves a sheet that loads again at the size its glyphs need.
#include "Sandbox.h"
#include "formats/CifFont.h"
#include "platform/Bmp.h"
#include "platform/Error.h"
#include "support/FontBuilder.h"

using namespace eit;
using namespace eit::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Sandbox& box = FreshSandbox();
    const Bytes font(reinterpret_cast<const char*>(data), size);
    box.Put("f.fnt", font);
    box.Put("palette.act", test::TestPalette());
    FuzzRun run(box, "out");
    run.ask.palette = box.Path("palette.act");
    bool refused = false;
    try {
        ConvertFontToBitmap(run.ctx, box.Path("f.fnt"));
    } catch (const ToolError&) {
        refused = true;
    }
    std::map<std::string, Bytes> files = box.Files();
    Require(files["f.fnt"] == font, "drawing changed the font");
    Require(files.size() == (refused ? 2u : 3u), "a refused font left a sheet, or a drawn one none");
    if (refused) return 0;
    Require(run.ctx.OperationLog.Count() == 1 && run.ctx.OperationLog[0] == "#Target: " + box.Path("out/f.bmp"),
            "the sheet is not where it is logged");
    const IndexedImage sheet = LoadBmp(box.Path("out/f.bmp"));
    Require(sheet.Height() % kSheetStrips == 0 && sheet.Width() >= kSheetExtraWidth, "the sheet has a wrong size");
    Require(run.ctx.TotalBytes == files["out/f.bmp"].size(), "the bytes written are miscounted");
    return 0;
}
