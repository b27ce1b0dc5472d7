#include "app/TextIntegrity.h"

#include <windows.h>

#include <cstring>

#include "TextDigest.h"
#include "texts/Texts.h"
#include "framework/Application.h"

namespace {

constexpr uint64_t kFnvOffset = 0xCBF29CE484222325ULL;
constexpr uint64_t kFnvPrime = 0x100000001B3ULL;
constexpr int kMaxCheckedString = 512;  // characters of one string-table entry

uint64_t Mix(const void* data, size_t length, uint64_t digest) {
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < length; ++i) {
        digest ^= bytes[i];
        digest *= kFnvPrime;
    }
    return digest;
}

#define CORVINET_LIST_TEXT(name, literal) texts::name,
const char* const kBuiltInTexts[] = {CORVINET_BUILT_IN_TEXTS(CORVINET_LIST_TEXT)};
#undef CORVINET_LIST_TEXT

}  // namespace

uint64_t ComputeBuiltInTextDigest() {
    uint64_t digest = kFnvOffset;
    // String-table entries are compared as UTF-16, so the check does not depend on the
    // system's code page.
    for (unsigned id : kCheckedStringIds) {
        wchar_t text[kMaxCheckedString] = L"";
        int length = LoadStringW(Application::GetInstance(), id, text, kMaxCheckedString);
        digest =
            Mix(text, sizeof(wchar_t) * static_cast<size_t>(length > 0 ? length + 1 : 1), digest);
    }
    for (const char* text : kBuiltInTexts) {
        digest = Mix(text, strlen(text) + 1, digest);
    }
    return digest;
}

bool AreBuiltInTextsIntact() {
    return ComputeBuiltInTextDigest() == kBuiltInTextDigest;
}
