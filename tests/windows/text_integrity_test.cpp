// The start-up check of the built-in texts: the build's digest matches the texts the program
// carries, and any change to one of them is noticed.
#include <gtest/gtest.h>

#include <windows.h>

#include "TextDigest.h"
#include "app/TextIntegrity.h"
#include "texts/Texts.h"

TEST(TextIntegrity, TextsOfThisBuildAreIntact) {
    EXPECT_EQ(ComputeBuiltInTextDigest(), kBuiltInTextDigest);
    EXPECT_TRUE(AreBuiltInTextsIntact());
}

TEST(TextIntegrity, AlteredBuiltInTextIsNoticed) {
    // Patch one byte of a built-in text in memory, as a modified copy of the program would.
    // Written through a volatile pointer: the compiler must not assume the constant unchanged.
    volatile char* text = const_cast<char*>(texts::kConfirmClose);
    DWORD oldProtection = 0;
    ASSERT_TRUE(
        VirtualProtect(const_cast<char*>(texts::kConfirmClose), 1, PAGE_READWRITE, &oldProtection));
    char original = text[1];
    text[1] = 'X';
    EXPECT_FALSE(AreBuiltInTextsIntact());
    text[1] = original;
    VirtualProtect(const_cast<char*>(texts::kConfirmClose), 1, oldProtection, &oldProtection);
    EXPECT_TRUE(AreBuiltInTextsIntact());
}

TEST(TextIntegrity, AccentedTextsAreWindows1252) {
    EXPECT_EQ(static_cast<unsigned char>(texts::kConfirmClose[0]), 0xBF);  // "¿"
    char buffer[64] = "";
    ASSERT_GT(LoadStringA(GetModuleHandleA(nullptr), 519, buffer, sizeof(buffer)), 0);
    EXPECT_STREQ(buffer, "Activar temporizador de desconexi\xF3n.");
}
