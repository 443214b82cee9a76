#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace eit {

// The value of a hexadecimal digit in either case; -1 for any other character.
inline int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The byte that two hexadecimal digits at the start of `text` give; -1 when
// there are not two.
inline int HexByteAt(std::string_view text)
{
    if (text.size() < 2 || HexDigit(text[0]) < 0 || HexDigit(text[1]) < 0) return -1;
    return HexDigit(text[0]) * 16 + HexDigit(text[1]);
}

// A byte as two upper-case hexadecimal digits: "A1".
inline std::string HexByte(std::uint8_t byte)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

}  // namespace eit
