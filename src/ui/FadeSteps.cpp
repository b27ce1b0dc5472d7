#include "ui/FadeSteps.h"

std::array<uint8_t, kFadeStepCount> FadeSteps(bool out) {
    // n / 100 for n from 25500 down to 0 (or up from 0) in steps of 1275.
    std::array<uint8_t, kFadeStepCount> steps{};
    for (size_t i = 0; i < kFadeStepCount; ++i) {
        int n = static_cast<int>(i) * 1275;
        steps[i] = static_cast<uint8_t>((out ? 25500 - n : n) / 100);
    }
    return steps;
}
