// The program's settings key in the registry of the Wine prefix that a session's end-to-end
// tests share (one at a time).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace e2e {

namespace settings {
constexpr char kKey[] = "Software\\MAVQOS\\Dialer";

bool KeyExists();
std::optional<uint32_t> ReadDword(const char* name);
std::optional<std::string> ReadString(const char* name);
bool WriteDword(const char* name, uint32_t value);
bool WriteString(const char* name, const std::string& text);
bool DeleteValue(const char* name);
bool DeleteKey();
// A user who has run the program before, with closing on disconnect off (the program stays after
// a hang-up) unless the values given say otherwise: every setting and the default list stored,
// the given numbers and texts in place of the defaults.
bool StoreReturningUser(const std::map<std::string, uint32_t>& numbers = {},
                        const std::map<std::string, std::string>& texts = {});
}  // namespace settings

// Every scenario starts from a user who never ran the program: the end-to-end tests of a Wine
// session share its prefix (one at a time), so each removes the program's key first.
void ResetSettings();

// The system DPI of the programs that start while it lives: 96 is the normal scale (100 %),
// 144 is 150 %. Wine takes a program's system DPI from LogPixels of HKCU\Control Panel\Desktop
// when the program starts, so the driver keeps the DPI it started with. The prefix's own value
// is put back at the end.
class SystemDpi {
  public:
    explicit SystemDpi(uint32_t dpi);
    ~SystemDpi();
    SystemDpi(const SystemDpi&) = delete;
    SystemDpi& operator=(const SystemDpi&) = delete;

  private:
    std::optional<uint32_t> previous_;
};

}  // namespace e2e
