#include "Seeds.h"

#include "formats/CifFont.h"

namespace eit::fuzz {

std::vector<Bytes> LibSeeds()
{
    using test::MakeLib;
    return {
        MakeLib({}),
        MakeLib({{"a.bin", "alpha"}}),
        MakeLib({{"a.bin", "alpha"}, {"dir\\b.TXT", "beta beta"}, {"c", ""}, {Bytes("d\0e.x", 5), "delta"}}),
        MakeLib({{"x.y.z", Bytes(300, 'x')}, {"..\\up.bin", "up"}}),
    };
}

std::vector<std::vector<Bytes>> CifTexts()
{
    return {{}, {"Hello"}, {"one", "", "three\nlines\r\nhere"}, {"[00000001]", "[########]", "  spaces  "}};
}

Bytes CifSeed(const std::vector<Bytes>& texts, bool leadBytes)
{
    const Bytes leads = leadBytes ? Bytes("LMNOPQRS").substr(0, texts.size()) : Bytes();
    return test::BuildCif(test::CifOfTexts(texts, leads));
}

std::vector<Bytes> FontSeeds()
{
    using test::PatternGlyph;
    test::TestFont spaced;
    spaced.glyphs = {PatternGlyph(1, 3, 2, 1), PatternGlyph(2, 0, 0, 0)};
    spaced.pixelPrefix = "PP";
    spaced.after = "tail";
    return {
        test::MakeFont(std::vector<test::TestGlyph>{}),
        test::MakeFont({PatternGlyph(7, 4, 3, 0)}),
        test::MakeFont(spaced),
    };
}

Bytes FullFont()
{
    std::vector<test::TestGlyph> glyphs;
    for (std::uint32_t i = 0; i < kRebuiltGlyphCount; ++i) glyphs.push_back(test::PatternGlyph(i, 1 + i % 3, 1 + i % 2, i % 2));
    return test::MakeFont(glyphs);
}

Bytes DrawSheet(Sandbox& box, const Bytes& font)
{
    box.Put("draw.fnt", font);
    box.Put("draw.act", test::TestPalette());
    FuzzRun run(box, ".");
    run.ask.palette = box.Path("draw.act");
    ConvertFontToBitmap(run.ctx, box.Path("draw.fnt"));
    return box.Get("draw.bmp");
}

std::vector<ReplayFile> ReplayFiles(Sandbox& box)
{
    const std::vector<Bytes> texts = {"one", "two"};
    return {
        {"p.lib", test::MakeLib({{"a.bin", "alpha"}, {"b.bin", "beta"}})},
        {"a", "ALPHA"},
        {"b", ""},
        {"t.cif", CifSeed(texts, true)},
        {"t.txt", test::TxtOf({"uno", "dos"})},
        {"f.fnt", FullFont()},
        {"f.bmp", DrawSheet(box, FullFont())},
    };
}

Bytes ReplayAllLog()
{
    return "#Format: LIB\r\n#Source: p.lib\r\n#Target: a\r\n#Target: b\r\n"
           "#Format: CIF\r\n#Source: t.cif\r\n#Target: t.txt\r\n"
           "#Format: FNT\r\n#Source: f.fnt\r\n#Target: f.bmp\r\n";
}

}  // namespace eit::fuzz
