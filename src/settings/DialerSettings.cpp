#include "settings/DialerSettings.h"

#include <windows.h>

#include <cstring>

#include "texts/Texts.h"
#include "framework/TextFormat.h"
#include "settings/DefaultAccessList.h"
#include "settings/RegistryKey.h"

namespace {

constexpr size_t kValueNameSize = 32;  // "LstName" or "LstNum" and up to 10 digits

void ReportKeyFailure() {
    MessageBoxA(nullptr, texts::kSettingsNotSaved, texts::kErrorCaption, MB_OK | MB_ICONERROR);
}

DWORD AsFlag(int value) {
    return value != 0 ? 1 : 0;
}

void ReadFlag(const RegistryKey& key, const char* name, int& field) {
    DWORD value = 0;
    if (key.QueryDword(name, value)) {
        field = value != 0 ? 1 : 0;
    }
}

template <class Number>
void ReadNumber(const RegistryKey& key, const char* name, Number& field) {
    DWORD value = 0;
    if (key.QueryDword(name, value)) {
        field = static_cast<Number>(value);
    }
}

void FormatEntryName(char (&name)[kValueNameSize], const char* format, uint32_t entry) {
    FormatText(name, sizeof(name), format, static_cast<unsigned>(entry));
}

void WriteDefaultEntries(const RegistryKey& key) {
    char name[kValueNameSize];
    for (size_t i = 0; i < kDefaultAccessEntries; ++i) {
        FormatEntryName(name, "LstName%u", static_cast<uint32_t>(i + 1));
        key.SetString(kDefaultAccessList[i].name, name);
    }
    for (size_t i = 0; i < kDefaultAccessEntries; ++i) {
        FormatEntryName(name, "LstNum%u", static_cast<uint32_t>(i + 1));
        key.SetString(kDefaultAccessList[i].number, name);
    }
}

}  // namespace

bool DialerSettings::Load() {
    if (LoadExisting() || loaded != 0) {
        return true;
    }
    return CreateWithDefaults();
}

bool DialerSettings::LoadExisting() {
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kSettingsKeyPath)) {
        return false;
    }
    char prefix[kDialPrefixBufferSize] = "";
    if (key.QueryString("DialPre", prefix, sizeof(prefix))) {
        dialPrefix = prefix;
    }
    ReadFlag(key, "DialPulse", pulseDialing);
    ReadFlag(key, "AutoDial", autoDial);
    ReadFlag(key, "Minimize", minimize);
    ReadFlag(key, "COD", closeOnDisconnect);
    ReadNumber(key, "Location", location);
    ReadNumber(key, "LstItems", listItems);
    ReadNumber(key, "LstVersion", listVersion);
    key.Close();
    // An automatic dial at start-up always needs an access number: the first entry.
    if (autoDial != 0 && location == -1) {
        location = 0;
    }
    loaded = 1;
    return true;
}

// First run for this user: the key with every default and the default access-number list.
bool DialerSettings::CreateWithDefaults() {
    RegistryKey key;
    if (!key.Create(HKEY_CURRENT_USER, kSettingsKeyPath)) {
        ReportKeyFailure();
        loaded = 1;
        return false;
    }
    key.SetString(dialPrefix.c_str(), "DialPre");
    key.SetDword(AsFlag(pulseDialing), "DialPulse");
    key.SetDword(AsFlag(autoDial), "AutoDial");
    key.SetDword(AsFlag(minimize), "Minimize");
    key.SetDword(AsFlag(closeOnDisconnect), "COD");
    key.SetDword(static_cast<DWORD>(location), "Location");
    key.SetDword(listItems, "LstItems");
    WriteDefaultEntries(key);
    key.SetDword(listVersion, "LstVersion");
    key.Close();
    loaded = 1;
    return true;
}

// A key removed since the record was loaded (a clean-up tool, the registry editor) is made again
// with the default access-number list before the six settings: a key without its list would
// leave the location button blank and the next dial without a number.
bool DialerSettings::Save() {
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kSettingsKeyPath)) {
        if (!key.Create(HKEY_CURRENT_USER, kSettingsKeyPath)) {
            ReportKeyFailure();
            return false;
        }
        key.SetDword(static_cast<DWORD>(kDefaultAccessEntries), "LstItems");
        WriteDefaultEntries(key);
        key.SetDword(kDefaultListVersion, "LstVersion");
    }
    key.SetString(dialPrefix.c_str(), "DialPre");
    key.SetDword(AsFlag(pulseDialing), "DialPulse");
    key.SetDword(AsFlag(autoDial), "AutoDial");
    key.SetDword(static_cast<DWORD>(location), "Location");
    key.SetDword(AsFlag(minimize), "Minimize");
    key.SetDword(AsFlag(closeOnDisconnect), "COD");
    return true;
}

void DialerSettings::GetDialPrefix(char* destination) const {
    size_t length = dialPrefix.size() < kDialPrefixBufferSize - 1 ? dialPrefix.size()
                                                                  : kDialPrefixBufferSize - 1;
    memcpy(destination, dialPrefix.data(), length);
    destination[length] = '\0';
}

void DialerSettings::SetDialPrefix(const char* text) {
    dialPrefix = text != nullptr ? text : "";
}

void DialerSettings::ReadListName(uint32_t entry, char* buffer, uint32_t size) const {
    ReadListValue("LstName%u", entry, buffer, size);
}

void DialerSettings::ReadListNumber(uint32_t entry, char* buffer, uint32_t size) const {
    ReadListValue("LstNum%u", entry, buffer, size);
}

void DialerSettings::ReadListValue(const char* format, uint32_t entry, char* buffer,
                                   uint32_t size) const {
    if (entry == 0 || entry > listItems) {
        return;
    }
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kSettingsKeyPath)) {
        return;
    }
    char name[kValueNameSize];
    FormatEntryName(name, format, entry);
    key.QueryString(name, buffer, size);
}

void DialerSettings::WriteListEntry(uint32_t entry, const char* name, const char* number) const {
    if (entry == 0) {
        return;
    }
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kSettingsKeyPath)) {
        return;
    }
    char valueName[kValueNameSize];
    FormatEntryName(valueName, "LstName%u", entry);
    key.SetString(name, valueName);
    FormatEntryName(valueName, "LstNum%u", entry);
    key.SetString(number, valueName);
}

void DialerSettings::WriteListItems(uint32_t count) const {
    WriteListDword("LstItems", count);
}

void DialerSettings::WriteListVersion(uint32_t version) const {
    WriteListDword("LstVersion", version);
}

void DialerSettings::WriteListDword(const char* name, uint32_t value) const {
    RegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKeyPath)) {
        key.SetDword(value, name);
    }
}
