// Writes the seed corpus of every fuzz target into FOLDER/<target>/, made by
// the test generators: make_seeds FOLDER
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "Seeds.h"

using namespace eit::fuzz;
namespace fs = std::filesystem;

namespace {
void Write(const fs::path& folder, const std::string& target, const std::vector<Bytes>& seeds)
{
    fs::create_directories(folder / target);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream out(folder / target / ("seed" + std::to_string(i)), std::ios::binary | std::ios::trunc);
        out.write(seeds[i].data(), static_cast<std::streamsize>(seeds[i].size()));
    }
}

// A glyph's blocks and words as DecodeGlyphFuzz reads them: firstRow, width,
// height, the row table's size (16 bits) and the row table, then the pixel data.
Bytes GlyphInput(std::uint32_t width, std::uint32_t height)
{
    const Bytes font = eit::test::MakeFont({eit::test::PatternGlyph(3, width, height, 0)});
    const eit::test::FontParts parts = eit::test::SplitFont(font);
    // FuzzedDataProvider takes integers from the end of the input, bytes from the front.
    Bytes tail;
    eit::test::PutU16(tail, static_cast<std::uint16_t>(parts.rows.size()));
    for (std::uint32_t word : {height, width, 0u}) eit::test::PutU32(tail, word);
    std::reverse(tail.begin(), tail.end());
    return parts.rows + parts.pixels + tail;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: make_seeds FOLDER\n";
        return 2;
    }
    const fs::path folder = fs::absolute(argv[1]);  // the sandbox changes the current folder
    Sandbox box;

    Write(folder, "lib_extract", LibSeeds());
    std::vector<Bytes> libInsert;
    for (const Bytes& package : LibSeeds()) {
        libInsert.push_back(JoinParts({package, "#Target: i0\r\n#Target: i1\r\n#Target: i2\r\n#Target: i0\r\n", "new", "", "x"}));
    }
    Write(folder, "lib_insert", libInsert);

    std::vector<Bytes> cifExtract, cifInsert;
    for (const std::vector<Bytes>& texts : CifTexts()) {
        for (bool lead : {false, true}) {
            const Bytes selector(1, lead ? '\1' : '\0');
            cifExtract.push_back(selector + CifSeed(texts, lead));
            cifInsert.push_back(selector + JoinParts({CifSeed(texts, lead), eit::test::TxtOf(texts)}));
        }
    }
    Write(folder, "cif_extract", cifExtract);
    Write(folder, "cif_insert", cifInsert);

    std::vector<Bytes> fonts = FontSeeds();
    fonts.push_back(FullFont());
    Write(folder, "font_extract", fonts);
    std::vector<Bytes> sheets;
    for (const Bytes& font : fonts) sheets.push_back(DrawSheet(box, font));
    Write(folder, "bmp", sheets);
    Write(folder, "font_insert", {JoinParts({fonts[1], sheets.back()}), JoinParts({FullFont(), sheets.back()})});
    Write(folder, "decode_glyph", {GlyphInput(4, 3), GlyphInput(200, 2), GlyphInput(0, 0)});
    Write(folder, "replay", {ReplayAllLog(), "#Format: LIB\n#Source: p.lib\n#Target: b\n#Target: a", "#Format: CIF\r#Source: t.cif\r#Target: t.txt"});
    return 0;
}
