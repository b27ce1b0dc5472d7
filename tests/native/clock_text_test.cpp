// The on-line clock's text and the opacity steps of the main window's fades.
#include <gtest/gtest.h>

#include <cstdint>

#include "ui/ClockText.h"
#include "ui/FadeSteps.h"

TEST(OnlineClock, FormatsHoursMinutesSecondsWithoutWrappingAtADay) {
    EXPECT_EQ(FormatOnlineTime(0), "00:00:00");
    EXPECT_EQ(FormatOnlineTime(59), "00:00:59");
    EXPECT_EQ(FormatOnlineTime(3599), "00:59:59");
    EXPECT_EQ(FormatOnlineTime(3600 + 2 * 60 + 3), "01:02:03");
    EXPECT_EQ(FormatOnlineTime(25 * 3600), "25:00:00");
    EXPECT_EQ(FormatOnlineTime(100 * 3600 + 1), "100:00:01");
    EXPECT_EQ(FormatOnlineTime(-5), "00:00:00");
}

TEST(FadeSteps, TwentyOneStepsBetweenOpaqueAndInvisible) {
    const uint8_t expectedOut[] = {255, 242, 229, 216, 204, 191, 178, 165, 153, 140, 127,
                                   114, 102, 89,  76,  63,  51,  38,  25,  12,  0};
    auto out = FadeSteps(true);
    auto in = FadeSteps(false);
    ASSERT_EQ(out.size(), 21u);
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i], expectedOut[i]) << i;
        EXPECT_EQ(in[i], expectedOut[20 - i]) << i;
    }
}
