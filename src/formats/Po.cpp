#include "formats/Po.h"

#include "platform/Error.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"

namespace eit {

namespace {
// The C escapes of PO strings: the escaped character and its letter.
constexpr std::pair<char, char> kEscapes[] = {{'\n', 'n'}, {'\t', 't'}, {'\r', 'r'}, {'\a', 'a'}, {'\b', 'b'},
                                              {'\f', 'f'}, {'\v', 'v'}, {'\\', '\\'}, {'"', '"'}};

void AppendKeyword(std::string& out, std::string_view keyword, std::string_view text)
{
    out += keyword;
    const std::size_t firstBreak = text.find('\n');
    if (firstBreak == std::string_view::npos || firstBreak + 1 == text.size()) {
        out += " " + PoQuoted(text) + "\n";
        return;
    }
    out += " \"\"\n";
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
        out += PoQuoted(text.substr(start, end - start)) + "\n";
        start = end;
    }
}

std::string_view TrimLeft(std::string_view text)
{
    const std::size_t start = text.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

bool ValidUtf8(std::string_view text)
{
    for (std::size_t pos = 0; pos < text.size();) {
        if (!NextUtf8(text, pos)) return false;
    }
    return true;
}

// The charset a header's Content-Type names; empty when it names none.
std::string HeaderCharset(std::string_view header)
{
    for (std::size_t start = 0; start < header.size();) {
        const std::size_t end = std::min(header.find('\n', start), header.size());
        const std::string line = LowerAscii(header.substr(start, end - start));
        start = end + 1;
        if (line.rfind("content-type:", 0) != 0) continue;
        const std::size_t at = line.find("charset=");
        if (at == std::string::npos) return {};
        const std::string value = line.substr(at + 8);
        return value.substr(0, value.find_first_of("; \t"));
    }
    return {};
}

// Reads the lines of a PO file one by one into messages.
class PoReader {
public:
    PoReader(std::string_view text, const std::string& path) : text_(text), path_(path) {}

    PoFile Read()
    {
        if (StartsWithUtf8Bom(text_)) text_.remove_prefix(kUtf8Bom.size());
        for (std::size_t start = 0; start < text_.size();) {
            std::size_t end = text_.find('\n', start);
            if (end == std::string_view::npos) end = text_.size();
            std::string_view line = text_.substr(start, end - start);
            start = end + 1;
            ++lineNo_;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (!ValidUtf8(line)) throw Wrong("the line is not UTF-8 text");
            ReadLine(TrimLeft(line));
        }
        if (started_ && !hasStr_) throw Wrong("the file ends inside a message: msgstr expected");
        if (hasStr_) Finish();
        const std::string charset = HeaderCharset(file_.header);
        if (!charset.empty() && charset != "utf-8" && charset != "utf8") {
            lineNo_ = headerLine_;
            throw Wrong("the header names the charset " + charset + "; save the file as UTF-8");
        }
        return std::move(file_);
    }

private:
    enum class Field { None, Context, Id, Translation };

    ToolError Wrong(const std::string& what) const { return ToolError(path_ + ", line " + std::to_string(lineNo_) + ": " + what); }

    void ReadLine(std::string_view line)
    {
        if (line.empty()) return;
        if (line.front() == '#') return Comment(line);
        if (line.front() == '"') {
            if (field_ == Field::None) throw Wrong("a string that follows no keyword");
            Target() += Unquote(line);
            return;
        }
        const std::size_t wordEnd = std::min(line.find_first_of(" \t\""), line.size());
        Keyword(line.substr(0, wordEnd), TrimLeft(line.substr(wordEnd)));
    }

    void Comment(std::string_view line)
    {
        if (started_ && !hasStr_) throw Wrong("a comment inside a message, where msgstr was expected");
        if (hasStr_) Finish();
        field_ = Field::None;
        const char kind = line.size() > 1 ? line[1] : ' ';
        std::string text(TrimLeft(line.substr(std::min<std::size_t>(2, line.size()))));
        if (kind == '.') pending_.notes.push_back(text);
        if (kind == ':') pending_.references.push_back(text);
        if (kind != ',') return;
        for (std::size_t start = 0; start <= text.size();) {
            const std::size_t end = std::min(text.find(',', start), text.size());
            std::string_view flag = TrimLeft(std::string_view(text).substr(start, end - start));
            while (!flag.empty() && (flag.back() == ' ' || flag.back() == '\t')) flag.remove_suffix(1);
            if (flag == "fuzzy") pending_.fuzzy = true;
            start = end + 1;
        }
    }

    void Keyword(std::string_view word, std::string_view rest)
    {
        if (word == "msgid_plural" || word.rfind("msgstr[", 0) == 0) {
            throw Wrong(std::string(word) + ": these texts have no plural forms");
        }
        if (word != "msgctxt" && word != "msgid" && word != "msgstr") {
            throw Wrong("expected a comment, msgctxt, msgid, msgstr or a string; found \"" + std::string(word) + "\"");
        }
        if (rest.empty() || rest.front() != '"') throw Wrong(std::string(word) + " without its string");
        if (word == "msgstr") {
            if (!hasId_) throw Wrong("msgstr without msgid before it");
            if (hasStr_) throw Wrong("a second msgstr in one message");
            hasStr_ = true;
            field_ = Field::Translation;
        } else {
            if (hasStr_) Finish();
            if (hasId_ || (word == "msgctxt" && started_)) throw Wrong(std::string(word) + " where msgstr was expected");
            if (!started_) pending_.line = lineNo_;
            started_ = true;
            hasId_ = word == "msgid";
            field_ = hasId_ ? Field::Id : Field::Context;
            if (!hasId_) pending_.context.emplace();
        }
        Target() = Unquote(rest);
    }

    std::string& Target()
    {
        if (field_ == Field::Context) return *pending_.context;
        return field_ == Field::Id ? pending_.id : pending_.translation;
    }

    // The text of one quoted string, which must fill the rest of the line.
    std::string Unquote(std::string_view quoted) const
    {
        std::string text;
        std::size_t i = 1;
        for (; i < quoted.size() && quoted[i] != '"'; ++i) {
            if (quoted[i] != '\\') {
                text += quoted[i];
                continue;
            }
            if (++i == quoted.size()) break;
            i += Unescape(quoted.substr(i), text) - 1;
        }
        if (i >= quoted.size()) throw Wrong("a string without its closing quote");
        if (!TrimLeft(quoted.substr(i + 1)).empty()) throw Wrong("text after the closing quote of a string");
        return text;
    }

    // Appends the character of the escape at the start of `rest` (after the
    // backslash); returns how many characters it took.
    std::size_t Unescape(std::string_view rest, std::string& text) const
    {
        for (const auto& [c, letter] : kEscapes) {
            if (rest[0] == letter) {
                text += c;
                return 1;
            }
        }
        unsigned value = 0;
        std::size_t length = 0;
        if (rest[0] >= '0' && rest[0] <= '7') {
            while (length < 3 && length < rest.size() && rest[length] >= '0' && rest[length] <= '7') value = value * 8 + unsigned(rest[length++] - '0');
        } else if (rest[0] == 'x') {
            for (length = 1; length < rest.size() && HexDigit(rest[length]) >= 0; ++length) value = value * 16 + unsigned(HexDigit(rest[length]));
            if (length == 1) throw Wrong("\\x without hexadecimal digits");
        } else {
            throw Wrong("unknown escape \\" + std::string(1, rest[0]));
        }
        if (value == 0 || value > 0x7F) throw Wrong("the escape \\" + std::string(rest.substr(0, length)) + " does not stand for a character from 01 to 7F");
        text += static_cast<char>(value);
        return length;
    }

    void Finish()
    {
        if (!pending_.context && pending_.id.empty()) {
            if (!file_.messages.empty() || headerLine_ != 0) {
                lineNo_ = pending_.line;
                throw Wrong("a message without msgctxt and with an empty msgid, which only the header may be, and only first");
            }
            headerLine_ = pending_.line;
            file_.header = std::move(pending_.translation);
        } else {
            file_.messages.push_back(std::move(pending_));
        }
        pending_ = {};
        started_ = hasId_ = hasStr_ = false;
        field_ = Field::None;
    }

    std::string_view text_;
    const std::string& path_;
    std::size_t lineNo_ = 0;
    std::size_t headerLine_ = 0;
    PoFile file_;
    PoMessage pending_;
    bool started_ = false;
    bool hasId_ = false;
    bool hasStr_ = false;
    Field field_ = Field::None;
};
}  // namespace

std::string PoQuoted(std::string_view text)
{
    std::string quoted = "\"";
    for (char c : text) {
        bool escaped = false;
        for (const auto& [escapedChar, letter] : kEscapes) {
            if (c == escapedChar) {
                quoted += {'\\', letter};
                escaped = true;
            }
        }
        if (escaped) continue;
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            quoted += {'\\', char('0' + (byte >> 6)), char('0' + ((byte >> 3) & 7)), char('0' + (byte & 7))};
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

void AppendPoMessage(std::string& out, const PoMessage& message)
{
    for (const std::string& note : message.notes) out += "#. " + note + "\n";
    for (const std::string& reference : message.references) out += "#: " + reference + "\n";
    if (message.fuzzy) out += "#, fuzzy\n";
    if (message.context) AppendKeyword(out, "msgctxt", *message.context);
    AppendKeyword(out, "msgid", message.id);
    AppendKeyword(out, "msgstr", message.translation);
    out += "\n";
}

PoFile ReadPo(std::string_view text, const std::string& path) { return PoReader(text, path).Read(); }

}  // namespace eit
