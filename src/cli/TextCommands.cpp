// eitool's commands on texts and letters: table (and table --fit),
// coverage, draw, fit, preview.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/ConsoleFrontEnd.h"
#include "jobs/FitTable.h"
#include "jobs/FitTexts.h"
#include "jobs/Inspect.h"
#include "jobs/PreviewTexts.h"
#include "platform/Error.h"
#ifdef EIT_DRAW_LETTERS
#include "jobs/Letters.h"
#include "platform/Utf8.h"
#endif

namespace eit::cli {

namespace {
// --first-byte: the byte that the font's glyph 0 stands for.
void AddFirstByteOption(CLI::App* command, std::uint32_t& firstByte)
{
    command->add_option("--first-byte", firstByte, "The byte the font's glyph 0 shows (default 32: byte b shows glyph b - 32)")
        ->check(CLI::Range(0u, 32u));
}

// The font, the mapping, the encoding and the texts of the commands over texts in a font.
void AddTextsInFontOptions(CLI::App* command, TextsInFont& texts, const char* textsHelp)
{
    command->add_option("--font", texts.fontPath, "The CIF font")->required();
    AddEncodingOptions(command, texts.encoding);
    AddFirstByteOption(command, texts.firstByte);
    command->add_option("txts", texts.txtPaths, textsHelp)->required();
}
}  // namespace

void AddTableCommand(Commands& commands)
{
    struct Options {
        bool fit = false;
        FitTableRequest request;
    };
    auto options = std::make_shared<Options>();
    CLI::App* table = commands.Add("table", "Print a character table as XX=c lines, a starting point for a table file; "
                                            "with --fit, write one that gives the letters a font cannot show free bytes",
                                   [options](const CLI::App&) {
                                       const FitTableRequest& request = options->request;
                                       if (!options->fit) {
                                           if (!request.fontPath.empty() || !request.txtPaths.empty() || !request.outputPath.empty()) {
                                               throw UsageError("table takes --font, --output and texts only with --fit");
                                           }
                                           if (request.encoding.AsBytes()) throw UsageError("table needs --encoding NAME, --table FILE or both");
                                           OnConsole([&](Reporter& reporter) { PrintCharTable(reporter, request.encoding); });
                                           return 0;
                                       }
                                       if (request.fontPath.empty() || request.outputPath.empty() || request.txtPaths.empty()) {
                                           throw UsageError("table --fit needs --font FONT.fnt, --output NEW.tbl and the .txt files");
                                       }
                                       if (request.encoding.AsBytes()) throw UsageError("table --fit needs --encoding NAME, --table FILE or both");
                                       OnConsole([&](Reporter& reporter) { FitTable(reporter, request); });
                                       return 0;
                                   });
    AddEncodingOptions(table, options->request.encoding);
    table->add_flag("--fit", options->fit,
                    "Give the letters of the texts that the font cannot show free bytes among those whose glyphs a sheet rebuilds");
    table->add_option("--font", options->request.fontPath, "The CIF font (--fit)");
    table->add_option("--output", options->request.outputPath, "The table file to write (--fit)");
    AddFirstByteOption(table, options->request.firstByte);
    table->add_option("txts", options->request.txtPaths, "Extracted texts, the game's and the translation alike (--fit)");
}

void AddFitCommand(Commands& commands)
{
    auto request = std::make_shared<FitRequest>();
    CLI::App* fit = commands.Add("fit", "Check that every text line fits a box of a width in pixels; --wrap breaks lines that do not",
                                 [request](const CLI::App&) {
                                     FitReport report;
                                     OnConsole([&](Reporter& reporter) { report = FitTexts(reporter, *request); });
                                     for (const std::string& line : report.findings) std::printf("%s\n", line.c_str());
                                     std::fflush(stdout);
                                     for (const std::string& line : report.notes) std::cerr << line << "\n";
                                     for (const std::string& line : report.problems) std::cerr << "eitool: " << line << "\n";
                                     std::cerr << report.summary << std::endl;
                                     return report.Fits() ? 0 : kExitError;
                                 });
    fit->add_option("--max-width", request->maxWidth, "The box's width in pixels")->required()->check(CLI::Range(1u, 1u << 30));
    fit->add_option("--max-lines", request->maxLines, "The most lines a text may have");
    fit->add_option("--spacing", request->spacing, "Pixels between two glyphs (default 1)")->check(CLI::Range(0u, 1024u));
    fit->add_flag("--wrap", request->wrap, "Rewrite the .txt files with lines broken between words so that they fit (keeps NAME.~N~)");
    AddTextsInFontOptions(fit, *request, "Extracted texts (.txt)");
}

void AddPreviewCommand(Commands& commands)
{
    auto request = std::make_shared<PreviewRequest>();
    CLI::App* preview = commands.Add("preview", "Draw a .txt in the game's font into a picture, the box's width and the lines past it marked",
                                     [request](const CLI::App&) {
                                         OnConsole([&](Reporter& reporter) { PreviewTexts(reporter, *request); });
                                         return 0;
                                     });
    preview->add_option("--palette", request->palettePath, "ACT palette (default: the fixed one when there, else grey steps)");
    preview->add_option("--entries", request->entries, "Entries as in the headers, like 0,3-5 (default: all)");
    preview->add_option("--spacing", request->spacing, "Pixels between two glyphs (default 1)")->check(CLI::Range(0u, 1024u));
    preview->add_option("--max-width", request->maxWidth, "The box's width in pixels, marked")->check(CLI::Range(1u, 1u << 20));
    preview->add_option("--output", request->outputPath, "The picture (PNG; a BMP beside it in a build without PNG)")->required();
    AddTextsInFontOptions(preview, *request, "An extracted text (.txt)");
    preview->get_option("txts")->expected(1);
}

void AddCoverageCommand(Commands& commands)
{
    auto settings = std::make_shared<CoverageSettings>();
    CLI::App* coverage = commands.Add("coverage", "List the characters that .txt files use and whether a CIF font has their glyphs",
                                      [settings](const CLI::App&) {
                                          std::string problems;
                                          OnConsole([&](Reporter& reporter) { problems = ReportCoverage(reporter, *settings); });
                                          if (problems.empty()) return 0;
                                          std::cerr << "eitool: " << problems << std::endl;
                                          return kExitError;
                                      });
    AddTextsInFontOptions(coverage, *settings, "Extracted texts (.txt)");
}

#ifdef EIT_DRAW_LETTERS
namespace {
std::u32string DecodeChars(const std::string& text)
{
    std::u32string chars;
    for (std::size_t pos = 0; pos < text.size();) {
        std::optional<char32_t> c = NextUtf8(text, pos);
        if (!c) throw UsageError("--chars is not UTF-8 text (byte " + std::to_string(pos) + ")");
        chars += *c;
    }
    return chars;
}
}  // namespace

void AddDrawCommand(Commands& commands)
{
    struct Options {
        DrawSettings settings;
        std::string chars;
        std::uint32_t size = 0;
        int ink = 0;
        std::string style = "game";
    };
    auto options = std::make_shared<Options>();
    CLI::App* draw = commands.Add("draw", "Draw letters from a TrueType or OpenType font into an extracted sheet",
                                  [options](const CLI::App& command) {
                                      DrawSettings settings = options->settings;
                                      if (settings.encoding.AsBytes()) {
                                          throw UsageError("draw needs a character table: --encoding NAME, --table FILE or both");
                                      }
                                      if (command.count("--chars") > 0) settings.only = DecodeChars(options->chars);
                                      if (command.count("--size") > 0) settings.size = options->size;
                                      if (command.count("--ink") > 0) settings.ink = static_cast<std::uint8_t>(options->ink);
                                      settings.style = options->style == "plain" ? DrawRequest::Style::Plain : DrawRequest::Style::Game;
                                      OnConsole([&](Reporter& reporter) { DrawSheetLetters(reporter, settings); });
                                      return 0;
                                  });
    draw->add_option("--ttf", options->settings.fontPath, "The font to draw from")->required();
    AddEncodingOptions(draw, options->settings.encoding);
    draw->add_option("--chars", options->chars, "Only these letters (UTF-8)");
    draw->add_option("--size", options->size, "Size in pixels (default: the sheet's digits' height)")->check(CLI::Range(1u, kMaxLetterSize));
    draw->add_option("--ink", options->ink, "Palette index of the letters (default: the glyphs' most used)")->check(CLI::Range(0, 255));
    draw->add_option("--style", options->style, "game: the stroke weight and shading of the sheet's glyphs (default); plain: one ink")
        ->check(CLI::IsMember({"game", "plain"}));
    AddFirstByteOption(draw, options->settings.firstByte);
    draw->add_option("sheet", options->settings.sheetPath, "The sheet (8-bit BMP)")->required();
}
#else
void AddDrawCommand(Commands& commands)
{
    CLI::App* draw = commands.Add("draw", "Not in this build (built without FreeType): draw letters from a font", [](const CLI::App&) -> int {
        throw ToolError("draw is not in this build: it was built without FreeType");
    });
    draw->allow_extras();
    commands.App().footer("This eitool was built without FreeType: it cannot draw letters from fonts (eitool draw).");
}
#endif

}  // namespace eit::cli
