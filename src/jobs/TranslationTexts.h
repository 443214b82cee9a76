#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/CharTable.h"
#include "run/RunContext.h"

namespace eit {

// The texts of the CIF groups of operation logs as the messages of a
// translation file: each entry with a context unique across the logs, its
// source (the CIF file's text) and its current text (the .txt's).

// How texts are written in a translation file and in the .txt files: the
// .txt holds the game's bytes as they are (no table) or UTF-8 through the
// table; a translation file always holds UTF-8, through the table or ASCII.
struct TextForms {
    std::optional<CharTable> txtTable;
    CharTable messageTable;

    static TextForms Of(const TextEncoding& encoding);
};

// A message's text for the game's bytes: characters through the table, a
// line break as LF, and a byte with no character, a control character or a
// "<" before "$" as "<$XX>", so that the bytes come back exactly.
std::string MessageText(std::string_view bytes, const CharTable& table);
// The game's bytes of a message's text; what stops it, naming the line of the
// text and the column.
std::optional<std::string> MessageBytes(std::string_view text, const CharTable& table, std::string& bytes);

// A CIF text file named by a log, with the .txt its texts went to.
struct TextGroup {
    std::string cifPath;
    std::string txtPath;
    std::string label;  // the file's name, or the end of its path where names repeat
    std::size_t firstEntry = 0;  // its entries' place in LogTexts::entries
    std::size_t count = 0;
};

struct TextEntry {
    std::size_t group = 0;
    std::size_t index = 0;  // the entry's number in its CIF file
    std::string context;    // "menu.cif:26"
    std::string reference;  // "menu.txt:105", the line of its header
    std::string source;     // the CIF file's text, as a message's text
    std::string txtBytes;   // the .txt's text, as the game's bytes
    std::optional<std::uint8_t> lead;
};

struct LogTexts {
    std::vector<TextGroup> groups;
    std::vector<TextEntry> entries;
    std::unordered_map<std::string, std::size_t> byContext;
};

// Reads every CIF group of the logs: the CIF file and its .txt, which must
// both be there and parse; the same CIF file or .txt in two groups is refused.
// `forms` becomes those of the encoding given, else of the one the logs record.
LogTexts ReadLogTexts(RunContext& ctx, const std::vector<std::string>& logs, const TextEncoding& given, TextForms& forms);

}  // namespace eit
