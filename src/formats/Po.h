#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace eit {

// PO files, the message catalogues of GNU gettext, as translation tools read
// and write them; here every message has a context and no plural forms.
//
//   #. a note for the translator          (any number of each comment)
//   #: a reference, FILE:LINE
//   #, fuzzy                               (flags, separated by commas)
//   msgctxt "menu.cif:3"
//   msgid "Load game"                      (a string may go on in quoted
//   msgstr ""                               strings on the following lines)
//
// Strings are UTF-8 in double quotes with C escapes (\n, \t, \", \\, ...).
// The first message, of an empty msgid and no context, is the header: lines
// "Name: value\n" in its msgstr. Lines may end in CR LF.
struct PoMessage {
    std::vector<std::string> notes;       // "#." lines
    std::vector<std::string> references;  // "#:" lines
    bool fuzzy = false;
    std::optional<std::string> context;
    std::string id;
    std::string translation;
    std::size_t line = 0;  // of its first keyword, counted from 1
};

struct PoFile {
    std::string header;  // the header's msgstr; empty when there is none
    std::vector<PoMessage> messages;
};

// A string as a PO file quotes it, escapes included.
std::string PoQuoted(std::string_view text);
// Appends a message: its comments, then its keywords, a string that holds line
// breaks split after each of them as gettext's own tools do; then an empty line.
void AppendPoMessage(std::string& out, const PoMessage& message);

// Reads a PO file strictly: anything that is not a comment, a keyword with its
// string, a string going on, or an empty line is refused, as are bad escapes,
// text that is not UTF-8, a message without msgid or msgstr, plural forms and
// a header that names another charset than UTF-8. Errors name the file and the
// line. Obsolete messages (#~) are comments.
PoFile ReadPo(std::string_view text, const std::string& path);

}  // namespace eit
