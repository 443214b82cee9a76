#pragma once
// The loading that the font-and-texts commands share (jobs only).
#include <optional>
#include <string>

#include "formats/CifFont.h"
#include "jobs/TextsInFont.h"
#include "platform/CharTable.h"
#include "platform/LineList.h"

namespace eit {

// Refuses a first byte past which the rebuilt glyphs would have no bytes.
void CheckFirstByte(std::uint32_t firstByte);
CifFont LoadFont(const std::string& path);
// The lines of a .txt as they are (byte order mark included); a .txt saved
// as UTF-8 is refused when there is no table to read it.
LineList LoadTxt(const std::string& path, const CharTable* table);

}  // namespace eit
