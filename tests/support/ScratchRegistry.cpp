// The scratch key is named after the test, the process and a counter so that leftovers of a
// killed run never collide with a new one; the destructor removes it again.
#include "support/ScratchRegistry.h"

#include <cstdio>

#include <gtest/gtest.h>

#include "support/Paths.h"
#include "support/Registry.h"

namespace testsupport {

namespace {

constexpr char kParentKey[] = "Software\\CorvinetTests";
int activeCount = 0;
unsigned serial = 0;

}  // namespace

ScratchRegistry::ScratchRegistry() {
    if (activeCount != 0) {
        ADD_FAILURE() << "ScratchRegistry objects cannot be nested";
        return;
    }
    char unique[64];
    snprintf(unique, sizeof unique, "%lu-%u", GetCurrentProcessId(), ++serial);
    path_ = std::string(kParentKey) + "\\" + CurrentTestName() + "-" + unique;
    // A leftover of the same name (a killed earlier run that had the same process id) goes first.
    DeleteKey(HKEY_CURRENT_USER, path_.c_str());
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
        key_ = nullptr;
        ADD_FAILURE() << "cannot create HKCU\\" << path_;
        return;
    }
    if (RegOverridePredefKey(HKEY_CURRENT_USER, key_) != ERROR_SUCCESS) {
        ADD_FAILURE() << "RegOverridePredefKey(HKEY_CURRENT_USER) failed";
        return;
    }
    redirected_ = true;
    ++activeCount;
}

ScratchRegistry::~ScratchRegistry() {
    if (redirected_) {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        --activeCount;
    }
    if (key_ != nullptr) {
        RegCloseKey(key_);
        DeleteKey(HKEY_CURRENT_USER, path_.c_str());
        // The parent goes too once the last scratch key of all test exes is gone.
        RegDeleteKeyA(HKEY_CURRENT_USER, kParentKey);
    }
}

}  // namespace testsupport
