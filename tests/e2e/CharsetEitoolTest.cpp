// eitool with an encoding: a Polish translation typed in UTF-8 goes into the
// game's code page and a table's own byte, the coverage of a font, tables.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/CifBuilder.h"
#include "support/Eitool.h"
#include "support/FontBuilder.h"

namespace eit::test {
namespace {

const Bytes kBom = "\xEF\xBB\xBF";

// Menu texts in windows-1250: "Nowa gra", "Wczytaj grę", "Zakończ".
const std::vector<Bytes> kMenu = {"Nowa gra", "Wczytaj gr\xEA", "Zako\xF1" "cz"};

// 256 glyphs, all drawn but those listed as empty.
// A font from byte 32 on (byte b shows glyph b - 32) with a glyph for every
// byte but those of `empty`; the space (glyph 0) has a width and no ink.
Bytes FontWithout(const std::vector<std::uint32_t>& empty, std::optional<std::uint32_t> glyphCount = std::nullopt)
{
    TestFont font;
    for (std::uint32_t byte = 32; byte < 256; ++byte) {
        const bool drawn = std::find(empty.begin(), empty.end(), byte) == empty.end();
        font.glyphs.push_back(drawn ? PatternGlyph(byte, 3, byte == ' ' ? 0 : 4, 1) : TestGlyph{});
    }
    font.glyphCount = glyphCount;
    return MakeFont(font);
}

class EitoolCharset : public ::testing::Test {
protected:
    EitoolCharset()
    {
        WriteAll(dir / "menu.cif", BuildCif(menu));
        WriteAll(dir / "pl.tbl", "A1=\xC4\x99\r\n");  // "ę" on byte A1
    }
    ToolRun Eitool(const std::vector<std::string>& args) { return RunEitool(args, dir.path()); }

    TempFolder dir;
    CifParts menu = CifOfTexts(kMenu, "\x01\x02\x03");
    const std::vector<std::string> encoding = {"--encoding", "windows-1250", "--table", "pl.tbl"};
};

TEST_F(EitoolCharset, PolishTypedInUtf8ReachesTheCifAsCodePageBytesAndTheTablesByte)
{
    std::vector<std::string> extract = {"extract", "--target", "out", "menu.cif"};
    extract.insert(extract.begin() + 1, encoding.begin(), encoding.end());
    ToolRun run = Eitool(extract);
    ASSERT_EQ(run.status, 0) << run.err;
    // The code page's own "ę" (EA) lost its character to the table's A1.
    EXPECT_EQ(ReadAll(dir / "out/menu.txt"), kBom + TxtOf({"Nowa gra", "Wczytaj gr<$EA>", "Zakończ"}));
    EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "Text encoding: windows-1250 + pl.tbl");

    WriteAll(dir / "out/menu.txt", kBom + TxtOf({"Nowa gra", "Wczytaj grę", "Zażółć gęślą jaźń"}));
    std::vector<std::string> replay = {"replay", "out/result.log"};
    replay.insert(replay.begin() + 1, encoding.begin(), encoding.end());
    run = Eitool(replay);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Text encoding: windows-1250 + pl.tbl\nInserted.\n");
    EXPECT_EQ(ReadAll(dir / "menu.cif"),
              RewrittenCif(menu, {"Nowa gra", "Wczytaj gr\xA1", "Za\xBF\xF3\xB3\xE6 g\xA1\x9Cl\xB9 ja\x9F\xF1"}, "\x01\x02\x03"));

    // A letter with no byte refuses the .txt and leaves the CIF file as it is.
    const Bytes before = ReadAll(dir / "menu.cif");
    WriteAll(dir / "out/menu.txt", kBom + TxtOf({"Nowa gra", "Wczytaj grę", "Выход"}));
    run = Eitool(replay);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "eitool: Cannot insert " + (dir / "out/menu.txt") + " into " + (dir / "menu.cif") +
                           ": entry 2 (line 10, column 1): the character \"В\" (U+0412) has no byte in windows-1250 + pl.tbl\n");
    EXPECT_EQ(ReadAll(dir / "menu.cif"), before);

    // Without an encoding the UTF-8 .txt is refused, naming it.
    run = Eitool({"replay", "out/result.log"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find((dir / "out/menu.txt") + " begins with a UTF-8 byte order mark: it was saved as UTF-8"), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadAll(dir / "menu.cif"), before);
}

TEST_F(EitoolCharset, CoverageNamesEveryCharacterAndTheGlyphsTheFontLacks)
{
    WriteAll(dir / "a.txt", kBom + TxtOf({"g ęś", "Gęś  "}));
    WriteAll(dir / "b.txt", TxtOf({"ę<$EA>"}) + "not a text ж\r\n");
    const std::vector<std::string> args = {"coverage", "--font", "f.fnt", "--encoding", "cp1250", "--table", "pl.tbl", "a.txt", "b.txt"};
    const std::string lines = "U+0020 \" \" 20 1\nU+0047 \"G\" 47 1\nU+0067 \"g\" 67 1\n";
    const struct {
        Bytes font;
        int status;
        std::string out;
    } fonts[] = {
        {FontWithout({}), 0, lines + "U+0119 \"ę\" A1 3\nU+015B \"ś\" 9C 2\n- <$EA> EA 1\n"},
        {FontWithout({0xA1}), 1, lines + "U+0119 \"ę\" A1 3 missing\nU+015B \"ś\" 9C 2\n- <$EA> EA 1\n"},
        {FontWithout({}, 0xA0 - 32), 1, lines + "U+0119 \"ę\" A1 3 missing\nU+015B \"ś\" 9C 2\n- <$EA> EA 1 missing\n"},
    };
    for (const auto& font : fonts) {
        WriteAll(dir / "f.fnt", font.font);
        ToolRun run = Eitool(args);
        EXPECT_EQ(run.status, font.status) << run.err;
        EXPECT_EQ(run.out, font.out);
    }
    WriteAll(dir / "b.txt", TxtOf({"Выход"}));
    ToolRun run = Eitool(args);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find("U+0412 \"В\" - 1 no byte\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "eitool: f.fnt has no glyph for 1 of the bytes the texts use; 5 of the characters have no byte in "
                       "windows-1250 + pl.tbl; eitool table --fit gives the letters without a glyph free bytes among those "
                       "the sheet rebuilds\n");
}

TEST_F(EitoolCharset, TablePrintsEveryMappedByteInTheTableFilesOwnForm)
{
    ToolRun run = Eitool({"table", "--encoding", "CP1250", "--table", "pl.tbl"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\nA1=ę\nA2=˘\n"), std::string::npos);
    EXPECT_EQ(run.out.find("EA="), std::string::npos);  // "ę" went to A1
    EXPECT_EQ(run.out.find("81="), std::string::npos);  // no character in windows-1250
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 256 - 3 - 5 - 1);

    // Printed as a table file alone, it gives the same table again.
    WriteAll(dir / "all.tbl", run.out);
    ToolRun again = Eitool({"table", "--table", "all.tbl"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, run.out);

    EXPECT_EQ(Eitool({"table", "--encoding", "utf-8"}).status, 2);
    EXPECT_EQ(Eitool({"table"}).status, 2);
    WriteAll(dir / "bad.tbl", "A1=x\nA1=y\n");
    run = Eitool({"extract", "--target", "out", "--encoding", "cp1250", "--table", "bad.tbl", "menu.cif"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "eitool: Character table " + (dir / "bad.tbl") + ", line 2: byte A1 is listed twice, on lines 1 and 2\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "out"));
}

}  // namespace
}  // namespace eit::test
