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

    // Without an encoding the log's recorded one reads the .txt: the same refusal.
    run = Eitool({"replay", "out/result.log"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("has no byte in windows-1250 + pl.tbl"), std::string::npos) << run.err;
    EXPECT_EQ(ReadAll(dir / "menu.cif"), before);
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The encoding of an extraction travels in its log: a replay without one uses
// it, and refuses what differs from it, a changed table, and a .txt that lost
// its byte order mark; --check says the same and nothing is written.
TEST_F(EitoolCharset, TheLogCarriesItsEncodingAndTheReplayHoldsToIt)
{
    const Bytes replayed = RewrittenCif(menu, kMenu, "\x01\x02\x03");
    ASSERT_EQ(Eitool({"extract", "--encoding", "windows-1250", "--target", "out", "menu.cif"}).status, 0);
    const Bytes log = ReadAll(dir / "out/result.log");
    EXPECT_EQ(log.substr(0, 33), "#Encoding: windows-1250\r\n#Format:") << log;
    const Bytes txt = ReadAll(dir / "out/menu.txt");

    ToolRun run = Eitool({"replay", "out/result.log"});  // the BOM kept: byte-exact
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadAll(dir / "menu.cif"), replayed);

    auto refused = [&](const std::vector<std::string>& args, const std::vector<std::string>& named) {
        const auto before = Snapshot(dir.path());
        for (const bool check : {false, true}) {
            std::vector<std::string> line = args;
            if (check) line.push_back("--check");
            const ToolRun r = Eitool(line);
            EXPECT_EQ(r.status, 1) << r.out;
            for (const std::string& name : named) EXPECT_TRUE(Has(r.err, name)) << name << " not in " << r.err;
        }
        EXPECT_EQ(Snapshot(dir.path()), before);
    };
    WriteAll(dir / "out/menu.txt", txt.substr(kBom.size()));
    refused({"replay", "out/result.log"}, {dir / "out/menu.txt", "byte order mark is missing", "windows-1250"});
    WriteAll(dir / "out/menu.txt", txt);
    refused({"replay", "--encoding", "iso-8859-2", "out/result.log"}, {dir / "out/result.log", "windows-1250", "iso-8859-2"});
    run = Eitool({"replay", "--encoding", "iso-8859-2", "--override-encoding", "out/result.log"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadAll(dir / "menu.cif"), replayed);

    // A table: its SHA-256 and path recorded; one that only adds lines is
    // taken and said; the recorded file changed is refused.
    ASSERT_EQ(Eitool({"extract", "--encoding", "windows-1250", "--table", "pl.tbl", "--target", "tab", "menu.cif"}).status, 0);
    const Bytes tableLog = ReadAll(dir / "tab/result.log");
    const Bytes tableLine = "#Table: ";
    const std::size_t at = tableLog.find(tableLine);
    ASSERT_NE(at, Bytes::npos) << tableLog;
    EXPECT_EQ(tableLog.substr(at + tableLine.size() + 64, dir.str().size() + 9), " " + (dir / "pl.tbl") + "\r");
    WriteAll(dir / "more.tbl", "A1=\xC4\x99\r\nA2=\xC4\x85\r\n");
    run = Eitool({"replay", "--encoding", "windows-1250", "--table", "more.tbl", "tab/result.log"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "extends the encoding windows-1250 with the table " + (dir / "pl.tbl"))) << run.out;
    WriteAll(dir / "pl.tbl", "A1=\xC4\x99\r\nA3=\xC4\x85\r\n");
    refused({"replay", "tab/result.log"}, {dir / "tab/result.log", dir / "pl.tbl", "has changed"});

    // A .txt of the bytes as they are, replayed with an encoding, is refused:
    // its UTF-8-looking bytes would be misread ("Zajac" with a-ogonek in windows-1250 is B9).
    ASSERT_EQ(Eitool({"extract", "--target", "raw", "menu.cif"}).status, 0);
    WriteAll(dir / "raw/menu.txt", TxtOf({"Zaj\xC4\x85" "c", "b", "c"}));
    refused({"replay", "--encoding", "windows-1250", "raw/result.log"}, {dir / "raw/menu.txt", "byte order mark is missing"});
    run = Eitool({"replay", "--encoding", "windows-1250", "--override-encoding", "raw/result.log"});
    EXPECT_EQ(run.status, 0) << run.err;
    run = Eitool({"replay", "raw/result.log"});  // as today: the bytes as they are
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadAll(dir / "menu.cif"), RewrittenCif(menu, {"Zaj\xC4\x85" "c", "b", "c"}, "\x01\x02\x03"));
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
