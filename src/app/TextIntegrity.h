// Start-up check that the program's texts (its string table and the built-in texts of
// Texts.h) are the ones it was built with.
#pragma once

#include <cstdint>

// The digest the texts have now, computed the way the build computed the expected one.
uint64_t ComputeBuiltInTextDigest();
bool AreBuiltInTextsIntact();
