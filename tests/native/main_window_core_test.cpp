// The window-free parts of the main window and the dial command: the on-line clock text, the
// fade steps, the scale of the button pictures, the dial string and the default access-number
// list.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "dialup/DialString.h"
#include "settings/DefaultAccessList.h"
#include "ui/ClockText.h"
#include "ui/PictureScale.h"

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

namespace {
// "City [dd-dddd]" -> the digits without the hyphen; empty when the form is wrong.
std::string DigitsOfName(const std::string& name) {
    size_t open = name.find(" [");
    if (open == std::string::npos || name.back() != ']') {
        return "";
    }
    std::string inside = name.substr(open + 2, name.size() - open - 3);
    size_t hyphen = inside.find('-');
    if (hyphen == std::string::npos || inside.size() - hyphen - 1 != 4) {
        return "";
    }
    return inside.substr(0, hyphen) + inside.substr(hyphen + 1);
}
}  // namespace

TEST(DefaultAccessList, NamesAndNumbersHaveTheirForm) {
    const char* cities[] = {"Ciudad de Buenos Aires",
                            "Gran Buenos Aires",
                            "La Plata",
                            "Campana",
                            "Escobar",
                            "Jos\u00e9 C. Paz",
                            "Lujan",
                            "Mar del Plata",
                            "Merlo",
                            "Moreno",
                            "Pilar",
                            "Z\u00e1rate",
                            "Rosario",
                            "Mendoza",
                            "C\u00f3rdoba"};
    const size_t groupDigits[] = {4, 4, 3, 2, 2, 2, 2, 3, 3, 3, 2, 2, 3, 3, 3};
    for (size_t i = 0; i < kDefaultAccessEntries; ++i) {
        std::string name = kDefaultAccessList[i].name;
        std::string number = kDefaultAccessList[i].number;
        SCOPED_TRACE(name);
        EXPECT_EQ(name.rfind(std::string(cities[i]) + " [", 0), 0u);
        EXPECT_EQ(DigitsOfName(name), number);
        EXPECT_EQ(number.size(), groupDigits[i] + 4);
        EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos);
        EXPECT_LE(name.size(), 63u);
    }
}

TEST(DefaultAccessList, SharedNumbersAreExactlyTheGivenGroups) {
    std::map<std::string, std::string> groups;
    for (size_t i = 0; i < kDefaultAccessEntries; ++i) {
        groups[kDefaultAccessList[i].number] += std::to_string(i + 1) + " ";
    }
    std::map<std::string, int> sharing;
    for (const auto& group : groups) {
        sharing[group.second]++;
    }
    EXPECT_EQ(sharing.count("1 2 "), 1u);
    EXPECT_EQ(sharing.count("9 10 "), 1u);
    EXPECT_EQ(sharing.count("4 7 11 12 "), 1u);
    EXPECT_EQ(groups.size(), 15u - 1 - 1 - 3);
}
