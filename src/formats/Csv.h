#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace eit {

// CSV as RFC 4180 defines it: records of fields separated by commas, each
// record ended by CR LF; a field that holds a comma, a double quote, CR or LF
// is enclosed in double quotes, its own double quotes doubled.

// Appends one record: its fields, line breaks inside them as they are.
void AppendCsvRecord(std::string& out, const std::vector<std::string>& fields);

struct CsvRecord {
    std::vector<std::string> fields;
    std::size_t line = 0;  // where it starts, counted from 1
};

// Reads UTF-8 CSV strictly (a byte order mark first is skipped, records may
// end in LF alone, empty lines are passed over): a quote inside a field that
// is not enclosed, text after a closing quote, a quoted field that never
// closes, text that is not UTF-8 and records of another number of fields than
// the first are refused, naming the file and the line.
std::vector<CsvRecord> ReadCsv(std::string_view text, const std::string& path);

}  // namespace eit
