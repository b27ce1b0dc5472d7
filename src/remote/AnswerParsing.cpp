// The server's answers are free text that begins with a decimal number; everything after the
// digits is ignored. The reading never looks past the stated length (the answer buffer holds
// raw body bytes) and never overflows: long digit strings saturate instead.
#include "remote/AnswerParsing.h"

namespace {

constexpr uint32_t kMaxMagnitude = 0xFFFFFFFFu;
constexpr uint32_t kMaxCount = 0x7FFFFFFFu;

struct SignedMagnitude {
    bool negative = false;
    uint32_t magnitude = 0;  // saturated at kMaxMagnitude
};

// White space of the C locale, decided on the byte itself: the answers are Windows-1252 and
// bytes above 0x7F (such as the no-break space 0xA0) are never white space here.
bool IsAnswerSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

SignedMagnitude ReadSignedMagnitude(const char* text, size_t length) {
    SignedMagnitude result;
    if (text == nullptr) {
        return result;
    }
    size_t i = 0;
    while (i < length && text[i] != '\0' && IsAnswerSpace(text[i])) {
        ++i;
    }
    if (i < length && (text[i] == '+' || text[i] == '-')) {
        result.negative = text[i] == '-';
        ++i;
    }
    // Once saturated the magnitude stays there; the digits are still walked over so that the
    // reading of a long number costs no more than its length.
    uint64_t magnitude = 0;
    while (i < length && IsDigit(text[i])) {
        magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
        if (magnitude > kMaxMagnitude) {
            magnitude = kMaxMagnitude;
        }
        ++i;
    }
    result.magnitude = static_cast<uint32_t>(magnitude);
    return result;
}

}  // namespace

uint32_t ReadAnswerNumber(const char* text, size_t length) {
    const SignedMagnitude read = ReadSignedMagnitude(text, length);
    // Unsigned negation is arithmetic modulo 2^32: "-1" becomes 4294967295.
    return read.negative ? 0u - read.magnitude : read.magnitude;
}

int32_t ReadAnswerCount(const char* text, size_t length) {
    const SignedMagnitude read = ReadSignedMagnitude(text, length);
    const int32_t magnitude =
        static_cast<int32_t>(read.magnitude > kMaxCount ? kMaxCount : read.magnitude);
    return read.negative ? -magnitude : magnitude;
}
