// The program's icon: the title picture fitted into a square, light kept, nothing added.

#include "pictures/icon.h"

#include <gtest/gtest.h>

#include "pictures/title_art.h"

namespace tavrin::forge {
namespace {

TEST(ForgedIcon, FitsAWidePictureIntoTheSquareByAreaAveraging) {
    // 4 x 2 pixels: the left half red, the right half half-transparent blue.
    Canvas picture(4, 2);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x)
            picture.At(x, y) = x < 2 ? Rgba{1, 0, 0, 1} : Rgba{0, 0, 1, 0.5};
    }
    const Canvas icon = MakeIcon(picture, 2);
    ASSERT_EQ(icon.width, 2);
    ASSERT_EQ(icon.height, 2);
    // Each icon pixel averages a 2 x 2 block; the picture's two rows fill the middle of the
    // square, half of each icon row, and the rest stays black.
    for (int y = 0; y < 2; ++y) {
        EXPECT_DOUBLE_EQ(icon.At(0, y).r, 0.5);
        EXPECT_DOUBLE_EQ(icon.At(0, y).b, 0.0);
        EXPECT_DOUBLE_EQ(icon.At(1, y).r, 0.0);
        EXPECT_DOUBLE_EQ(icon.At(1, y).b, 0.25);  // alpha lights it as the show does, over black
        EXPECT_DOUBLE_EQ(icon.At(1, y).a, 1.0);
    }
}

TEST(ForgedIcon, KeepsTheTitlesLightAtEverySize) {
    const Canvas title = MakeTitleArt();
    double titleLight = 0;
    for (const Rgba& p : title.pixels) titleLight += (p.r + p.g + p.b) * p.a;
    titleLight /= double(title.width) * title.width;  // spread over the square it is fitted into
    for (const int size : {48, 128, 256}) {
        const Canvas icon = MakeIcon(title, size);
        ASSERT_EQ(icon.width, size);
        ASSERT_EQ(icon.height, size);
        double light = 0;
        for (const Rgba& p : icon.pixels) light += p.r + p.g + p.b;
        EXPECT_NEAR(light / (double(size) * size), titleLight, 1e-9 * size) << size;
        // The band above the picture is black, the picture's middle row is not.
        EXPECT_EQ(icon.At(size / 2, 0).r + icon.At(size / 2, 0).g + icon.At(size / 2, 0).b, 0.0);
        double middle = 0;
        for (int x = 0; x < size; ++x) middle += icon.At(x, size / 2).g;
        EXPECT_GT(middle, 0.0) << size;
    }
}

}  // namespace
}  // namespace tavrin::forge
