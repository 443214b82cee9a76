// Free bytes for letters a font cannot show, and the table that gives them.
#include <gtest/gtest.h>

#include "formats/FreeCells.h"
#include "platform/Error.h"

namespace eit {
namespace {

UsedCharacter Used(std::optional<char32_t> c, std::optional<std::uint8_t> byte, bool missing)
{
    return {c, byte, 1, missing};
}

TEST(FreeCells, OnlyLettersOutsideTheRebuiltBytesMoveOntoTheLowestBytesNoTextUses)
{
    const std::vector<UsedCharacter> used = {
        Used(U'a', 0x61, false),   // shown
        Used(U'ą', 0xB9, true),    // no glyph, outside C0 to FF: moves
        Used(U'ę', 0xEA, true),    // no glyph, but drawn into its own cell
        Used(U'Ж', std::nullopt, false),  // no byte: moves
        Used(std::nullopt, 0xC0, false),  // "<$C0>" in a text: C0 is taken
    };
    const std::vector<MovedLetter> moved = PlanFreeCells(used, 32);
    ASSERT_EQ(moved.size(), 2u);
    EXPECT_EQ(moved[0].letter, U'ą');
    EXPECT_EQ(moved[0].from, std::optional<std::uint8_t>(0xB9));
    EXPECT_EQ(moved[0].to, 0xC1);
    EXPECT_EQ(moved[1].letter, U'Ж');
    EXPECT_EQ(moved[1].to, 0xC2);

    // A font that starts at byte 0 rebuilds the bytes A0 to DF.
    EXPECT_EQ(PlanFreeCells({Used(U'ą', 0xEA, true)}, 0).at(0).to, 0xA0);
}

TEST(FreeCells, TooFewFreeBytesSaysHowManyAreMissing)
{
    std::vector<UsedCharacter> used;
    for (unsigned b = 0xC0; b <= 0xFF; ++b) used.push_back(Used(std::nullopt, static_cast<std::uint8_t>(b), false));
    used.push_back(Used(U'ё', 0xB8, true));
    used.push_back(Used(U'Ё', 0xA8, true));
    try {
        PlanFreeCells(used, 32);
        ADD_FAILURE() << "not refused";
    } catch (const ToolError& e) {
        EXPECT_STREQ(e.what(), "2 letters need bytes of their own, and only 0 of the bytes C0 to FF are free of the texts: 2 missing");
    }
}

TEST(FreeCells, TheGivenTableKeepsItsLinesButThoseOfTheMovedLettersAndTheirBytes)
{
    const std::string given = "\xEF\xBB\xBF" "A1=\xC4\x99\r\nC1=x\r\n\r\nB0=\xC4\x85\r\nD0=y\r\n";
    const std::vector<MovedLetter> moved = {{U'ą', 0xB9, 0xC1}, {U'Ж', std::nullopt, 0xC2}};
    EXPECT_EQ(FittedTable(given, moved), "\xEF\xBB\xBF" "A1=\xC4\x99\n\nD0=y\nC1=\xC4\x85\nC2=\xD0\x96\n");
    EXPECT_EQ(FittedTable("", {}), "");
}

}  // namespace
}  // namespace eit
