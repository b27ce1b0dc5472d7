// Scheduled disconnect: when the timer's rule is met in each mode, and the conversions between
// the stored limit and the number the dialog shows.
#include "usage/DisconnectSchedule.h"

#include <gtest/gtest.h>

namespace {

constexpr int64_t kNow = 1086271200;  // a moment of June 2004
constexpr int64_t kAfter2038 = 0x80000000LL + 5000;

TEST(DisconnectDue, ConnectionMinutesMeetTheLimitAtTheFirstWholeMinute) {
    // "Minutos de conexión" 30.
    EXPECT_FALSE(IsDisconnectDue(0, 30, 30 * 60 - 1, kNow));  // 29:59
    EXPECT_TRUE(IsDisconnectDue(0, 30, 30 * 60, kNow));       // exactly 30:00
    EXPECT_TRUE(IsDisconnectDue(0, 30, 31 * 60 + 59, kNow));
    // "Horas de conexión" 2, held as 120 minutes.
    EXPECT_FALSE(IsDisconnectDue(1, 120, 7200 - 1, kNow));
    EXPECT_TRUE(IsDisconnectDue(1, 120, 7200, kNow));
    // A call after January 2038: only its length counts.
    EXPECT_TRUE(IsDisconnectDue(0, 1, 60, kAfter2038));
    EXPECT_FALSE(IsDisconnectDue(0, 1, 59, kAfter2038));
}

TEST(DisconnectDue, ConnectionModesWaitForACall) {
    for (uint32_t mode : {0u, 1u}) {
        // No call up: a length of 0, whatever the clock says.
        EXPECT_FALSE(IsDisconnectDue(mode, 1, 0, kNow)) << mode;
        EXPECT_FALSE(IsDisconnectDue(mode, 1, 0, kAfter2038)) << mode;
        // A length below 0 counts as no time.
        EXPECT_FALSE(IsDisconnectDue(mode, 1, -3600, kNow)) << mode;
        // A limit of 0 is met by a length of 0 (the dialog never stores it).
        EXPECT_TRUE(IsDisconnectDue(mode, 0, 0, kNow)) << mode;
    }
}

TEST(DisconnectDue, MomentModesAreMetAtTheMomentWithOrWithoutCall) {
    for (uint32_t mode : {2u, 3u}) {
        for (int64_t callSeconds : {int64_t{0}, int64_t{7200}}) {
            const uint32_t moment = static_cast<uint32_t>(kNow + 600);
            EXPECT_FALSE(IsDisconnectDue(mode, moment, callSeconds, kNow + 599)) << mode;
            EXPECT_TRUE(IsDisconnectDue(mode, moment, callSeconds, kNow + 600)) << mode;
            EXPECT_TRUE(IsDisconnectDue(mode, moment, callSeconds, kNow + 601)) << mode;
        }
        // Moments after January 2038 compare as unsigned numbers.
        const uint32_t late = static_cast<uint32_t>(kAfter2038);
        EXPECT_FALSE(IsDisconnectDue(mode, late, 60, kAfter2038 - 1)) << mode;
        EXPECT_TRUE(IsDisconnectDue(mode, late, 60, kAfter2038)) << mode;
        EXPECT_FALSE(IsDisconnectDue(mode, late, 60, kNow)) << mode;
    }
}

TEST(DisconnectDue, OtherModesNeverFire) {
    for (uint32_t mode : {4u, 5u, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(IsDisconnectDue(mode, 0, 0, kNow)) << mode;
        EXPECT_FALSE(IsDisconnectDue(mode, 1, 86400, kNow)) << mode;
    }
}

TEST(DisconnectAmount, TypedNumbersOutsideOneTo59BecomeOne) {
    EXPECT_EQ(1u, NormaliseAmount(0));
    EXPECT_EQ(1u, NormaliseAmount(1));
    EXPECT_EQ(30u, NormaliseAmount(30));
    EXPECT_EQ(59u, NormaliseAmount(59));
    EXPECT_EQ(1u, NormaliseAmount(60));
    EXPECT_EQ(1u, NormaliseAmount(75));
    EXPECT_EQ(1u, NormaliseAmount(0xFFFFFFFFu));
}

TEST(DisconnectAmount, AcceptedNumberIsStoredPerMode) {
    struct Case {
        int mode;
        uint32_t amount;
        uint32_t limit;
    } const cases[] = {
        {0, 30, 30},
        {0, 0, 1},
        {0, 75, 1},
        {1, 2, 120},
        {1, 75, 60},
        {2, 10, static_cast<uint32_t>(kNow + 600)},
        {2, 0, static_cast<uint32_t>(kNow + 60)},
        {3, 3, static_cast<uint32_t>(kNow + 3 * 3600)},
        {3, 75, static_cast<uint32_t>(kNow + 3600)},
    };
    for (const Case& c : cases) {
        uint32_t limit = 12345;
        uint32_t mode = 99;
        ASSERT_TRUE(AmountToLimit(c.mode, c.amount, kNow, limit, mode)) << c.mode;
        EXPECT_EQ(c.limit, limit) << c.mode << " " << c.amount;
        EXPECT_EQ(static_cast<uint32_t>(c.mode), mode);
    }
}

TEST(DisconnectAmount, NoModeSelectedStoresNothing) {
    for (int badMode : {-1, 4, 1000, -2147483647 - 1}) {
        uint32_t limit = 30;
        uint32_t mode = 0;
        EXPECT_FALSE(AmountToLimit(badMode, 10, kNow, limit, mode)) << badMode;
        EXPECT_EQ(30u, limit);
        EXPECT_EQ(0u, mode);
    }
}

TEST(DisconnectAmount, StoredLimitShowsTheNumberTyped) {
    EXPECT_EQ(30u, LimitToAmount(0, 30, kNow));
    EXPECT_EQ(2u, LimitToAmount(1, 120, kNow));
    EXPECT_EQ(2u, LimitToAmount(1, 179, kNow));  // rounded down
    EXPECT_EQ(0u, LimitToAmount(1, 59, kNow));
    // Other modes show the limit as it is.
    EXPECT_EQ(77u, LimitToAmount(4, 77, kNow));
    EXPECT_EQ(77u, LimitToAmount(0xFFFFFFFFu, 77, kNow));
}

TEST(DisconnectAmount, RemainingTimeIsRoundedUp) {
    uint32_t limit = 0;
    uint32_t mode = 0;
    ASSERT_TRUE(AmountToLimit(2, 10, kNow, limit, mode));
    EXPECT_EQ(10u, LimitToAmount(2, limit, kNow));
    EXPECT_EQ(10u, LimitToAmount(2, limit, kNow + 59));
    EXPECT_EQ(9u, LimitToAmount(2, limit, kNow + 60));
    EXPECT_EQ(6u, LimitToAmount(2, limit, kNow + 4 * 60 + 10));  // 5 min 50 s remain
    EXPECT_EQ(6u, LimitToAmount(2, limit, kNow + 4 * 60));       // exactly 6 min remain
    EXPECT_EQ(1u, LimitToAmount(2, limit, kNow + 599));

    // Reopened and accepted with the 6 shown: six minutes from that second acceptance.
    const int64_t later = kNow + 4 * 60 + 10;
    ASSERT_TRUE(AmountToLimit(2, LimitToAmount(2, limit, later), later, limit, mode));
    EXPECT_EQ(static_cast<uint32_t>(later + 360), limit);

    ASSERT_TRUE(AmountToLimit(3, 3, kNow, limit, mode));
    EXPECT_EQ(3u, LimitToAmount(3, limit, kNow));
    EXPECT_EQ(3u, LimitToAmount(3, limit, kNow + 1));
    EXPECT_EQ(2u, LimitToAmount(3, limit, kNow + 3600));
    EXPECT_EQ(1u, LimitToAmount(3, limit, kNow + 3 * 3600 - 1));

    // Moments after January 2038 still count down.
    ASSERT_TRUE(AmountToLimit(2, 10, kAfter2038, limit, mode));
    EXPECT_EQ(6u, LimitToAmount(2, limit, kAfter2038 + 250));
}

TEST(DisconnectAmount, PassedMomentShowsZero) {
    const uint32_t moment = static_cast<uint32_t>(kNow);
    for (uint32_t mode : {2u, 3u}) {
        EXPECT_EQ(0u, LimitToAmount(mode, moment, kNow)) << mode;
        EXPECT_EQ(0u, LimitToAmount(mode, moment, kNow + 1)) << mode;
        EXPECT_EQ(0u, LimitToAmount(mode, moment, kNow + 86400 * 30)) << mode;
        EXPECT_EQ(1u, LimitToAmount(mode, moment, kNow - 1)) << mode;
    }
    // Shown 0, accepted again: a typed 0 stores one minute from now.
    uint32_t limit = 0;
    uint32_t mode = 0;
    ASSERT_TRUE(AmountToLimit(2, LimitToAmount(2, moment, kNow + 5), kNow + 5, limit, mode));
    EXPECT_EQ(static_cast<uint32_t>(kNow + 65), limit);
}

TEST(DisconnectAmount, HoursOfConnectionSurviveAReopening) {
    uint32_t limit = 0;
    uint32_t mode = 0;
    ASSERT_TRUE(AmountToLimit(1, 2, kNow, limit, mode));
    EXPECT_EQ(2u, LimitToAmount(mode, limit, kNow + 99999));
    EXPECT_FALSE(IsDisconnectDue(mode, limit, 119 * 60 + 59, kNow));
    EXPECT_TRUE(IsDisconnectDue(mode, limit, 120 * 60, kNow));
}

}  // namespace
