#include "jobs/TranslationTexts.h"

#include <map>

#include "formats/CifText.h"
#include "formats/Formats.h"
#include "jobs/Replay.h"
#include "platform/Error.h"
#include "platform/FileSystem.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"

namespace eit {

TextForms TextForms::Of(const TextEncoding& encoding)
{
    std::optional<CharTable> table = LoadCharTable(encoding);
    if (!table) return {std::nullopt, CharTable::Ascii()};
    return {table, *table};
}

std::string MessageText(std::string_view bytes, const CharTable& table)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        if (byte == '\n') {
            text += '\n';
            continue;
        }
        const std::optional<char32_t> c = table.CharOf(byte);
        const bool control = c && ((*c < 0x20 && *c != '\t') || *c == 0x7F);
        const bool startsEscape = c == U'<' && i + 1 < bytes.size() && table.CharOf(static_cast<std::uint8_t>(bytes[i + 1])) == U'$';
        if (!c || control || startsEscape) text += "<$" + HexByte(byte) + ">";
        else AppendUtf8(text, *c);
    }
    return text;
}

std::optional<std::string> MessageBytes(std::string_view text, const CharTable& table, std::string& bytes)
{
    std::vector<std::uint8_t> out;
    std::size_t lineNo = 1;
    for (std::size_t start = 0; start <= text.size(); ++lineNo) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (start > 0) out.push_back('\n');
        if (std::optional<CharTable::Fault> fault = table.AppendBytes(out, text.substr(start, end - start))) {
            return "line " + std::to_string(lineNo) + " of the text, column " + std::to_string(fault->column) + ": " + fault->what;
        }
        start = end + 1;
    }
    bytes.assign(out.begin(), out.end());
    return std::nullopt;
}

namespace {
// A name from a path as UTF-8 for a context or reference: file names are
// bytes (in the system's code page on Windows), so a byte that starts no
// UTF-8 character is written "<$XX>".
std::string Utf8Name(std::string_view name)
{
    std::string text;
    for (std::size_t pos = 0; pos < name.size();) {
        const std::size_t start = pos;
        if (NextUtf8(name, pos)) text += name.substr(start, pos - start);
        else text += "<$" + HexByte(static_cast<std::uint8_t>(name[pos++])) + ">";
    }
    return text;
}

std::vector<std::string_view> PathParts(std::string_view path)
{
    std::vector<std::string_view> parts;
    for (std::size_t start = 0; start <= path.size();) {
        std::size_t end = path.find_first_of(kPathSeparator == '/' ? "/" : "\\/:", start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// The last `n` parts of a path, joined by "/" on every system.
std::string PathTail(std::string_view path, std::size_t n)
{
    const std::vector<std::string_view> parts = PathParts(path);
    std::string tail;
    for (std::size_t i = parts.size() > n ? parts.size() - n : 0; i < parts.size(); ++i) {
        tail += (tail.empty() ? "" : "/") + std::string(parts[i]);
    }
    return tail;
}

// Each group's label: its CIF file's name, or, where several share the name,
// the fewest last parts of their paths that tell them all apart.
void LabelGroups(std::vector<TextGroup>& groups)
{
    std::map<std::string, std::vector<TextGroup*>> byName;
    for (TextGroup& group : groups) byName[std::string(FileNameOf(group.cifPath))].push_back(&group);
    for (auto& [name, same] : byName) {
        for (std::size_t n = 1;; ++n) {
            std::map<std::string, int> seen;
            for (TextGroup* group : same) group->label = Utf8Name(PathTail(group->cifPath, n));
            for (TextGroup* group : same) ++seen[group->label];
            if (seen.size() == same.size() || n > PathParts(same.front()->cifPath).size()) break;
        }
    }
}

// The CIF groups of the logs in log order: source and .txt paths. Walking a
// log holds it to the encoding it records, as a replay does; with none given,
// `recorded` becomes the one the logs record, which must be the same for all.
std::vector<TextGroup> FindGroups(RunContext& ctx, const std::vector<std::string>& logs, const TextEncoding& given,
                                  std::optional<TextEncoding>& recorded)
{
    if (!given.AsBytes()) ctx.settings.GivenEncoding = given;
    std::string recordedBy;
    std::vector<TextGroup> groups;
    std::map<std::string, std::string> named;  // a path to the group that names it
    auto once = [&named](const std::string& path, const std::string& label) {
        if (auto [at, added] = named.emplace(path, label); !added) {
            throw ToolError(path + " is named by two groups, " + at->second + " and " + label + ": give each text file once");
        }
    };
    for (const std::string& log : logs) {
        WalkLog(ctx, log, "Reading", [&](const JobRow* format, const std::string& source, std::size_t i) {
            if (format == nullptr || format->formatName != kCifFormatName) return i;
            TextGroup group{source, ctx.GroupTargetPath(source, i + 1), {}, 0, 0};
            const std::string label = ctx.GroupLabel(source, i + 1);
            once(group.cifPath, label);
            once(group.txtPath, label);
            groups.push_back(std::move(group));
            return i + 1;
        });
        if (!given.AsBytes()) continue;
        const TextEncoding ofLog = ctx.settings.LogEncoding.value_or(TextEncoding{});
        if (recorded && *recorded != ofLog) {
            throw ToolError(recordedBy + " and " + log + " record different text encodings: give them one at a time");
        }
        recorded = ofLog;
        recordedBy = log;
    }
    LabelGroups(groups);
    return groups;
}

void ReadGroup(RunContext& ctx, const TextForms& forms, std::size_t g, LogTexts& texts)
{
    TextGroup& group = texts.groups[g];
    for (const std::string& path : {group.cifPath, group.txtPath}) {
        if (!Exists(path)) throw ToolError(path + " is missing: the texts of " + group.label + " cannot be read");
    }
    File cifFile(group.cifPath, OpenMode::Read);
    const bool leadBytes = HasCifLeadBytes(group.cifPath);
    const CifTextFile cif = LoadCifTextFile(ctx, cifFile, leadBytes);
    ctx.StartFile("Reading " + std::string(FileNameOf(group.txtPath)) + "...");
    LineList lines;
    if (LoadTxtLines(lines, group.txtPath) && !forms.txtTable) {
        throw ToolError(group.txtPath + " begins with a UTF-8 byte order mark: it was saved as UTF-8; give its encoding "
                                        "(--encoding NAME, --table FILE)");
    }
    const CharTable* txtTable = forms.txtTable ? &*forms.txtTable : nullptr;
    const std::vector<std::size_t> headers = IndexHeaderLines(lines, cif.EntryCount());
    const TxtFault fault = [&](const std::string& why) { return ToolError("Cannot read " + group.txtPath + ": " + why); };
    group.firstEntry = texts.entries.size();
    group.count = cif.EntryCount();
    for (std::size_t j = 0; j < group.count; ++j) {
        if (headers[j] == kNoTxtLine) throw fault("it has no header line " + CifEntryHeader(j) + " for entry " + std::to_string(j));
        std::vector<std::uint8_t> bytes;
        AppendEntryText(bytes, lines, headers[j] + 1, group.txtPath, j, txtTable, fault);
        TextEntry entry{g, j, group.label + ":" + std::to_string(j),
                        Utf8Name(FileNameOf(group.txtPath)) + ":" + std::to_string(headers[j] + 1),
                        MessageText(cif.Text(j), forms.messageTable), std::string(bytes.begin(), bytes.end()), std::nullopt};
        if (leadBytes) entry.lead = cif.textBlock[cif.Offset(j)];
        texts.byContext.emplace(entry.context, texts.entries.size());
        texts.entries.push_back(std::move(entry));
        ctx.MoveProgress(static_cast<int>(j * 100 / group.count));
    }
}
}  // namespace

LogTexts ReadLogTexts(RunContext& ctx, const std::vector<std::string>& logs, const TextEncoding& given, TextForms& forms)
{
    LogTexts texts;
    std::optional<TextEncoding> recorded;
    texts.groups = FindGroups(ctx, logs, given, recorded);
    forms = TextForms::Of(recorded ? *recorded : given);
    for (std::size_t g = 0; g < texts.groups.size(); ++g) {
        if (ctx.StopRequested) throw RunStopped();
        ctx.SetTotal(static_cast<int>(g * 100 / texts.groups.size()));
        ReadGroup(ctx, forms, g, texts);
    }
    if (texts.groups.empty()) throw ToolError("The logs name no CIF text files: there are no texts to translate");
    return texts;
}

}  // namespace eit
