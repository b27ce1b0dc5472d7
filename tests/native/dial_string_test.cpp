// The dial string that the dial command hands to the remote-access service.
#include <gtest/gtest.h>

#include <string>

#include "dialup/DialString.h"

TEST(DialString, ToneAndPulseWithAndWithoutPrefix) {
    EXPECT_EQ(BuildDialString(false, "", "43217600"), "43217600");
    EXPECT_EQ(BuildDialString(true, "", "43217600"), "DP43217600");
    EXPECT_EQ(BuildDialString(false, "0", "43217600"), "0,43217600");
    EXPECT_EQ(BuildDialString(true, "0", "43217600"), "DP0,43217600");
    EXPECT_EQ(BuildDialString(true, "9876", "1"), "DP9876,1");
}

TEST(DialString, MissingNumberDialsWhatWasBuilt) {
    EXPECT_EQ(BuildDialString(false, "", ""), "");
    EXPECT_EQ(BuildDialString(true, "0", ""), "DP0,");
    EXPECT_EQ(BuildDialString(false, nullptr, nullptr), "");
}

TEST(DialString, LongestInputsFitTheServiceField) {
    std::string number(63, '7');
    std::string dial = BuildDialString(true, "9999", number.c_str());
    EXPECT_EQ(dial.size(), 2u + 4u + 1u + 63u);
    EXPECT_LE(dial.size(), kMaxDialString);
}
