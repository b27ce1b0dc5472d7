// The local time of a test exe's C runtime: Argentina, UTC-3 without daylight saving ("ART3",
// the form both Wine and the C runtime read alike). The test script sets it for the whole run;
// a test exe that computes local dates includes this header, which sets it again when the exe
// starts, so that the exe also gives the same dates when run by hand.
#pragma once

#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

namespace testsupport {

constexpr char kArgentineZone[] = "ART3";

class ArgentineTime : public testing::Environment {
  public:
    void SetUp() override {
        _putenv_s("TZ", kArgentineZone);
        _tzset();
    }
};

// Registered once per exe, whichever of its sources include this header.
inline testing::Environment* const argentineTime =
    testing::AddGlobalTestEnvironment(new ArgentineTime);

}  // namespace testsupport
