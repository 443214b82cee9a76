#include "jobs/Translation.h"

#include <chrono>
#include <cstdio>
#include <unordered_map>

#include "formats/CifText.h"
#include "formats/Csv.h"
#include "formats/Po.h"
#include "jobs/TranslationTexts.h"
#include "platform/Error.h"
#include "platform/File.h"
#include "platform/Hex.h"
#include "platform/Paths.h"
#include "platform/RewriteAside.h"
#include "platform/Utf8.h"
#include "platform/Words.h"

namespace eit {

namespace {
const std::vector<std::string> kCsvHeader = {"context", "source", "translation"};

// "2026-12-09 03:07+0000", as PO headers give dates.
std::string UtcNow()
{
    using namespace std::chrono;
    const auto now = floor<minutes>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d+0000", int(date.year()), unsigned(date.month()), unsigned(date.day()),
                  int(time.hours().count()), int(time.minutes().count()));
    return text;
}

// The header's fields: UTF-8, and the plural forms line tools expect though
// no text has plural forms. A template's has no translator's date.
std::string PoHeader(TranslationFormat format)
{
    const std::string now = UtcNow();
    return "Project-Id-Version: game texts\n"
           "POT-Creation-Date: " + now + "\n"
           "PO-Revision-Date: " + (format == TranslationFormat::Pot ? std::string("YEAR-MO-DA HO:MI+ZONE") : now) + "\n"
           "Last-Translator: \n"
           "Language-Team: \n"
           "Language: \n"
           "MIME-Version: 1.0\n"
           "Content-Type: text/plain; charset=UTF-8\n"
           "Content-Transfer-Encoding: 8bit\n"
           "Plural-Forms: nplurals=2; plural=(n != 1);\n"
           "X-Generator: eitool\n";
}

bool StartsWithBreak(std::string_view text) { return !text.empty() && text.front() == '\n'; }
bool EndsWithBreak(std::string_view text) { return !text.empty() && text.back() == '\n'; }

// Whether gettext's checks (msgfmt -c) refuse the pair: a line break at the
// start or the end of one of them only.
bool BreaksDiffer(std::string_view source, std::string_view translation)
{
    return !translation.empty() &&
           (StartsWithBreak(source) != StartsWithBreak(translation) || EndsWithBreak(source) != EndsWithBreak(translation));
}

// The "<$XX>" of a text, each once, in order.
std::string EscapesIn(std::string_view text)
{
    std::string escapes;
    for (std::size_t at = text.find("<$"); at != std::string_view::npos && at + 5 <= text.size(); at = text.find("<$", at + 1)) {
        const std::string_view escape = text.substr(at, 5);
        if (escape[4] == '>' && escapes.find(escape) == std::string::npos) escapes += (escapes.empty() ? "" : " ") + std::string(escape);
    }
    return escapes;
}

PoMessage MessageOf(const TextEntry& entry, const std::string& source, const std::string& translation)
{
    PoMessage message{{}, {entry.reference}, BreaksDiffer(source, translation), entry.context, source, translation, 0};
    if (entry.lead) message.notes.push_back("Lead byte " + HexByte(*entry.lead) + ": the tool keeps it.");
    if (const std::string escapes = EscapesIn(source); !escapes.empty()) {
        message.notes.push_back("Keep " + escapes + " as written: each <$XX> is one byte of the game, XX in hexadecimal.");
    }
    if (message.fuzzy) {
        message.notes.push_back("Fuzzy: a line break starts or ends only one of source and translation, which msgfmt -c refuses.");
    }
    return message;
}

std::string ReadWholeFile(const std::string& path)
{
    File file(path, OpenMode::ReadUnlocked);
    const std::uint64_t size = file.Size();
    if (size > (std::uint64_t{1} << 31)) throw ToolError(path + " is larger than 2 GiB: not a translation file");
    std::string text(static_cast<std::size_t>(size), '\0');
    file.Read(text.data(), text.size());
    return text;
}

// The game's texts of a template by context.
std::unordered_map<std::string, std::string> ReadTemplate(const std::string& path)
{
    std::unordered_map<std::string, std::string> sources;
    for (PoMessage& message : ReadPo(ReadWholeFile(path), path).messages) {
        const std::string where = path + ", line " + std::to_string(message.line) + ": ";
        if (!message.context) throw ToolError(where + "a message without msgctxt");
        if (!sources.emplace(*message.context, std::move(message.id)).second) {
            throw ToolError(where + "the context " + *message.context + " again");
        }
    }
    return sources;
}

// The game's text of an entry: the template's, or its CIF file's.
const std::string& SourceOf(const TextEntry& entry, const std::unordered_map<std::string, std::string>* sources,
                            const std::string& templatePath)
{
    if (sources == nullptr) return entry.source;
    const auto at = sources->find(entry.context);
    if (at == sources->end()) {
        throw ToolError(entry.context + " is not in the template " + templatePath + ": it was made from other logs or another release");
    }
    return at->second;
}

}  // namespace

std::optional<TranslationFormat> TranslationFormatOf(std::string_view path)
{
    const std::string extension = LowerAscii(ExtensionOf(FileNameOf(path)));
    if (extension == ".pot") return TranslationFormat::Pot;
    if (extension == ".po") return TranslationFormat::Po;
    if (extension == ".csv") return TranslationFormat::Csv;
    return std::nullopt;
}

void ExportTranslation(RunContext& ctx, const TranslationSettings& settings)
{
    const std::optional<TranslationFormat> format = TranslationFormatOf(settings.file);
    if (!format) throw ToolError(settings.file + ": give a file ending in .pot, .po or .csv");
    ctx.report.ClearResults();
    std::optional<std::unordered_map<std::string, std::string>> sources;
    if (!settings.templateFile.empty()) sources = ReadTemplate(settings.templateFile);
    TextForms forms;
    const LogTexts texts = ReadLogTexts(ctx, settings.logs, settings.encoding, forms);

    std::string out;
    if (*format == TranslationFormat::Csv) {
        out = kUtf8Bom;
        AppendCsvRecord(out, kCsvHeader);
    } else {
        AppendPoMessage(out, {{}, {}, *format == TranslationFormat::Pot, std::nullopt, "", PoHeader(*format), 0});
    }
    std::size_t translated = 0, fuzzy = 0;
    for (const TextEntry& entry : texts.entries) {
        const std::string& source = SourceOf(entry, sources ? &*sources : nullptr, settings.templateFile);
        std::string current = MessageText(entry.txtBytes, forms.messageTable);
        const std::string translation = *format == TranslationFormat::Pot || current == source ? std::string() : std::move(current);
        translated += translation.empty() ? 0 : 1;
        if (*format == TranslationFormat::Csv) {
            AppendCsvRecord(out, {entry.context, source, translation});
            continue;
        }
        const PoMessage message = MessageOf(entry, source, translation);
        fuzzy += message.fuzzy ? 1 : 0;
        AppendPoMessage(out, message);
    }
    CreateWholeFile(settings.file, [&out](File& file) { file.Write(out.data(), out.size()); }, ctx.KeepingEarlierOutputs());
    ctx.report.AddResult(std::string(FileNameOf(settings.file)) + ": " + Counted(texts.entries.size(), "text", "texts") + " of " +
                         Counted(texts.groups.size(), "CIF file", "CIF files") + ", " + std::to_string(translated) + " translated" +
                         (fuzzy ? " (" + std::to_string(fuzzy) + " fuzzy)" : "") + ".");
}

namespace {
// A message as import reads it from a .po or a .csv.
struct Incoming {
    std::optional<std::string> context;
    std::string source;
    std::string translation;
    bool fuzzy = false;
    std::size_t line = 0;
};

// A field's line breaks as texts hold them: CR LF, which spreadsheets may
// write, as LF.
std::string LfBreaks(std::string text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    }
    return out;
}

std::vector<Incoming> ReadIncoming(const std::string& path, TranslationFormat format)
{
    const std::string text = ReadWholeFile(path);
    std::vector<Incoming> messages;
    if (format != TranslationFormat::Csv) {
        for (PoMessage& m : ReadPo(text, path).messages) {
            messages.push_back({std::move(m.context), std::move(m.id), std::move(m.translation), m.fuzzy, m.line});
        }
        return messages;
    }
    std::vector<CsvRecord> records = ReadCsv(text, path);
    if (records.empty() || records.front().fields != kCsvHeader) {
        throw ToolError(path + ", line 1: the first record must be the header context,source,translation");
    }
    for (std::size_t i = 1; i < records.size(); ++i) {
        std::vector<std::string>& f = records[i].fields;
        messages.push_back({std::move(f[0]), LfBreaks(std::move(f[1])), LfBreaks(std::move(f[2])), false, records[i].line});
    }
    return messages;
}

// What stops a text's lines from standing in a .txt: a line that is an
// entry's header line or holds the end marker would end or move texts.
std::optional<std::string> TxtCannotHold(std::string_view text)
{
    for (std::size_t start = 0, lineNo = 1; start <= text.size(); ++lineNo) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
        if (EntryOfHeader(line) || HasEndMarker(line)) {
            return "line " + std::to_string(lineNo) + " of the text, \"" + std::string(line) + "\", would be read as a header or end marker line of the .txt";
        }
        start = end + 1;
    }
    return std::nullopt;
}

// Whether a line of the text ends in a space, which the .txt's reading drops.
bool EndsALineWithSpace(std::string_view text)
{
    return text.find(" \n") != std::string_view::npos || (!text.empty() && text.back() == ' ');
}

// The new text of every entry that a translated message gives; checked in
// full before anything is written.
struct ImportPlan {
    std::vector<std::optional<std::string>> bytes;  // by entry
    std::size_t translated = 0, untranslated = 0, fuzzy = 0;
};

ImportPlan PlanImport(RunContext& ctx, const TranslationSettings& settings, TranslationFormat format, const LogTexts& texts,
                      const TextForms& forms)
{
    std::optional<std::unordered_map<std::string, std::string>> sources;
    if (!settings.templateFile.empty()) sources = ReadTemplate(settings.templateFile);
    ImportPlan plan;
    plan.bytes.resize(texts.entries.size());
    std::unordered_map<std::string, std::size_t> lineOf;
    for (const Incoming& message : ReadIncoming(settings.file, format)) {
        const std::string where = settings.file + ", line " + std::to_string(message.line) + ": ";
        if (!message.context) throw ToolError(where + "a message without msgctxt: every text is known by its context");
        const std::string& context = *message.context;
        if (auto [at, added] = lineOf.emplace(context, message.line); !added) {
            throw ToolError(where + "the context " + context + " again, first on line " + std::to_string(at->second));
        }
        const auto entry = texts.byContext.find(context);
        if (entry == texts.byContext.end()) throw ToolError(where + "unknown context " + context + ": no text of the logs has it");
        const std::string& source = SourceOf(texts.entries[entry->second], sources ? &*sources : nullptr, settings.templateFile);
        if (message.source != source) {
            throw ToolError(where + "the source text of " + context + " is not the game's text (" +
                            (sources ? "in the template" : "in its CIF file") +
                            "): the file is stale; export a new template and msgmerge the file into it");
        }
        if (message.fuzzy || message.translation.empty()) {
            ++(message.fuzzy ? plan.fuzzy : plan.untranslated);
            continue;
        }
        std::string bytes;
        std::optional<std::string> wrong = MessageBytes(message.translation, forms.messageTable, bytes);
        if (!wrong) wrong = TxtCannotHold(message.translation);
        if (wrong) throw ToolError(where + "the translation of " + context + ": " + *wrong);
        if (EndsALineWithSpace(message.translation)) {
            ctx.report.Warning(where + "the translation of " + context + " ends a line with spaces, which the replay drops");
        }
        plan.bytes[entry->second] = std::move(bytes);
        ++plan.translated;
    }
    return plan;
}

// Writes a group's .txt anew, as extraction writes it, with the new texts.
void WriteTxt(RunContext& ctx, const TextGroup& group, const LogTexts& texts, const ImportPlan& plan, const TextForms& forms)
{
    std::string out(forms.txtTable ? kUtf8Bom : "");
    for (std::size_t j = 0; j < group.count; ++j) {
        const std::size_t e = group.firstEntry + j;
        const std::string& text = plan.bytes[e] ? *plan.bytes[e] : texts.entries[e].txtBytes;
        AppendTxtEntry(out, j, text, forms.txtTable ? &*forms.txtTable : nullptr);
    }
    CreateWholeFile(group.txtPath, [&out](File& file) { file.Write(out.data(), out.size()); }, {true, ctx.Notes()});
}
}  // namespace

void ImportTranslation(RunContext& ctx, const TranslationSettings& settings)
{
    const std::optional<TranslationFormat> format = TranslationFormatOf(settings.file);
    if (!format || *format == TranslationFormat::Pot) throw ToolError(settings.file + ": give a file ending in .po or .csv");
    ctx.report.ClearResults();
    TextForms forms;
    const LogTexts texts = ReadLogTexts(ctx, settings.logs, settings.encoding, forms);
    const ImportPlan plan = PlanImport(ctx, settings, *format, texts, forms);

    std::size_t files = 0;
    for (const TextGroup& group : texts.groups) {
        std::size_t changed = 0;
        for (std::size_t e = group.firstEntry; e < group.firstEntry + group.count; ++e) {
            changed += plan.bytes[e] && *plan.bytes[e] != texts.entries[e].txtBytes ? 1 : 0;
        }
        if (changed == 0) continue;
        ++files;
        if (!settings.check) WriteTxt(ctx, group, texts, plan, forms);
        ctx.report.AddResult(std::string(FileNameOf(group.txtPath)) + ": " + Counted(changed, "text", "texts") +
                             (settings.check ? " would change." : " changed."));
    }
    const std::size_t missing = texts.entries.size() - plan.translated - plan.untranslated - plan.fuzzy;
    ctx.report.AddResult(Counted(plan.translated, "translated text", "translated texts") + (settings.check ? " would be written" : " written") +
                         " into " + Counted(files, ".txt file", ".txt files") + "; " + std::to_string(plan.untranslated) +
                         " untranslated and " + std::to_string(plan.fuzzy) + " fuzzy left as they stand" +
                         (missing ? "; " + Counted(missing, "text", "texts") + " of the logs not in the file" : "") + ".");
}

}  // namespace eit
