#include <gtest/gtest.h>

#include "platform/IndexedImage.h"

namespace eit {
namespace {

ColourTable Greys()
{
    ColourTable colours{};
    for (std::size_t i = 0; i < colours.size(); ++i) {
        auto v = static_cast<std::uint8_t>(i);
        colours[i] = {v, v, v};
    }
    return colours;
}

TEST(IndexedImage, NearestColourPrefersAnExactMatchThenTheLowestIndex)
{
    ColourTable colours{};
    colours.fill({10, 10, 10});
    colours[3] = {200, 0, 0};
    colours[9] = {0, 0, 0};
    colours[12] = {0, 0, 0};
    colours[20] = {100, 100, 100};
    colours[21] = {104, 100, 100};
    colours[30] = {102, 100, 100};
    IndexedImage image(1, 1, colours);
    EXPECT_EQ(image.NearestIndex({0, 0, 0}), 9) << "the lowest of two exact matches";
    EXPECT_EQ(image.NearestIndex({190, 0, 0}), 3);
    EXPECT_EQ(image.NearestIndex({102, 100, 100}), 30) << "an exact match beats a near one of lower index";
    EXPECT_EQ(image.NearestIndex({103, 100, 100}), 21) << "a tie in distance goes to the lowest index";
    EXPECT_EQ(image.NearestIndex({11, 10, 10}), 0);
}

TEST(IndexedImage, DrawingIsClippedToTheImage)
{
    IndexedImage image(6, 4, Greys());
    image.Fill(4, 2, 100, 100, 1);
    image.HorizontalLine(0, 2, 1000, 2);
    image.VerticalLine(0, 1, 1000, 3);
    image.SetPixel(6, 0, 9);
    image.SetPixel(0, 4, 9);
    IndexedImage stamp(3, 2, Greys());
    stamp.Fill(0, 0, 3, 2, 4);
    stamp.SetPixel(1, 1, 0);
    image.Draw(stamp, 4, 3);       // only its top-left pixels land
    image.Draw(stamp, 10, 10);     // wholly outside: nothing
    const std::vector<std::string> expected = {
        "002222",
        "300000",
        "300011",
        "300044",
    };
    for (std::uint32_t y = 0; y < image.Height(); ++y) {
        std::string row;
        for (std::uint32_t x = 0; x < image.Width(); ++x) row += static_cast<char>('0' + image.Pixel(x, y));
        EXPECT_EQ(row, expected[y]) << "row " << y;
    }
    EXPECT_EQ(image.ColourAt(5, 3), (Rgb{4, 4, 4}));
}

}  // namespace
}  // namespace eit
