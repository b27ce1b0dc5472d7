// Reading the configuration server's answers as numbers: the list version (cmd=1), the latest
// release (cmd=3) and the count line of the access-number list (cmd=2).
#include "remote/AnswerParsing.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// The answer in a heap block of exactly its own size, with no NUL after it, so that any read
// past the stated length is caught by AddressSanitizer.
std::vector<char> ExactCopy(const std::string& text) {
    return std::vector<char>(text.begin(), text.end());
}

uint32_t Number(const std::string& text) {
    const std::vector<char> copy = ExactCopy(text);
    return ReadAnswerNumber(copy.data(), copy.size());
}

int32_t Count(const std::string& text) {
    const std::vector<char> copy = ExactCopy(text);
    return ReadAnswerCount(copy.data(), copy.size());
}

struct NumberCase {
    std::string answer;
    uint32_t expected;
};

TEST(AnswerNumber, ReadsLeadingDecimalNumber) {
    const std::vector<NumberCase> cases = {
        {"42", 42u},
        {" 42", 42u},
        {"\t\n\v\f\r 42", 42u},
        {"+7", 7u},
        {"007", 7u},
        {"10 abc", 10u},
        {"10abc", 10u},
        {"10\r\n", 10u},
        {"3.5", 3u},
        {"0", 0u},
        {"4294967294", 4294967294u},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(Number(c.answer), c.expected) << "answer \"" << c.answer << "\"";
    }
}

TEST(AnswerNumber, NoDigitsGiveZero) {
    const std::vector<std::string> answers = {
        "",
        "   ",
        "abc",
        "-",
        "+",
        "- 5",
        "+-5",
        "--5",
        "x42",
        "<html>500</html>",
        // The no-break space of Windows-1252 is not white space.
        "\xA0"
        "42",
    };
    for (const std::string& answer : answers) {
        EXPECT_EQ(Number(answer), 0u) << "answer \"" << answer << "\"";
    }
}

TEST(AnswerNumber, NegativeAnswersWrapToLargeUnsignedValues) {
    EXPECT_EQ(Number("-1"), 4294967295u);
    EXPECT_EQ(Number("  -2 beta"), 4294967294u);
    EXPECT_EQ(Number("-0"), 0u);
    EXPECT_EQ(Number("-4294967295"), 1u);
    // A list version of -1 is newer than any stored version but 4294967295 itself.
    EXPECT_GT(Number("-1"), 4000000000u);
    EXPECT_FALSE(Number("-1") > 4294967295u);
}

TEST(AnswerNumber, LongDigitStringsSaturate) {
    EXPECT_EQ(Number("4294967295"), 4294967295u);
    EXPECT_EQ(Number("4294967296"), 4294967295u);
    EXPECT_EQ(Number("99999999999999999999999999999999999999 trailing"), 4294967295u);
    EXPECT_EQ(Number(std::string(5000, '9')), 4294967295u);
    EXPECT_EQ(Number("-99999999999"), 1u);
    EXPECT_EQ(Number("00000000000000000000000000000012"), 12u);
}

TEST(AnswerNumber, ReleaseAnswersCompareAgainstRelease9) {
    const uint32_t release = 9;
    EXPECT_FALSE(Number("9") > release);
    EXPECT_FALSE(Number("8") > release);
    EXPECT_TRUE(Number("10") > release);
    EXPECT_TRUE(Number("10 nueva version") > release);
    EXPECT_FALSE(Number("version 10") > release);
    EXPECT_TRUE(Number("-3") > release);
}

TEST(AnswerNumber, ReadsNoFurtherThanTheLengthOrTheFirstNul) {
    const std::vector<char> digits = ExactCopy("123456789012");
    EXPECT_EQ(ReadAnswerNumber(digits.data(), 3), 123u);
    EXPECT_EQ(ReadAnswerNumber(digits.data(), 0), 0u);
    EXPECT_EQ(ReadAnswerNumber(digits.data(), digits.size()), 4294967295u);

    // Texts that end inside the white space, after the sign and inside the digits (exact heap
    // copies): each would run on into the next byte if the length were not kept to.
    EXPECT_EQ(Number("    "), 0u);
    EXPECT_EQ(Number("  -"), 0u);
    EXPECT_EQ(Number("+"), 0u);
    EXPECT_EQ(Number("  77"), 77u);

    const std::string withNul(
        "12\0"
        "34",
        5);
    EXPECT_EQ(Number(withNul), 12u);
    EXPECT_EQ(Number(std::string("\0 5", 3)), 0u);
    EXPECT_EQ(Number(std::string(" -\0"
                                 "5",
                                 4)),
              0u);
    EXPECT_EQ(ReadAnswerNumber(nullptr, 0), 0u);
}

TEST(AnswerCount, ReadsSignedCountSaturatedAt31Bits) {
    EXPECT_EQ(Count("0"), 0);
    EXPECT_EQ(Count("30"), 30);
    EXPECT_EQ(Count("  +30 entradas"), 30);
    EXPECT_EQ(Count("-5"), -5);
    EXPECT_EQ(Count("2147483647"), 2147483647);
    EXPECT_EQ(Count("2147483648"), 2147483647);
    EXPECT_EQ(Count("99999999999"), 2147483647);
    EXPECT_EQ(Count("-2147483647"), -2147483647);
    EXPECT_EQ(Count("-2147483648"), -2147483647);
    EXPECT_EQ(Count("-99999999999"), -2147483647);
    EXPECT_EQ(Count("abc"), 0);
    EXPECT_EQ(Count(""), 0);
    EXPECT_EQ(Count("- 5"), 0);
}

TEST(AnswerCount, AgreesWithNumberReadingWithinRange) {
    for (const std::string& text : {"0", "1", "-1", " 17x", "-30", "2147483646", "-2147483646"}) {
        EXPECT_EQ(static_cast<uint32_t>(Count(text)), Number(text)) << "answer \"" << text << "\"";
    }
}

}  // namespace
