// The settings record against Wine's registry, each test inside its own scratch
// HKEY_CURRENT_USER: first run, reading rules, the access-number list and bad stored values.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "settings/DefaultAccessList.h"
#include "settings/DialerSettings.h"
#include "support/Registry.h"
#include "support/ScratchRegistry.h"

using namespace testsupport;

namespace {

class DialerSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(scratch.ok()); }

    std::optional<uint32_t> Dword(const char* name) {
        return ReadDword(HKEY_CURRENT_USER, kSettingsKeyPath, name);
    }
    std::optional<std::string> Text(const char* name) {
        return ReadString(HKEY_CURRENT_USER, kSettingsKeyPath, name);
    }
    void PutDword(const char* name, uint32_t value) {
        ASSERT_TRUE(WriteDword(HKEY_CURRENT_USER, kSettingsKeyPath, name, value));
    }
    void PutText(const char* name, const std::string& value) {
        ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, kSettingsKeyPath, name, value));
    }
    void PutRaw(const char* name, DWORD type, const std::string& bytes) {
        ASSERT_TRUE(WriteRaw(HKEY_CURRENT_USER, kSettingsKeyPath, name, type, bytes));
    }
    // A record loaded from a key created by a first run, then changed by the test.
    static DialerSettings Loaded() {
        DialerSettings settings;
        settings.Load();
        return settings;
    }
    static std::string Name(const DialerSettings& settings, uint32_t entry) {
        char buffer[kListTextSize] = "untouched";
        settings.ReadListName(entry, buffer, sizeof(buffer));
        return buffer;
    }

    ScratchRegistry scratch;
};

TEST_F(DialerSettingsTest, FirstLoadCreatesTheKeyWithEveryDefaultAndTheList) {
    DialerSettings settings;
    settings.Load();

    EXPECT_EQ(Text("DialPre"), std::string());
    EXPECT_EQ(Dword("DialPulse"), 0u);
    EXPECT_EQ(Dword("AutoDial"), 0u);
    EXPECT_EQ(Dword("Minimize"), 0u);
    EXPECT_EQ(Dword("COD"), 1u);
    EXPECT_EQ(Dword("Location"), 0u);
    EXPECT_EQ(Dword("LstItems"), 15u);
    EXPECT_EQ(Dword("LstVersion"), 1u);
    for (uint32_t i = 1; i <= 15; ++i) {
        std::string index = std::to_string(i);
        EXPECT_EQ(Text(("LstName" + index).c_str()), std::string(kDefaultAccessList[i - 1].name));
        EXPECT_EQ(Text(("LstNum" + index).c_str()), std::string(kDefaultAccessList[i - 1].number));
    }
    EXPECT_FALSE(Text("LstName16").has_value());

    char prefix[kDialPrefixBufferSize + 1] = "x";
    settings.GetDialPrefix(prefix);
    EXPECT_STREQ(prefix, "");
    EXPECT_EQ(settings.GetDialPulse(), 0);
    EXPECT_EQ(settings.GetAutoDial(), 0);
    EXPECT_EQ(settings.GetMinimize(), 0);
    EXPECT_EQ(settings.GetCloseOnDisconnect(), 1);
    EXPECT_EQ(settings.GetLocation(), 0);
    EXPECT_EQ(settings.GetListItems(), 15u);
    EXPECT_EQ(settings.GetListVersion(), 1u);
}

TEST_F(DialerSettingsTest, AccentedNamesAreStoredAsWindows1252Bytes) {
    Loaded();
    auto raw = ReadRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "LstName6");
    ASSERT_TRUE(raw.has_value());
    EXPECT_EQ(raw->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(raw->bytes, std::string("Jos\xE9 C. Paz [45-6100]") + '\0');
    auto zarate = ReadRaw(HKEY_CURRENT_USER, kSettingsKeyPath, "LstName12");
    ASSERT_TRUE(zarate.has_value());
    EXPECT_EQ(static_cast<unsigned char>(zarate->bytes[1]), 0xE1);  // "á"
}

TEST_F(DialerSettingsTest, ASecondLoadOfTheSameRecordDoesNotRecreateADeletedKey) {
    DialerSettings settings;
    settings.Load();
    ASSERT_TRUE(DeleteKey(HKEY_CURRENT_USER, kSettingsKeyPath));
    settings.Load();
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
    DialerSettings fresh;
    fresh.Load();
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
}

TEST_F(DialerSettingsTest, AutoDialNeedsALocationAndNoLocationReadsAsMinusOne) {
    Loaded();
    PutDword("Location", 0xFFFFFFFFu);
    EXPECT_EQ(Loaded().GetLocation(), -1);
    PutDword("AutoDial", 1);
    EXPECT_EQ(Loaded().GetLocation(), 0);
    PutDword("Location", 7);
    EXPECT_EQ(Loaded().GetLocation(), 7);
}

TEST_F(DialerSettingsTest, FlagsAreNormalisedOnReadingAndOnSaving) {
    Loaded();
    PutDword("DialPulse", 5);
    PutDword("COD", 0);
    DialerSettings settings = Loaded();
    EXPECT_EQ(settings.GetDialPulse(), 1);
    EXPECT_EQ(settings.GetCloseOnDisconnect(), 0);
    settings.SetAutoDial(9);  // setters keep the value; only Save normalises
    EXPECT_EQ(settings.GetAutoDial(), 9);
    settings.Save();
    EXPECT_EQ(Dword("DialPulse"), 1u);
    EXPECT_EQ(Dword("AutoDial"), 1u);
    EXPECT_EQ(Dword("COD"), 0u);
}

TEST_F(DialerSettingsTest, PrefixOfUpToFourCharactersIsTakenLongerIsNot) {
    Loaded();
    PutText("DialPre", "9876");
    char prefix[kDialPrefixBufferSize + 1] = "";
    Loaded().GetDialPrefix(prefix);
    EXPECT_STREQ(prefix, "9876");
    PutText("DialPre", "98765");
    Loaded().GetDialPrefix(prefix);
    EXPECT_STREQ(prefix, "");
    PutText("DialPre", std::string(100, '1'));
    Loaded().GetDialPrefix(prefix);
    EXPECT_STREQ(prefix, "");
}

// Into a key that exists Save writes its six values and nothing of the list; a missing key
// (removed since the record was read) it makes again with the default list, never without one.
TEST_F(DialerSettingsTest, SaveWritesItsSixValuesAndTheListOnlyIntoAMissingKey) {
    DialerSettings settings;  // never loaded: no key yet
    settings.SetDialPrefix("0");
    settings.SetLocation(-1);
    settings.Save();
    EXPECT_EQ(Text("DialPre"), std::string("0"));
    EXPECT_EQ(Dword("Location"), 0xFFFFFFFFu);
    EXPECT_EQ(Dword("COD"), 1u);
    EXPECT_EQ(Dword("DialPulse"), 0u);
    EXPECT_EQ(Dword("AutoDial"), 0u);
    EXPECT_EQ(Dword("Minimize"), 0u);
    EXPECT_EQ(Dword("LstItems"), 15u);
    EXPECT_EQ(Dword("LstVersion"), 1u);
    EXPECT_EQ(Text("LstName15"), std::string(kDefaultAccessList[14].name));
    EXPECT_EQ(Text("LstNum15"), std::string(kDefaultAccessList[14].number));

    PutDword("LstItems", 20);
    PutDword("LstVersion", 7);
    PutText("LstName1", "Azul [4000]");
    settings.Save();
    EXPECT_EQ(Dword("LstItems"), 20u);
    EXPECT_EQ(Dword("LstVersion"), 7u);
    EXPECT_EQ(Text("LstName1"), std::string("Azul [4000]"));
}

TEST_F(DialerSettingsTest, ListReadsStayWithinOneToListItems) {
    DialerSettings settings = Loaded();
    EXPECT_EQ(Name(settings, 0), "untouched");
    EXPECT_EQ(Name(settings, 1), kDefaultAccessList[0].name);
    EXPECT_EQ(Name(settings, 15), kDefaultAccessList[14].name);
    PutText("LstName16", "Hidden [1-1111]");
    EXPECT_EQ(Name(settings, 16), "untouched");
    char number[kListTextSize] = "untouched";
    settings.ReadListNumber(5, number, sizeof(number));
    EXPECT_STREQ(number, kDefaultAccessList[4].number);

    PutDword("LstItems", 0);
    DialerSettings empty = Loaded();
    EXPECT_EQ(Name(empty, 0), "untouched");
    EXPECT_EQ(Name(empty, 1), "untouched");
}

TEST_F(DialerSettingsTest, ListUpdateIsSeenByNewRecordsOnly) {
    DialerSettings before = Loaded();
    DialerSettings writer;  // list writes go straight to the registry
    for (uint32_t i = 1; i <= 20; ++i) {
        std::string name = "Ciudad " + std::to_string(i) + " [1-2345]";
        writer.WriteListEntry(i, name.c_str(), "12345");
    }
    writer.WriteListItems(20);
    writer.WriteListVersion(7);
    EXPECT_EQ(before.GetListItems(), 15u);
    EXPECT_EQ(Name(before, 16), "untouched");

    DialerSettings after = Loaded();
    EXPECT_EQ(after.GetListItems(), 20u);
    EXPECT_EQ(after.GetListVersion(), 7u);
    EXPECT_EQ(Name(after, 20), "Ciudad 20 [1-2345]");
}

TEST_F(DialerSettingsTest, ShorterListKeepsOldEntriesButNoLongerReadsThem) {
    Loaded();
    DialerSettings writer;
    for (uint32_t i = 1; i <= 10; ++i) {
        writer.WriteListEntry(i, "Nueva [1-1111]", "11111");
    }
    writer.WriteListItems(10);
    DialerSettings after = Loaded();
    EXPECT_EQ(Name(after, 10), "Nueva [1-1111]");
    EXPECT_EQ(Name(after, 11), "untouched");
    EXPECT_EQ(Text("LstName11"), std::string(kDefaultAccessList[10].name));
    EXPECT_EQ(Text("LstNum15"), std::string(kDefaultAccessList[14].number));
}

TEST_F(DialerSettingsTest, ListWritesNeedTheKeyAndAnEntryNumber) {
    DialerSettings writer;
    writer.WriteListEntry(1, "Sin clave [1-1111]", "1");
    writer.WriteListItems(3);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
    Loaded();
    writer.WriteListEntry(0, "Cero", "0");
    EXPECT_FALSE(Text("LstName0").has_value());
}

TEST_F(DialerSettingsTest, ValuesOfTheWrongTypeOrSizeKeepTheDefaults) {
    Loaded();
    PutText("COD", "0");  // 2 bytes where 4 are expected
    PutRaw("DialPulse", REG_BINARY,
           std::string("\x01\x00\x00\x00\x00\x00", 6));  // too long for 4 bytes
    PutText("LstItems", "1234567");                      // 8 bytes
    DialerSettings settings = Loaded();
    EXPECT_EQ(settings.GetCloseOnDisconnect(), 1);
    EXPECT_EQ(settings.GetDialPulse(), 0);
    EXPECT_EQ(settings.GetListItems(), 15u);

    PutRaw("Minimize", REG_BINARY,
           std::string("\x01\x00\x00\x00", 4));  // the type is not looked at
    EXPECT_EQ(Loaded().GetMinimize(), 1);
}

TEST_F(DialerSettingsTest, OverlongOrUnterminatedTextsNeverOverrunTheBuffer) {
    DialerSettings settings = Loaded();
    PutText("LstName1", std::string(200, 'A'));
    EXPECT_EQ(Name(settings, 1), "untouched");
    PutText("LstName2", std::string(63, 'B'));
    EXPECT_EQ(Name(settings, 2), std::string(63, 'B'));
    PutText("LstName3", std::string(64, 'C'));  // 64 characters and the zero: does not fit
    EXPECT_EQ(Name(settings, 3), "untouched");
    PutRaw("LstName4", REG_SZ, "Sin cero");  // no terminating zero stored
    EXPECT_EQ(Name(settings, 4), "Sin cero");
    PutRaw("LstName5", REG_SZ, std::string(64, 'D'));  // 64 bytes, no zero: too long
    EXPECT_EQ(Name(settings, 5), "untouched");
    PutDword("LstName6", 0x41);  // a number where a text is expected reads as its bytes
    EXPECT_EQ(Name(settings, 6), "A");
}

}  // namespace
