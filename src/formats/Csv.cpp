#include "formats/Csv.h"

#include "platform/Error.h"
#include "platform/Utf8.h"

namespace eit {

namespace {
class CsvReader {
public:
    CsvReader(std::string_view text, const std::string& path) : text_(text), path_(path) {}

    std::vector<CsvRecord> Read()
    {
        if (StartsWithUtf8Bom(text_)) pos_ = kUtf8Bom.size();
        std::vector<CsvRecord> records;
        while (pos_ < text_.size()) {
            if (SkipLineEnd()) continue;  // an empty line
            CsvRecord record{{}, line_};
            record.fields.push_back(Field());
            while (pos_ < text_.size() && text_[pos_] == ',') {
                ++pos_;
                record.fields.push_back(Field());
            }
            SkipLineEnd();
            if (!records.empty() && record.fields.size() != records.front().fields.size()) {
                throw Wrong(record.line, std::to_string(record.fields.size()) + " fields where the first record has " +
                                             std::to_string(records.front().fields.size()));
            }
            records.push_back(std::move(record));
        }
        return records;
    }

private:
    ToolError Wrong(std::size_t line, const std::string& what) const
    {
        return ToolError(path_ + ", line " + std::to_string(line) + ": " + what);
    }

    // Moves past CR LF or LF at the position; false when none is there.
    bool SkipLineEnd()
    {
        const std::size_t before = pos_;
        if (pos_ < text_.size() && text_[pos_] == '\r') ++pos_;
        if (pos_ < text_.size() && text_[pos_] == '\n') {
            ++pos_;
            ++line_;
            return true;
        }
        pos_ = before;
        return false;
    }

    bool AtFieldEnd() const { return pos_ == text_.size() || text_[pos_] == ',' || text_[pos_] == '\n' || text_[pos_] == '\r'; }

    // One field, leaving the position at the comma or line end after it.
    std::string Field()
    {
        std::string field;
        if (pos_ < text_.size() && text_[pos_] == '"') return Quoted();
        for (; !AtFieldEnd(); ++pos_) {
            if (text_[pos_] == '"') throw Wrong(line_, "a double quote inside a field that is not enclosed in double quotes");
            field += text_[pos_];
        }
        if (pos_ < text_.size() && text_[pos_] == '\r' && (pos_ + 1 == text_.size() || text_[pos_ + 1] != '\n')) {
            throw Wrong(line_, "a CR outside double quotes that no LF follows");
        }
        return Checked(field, line_);
    }

    std::string Quoted()
    {
        const std::size_t startLine = line_;
        std::string field;
        for (++pos_;; ++pos_) {
            if (pos_ == text_.size()) throw Wrong(startLine, "a field enclosed in double quotes that never closes");
            const char c = text_[pos_];
            if (c == '\n') ++line_;
            if (c != '"') {
                field += c;
            } else if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                field += '"';
                ++pos_;
            } else {
                ++pos_;
                break;
            }
        }
        if (!AtFieldEnd()) throw Wrong(line_, "text after the closing double quote of a field");
        return Checked(field, startLine);
    }

    std::string Checked(const std::string& field, std::size_t line) const
    {
        for (std::size_t pos = 0; pos < field.size();) {
            if (!NextUtf8(field, pos)) throw Wrong(line, "a field that is not UTF-8 text");
        }
        return field;
    }

    std::string_view text_;
    const std::string& path_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};
}  // namespace

void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ',';
        const std::string& field = fields[i];
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            out += field;
            continue;
        }
        out += '"';
        for (char c : field) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        out += '"';
    }
    out += "\r\n";
}

std::vector<CsvRecord> ReadCsv(std::string_view text, const std::string& path) { return CsvReader(text, path).Read(); }

}  // namespace eit
