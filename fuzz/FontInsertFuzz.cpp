// ConvertBitmapToFont over a fuzzed font and sheet. A refused rebuild leaves
// the font byte-identical; a finished one leaves a font of 224 glyphs whose
// rebuilt glyphs decode.
#include "Sandbox.h"
#include "formats/CifFont.h"
#include "formats/glyphs/DecodeGlyph.h"
#include "platform/Error.h"

using namespace eit;
using namespace eit::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Sandbox& box = FreshSandbox();
    const std::vector<Bytes> parts = SplitParts(data, size, 2);
    box.Put("f.fnt", parts[0]);
    box.Put("s.bmp", parts[1]);
    FuzzRun run(box, ".");
    run.ctx.ReplayLines.Add("#Target: s.bmp");
    bool refused = false;
    try {
        SourceStreamScope source(run.ctx, box.Path("f.fnt"));
        Require(ConvertBitmapToFont(run.ctx, box.Path("f.fnt"), 0) == 0, "the replay goes on at the wrong line");
    } catch (const ToolError&) {
        refused = true;
    }

    std::map<std::string, Bytes> files = box.Files();
    Require(files.size() == 2, "a file left beside the font");
    Require(files["s.bmp"] == parts[1], "the sheet changed");
    if (refused) {
        Require(files["f.fnt"] == parts[0], "a refused rebuild changed the font");
        return 0;
    }
    File rebuilt(box.Path("f.fnt"), OpenMode::Read);
    const CifFont font = ReadCifFont(rebuilt);
    Require(font.GlyphCount() == kRebuiltGlyphCount && font.RecordCount() >= kRebuiltGlyphCount, "not 224 glyphs");
    for (std::uint32_t g = kFirstRebuiltGlyph; g < kRebuiltGlyphCount; ++g) {
        const GlyphRecord r = font.Record(g);
        try {
            DecodeGlyph(font.pixelData, font.rowTable, r.firstRow, r.width, r.height);
        } catch (const GlyphFault& fault) {
            Broken("rebuilt glyph " + std::to_string(g) + " does not decode: " + fault.what());
        }
    }
    return 0;
}
