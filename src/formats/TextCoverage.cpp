#include "formats/TextCoverage.h"

#include <map>

#include "formats/CifText.h"
#include "formats/TextFit.h"
#include "formats/glyphs/ByteGlyphs.h"
#include "platform/Error.h"
#include "platform/Hex.h"
#include "platform/LineList.h"

namespace eit {

namespace {
constexpr std::uint64_t kFirstByteKey = std::uint64_t{1} << 32;  // past every code point

class Tally {
public:
    void Count(std::optional<char32_t> character, std::optional<std::uint8_t> byte)
    {
        UsedCharacter& used = used_[character ? std::uint64_t{*character} : kFirstByteKey + *byte];
        used.character = character;
        used.byte = byte;
        ++used.count;
    }
    // Counts the characters of one text line.
    void CountLine(std::string_view line, const CharTable* table, const std::string& where)
    {
        if (!table) {
            for (char byte : line) Count(std::nullopt, static_cast<std::uint8_t>(byte));
            return;
        }
        for (std::size_t pos = 0, column = 1; pos < line.size(); ++column) {
            const CharTable::Unit unit = table->UnitAt(line, pos);
            if (!unit.character && !unit.byte) {
                throw ToolError(where + ", column " + std::to_string(column) + ": " + CharTable::NotUtf8(line[pos]));
            }
            Count(unit.character, unit.byte);
            pos += unit.length;
        }
    }
    std::vector<UsedCharacter> Result(const CifFont& font, std::uint32_t firstByte) const
    {
        std::vector<UsedCharacter> result;
        for (auto [key, used] : used_) {
            used.missing = used.byte && !GlyphForByte(font, *used.byte, firstByte);
            result.push_back(used);
        }
        return result;
    }

private:
    std::map<std::uint64_t, UsedCharacter> used_;
};
}  // namespace

std::vector<UsedCharacter> UsedCharacters(const std::vector<std::string>& txtPaths, const CharTable* table,
                                          const CifFont& font, std::uint32_t firstByte)
{
    Tally tally;
    for (const std::string& path : txtPaths) {
        LineList lines;
        if (LoadTxtLines(lines, path) && !table) throw SavedAsUtf8(path);
        ForEachTextLine(lines, [&](const TextLine& line) {
            tally.CountLine(line.text, table, path + ", line " + std::to_string(line.fileLine + 1));
        });
    }
    return tally.Result(font, firstByte);
}

}  // namespace eit
