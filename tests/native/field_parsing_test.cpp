// The checks the dialogs apply to typed fields before they store anything.
#include <gtest/gtest.h>

#include "texts/Texts.h"
#include "framework/FieldParsing.h"

TEST(UnsignedField, AcceptsDigitsWithBlanksAround) {
    uint32_t value = 99;
    EXPECT_TRUE(ParseUnsignedField("30", value));
    EXPECT_EQ(value, 30u);
    EXPECT_TRUE(ParseUnsignedField("  7 ", value));
    EXPECT_EQ(value, 7u);
    EXPECT_TRUE(ParseUnsignedField("0", value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(ParseUnsignedField("4294967295", value));
    EXPECT_EQ(value, 4294967295u);
}

TEST(UnsignedField, RefusesEverythingElseAndKeepsTheValue) {
    for (const char* text : {"", "   ", "-5", "- 5", "abc", "12a", "1 2", "4294967296",
                             "99999999999999999999", "0x10", "1.5"}) {
        uint32_t value = 42;
        EXPECT_FALSE(ParseUnsignedField(text, value)) << text;
        EXPECT_EQ(value, 42u) << text;
    }
}

TEST(MaxCharsPrompt, ReplacesThePlaceholderWithTheLimit) {
    EXPECT_EQ(FormatMaxCharsPrompt(texts::kPromptMaxChars, 1),
              std::string("No introduzca m\u00e1s de 1 caracteres."));
}
