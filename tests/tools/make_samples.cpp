// The sample files of the scripted eitool round trip.
//   make_samples FOLDER   writes a LIB package, CIF text files and a CIF font
//                         with its palette to extract; in edits/ the edited
//                         files to put in place of extracted ones; in expected/
//                         the package and text files as a replay of those
//                         edits must leave them
//   make_samples paint SHEET   redraws glyphs into a font sheet
#include <cstdio>
#include <cstring>

#include "support/CifBuilder.h"
#include "support/FontRun.h"
#include "support/LibBuilder.h"

namespace {

using namespace eit::test;

void Lib(const std::filesystem::path& folder)
{
    WriteAll(folder / "maps.lib", MakeLib({{"land\\hills.bmp", "hills"}, {"notes.txt", "old text"}, {"empty.dat", ""}}));
    WriteAll(folder / "edits" / "maps_notes.txt", "new text, longer than before");
    WriteAll(folder / "expected" / "maps.lib",
             MakeLib({{"land\\hills.bmp", "hills"}, {"notes.txt", "new text, longer than before"}, {"empty.dat", ""}}));
}

void CifTexts(const std::filesystem::path& folder)
{
    const CifParts menu = CifOfTexts({"Start", "Options", "Quit"}, "\x01\x02\x03");
    WriteAll(folder / "menu.cif", BuildCif(menu));
    WriteAll(folder / "edits" / "menu.txt", TxtOf({"Start", "Sound\r\nMusic", "Quit"}));
    WriteAll(folder / "expected" / "menu.cif", RewrittenCif(menu, {"Start", "Sound\nMusic", "Quit"}, "\x01\x02\x03"));

    const CifParts names = CifOfTexts({"Anna", "Bert"});
    WriteAll(folder / "names.sal", BuildCif(names));
    WriteAll(folder / "edits" / "names.txt", TxtOf({"Anna", "Berta"}));
    WriteAll(folder / "expected" / "names.sal", RewrittenCif(names, {"Anna", "Berta"}));
}

void Font(const std::filesystem::path& folder)
{
    std::vector<TestGlyph> glyphs;
    for (std::uint32_t i = 0; i < 224; ++i) glyphs.push_back(PatternGlyph(i, 2 + i % 4, 1 + i % 5, i % 2));
    WriteAll(folder / "f.fnt", MakeFont(glyphs));
    WriteAll(folder / "pal.act", TestPalette());
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "paint") == 0) {
        PaintSheet(argv[2]);
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_samples FOLDER | make_samples paint SHEET\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    Lib(folder);
    CifTexts(folder);
    Font(folder);
    return 0;
}
