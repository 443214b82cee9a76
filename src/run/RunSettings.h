#pragma once
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/CharTable.h"
#include "platform/LineList.h"

namespace eit {

struct RunContext;

// The palette of the sheets, tried before any other: a host path, on hosts
// where it is relative taken in the target folder.
inline constexpr const char* kFixedPalettePath = "c:\\work\\velmoran\\font.act";

// What a run works with, settled once per run and read by the handlers: the
// target folder, the texts' encoding and its table, the sheets' palette. A
// front end gives what it knows beforehand (eitool's options); the rest is
// asked through the Dialogs when first needed.
struct RunSettings {
    // Where the outputs go; relative paths read from project lists and
    // operation logs resolve against it (Resolve), for a replay and its check alike.
    std::string TargetDir;
    // The encoding the front end gives every run; nothing: it is asked
    // through PickEncoding, once per run, when first needed.
    std::optional<TextEncoding> GivenEncoding;
    // This run's encoding once given or asked, and its table (none for the
    // bytes as they are).
    std::optional<TextEncoding> Encoding;
    std::optional<CharTable> Table;
    // The palette of this run's sheets, once found or given.
    std::string PalettePath;
    // A replay may use another encoding or table than the one its log records.
    bool OverrideEncoding = false;
    // The encoding the replayed log records: its .txt files must carry a byte order mark.
    std::optional<TextEncoding> LogEncoding;
    // The results lines said of logs' encodings: said once per run, though
    // the check before writing and the replay both read each log.
    std::set<std::string> EncodingLinesSaid;

    // A new run: forgets what the last one settled, and loads the given
    // encoding's table, so that a wrong one ends the run before it writes.
    void StartRun();
    // A path read from a project list, a log or the fixed palette path:
    // a relative one is taken in TargetDir.
    std::string Resolve(std::string_view path) const;
};

// The encoding an extraction run recorded in its operation log, before its
// first "#Format:" line: "#Encoding: NAME" and "#Table: SHA256 PATH".
inline constexpr std::string_view kEncodingKeyword = "#Encoding:";
inline constexpr std::string_view kTableKeyword = "#Table:";
struct RecordedEncoding {
    TextEncoding encoding;
    std::string tableSha256;  // empty when no table file was used
};
// The encoding a log records; nothing for a log of the bytes as they are.
std::optional<RecordedEncoding> RecordedEncodingOf(const LineList& log);
// The lines that record `encoding` (none for the bytes as they are).
void AddEncodingLines(LineList& log, const TextEncoding& encoding);
// At the start of each replayed log: a log that records an encoding settles
// the run's encoding with it when none is given. A given one that differs, or
// a recorded table file missing or changed, is refused naming both, unless
// OverrideEncoding; a given table that only adds lines to the recorded one is
// taken and said.
void SettleLogEncoding(RunContext& ctx, const LineList& log, const std::string& logPath);
// Refuses a .txt without a byte order mark where its letters could not be
// told from bytes: its log records an encoding, or one is given for a log that
// records none (unless OverrideEncoding).
void CheckTxtMarked(const RunContext& ctx, const std::string& txtPath, bool hasByteOrderMark);

// The table of the run's .txt files; null for the bytes as they are. The
// encoding is settled when a file first needs it (`needed`): the one the
// front end gives, or the one the user picks (cancelling stops the run); a
// results line names it. Without an encoding given, a file that does not need
// one is read as the bytes as they are, whatever another file of the run needed.
const CharTable* RunCharTable(RunContext& ctx, bool needed);

// The path of the run's palette: the fixed one when it exists, else the one
// chosen earlier in the run, else the user's choice, asked once per run.
std::string RunPalettePath(RunContext& ctx);

}  // namespace eit
