#include "platform/Utf8.h"

#include <cstdint>
#include <cstdio>

namespace eit {

void AppendUtf8(std::string& out, char32_t c)
{
    auto put = [&out](std::uint32_t byte) { out += static_cast<char>(byte); };
    const std::uint32_t v = c;
    if (v < 0x80) {
        put(v);
    } else if (v < 0x800) {
        put(0xC0 | (v >> 6));
        put(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        put(0xE0 | (v >> 12));
        put(0x80 | ((v >> 6) & 0x3F));
        put(0x80 | (v & 0x3F));
    } else {
        put(0xF0 | (v >> 18));
        put(0x80 | ((v >> 12) & 0x3F));
        put(0x80 | ((v >> 6) & 0x3F));
        put(0x80 | (v & 0x3F));
    }
}

std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& pos)
{
    if (pos >= text.size()) return std::nullopt;
    const auto byte = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return char32_t{lead};
    }
    std::size_t length;
    std::uint32_t value;
    std::uint32_t smallest;  // below it the form is overlong
    if ((lead & 0xE0) == 0xC0) length = 2, value = lead & 0x1F, smallest = 0x80;
    else if ((lead & 0xF0) == 0xE0) length = 3, value = lead & 0x0F, smallest = 0x800;
    else if ((lead & 0xF8) == 0xF0) length = 4, value = lead & 0x07, smallest = 0x10000;
    else return std::nullopt;
    if (text.size() - pos < length) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    pos += length;
    return static_cast<char32_t>(value);
}

std::string CodePointName(char32_t c)
{
    char name[16];
    std::snprintf(name, sizeof name, "U+%04X", static_cast<unsigned>(c));
    return name;
}

std::string DescribeCharacter(char32_t c)
{
    if (c <= 0x20 || c == 0x7F) return CodePointName(c);
    std::string text = "\"";
    AppendUtf8(text, c);
    return text + "\" (" + CodePointName(c) + ")";
}

std::string QuotedClipped(std::string_view text)
{
    std::size_t end = 0;
    for (std::size_t count = 0; end < text.size() && count < kQuotedCharacters; ++count) {
        if (!NextUtf8(text, end)) ++end;  // a byte that is no character counts as one
    }
    return "\"" + std::string(text.substr(0, end)) + (end < text.size() ? "\xE2\x80\xA6\"" : "\"");
}

}  // namespace eit
