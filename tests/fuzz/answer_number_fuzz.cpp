// Arbitrary server answers read as numbers. The answer sits in a heap block of exactly its own
// size with no NUL after it, so AddressSanitizer catches any read past the stated length.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "remote/AnswerParsing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::unique_ptr<char[]> text(new char[size]);
    if (size > 0) {
        std::memcpy(text.get(), data, size);
    }
    const uint32_t number = ReadAnswerNumber(text.get(), size);
    const int32_t count = ReadAnswerCount(text.get(), size);

    // Both readings take the same number; they differ only where their ranges saturate.
    if (count != INT32_MAX && count != -INT32_MAX && static_cast<uint32_t>(count) != number) {
        abort();
    }
    // A NUL ends the answer: nothing after it counts.
    const size_t textLength = strnlen(text.get(), size);
    if (ReadAnswerNumber(text.get(), textLength) != number ||
        ReadAnswerCount(text.get(), textLength) != count) {
        abort();
    }
    // Every shorter length is kept to as well.
    for (size_t length = 0; length < size && length < 64; ++length) {
        ReadAnswerNumber(text.get(), length);
        ReadAnswerCount(text.get(), length);
    }
    return 0;
}
