#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace eit {

// How the .txt files of a run hold their texts: the game's bytes as they are
// (nothing given), or UTF-8 through a code page, a character table file, or
// a code page with a table file's overrides.
struct TextEncoding {
    std::string codePage;
    std::string tableFile;
    bool AsBytes() const { return codePage.empty() && tableFile.empty(); }
    bool operator==(const TextEncoding&) const = default;
};

// Which character each byte of the game's texts stands for: a code page by
// name, with per-byte overrides from a character table file (the letters a
// translation puts into font slots the code page gives to other letters).
//
// Table file: UTF-8 (a byte order mark allowed), one "XX=c" line per byte, XX
// two hexadecimal digits and c one character; blank lines are ignored. A byte
// or a character listed twice is refused, naming both lines. An override
// replaces the code page's character for its byte; a byte of the code page
// whose character an override takes maps to nothing, so every character has
// one byte. Bytes 00 (the end of a text), 0A and 0D (line breaks, which a
// .txt keeps as they are) never map to a character, and the characters of
// the .txt's header and end marker lines ("[", "]", "#", 0-9, A-F, a-f) to
// no byte but their own: every round trip through a table gives back the
// game's bytes.
class CharTable {
public:
    // A code page by name plus overrides from a table file. Either may be
    // empty, not both; a table file alone lists every byte it maps.
    static CharTable Load(const std::string& encoding, const std::string& tableFile);
    // Bytes 01 to 7F as their ASCII characters (but for the line breaks): for
    // texts written as UTF-8 where no encoding is given.
    static CharTable Ascii();

    // A line of a table file, "XX=c": the byte and the character; nothing
    // when the line has another form.
    static std::optional<std::pair<std::uint8_t, char32_t>> ParseLine(std::string_view line);

    std::optional<char32_t> CharOf(std::uint8_t byte) const;
    std::optional<std::uint8_t> ByteOf(char32_t c) const;
    // For results lines: "windows-1250 + pl.tbl", "windows-1250", "pl.tbl".
    const std::string& Name() const { return name_; }

    // A text's bytes as UTF-8, appended to `out`: CR and LF as they are, a
    // byte that maps to no character as "<$XX>", and so is a "<" that a "$"
    // follows, so that every byte string comes back exactly.
    void AppendText(std::string& out, std::string_view bytes) const;

    // One step through a line of a .txt: an escape "<$XX>" (byte XX), or a
    // character and its byte; `byte` is nothing for a character that has
    // none, `character` for an escape and for invalid UTF-8 (length 1).
    struct Unit {
        std::size_t length = 1;
        std::optional<char32_t> character;
        std::optional<std::uint8_t> byte;
    };
    Unit UnitAt(std::string_view line, std::size_t pos) const;
    // What is wrong with a byte that starts no UTF-8 character.
    static std::string NotUtf8(char byte);
    // What is wrong with a "<$" that starts no escape: `text` starts there.
    static std::string MalformedEscape(std::string_view text);

    // What stops a line from going back into bytes: the character's column
    // (1 for the first) and what is wrong there.
    struct Fault {
        std::size_t column;
        std::string what;
    };
    // Appends the bytes of one line of a .txt (without its line end); on a
    // fault nothing can be trusted of what was appended.
    std::optional<Fault> AppendBytes(std::vector<std::uint8_t>& out, std::string_view line) const;

private:
    static constexpr char32_t kNoChar = 0xFFFFFFFF;
    void Override(const std::string& tableFile);
    void IndexBytes();

    std::array<char32_t, 256> chars_{};
    std::unordered_map<char32_t, std::uint8_t> bytes_;
    std::array<std::string, 256> utf8_;  // what AppendText writes for each byte
    std::string name_;
};

// The table of an encoding; nothing for the bytes as they are. A code page or
// table file that is wrong is refused with an error naming it.
std::optional<CharTable> LoadCharTable(const TextEncoding& encoding);
// The same for work that needs a table: the bytes as they are are refused,
// `what` ("Drawing letters") saying what needs it.
CharTable LoadNeededCharTable(const TextEncoding& encoding, const std::string& what);

}  // namespace eit
