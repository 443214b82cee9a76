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
    ToolRun draw = RunEitool({"draw", "--ttf", kFont, "--encoding", "windows-1250", "--chars", "Łą", "--size", "14",
                              "--ink", "99", "out/f.bmp"},
                             dir.path());
    ASSERT_EQ(draw.status, 0) << draw.err;
    EXPECT_EQ(draw.out, "\"Ł\" (U+0141) drawn into cell 3 for byte A3.\n"
                        "\"ą\" (U+0105) drawn into cell 25 for byte B9.\n"
                        "f.bmp: 2 letters drawn from DejaVuSans.ttf at 14 px in ink 99.\n");

    ToolRun replay = RunEitool({"replay", "out/result.log"}, dir.path());
    ASSERT_EQ(replay.status, 0) << replay.err;
    std::string warnings, out;
    for (int glyph = 160; glyph < 224; ++glyph) {
        // Drawn, or (cell 1) a glyph that crosses the guide.
        if (glyph == 0xA3 || glyph == 0xB9 || glyph == 161) continue;
        const std::string line = "glyph " + std::to_string(glyph) + " will carry the baseline guide as ink\n";
        out += line;
        warnings += "eitool: " + line;
    }
    EXPECT_EQ(replay.out, out + "f.fnt converted.\n");
    EXPECT_EQ(replay.err, warnings + "Operation complete!\n");
    const FontParts font = SplitFont(ReadAll(dir / "f.fnt"));
    for (std::uint32_t glyph : {0xA3u, 0xB9u}) {
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
        {{"--encoding", "cp1250", "--chars", "ę"}, 1, "\"ę\" (U+0119) is byte EA in windows-1250"},
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
