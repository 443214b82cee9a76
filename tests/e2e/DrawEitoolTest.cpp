// eitool draw: letters of a code page drawn into an extracted sheet and put
// back by a replay that warns of the guides left in place; refusals with
// their exit status; and a build without FreeType that says so.
#include <gtest/gtest.h>

#include "support/Eitool.h"
#include "support/FontBuilder.h"

namespace eit::test {
namespace {

#ifdef EIT_DRAW_LETTERS
constexpr const char* kFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

#define SKIP_WITHOUT_DEJAVU()                      \
    if (!std::filesystem::exists(kFont))           \
    GTEST_SKIP() << "DejaVu Sans is not installed (scripts/deps.sh installs fonts-dejavu-core)"

// An extracted sheet of a font whose glyphs stand on a guide.
std::string ExtractSheet(const TempFolder& dir)
{
    WriteAll(dir / "f.fnt", DigitFont(10));
    WriteAll(dir / "pal.act", TestPalette());
    EXPECT_EQ(RunEitool({"extract", "--target", "out", "--palette", "pal.act", "f.fnt"}, dir.path()).status, 0);
    return dir / "out/f.bmp";
}

TEST(EitoolDraw, DrawsTheTablesLettersAndTheReplayWarnsOfTheGuidesLeft)
{
    SKIP_WITHOUT_DEJAVU();
    TempFolder dir;
    ExtractSheet(dir);
    // Byte b shows glyph b - 32: "Ę" (CA) goes into cell 10, "ę" (EA) into cell 42.
    ToolRun draw = RunEitool({"draw", "--ttf", kFont, "--encoding", "windows-1250", "--chars", "Ęę", "--size", "14",
                              "--ink", "99", "--style", "plain", "out/f.bmp"},
                             dir.path());
    ASSERT_EQ(draw.status, 0) << draw.err;
    EXPECT_EQ(draw.out, "Kept the earlier f.bmp as f.bmp.~1~.\n"
                        "\"Ę\" (U+0118) drawn into cell 10 for byte CA.\n"
                        "\"ę\" (U+0119) drawn into cell 42 for byte EA.\n"
                        "f.bmp: 2 letters drawn from DejaVuSans.ttf at 14 px in ink 99.\n");

    ToolRun replay = RunEitool({"replay", "out/result.log"}, dir.path());
    ASSERT_EQ(replay.status, 0) << replay.err;
    // One warning for the sheet: every cell but the drawn ones and cell 1,
    // whose glyph crosses the guide.
    EXPECT_EQ(replay.out, "f.fnt converted.\n");
    EXPECT_EQ(replay.err, "eitool: " + dir / "out/f.bmp" +
                              ": cells 0, 2-9, 11-41, 43-63 (glyphs 160, 162-169, 171-201, 203-223) still hold the whole "
                              "baseline guide, which the font will carry as ink\nOperation complete!\n");
    const FontParts font = SplitFont(ReadAll(dir / "f.fnt"));
    for (std::uint32_t glyph : {0xCAu - 32, 0xEAu - 32}) {
        const RecordWords r = RecordOf(font.table, glyph);
        EXPECT_GT(r.width * r.height, 0u);
        EXPECT_LT(r.width, 14u) << "glyph " << glyph << " carries no guide";
    }
}

TEST(EitoolDraw, RefusalsLeaveTheSheetAsItWas)
{
    SKIP_WITHOUT_DEJAVU();
    struct Case {
        std::vector<std::string> options;
        int status;
        std::string says;
    };
    const std::vector<Case> cases = {
        {{"--encoding", "cp1250", "--chars", "ą"}, 1, "\"ą\" (U+0105) is byte B9 in windows-1250"},
        {{"--encoding", "cp1250", "--chars", "ą"}, 1, "eitool table --fit gives such letters free bytes"},
        {{"--encoding", "cp1250", "--first-byte", "33"}, 2, "--first-byte"},
        {{}, 2, "eitool: draw needs a character table: --encoding NAME, --table FILE or both"},
        {{"--encoding", "cp1250", "--size", "0"}, 2, "--size"},
    };
    TempFolder dir;
    const std::string sheet = ExtractSheet(dir);
    const Bytes before = ReadAll(sheet);
    for (const Case& c : cases) {
        std::vector<std::string> args{"draw", "--ttf", kFont};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back("out/f.bmp");
        SCOPED_TRACE(args[3]);
        ToolRun draw = RunEitool(args, dir.path());
        EXPECT_EQ(draw.status, c.status);
        EXPECT_NE(draw.err.find(c.says), std::string::npos) << draw.err;
        EXPECT_EQ(ReadAll(sheet), before);
    }
}
#else
TEST(EitoolDraw, ABuildWithoutFreeTypeSaysItCannotDraw)
{
    TempFolder dir;
    ToolRun help = RunEitool({"--help"}, dir.path());
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("built without FreeType"), std::string::npos) << help.out;
    ToolRun draw = RunEitool({"draw", "--ttf", "f.ttf", "--encoding", "cp1250", "f.bmp"}, dir.path());
    EXPECT_EQ(draw.status, 1);
    EXPECT_EQ(draw.err, "eitool: draw is not in this build: it was built without FreeType\n");
}
#endif

}  // namespace
}  // namespace eit::test
