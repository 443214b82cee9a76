#include "jobs/Letters.h"

namespace eit {

void DrawSheetLetters(Reporter& report, const DrawSettings& settings)
{
    const CharTable table = LoadNeededCharTable(settings.encoding, "Drawing letters");
    DrawRequest request{settings.sheetPath, settings.fontPath, LettersFromTable(table, settings.only, settings.firstByte),
                        settings.size, settings.ink};
    request.firstByte = settings.firstByte;
    request.style = settings.style;
    DrawLetters(report, request);
}

}  // namespace eit
