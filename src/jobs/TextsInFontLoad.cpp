#include "jobs/TextsInFontLoad.h"

#include "formats/CifText.h"
#include "formats/glyphs/ByteGlyphs.h"
#include "platform/Error.h"
#include "platform/Utf8.h"

namespace eit {

void CheckFirstByte(std::uint32_t firstByte)
{
    if (firstByte > kMaxFirstByte) {
        throw ToolError("The first byte " + std::to_string(firstByte) + " lies outside 0 to " + std::to_string(kMaxFirstByte) +
                        ": past it, glyphs 160 to 223 would have no bytes");
    }
}

CifFont LoadFont(const std::string& path)
{
    File file(path, OpenMode::Read);
    return ReadCifFont(file);
}

LineList LoadTxt(const std::string& path, const CharTable* table)
{
    LineList lines;
    lines.LoadFromFile(path);
    if (!table && lines.Count() > 0 && StartsWithUtf8Bom(lines[0])) throw SavedAsUtf8(path);
    return lines;
}

}  // namespace eit
