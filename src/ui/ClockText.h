// The main window's on-line clock as text, apart from any window.
#pragma once

#include <cstdint>
#include <string>

// "hh:mm:ss" of a count of seconds; hours are not wrapped at 24.
std::string FormatOnlineTime(int64_t seconds);
