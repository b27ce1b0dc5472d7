// The program's registry key in the Wine prefix that the end-to-end tests share.
#include <gtest/gtest.h>

#include "driver/Driver.h"
#include "settings/DefaultAccessList.h"
#include "support/Registry.h"

namespace e2e {

namespace settings {

bool KeyExists() {
    return testsupport::KeyExists(HKEY_CURRENT_USER, kKey);
}

std::optional<uint32_t> ReadDword(const char* name) {
    return testsupport::ReadDword(HKEY_CURRENT_USER, kKey, name);
}

std::optional<std::string> ReadString(const char* name) {
    return testsupport::ReadString(HKEY_CURRENT_USER, kKey, name);
}

bool WriteDword(const char* name, uint32_t value) {
    return testsupport::WriteDword(HKEY_CURRENT_USER, kKey, name, value);
}

bool WriteString(const char* name, const std::string& text) {
    return testsupport::WriteString(HKEY_CURRENT_USER, kKey, name, text);
}

bool DeleteValue(const char* name) {
    return testsupport::DeleteValue(HKEY_CURRENT_USER, kKey, name);
}

bool DeleteKey() {
    return testsupport::DeleteKey(HKEY_CURRENT_USER, kKey);
}

bool StoreReturningUser() {
    const std::pair<const char*, uint32_t> numbers[] = {
        {"DialPulse", 0},
        {"AutoDial", 0},
        {"Minimize", 0},
        {"COD", 0},
        {"Location", 0},
        {"LstVersion", 1},
        {"LstItems", static_cast<uint32_t>(kDefaultAccessEntries)}};
    bool stored = WriteString("DialPre", "");
    for (const auto& [name, value] : numbers) {
        stored = WriteDword(name, value) && stored;
    }
    for (size_t entry = 1; entry <= kDefaultAccessEntries; ++entry) {
        const std::string number = std::to_string(entry);
        stored = WriteString(("LstName" + number).c_str(), kDefaultAccessList[entry - 1].name) &&
                 WriteString(("LstNum" + number).c_str(), kDefaultAccessList[entry - 1].number) &&
                 stored;
    }
    return stored;
}

}  // namespace settings

void ResetSettings() {
    if (!settings::DeleteKey() || settings::KeyExists()) {
        ADD_FAILURE() << "cannot remove HKCU\\" << settings::kKey;
    }
}

}  // namespace e2e
