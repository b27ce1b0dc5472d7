// The settings record and its registry store under HKCU\Software\MAVQOS\Dialer, with the
// operations on the access-number list. A record is built for one operation, loaded, used and
// discarded; the registry is the only place where a setting lives on.
#pragma once

#include <cstdint>
#include <string>

constexpr char kSettingsKeyPath[] = "Software\\MAVQOS\\Dialer";
constexpr size_t kDialPrefixBufferSize = 5;  // four characters and the terminator
constexpr size_t kListTextSize = 64;         // callers' buffers for entry names and numbers
constexpr uint32_t kDefaultListVersion = 1;  // the version of the default access-number list

class DialerSettings {
  public:
    DialerSettings() = default;
    virtual ~DialerSettings() = default;

    // Both false when they found the key missing and could not create it, which they have
    // reported.
    bool Load();
    bool Save();
    // Load without creating the key: false (and the record as it was) when the key cannot be
    // opened. Nothing is reported, for callers whose user has just been told.
    bool LoadExisting();

    void GetDialPrefix(char* destination) const;  // room for kDialPrefixBufferSize characters
    void SetDialPrefix(const char* text);
    int GetDialPulse() const { return pulseDialing; }
    void SetDialPulse(int value) { pulseDialing = value; }
    int GetAutoDial() const { return autoDial; }
    void SetAutoDial(int value) { autoDial = value; }
    int GetMinimize() const { return minimize; }
    void SetMinimize(int value) { minimize = value; }
    int GetCloseOnDisconnect() const { return closeOnDisconnect; }
    void SetCloseOnDisconnect(int value) { closeOnDisconnect = value; }
    int32_t GetLocation() const { return location; }
    void SetLocation(int32_t value) { location = value; }
    uint32_t GetListItems() const { return listItems; }
    uint32_t GetListVersion() const { return listVersion; }

    void ReadListName(uint32_t entry, char* buffer, uint32_t size) const;
    void ReadListNumber(uint32_t entry, char* buffer, uint32_t size) const;
    void WriteListEntry(uint32_t entry, const char* name, const char* number) const;
    void WriteListItems(uint32_t count) const;
    void WriteListVersion(uint32_t version) const;

  private:
    void ReadListValue(const char* format, uint32_t entry, char* buffer, uint32_t size) const;
    void WriteListDword(const char* name, uint32_t value) const;
    bool CreateWithDefaults();

    int closeOnDisconnect = 1;
    int minimize = 0;
    uint32_t listVersion = kDefaultListVersion;
    uint32_t listItems = 15;
    int32_t location = 0;
    int loaded = 0;
    int autoDial = 0;
    int pulseDialing = 0;
    std::string dialPrefix;
};
