// The program's own printf against the C library's snprintf: the same text for every
// conversion the program's texts use, the same rounding of doubles over their whole range, and
// the same cut at the end of a buffer.
#include "framework/TextFormat.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "texts/Texts.h"

namespace {

constexpr size_t kBufferSize = 512;

template <class... Arguments>
void ExpectAsSnprintf(const char* format, Arguments... arguments) {
    char expected[kBufferSize];
    std::snprintf(expected, sizeof expected, format, arguments...);
    char actual[kBufferSize];
    const size_t length = FormatText(actual, sizeof actual, format, arguments...);
    EXPECT_STREQ(actual, expected) << "format \"" << format << "\"";
    EXPECT_EQ(length, strlen(expected)) << "format \"" << format << "\"";
}

// Doubles from their bits: a fixed sequence that visits every exponent.
double DoubleFromBits(uint64_t bits) {
    double value = 0;
    memcpy(&value, &bits, sizeof value);
    return value;
}

}  // namespace

TEST(TextFormat, IntegersAsPrintf) {
    for (const char* format : {"%d", "%02d", "%04d", "%5d", "%05d", "[%3d]"}) {
        for (int value : {0, 7, -7, 42, -42, 1234, 12345, INT_MAX, INT_MIN}) {
            ExpectAsSnprintf(format, value);
        }
    }
    for (const char* format : {"%ld", "%03ld"}) {
        for (long value : {0L, -5L, 123456L, LONG_MAX, LONG_MIN}) {
            ExpectAsSnprintf(format, value);
        }
    }
    for (const char* format : {"%u", "%X", "%04X", "0x%08X", "%lu"}) {
        for (unsigned value : {0u, 9u, 0x1Fu, 0xBEEFu, 12345u, UINT_MAX}) {
            if (strchr(format, 'l') != nullptr) {
                ExpectAsSnprintf(format, static_cast<unsigned long>(value));
            } else {
                ExpectAsSnprintf(format, value);
            }
        }
    }
}

TEST(TextFormat, TextsAndPercentAsPrintf) {
    for (const char* format : {"%s", "(%s)", "%6s", "100%% %s", "%s%s"}) {
        for (const char* text : {"", "abc", "Conexi\xF3n"}) {
            ExpectAsSnprintf(format, text, text);
        }
    }
}

TEST(TextFormat, TheProgramsTextsAsPrintf) {
    ExpectAsSnprintf(texts::kOnlineTimeFormat, 100, 2, 3);
    ExpectAsSnprintf(texts::kReportStartLine, 5, 1, 2027, 9, 8, 7);
    ExpectAsSnprintf(texts::kReportEndLine, 31, 12, 2026, 23, 59, 60, -3,
                     texts::kReportMinutePlural);
    ExpectAsSnprintf(texts::kReportIgnoredMany, INT_MAX);
    ExpectAsSnprintf(texts::kReportTotals, -1, 1234.5678);
    ExpectAsSnprintf(texts::kInetError, 12029);
    ExpectAsSnprintf(texts::kRasUndefinedError, -1L);
}

TEST(TextFormat, DoublesRoundAsPrintfOverTheWholeRange) {
    const double edges[] = {0.0,      -0.0,      0.03125, 0.00005,  0.00015,    0.5,
                            1.5,      2.5,       0.0469,  0.1407,   1e15 + 0.5, 9007199254740993.0,
                            1e22,     -1e22,     DBL_MAX, -DBL_MAX, DBL_MIN,    4.9e-324,
                            HUGE_VAL, -HUGE_VAL, NAN};
    for (const char* format : {"%8.4f", "%.0f", "%.9f", "%f", "%012.4f", "%.4f|"}) {
        for (double value : edges) {
            ExpectAsSnprintf(format, value);
        }
        // Every exponent, with mantissas from a fixed pseudo-random sequence.
        uint64_t state = 0x9E3779B97F4A7C15u;
        for (int i = 0; i < 4096; ++i) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            const uint64_t exponent = static_cast<uint64_t>(i % 2047) << 52;
            const uint64_t bits = (state >> 12) | exponent | (state & (uint64_t{1} << 63));
            ExpectAsSnprintf(format, DoubleFromBits(bits));
        }
    }
    // Totals as the usage report adds them up: a call's cost at a time.
    double total = 0.0;
    for (int call = 0; call < 20000; ++call) {
        total += (call % 7 + 1) * 0.0469;
        ExpectAsSnprintf("%8.4f", total);
    }
}

TEST(TextFormat, CutsAtTheEndOfTheBufferAsSnprintf) {
    for (size_t size : {1, 2, 3, 6, 9}) {
        char expected[16];
        memset(expected, 'x', sizeof expected);
        std::snprintf(expected, size, "%02d:%02d:%02d", 1, 2, 3);
        char actual[16];
        memset(actual, 'x', sizeof actual);
        const size_t length = FormatText(actual, size, "%02d:%02d:%02d", 1, 2, 3);
        EXPECT_EQ(std::string(actual, sizeof actual), std::string(expected, sizeof expected))
            << "size " << size;
        EXPECT_EQ(length, size - 1) << "size " << size;
    }
    char untouched = 'x';
    EXPECT_EQ(FormatText(&untouched, 0, "%d", 5), 0u);
    EXPECT_EQ(untouched, 'x');
}
