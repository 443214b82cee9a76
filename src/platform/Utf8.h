#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace eit {

// The byte order mark that editors put at the start of a UTF-8 file.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

inline bool StartsWithUtf8Bom(std::string_view text) { return text.substr(0, kUtf8Bom.size()) == kUtf8Bom; }

void AppendUtf8(std::string& out, char32_t c);
// The character that starts at `pos`, moving `pos` past it; nothing for a
// byte that starts no well-formed character (overlong forms, surrogates and
// values past U+10FFFF included), `pos` then unchanged.
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& pos);
// "U+0119"; at least four digits.
std::string CodePointName(char32_t c);
// For messages: "ę" (U+0119), or the code point alone for a control or a space.
std::string DescribeCharacter(char32_t c);
// For messages that quote input: the text in double quotes, cut after
// kQuotedCharacters characters with "…", so a huge line cannot flood them.
inline constexpr std::size_t kQuotedCharacters = 80;
std::string QuotedClipped(std::string_view text);

}  // namespace eit
