// The program's registry key in the Wine prefix that the end-to-end tests share, and the
// prefix's system DPI.
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

bool StoreReturningUser(const std::map<std::string, uint32_t>& numbers,
                        const std::map<std::string, std::string>& texts) {
    std::map<std::string, uint32_t> allNumbers = {
        {"DialPulse", 0},
        {"AutoDial", 0},
        {"Minimize", 0},
        {"COD", 0},
        {"Location", 0},
        {"LstVersion", 1},
        {"LstItems", static_cast<uint32_t>(kDefaultAccessEntries)}};
    std::map<std::string, std::string> allTexts = {{"DialPre", ""}};
    for (size_t entry = 1; entry <= kDefaultAccessEntries; ++entry) {
        allTexts["LstName" + std::to_string(entry)] = kDefaultAccessList[entry - 1].name;
        allTexts["LstNum" + std::to_string(entry)] = kDefaultAccessList[entry - 1].number;
    }
    for (const auto& [name, value] : numbers) {
        allNumbers[name] = value;
    }
    for (const auto& [name, value] : texts) {
        allTexts[name] = value;
    }
    bool stored = true;
    for (const auto& [name, value] : allNumbers) {
        stored = WriteDword(name.c_str(), value) && stored;
    }
    for (const auto& [name, value] : allTexts) {
        stored = WriteString(name.c_str(), value) && stored;
    }
    if (!stored) {
        ADD_FAILURE() << "cannot store the settings of a returning user";
    }
    return stored;
}

}  // namespace settings

namespace {

constexpr char kDesktopKey[] = "Control Panel\\Desktop";
constexpr char kLogPixels[] = "LogPixels";

}  // namespace

SystemDpi::SystemDpi(uint32_t dpi)
    : previous_(testsupport::ReadDword(HKEY_CURRENT_USER, kDesktopKey, kLogPixels)) {
    if (!testsupport::WriteDword(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, dpi)) {
        ADD_FAILURE() << "cannot set the system DPI to " << dpi;
    }
}

SystemDpi::~SystemDpi() {
    const bool restored =
        previous_ ? testsupport::WriteDword(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, *previous_)
                  : testsupport::DeleteValue(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    if (!restored) {
        ADD_FAILURE() << "cannot put the system DPI back";
    }
}

void ResetSettings() {
    if (!settings::DeleteKey() || settings::KeyExists()) {
        ADD_FAILURE() << "cannot remove HKCU\\" << settings::kKey;
    }
}

}  // namespace e2e
