// The access-number list built into the program, for a user whose list was never stored.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "settings/DefaultAccessList.h"

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
