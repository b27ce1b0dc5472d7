// The access-number list written on a user's first run: 15 entries, each a display name
// (city, a blank, the local number in square brackets) and the digits that are dialled.
#pragma once

#include <cstddef>

struct DefaultAccessEntry {
    const char* name;
    const char* number;
};

constexpr size_t kDefaultAccessEntries = 15;
extern const DefaultAccessEntry kDefaultAccessList[kDefaultAccessEntries];
