#include <gtest/gtest.h>

#include "platform/IndexedImage.h"

namespace eit {
namespace {

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

}  // namespace
}  // namespace eit
