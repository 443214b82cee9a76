#include "run/RunSettings.h"

#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Sha256.h"
#include "run/LogLines.h"
#include "run/RunContext.h"

#include <set>

namespace eit {

void RunSettings::StartRun()
{
    Encoding.reset();
    Table.reset();
    PalettePath.clear();
    LogEncoding.reset();
    EncodingLinesSaid.clear();
    if (GivenEncoding) Table = LoadCharTable(*GivenEncoding);
}

std::string RunSettings::Resolve(std::string_view path) const
{
    if (path.empty() || TargetDir.empty() || !IsRelativePath(path)) return std::string(path);
    return JoinPath(TargetDir, path);
}

namespace {
// The text after a line's first token and the one space that follows it.
std::string_view ValueOf(std::string_view line, std::string_view token)
{
    const std::size_t at = line.find(token) + token.size();
    return at < line.size() ? line.substr(at + 1) : std::string_view();
}

std::string Describe(const TextEncoding& encoding)
{
    if (encoding.AsBytes()) return "the bytes as they are";
    std::string text = encoding.codePage;
    if (!encoding.tableFile.empty()) text += (text.empty() ? "the table " : " with the table ") + encoding.tableFile;
    return text;
}

std::set<std::string> NonBlankLines(const std::string& path)
{
    LineList lines;
    lines.LoadFromFile(path, LineList::ByteOrderMark::Skip);
    std::set<std::string> set;
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        if (!FirstToken(lines[i]).empty()) set.emplace(lines[i]);
    }
    return set;
}

// A given table that keeps the recorded one's code page and every line of it,
// only adding lines.
bool Extends(const TextEncoding& given, const TextEncoding& recorded)
{
    if (given.codePage != recorded.codePage || given.tableFile.empty() || !Exists(given.tableFile)) return false;
    if (recorded.tableFile.empty()) return true;  // no table recorded: every line is added
    const std::set<std::string> added = NonBlankLines(given.tableFile);
    for (const std::string& line : NonBlankLines(recorded.tableFile)) {
        if (!added.contains(line)) return false;
    }
    return true;
}
void SayOnce(RunContext& ctx, const std::string& line)
{
    if (ctx.settings.EncodingLinesSaid.insert(line).second) ctx.report.AddResult(line);
}
}  // namespace

std::optional<RecordedEncoding> RecordedEncodingOf(const LineList& log)
{
    std::optional<RecordedEncoding> recorded;
    for (std::size_t i = 0; i < log.Count(); ++i) {
        const std::string_view token = FirstToken(log[i]);
        if (token == kFormatKeyword) break;
        if (token != kEncodingKeyword && token != kTableKeyword) continue;
        if (!recorded) recorded.emplace();
        const std::string_view value = ValueOf(log[i], token);
        if (token == kEncodingKeyword) {
            recorded->encoding.codePage = std::string(FirstToken(value));
        } else {
            recorded->tableSha256 = std::string(FirstToken(value));
            const std::size_t path = value.find(recorded->tableSha256) + recorded->tableSha256.size();
            recorded->encoding.tableFile = path < value.size() ? std::string(value.substr(path + 1)) : std::string();
        }
    }
    return recorded;
}

void AddEncodingLines(LineList& log, const TextEncoding& encoding)
{
    if (!encoding.codePage.empty()) log.Add(std::string(kEncodingKeyword) + " " + encoding.codePage);
    if (!encoding.tableFile.empty()) {
        const std::string path = AbsolutePath(encoding.tableFile);
        log.Add(std::string(kTableKeyword) + " " + Sha256OfFile(path) + " " + path);
    }
}

void SettleLogEncoding(RunContext& ctx, const LineList& log, const std::string& logPath)
{
    RunSettings& settings = ctx.settings;
    const bool given = settings.GivenEncoding && !settings.GivenEncoding->AsBytes();
    if (settings.LogEncoding && !given) {  // the previous log's encoding is not this one's
        settings.Encoding.reset();
        settings.Table.reset();
    }
    const std::optional<RecordedEncoding> recorded = RecordedEncodingOf(log);
    settings.LogEncoding.reset();
    if (!recorded) return;
    settings.LogEncoding = recorded->encoding;
    const TextEncoding& wanted = recorded->encoding;
    std::vector<std::string> problems;
    if (!wanted.tableFile.empty()) {
        if (!Exists(wanted.tableFile)) problems.push_back("its table file " + wanted.tableFile + " is missing");
        else if (Sha256OfFile(wanted.tableFile) != recorded->tableSha256) {
            problems.push_back("its table file " + wanted.tableFile + " has changed since (SHA-256 " + recorded->tableSha256 + " recorded)");
        }
    }
    const bool differs = given && *settings.GivenEncoding != wanted;
    if (differs && problems.empty() && Extends(*settings.GivenEncoding, wanted)) {
        SayOnce(ctx, "The table " + settings.GivenEncoding->tableFile + " extends the encoding " + Describe(wanted) +
                         " recorded in " + logPath + ": taken");
        return;
    }
    if (differs) problems.push_back(Describe(*settings.GivenEncoding) + " was given");
    if (!problems.empty()) {
        std::string why;
        for (const std::string& problem : problems) why += (why.empty() ? "" : ", and ") + problem;
        if (!settings.OverrideEncoding) {
            throw ToolError(logPath + " records the encoding " + Describe(wanted) + ", but " + why +
                            ". Nothing was written; give --override-encoding to replay it anyway");
        }
        SayOnce(ctx, logPath + " records the encoding " + Describe(wanted) + ", but " + why + ": overridden");
    }
    if (given) return;
    settings.Table = LoadCharTable(wanted);
    settings.Encoding = wanted;
    SayOnce(ctx, "Text encoding recorded in " + logPath + ": " + Describe(wanted));
}

void CheckTxtMarked(const RunContext& ctx, const std::string& txtPath, bool hasByteOrderMark)
{
    const RunSettings& settings = ctx.settings;
    if (hasByteOrderMark || settings.OverrideEncoding) return;
    const std::string missing = txtPath + ": its byte order mark is missing, so its letters cannot be told from bytes";
    if (settings.LogEncoding) {
        throw ToolError(missing + " (its log records the encoding " + Describe(*settings.LogEncoding) +
                        "). Save it as UTF-8 with a byte order mark, or give --override-encoding");
    }
    if (settings.GivenEncoding && !settings.GivenEncoding->AsBytes()) {
        throw ToolError(missing + ": its log records no encoding, so it may hold the bytes as they are. "
                                  "Replay it without --encoding and --table, or give --override-encoding");
    }
}

const CharTable* RunCharTable(RunContext& ctx, bool needed)
{
    RunSettings& settings = ctx.settings;
    if (!settings.GivenEncoding && !needed) return nullptr;
    if (!settings.Encoding) {
        std::optional<TextEncoding> encoding = settings.GivenEncoding ? settings.GivenEncoding : ctx.ask.PickEncoding();
        if (!encoding) throw RunStopped();
        if (!settings.GivenEncoding || !settings.Table) settings.Table = LoadCharTable(*encoding);
        settings.Encoding = encoding;
        if (settings.Table) {
            ctx.report.AddResult("Text encoding: " + settings.Table->Name());
            ctx.report.PumpEvents();
        }
    }
    return settings.Table ? &*settings.Table : nullptr;
}

std::string RunPalettePath(RunContext& ctx)
{
    RunSettings& settings = ctx.settings;
    const std::string fixed = settings.Resolve(kFixedPalettePath);
    if (Exists(fixed)) return fixed;
    if (settings.PalettePath.empty()) {
        std::optional<std::string> chosen = ctx.ask.PickPalette();
        if (!chosen || chosen->empty()) {
            throw ToolError(std::string("No palette: ") + kFixedPalettePath +
                            " does not exist; choose an ACT palette (in eitool with --palette FILE)");
        }
        settings.PalettePath = *chosen;
    }
    return settings.PalettePath;
}

}  // namespace eit
