#include "jobs/Letters.h"

namespace eit {

void DrawSheetLetters(Reporter& report, const DrawSettings& settings)
{
    const CharTable table = LoadNeededCharTable(settings.encoding, "Drawing letters");
    DrawLetters(report, {settings.sheetPath, settings.fontPath, LettersFromTable(table, settings.only), settings.size, settings.ink});
}

}  // namespace eit
