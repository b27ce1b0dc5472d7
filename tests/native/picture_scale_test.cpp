// The scale of the button pictures chosen for the screen's DPI.
#include <gtest/gtest.h>

#include "ui/PictureScale.h"

// Pictures are drawn for 100, 125, 150 and 200 % (96, 120, 144 and 192 DPI): the screen gets
// those of the nearest scale, of the smaller one halfway between two.
TEST(PictureScale, TheNearestDrawnScaleAndTheSmallerHalfwayBetweenTwo) {
    const struct {
        int dpi;
        int id;
    } cases[] = {{72, 141},   {96, 141},   {108, 141},  {109, 1141}, {120, 1141}, {132, 1141},
                 {133, 2141}, {144, 2141}, {168, 2141}, {169, 3141}, {192, 3141}, {480, 3141}};
    for (const auto& c : cases) {
        EXPECT_EQ(ScaledPictureId(141, c.dpi), c.id) << c.dpi << " DPI";
    }
}
