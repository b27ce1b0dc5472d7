// Scheduled disconnect. All comparisons are between unsigned 32-bit numbers, as the limit is
// kept: minutes of connection for modes 0 and 1, a moment (seconds since 1970) for modes 2 and
// 3, which stays meaningful until 2106.
#include "usage/DisconnectSchedule.h"

namespace {

constexpr uint32_t kMaxUint32 = 0xFFFFFFFFu;

// Whole minutes of a call of that many seconds; none counts 0, and an impossibly long call stops
// at the largest count.
uint32_t ConnectedMinutes(int64_t callSeconds) {
    if (callSeconds <= 0) {
        return 0;
    }
    const uint64_t minutes = static_cast<uint64_t>(callSeconds) / 60;
    return minutes > kMaxUint32 ? kMaxUint32 : static_cast<uint32_t>(minutes);
}

uint32_t RemainingRoundedUp(uint32_t moment, int64_t now, uint32_t unitSeconds) {
    const uint32_t current = static_cast<uint32_t>(now);
    if (moment <= current) {
        return 0;  // the moment has passed: nothing remains
    }
    const uint32_t seconds = moment - current;
    return seconds / unitSeconds + (seconds % unitSeconds != 0 ? 1 : 0);
}

}  // namespace

// With no call up the length is 0, so a limit of at least 1 (all the dialog can store) is never
// met; a limit of 0 is met at once, which only switches the schedule off when no call is up.
bool IsDisconnectDue(uint32_t mode, uint32_t limit, int64_t callSeconds, int64_t now) {
    switch (mode) {
        case 0:
        case 1:
            return ConnectedMinutes(callSeconds) >= limit;
        case 2:
        case 3:
            return static_cast<uint32_t>(now) >= limit;
        default:
            return false;
    }
}

uint32_t LimitToAmount(uint32_t mode, uint32_t limit, int64_t now) {
    switch (mode) {
        case 1:
            return limit / 60;
        case 2:
            return RemainingRoundedUp(limit, now, 60);
        case 3:
            return RemainingRoundedUp(limit, now, 3600);
        default:
            return limit;
    }
}

bool AmountToLimit(int mode, uint32_t amount, int64_t now, uint32_t& limit, uint32_t& storedMode) {
    if (mode < 0 || static_cast<uint32_t>(mode) >= kDisconnectModeCount) {
        return false;
    }
    const uint32_t value = NormaliseAmount(amount);
    const uint32_t current = static_cast<uint32_t>(now);
    switch (mode) {
        case 0:
            limit = value;
            break;
        case 1:
            limit = value * 60;
            break;
        case 2:
            limit = current + value * 60;
            break;
        default:
            limit = current + value * 3600;
            break;
    }
    storedMode = static_cast<uint32_t>(mode);
    return true;
}

uint32_t NormaliseAmount(uint32_t amount) {
    return amount == 0 || amount > 59 ? 1 : amount;
}
