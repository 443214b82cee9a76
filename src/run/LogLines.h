#pragma once
#include <string>
#include <string_view>

#include "platform/LineList.h"

namespace eit {

// The operation log an extracting run writes into its target folder.
inline constexpr std::string_view kLogFileName = "result.log";

// The keywords that open the lines of an operation log. A line's keyword is
// its first token; the text after it, taken by position, is the line's value.
inline constexpr std::string_view kFormatKeyword = "#Format:";
inline constexpr std::string_view kSourceKeyword = "#Source:";
inline constexpr std::string_view kTargetKeyword = "#Target:";
// The replay takes a group's lines as keywords by this spelling.
inline constexpr std::string_view kTargetKeywordPrefix = "#Target";

// The first run of non-white-space characters of a line; empty when none.
std::string_view FirstToken(std::string_view line);

// The path a "#Target:" line names: the line without its first nine
// characters, whatever they are; empty for a shorter line.
std::string TargetPathOf(std::string_view line);

// Appends the "#Target: " line of an output file to an operation log.
void AddTargetLine(LineList& log, std::string_view path);

// Whether a text holds CR or LF: as a path or name in a log line it would
// split the line, and the replay would read the log wrong.
bool HasLineBreak(std::string_view text);
// The text with CR and LF shown as \r and \n, for messages.
std::string ShowLineBreaks(std::string_view text);

// The message an insertion handler reports when its source file was missing.
std::string SourceMissingLine(std::string_view path);
// The results line after the items of a source left unwritten: its rewrite
// would have given it exactly the bytes it holds.
std::string UpToDateLine(std::string_view path);

}  // namespace eit
