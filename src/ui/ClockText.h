// Texts and steps of the main window that need no window: the on-line clock and the
// opacity steps of a fade.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// "hh:mm:ss" of a count of seconds; hours are not wrapped at 24.
std::string FormatOnlineTime(int64_t seconds);

constexpr size_t kFadeStepCount = 21;
// The opacity values of a fade: 255 down to 0 when fading out, 0 up to 255 when fading in.
std::array<uint8_t, kFadeStepCount> FadeSteps(bool out);
