// eitool's commands on texts and letters: table, coverage, draw.
#include <cstdio>
#include <iostream>
#include <memory>

#include "cli/Commands.h"
#include "cli/ConsoleFrontEnd.h"
#include "jobs/Inspect.h"
#include "platform/Error.h"
#ifdef EIT_DRAW_LETTERS
#include "jobs/Letters.h"
#include "platform/Utf8.h"
#endif

namespace eit::cli {

void AddTableCommand(Commands& commands)
{
    auto encoding = std::make_shared<TextEncoding>();
    CLI::App* table = commands.Add("table", "Print a character table as XX=c lines, a starting point for a table file",
                                   [encoding](const CLI::App&) {
                                       if (encoding->AsBytes()) throw UsageError("table needs --encoding NAME, --table FILE or both");
                                       ConsoleReporter reporter;
                                       PrintCharTable(reporter, *encoding);
                                       return 0;
                                   });
    AddEncodingOptions(table, *encoding);
}

void AddCoverageCommand(Commands& commands)
{
    auto settings = std::make_shared<CoverageSettings>();
    CLI::App* coverage = commands.Add("coverage", "List the characters that .txt files use and whether a CIF font has their glyphs",
                                      [settings](const CLI::App&) {
                                          ConsoleReporter reporter;
                                          const std::string problems = ReportCoverage(reporter, *settings);
                                          if (problems.empty()) return 0;
                                          std::fflush(stdout);
                                          std::cerr << "eitool: " << problems << std::endl;
                                          return kExitError;
                                      });
    coverage->add_option("--font", settings->fontPath, "The CIF font")->required();
    AddEncodingOptions(coverage, settings->encoding);
    coverage->add_option("txts", settings->txtPaths, "Extracted texts (.txt)")->required();
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
                                      ConsoleReporter reporter;
                                      DrawSheetLetters(reporter, settings);
                                      reporter.EndDisplay();
                                      return 0;
                                  });
    draw->add_option("--ttf", options->settings.fontPath, "The font to draw from")->required();
    AddEncodingOptions(draw, options->settings.encoding);
    draw->add_option("--chars", options->chars, "Only these letters (UTF-8)");
    draw->add_option("--size", options->size, "Size in pixels (default: the sheet's digits' height)")->check(CLI::Range(1u, kMaxLetterSize));
    draw->add_option("--ink", options->ink, "Palette index of the letters (default: the glyphs' most used)")->check(CLI::Range(0, 255));
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
