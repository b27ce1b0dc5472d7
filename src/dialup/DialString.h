// The number handed to the remote-access service: "DP" for pulse dialling, then the
// outside-line prefix and a comma when there is a prefix, then the access number.
#pragma once

#include <string>

constexpr size_t kMaxDialString = 2 + 5 + 1 + 63;

std::string BuildDialString(bool pulseDialing, const char* prefix, const char* accessNumber);
