// LoadBmp and FindCells over a fuzzed file: the loader refuses or gives an
// image that saves and loads to itself; the cells lie in the image, in order.
#include "Sandbox.h"
#include "formats/CifFont.h"
#include "formats/glyphs/FindCells.h"
#include "platform/Bmp.h"
#include "platform/Error.h"

using namespace eit;
using namespace eit::fuzz;

namespace {
bool SameImage(const IndexedImage& a, const IndexedImage& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.Colours() != b.Colours()) return false;
    for (std::uint32_t y = 0; y < a.Height(); ++y) {
        if (!std::equal(a.Row(y), a.Row(y) + a.Width(), b.Row(y))) return false;
    }
    return true;
}

void CheckCells(const IndexedImage& sheet)
{
    std::int64_t below = 0;
    for (const GlyphCell& cell : FindCells(sheet, kSheetStrips)) {
        Require(cell.stripTop >= below && cell.stripTop < sheet.Height(), "a cell starts out of order");
        below = cell.stripTop + 1;
        if (!cell.HasInk()) continue;
        Require(cell.left >= 1 && cell.right < sheet.Width() && cell.top >= cell.stripTop && cell.bottom < sheet.Height(),
                "a cell's ink lies outside the sheet");
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Sandbox& box = FreshSandbox();
    box.Put("s.bmp", std::string_view(reinterpret_cast<const char*>(data), size));
    IndexedImage sheet;
    try {
        sheet = LoadBmp(box.Path("s.bmp"));
    } catch (const ToolError&) {
        return 0;
    }
    CheckCells(sheet);
    SaveBmp(sheet, box.Path("again.bmp"));
    Require(SameImage(LoadBmp(box.Path("again.bmp")), sheet), "the image does not save and load to itself");
    return 0;
}
