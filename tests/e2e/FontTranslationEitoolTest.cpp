// A translation from the first extraction to the replayed game, in letters a
// font built with glyphs for ASCII alone does not have: table --fit, draw,
// replay, coverage and a second extraction, per language.
#include <gtest/gtest.h>

#include "support/CifBuilder.h"
#include "support/Eitool.h"
#include "support/FontBuilder.h"

namespace eit::test {
namespace {

#ifdef EIT_DRAW_LETTERS
constexpr const char* kTtf = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const Bytes kBom = "\xEF\xBB\xBF";

struct Language {
    const char* name;
    const char* encoding;
    std::vector<Bytes> translation;  // UTF-8
    std::size_t moved;               // letters whose bytes lie outside C0 to FF
};

class Translation : public testing::TestWithParam<Language> {};

TEST_P(Translation, FreeBytesDrawnLettersAndReplayGiveTheTranslationBackLetterForLetter)
{
    if (!std::filesystem::exists(kTtf)) GTEST_SKIP() << "DejaVu Sans is not installed (scripts/deps.sh installs fonts-dejavu-core)";
    const Language& language = GetParam();
    TempFolder dir;
    auto eitool = [&](const std::vector<std::string>& args) { return RunEitool(args, dir.path()); };
    const std::vector<std::string> codePage = {"--encoding", language.encoding};
    std::vector<std::string> withTable = codePage;
    withTable.insert(withTable.end(), {"--table", "tr.tbl"});

    WriteAll(dir / "menu.cif", BuildCif(CifOfTexts({"New game", "Load game", "Quit"}, "\x01\x02\x03")));
    WriteAll(dir / "f.fnt", AsciiFont());
    WriteAll(dir / "pal.act", TestPalette());
    ASSERT_EQ(eitool({"extract", "--target", "texts", "--encoding", language.encoding, "menu.cif"}).status, 0);
    ASSERT_EQ(eitool({"extract", "--target", "sheets", "--palette", "pal.act", "f.fnt"}).status, 0);
    std::filesystem::copy_file(dir / "texts/menu.txt", dir / "original.txt");
    const Bytes translated = kBom + TxtOf(language.translation);
    WriteAll(dir / "texts/menu.txt", translated);

    // Before: letters without glyphs, and no way to draw those outside C0 to FF.
    std::vector<std::string> coverage = {"coverage", "--font", "f.fnt", "texts/menu.txt"};
    coverage.insert(coverage.begin() + 3, codePage.begin(), codePage.end());
    EXPECT_EQ(eitool(coverage).status, 1);

    std::vector<std::string> fit = {"table", "--fit", "--font", "f.fnt", "--output", "tr.tbl", "original.txt", "texts/menu.txt"};
    fit.insert(fit.begin() + 2, codePage.begin(), codePage.end());
    ToolRun run = eitool(fit);
    ASSERT_EQ(run.status, 0) << run.err;
    const Bytes table = ReadAll(dir / "tr.tbl");
    EXPECT_EQ(static_cast<std::size_t>(std::count(table.begin(), table.end(), '\n')), language.moved) << table;

    std::vector<std::string> draw = {"draw", "--ttf", kTtf, "sheets/f.bmp"};
    draw.insert(draw.begin() + 3, withTable.begin(), withTable.end());
    run = eitool(draw);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("64 letters drawn"), std::string::npos) << run.out;

    std::vector<std::string> replay = {"replay", "texts/result.log", "sheets/result.log"};
    replay.insert(replay.begin() + 1, withTable.begin(), withTable.end());
    run = eitool(replay);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "Operation complete!\n");  // no guide left in any cell

    coverage.insert(coverage.begin() + 3 + codePage.size(), {"--table", "tr.tbl"});
    run = eitool(coverage);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_EQ(run.out.find("missing"), std::string::npos) << run.out;

    std::vector<std::string> again = {"extract", "--target", "again", "menu.cif"};
    again.insert(again.begin() + 1, withTable.begin(), withTable.end());
    ASSERT_EQ(eitool(again).status, 0);
    EXPECT_EQ(ReadAll(dir / "again/menu.txt"), translated);
}

INSTANTIATE_TEST_SUITE_P(
    Languages, Translation,
    testing::Values(Language{"Polish", "windows-1250",
                             {"Nowa gra: za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9Bl\xC4\x85 ja\xC5\xBA\xC5\x84",
                              "ZA\xC5\xBB\xC3\x93\xC5\x81\xC4\x86 G\xC4\x98\xC5\x9AL\xC4\x84 JA\xC5\xB9\xC5\x83", "Wczytaj gr\xC4\x99"},
                             10},
                    Language{"Russian", "windows-1251",
                             {"\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x8F \xD0\xB8\xD0\xB3\xD1\x80\xD0\xB0",
                              "\xD0\x95\xD1\x89\xD1\x91 \xD1\x80\xD0\xB0\xD0\xB7: \xD0\x81\xD0\x9B\xD0\x9A\xD0\x90",
                              "\xD0\x92\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4"},
                             2}),
    [](const testing::TestParamInfo<Language>& info) { return info.param.name; });

TEST(EitoolTableFit, TooFewFreeBytesIsRefusedAndWritesNothing)
{
    TempFolder dir;
    WriteAll(dir / "f.fnt", AsciiFont());
    // Every byte from C0 to FF used, and one letter (ё, B8) without a glyph.
    Bytes all;
    for (char32_t c = U'А'; c <= U'я'; ++c) {
        all += static_cast<char>(0xD0 + (c >= U'р' ? 1 : 0));
        all += static_cast<char>(c >= U'р' ? 0x80 + (c - U'р') : 0x90 + (c - U'А'));
    }
    WriteAll(dir / "a.txt", kBom + TxtOf({all, "\xD1\x91"}));
    ToolRun run = RunEitool({"table", "--fit", "--font", "f.fnt", "--encoding", "windows-1251", "--output", "t.tbl", "a.txt"},
                            dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("1 letter needs a byte of its own, and only 0 of the bytes C0 to FF are free of the texts: 1 missing; nothing written"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "t.tbl"));
}
#endif

}  // namespace
}  // namespace eit::test
