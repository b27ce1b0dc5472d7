// The opacity steps of the main window's fade in and out, apart from any window.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

constexpr size_t kFadeStepCount = 21;
// The opacity values of a fade: 255 down to 0 when fading out, 0 up to 255 when fading in.
std::array<uint8_t, kFadeStepCount> FadeSteps(bool out);
