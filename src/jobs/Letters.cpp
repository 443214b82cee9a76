#include "jobs/Letters.h"

namespace eit {

void DrawSheetLetters(Reporter& report, const DrawSettings& settings)
{
    const CharTable table = CharTable::Load(settings.encoding.codePage, settings.encoding.tableFile);
    DrawLetters(report, {settings.sheetPath, settings.fontPath, LettersFromTable(table, settings.only), settings.size, settings.ink});
}

}  // namespace eit
