#include "platform/CharTable.h"

#include <algorithm>
#include <unordered_set>

#include "platform/CodePage.h"
#include "platform/Error.h"
#include "platform/Hex.h"
#include "platform/LineList.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"

namespace eit {

namespace {
constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kCr = 0x0D;

// Why a byte can never be mapped; nothing for the bytes that can.
const char* UnmappableByte(std::uint8_t byte)
{
    if (byte == 0) return "it ends a text";
    if (byte == kLf || byte == kCr) return "it is a line break, which a .txt keeps as it is";
    return nullptr;
}

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// The characters of a .txt's header and end marker lines. Given to another
// byte than their own, they could make a text line read as a header or an
// end marker where the game's bytes hold none, and the round trip would
// change the text.
bool IsLayoutCharacter(char32_t c)
{
    return c == U'[' || c == U']' || c == U'#' || (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'F') || (c >= U'a' && c <= U'f');
}
}  // namespace

std::optional<std::pair<std::uint8_t, char32_t>> CharTable::ParseLine(std::string_view line)
{
    const int byte = HexByteAt(line);
    if (byte < 0 || line.size() < 4 || line[2] != '=') return std::nullopt;
    std::size_t pos = 3;
    std::optional<char32_t> c = NextUtf8(line, pos);
    if (!c || pos != line.size()) return std::nullopt;
    return std::pair{static_cast<std::uint8_t>(byte), *c};
}

CharTable CharTable::Load(const std::string& encoding, const std::string& tableFile)
{
    if (encoding.empty() && tableFile.empty()) throw ToolError("No encoding: give a code page, a character table file or both");
    CharTable table;
    table.chars_.fill(kNoChar);
    if (!encoding.empty()) {
        const CodePageTable codePage = CodePageCharacters(encoding);
        for (std::size_t b = 0; b < 256; ++b) {
            if (codePage[b] && !UnmappableByte(static_cast<std::uint8_t>(b))) table.chars_[b] = *codePage[b];
        }
        table.name_ = CodePageName(encoding);
    }
    if (!tableFile.empty()) {
        table.Override(tableFile);
        table.name_ += (table.name_.empty() ? "" : " + ") + std::string(FileNameOf(tableFile));
    }
    table.IndexBytes();
    return table;
}

CharTable CharTable::Ascii()
{
    CharTable table;
    table.chars_.fill(kNoChar);
    for (std::uint8_t b = 1; b < 0x80; ++b) {
        if (!UnmappableByte(b)) table.chars_[b] = b;
    }
    table.name_ = "ASCII";
    table.IndexBytes();
    return table;
}

void CharTable::Override(const std::string& tableFile)
{
    LineList lines;
    lines.LoadFromFile(tableFile, LineList::ByteOrderMark::Skip);
    std::array<std::size_t, 256> lineOfByte{};  // 0: not listed
    std::unordered_map<char32_t, std::size_t> lineOfChar;
    std::array<char32_t, 256> overrides;
    overrides.fill(kNoChar);
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::string_view line = lines[i];
        if (IsBlank(line)) continue;
        const std::size_t number = i + 1;
        auto refuse = [&](const std::string& why) {
            return ToolError("Character table " + tableFile + ", line " + std::to_string(number) + ": " + why);
        };
        const auto entry = ParseLine(line);
        if (!entry) throw refuse("expected XX=c (two hexadecimal digits, \"=\" and one character in UTF-8), found " + QuotedClipped(line));
        const auto [byte, c] = *entry;
        if (const char* why = UnmappableByte(byte)) throw refuse("byte " + HexByte(byte) + " cannot be mapped: " + why);
        if (IsLayoutCharacter(c) && c != byte) {
            throw refuse("byte " + HexByte(byte) + " cannot stand for " + DescribeCharacter(c) +
                         ": the header and end marker lines of a .txt are made of it, so a text could read as one of them");
        }
        if (lineOfByte[byte] != 0) {
            throw refuse("byte " + HexByte(byte) + " is listed twice, on lines " + std::to_string(lineOfByte[byte]) + " and " + std::to_string(number));
        }
        if (auto [at, added] = lineOfChar.emplace(c, number); !added) {
            throw refuse("the character " + DescribeCharacter(c) + " is listed twice, on lines " + std::to_string(at->second) + " and " +
                         std::to_string(number));
        }
        lineOfByte[byte] = number;
        overrides[byte] = c;
    }
    for (std::size_t b = 0; b < 256; ++b) {
        if (overrides[b] != kNoChar) chars_[b] = overrides[b];
        else if (lineOfChar.count(chars_[b]) != 0) chars_[b] = kNoChar;  // its character went to an override
    }
}

void CharTable::IndexBytes()
{
    for (std::size_t b = 0; b < 256; ++b) {
        const auto byte = static_cast<std::uint8_t>(b);
        // A code page that gives one character to two bytes keeps it on the first.
        if (chars_[b] != kNoChar && !bytes_.emplace(chars_[b], byte).second) chars_[b] = kNoChar;
        if (byte == kLf || byte == kCr) utf8_[b] = static_cast<char>(byte);
        else if (chars_[b] != kNoChar) AppendUtf8(utf8_[b], chars_[b]);
        else utf8_[b] = "<$" + HexByte(byte) + ">";
    }
}

std::optional<char32_t> CharTable::CharOf(std::uint8_t byte) const
{
    if (chars_[byte] == kNoChar) return std::nullopt;
    return chars_[byte];
}

std::optional<std::uint8_t> CharTable::ByteOf(char32_t c) const
{
    auto at = bytes_.find(c);
    if (at == bytes_.end()) return std::nullopt;
    return at->second;
}

void CharTable::AppendText(std::string& out, std::string_view bytes) const
{
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        const bool startsEscape = chars_[byte] == U'<' && i + 1 < bytes.size() && chars_[static_cast<std::uint8_t>(bytes[i + 1])] == U'$';
        out += startsEscape ? "<$" + HexByte(byte) + ">" : utf8_[byte];
    }
}

CharTable::Unit CharTable::UnitAt(std::string_view line, std::size_t pos) const
{
    std::string_view rest = line.substr(pos);
    if (rest.size() >= 5 && rest[0] == '<' && rest[1] == '$' && rest[4] == '>') {
        if (int byte = HexByteAt(rest.substr(2)); byte >= 0) return {5, std::nullopt, static_cast<std::uint8_t>(byte)};
    }
    std::size_t next = pos;
    std::optional<char32_t> c = NextUtf8(line, next);
    if (!c) return {};
    return {next - pos, c, ByteOf(*c)};
}

std::string CharTable::NotUtf8(char byte)
{
    return "byte " + HexByte(static_cast<std::uint8_t>(byte)) + " is not UTF-8; save the .txt as UTF-8";
}

std::string CharTable::MalformedEscape(std::string_view text)
{
    // Up to its ">" when one is near, else the four characters an escape opens with.
    const std::size_t close = text.find('>');
    const std::size_t shown = close != std::string_view::npos && close < 6 ? close + 1 : std::min<std::size_t>(text.size(), 4);
    return QuotedClipped(text.substr(0, shown)) + " is no escape: a byte is written <$XX>, XX two hexadecimal digits";
}

std::optional<CharTable::Fault> CharTable::AppendBytes(std::vector<std::uint8_t>& out, std::string_view line) const
{
    std::size_t column = 1;
    for (std::size_t pos = 0; pos < line.size(); ++column) {
        const Unit unit = UnitAt(line, pos);
        // Extraction writes every "<$" as the start of an escape: any other is a mistyped one.
        if (unit.character && line.compare(pos, 2, "<$") == 0) return Fault{column, MalformedEscape(line.substr(pos))};
        if (unit.character && !unit.byte) return Fault{column, "the character " + DescribeCharacter(*unit.character) + " has no byte in " + name_};
        if (!unit.byte) return Fault{column, NotUtf8(line[pos])};
        if (*unit.byte == 0) return Fault{column, "<$00> cannot stand in a text, which a zero byte ends"};
        out.push_back(*unit.byte);
        pos += unit.length;
    }
    return std::nullopt;
}

std::optional<CharTable> LoadCharTable(const TextEncoding& encoding)
{
    if (encoding.AsBytes()) return std::nullopt;
    return CharTable::Load(encoding.codePage, encoding.tableFile);
}

CharTable LoadNeededCharTable(const TextEncoding& encoding, const std::string& what)
{
    std::optional<CharTable> table = LoadCharTable(encoding);
    if (!table) throw ToolError(what + " needs a code page or a character table: they say which letter each byte stands for");
    return std::move(*table);
}

}  // namespace eit
