#include "formats/FreeCells.h"

#include <array>

#include "platform/CharTable.h"
#include "formats/glyphs/ByteGlyphs.h"
#include "platform/Error.h"
#include "platform/Hex.h"
#include "platform/LineList.h"
#include "platform/Utf8.h"

namespace eit {

std::vector<MovedLetter> PlanFreeCells(const std::vector<UsedCharacter>& used, std::uint32_t firstByte)
{
    std::array<bool, 256> taken{};
    for (const UsedCharacter& u : used) {
        if (u.byte) taken[*u.byte] = true;
    }
    std::vector<std::uint8_t> free;
    for (unsigned b = 0; b < 256; ++b) {
        if (!taken[b] && IsRebuiltByte(static_cast<std::uint8_t>(b), firstByte)) free.push_back(static_cast<std::uint8_t>(b));
    }
    std::vector<MovedLetter> moved;
    for (const UsedCharacter& u : used) {
        if (!u.character) continue;
        const bool shown = u.byte && (!u.missing || IsRebuiltByte(*u.byte, firstByte));
        if (!shown) moved.push_back({*u.character, u.byte, 0});
    }
    if (moved.size() > free.size()) {
        const std::size_t lacking = moved.size() - free.size();
        throw ToolError(std::to_string(moved.size()) + (moved.size() == 1 ? " letter needs a byte of its own" : " letters need bytes of their own") +
                        ", and only " + std::to_string(free.size()) +
                        " of the bytes " + HexByte(ByteOfCell(0, firstByte)) + " to " +
                        HexByte(ByteOfCell(kSheetStrips - 1, firstByte)) + " are free of the texts: " +
                        std::to_string(lacking) + " missing");
    }
    for (std::size_t i = 0; i < moved.size(); ++i) moved[i].to = free[i];
    return moved;
}

std::string FittedTable(const std::string& given, const std::vector<MovedLetter>& moved)
{
    LineList lines;
    lines.AddText(given);
    std::string out;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        std::string_view line = lines[i];
        if (i == 0 && StartsWithUtf8Bom(line)) {
            out += kUtf8Bom;
            line.remove_prefix(kUtf8Bom.size());
        }
        bool makesWay = false;
        if (const auto entry = CharTable::ParseLine(line)) {
            for (const MovedLetter& m : moved) makesWay |= entry->first == m.to || entry->second == m.letter;
        }
        if (makesWay) continue;
        out.append(line);
        out += "\n";
    }
    for (const MovedLetter& m : moved) {
        out += HexByte(m.to) + "=";
        AppendUtf8(out, m.letter);
        out += "\n";
    }
    return out;
}

}  // namespace eit
