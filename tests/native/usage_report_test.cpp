// Usage report and cost estimate: tariff bands and rounding, the report's month choice, its
// lines, the ignored-call note and the totals, in a zone without daylight saving (Argentina)
// and in one with it (central Europe), where local and UTC hours and months part.
#include "usage/UsageReport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <string>

#include "TimeZones.h"
#include "texts/Texts.h"

namespace {

using namespace testzones;

constexpr double kUnit = 0.0469;

std::string BuildReport(int region, int monthOffset, int64_t now,
                        std::initializer_list<CallRecord> records) {
    UsageReportBuilder builder(region, monthOffset, now, SystemLocalTime);
    for (const CallRecord& record : records) {
        builder.Add(record);
    }
    std::string text;
    builder.Finish(text);
    return text;
}

std::string StartLine(int day, int month, int year, int hour, int minute, int second) {
    char line[128];
    std::snprintf(line, sizeof line, texts::kReportStartLine, day, month, year, hour, minute,
                  second);
    return line;
}

std::string EndLine(int day, int month, int year, int hour, int minute, int second, int minutes) {
    char line[128];
    std::snprintf(line, sizeof line, texts::kReportEndLine, day, month, year, hour, minute, second,
                  minutes,
                  minutes == 1 ? texts::kReportMinuteSingular : texts::kReportMinutePlural);
    return line;
}

std::string IgnoredNote(int count) {
    char line[160];
    std::snprintf(line, sizeof line,
                  count == 1 ? texts::kReportIgnoredOne : texts::kReportIgnoredMany, count);
    return line;
}

std::string Totals(int minutes, double cost) {
    char line[160];
    std::snprintf(line, sizeof line, texts::kReportTotals, minutes, cost);
    return line;
}

class ArgentineTime : public ::testing::Test {
  protected:
    ScopedTimeZone zone_{kArgentineZone};
    const int64_t midJune2004_ = Argentina(2004, 6, 15, 12, 0, 0);
};

// --- Tariff ---------------------------------------------------------------------------------

TEST_F(ArgentineTime, CallCostFollowsTheTariffTable) {
    struct Row {
        const char* what;
        int64_t start;
        int64_t seconds;
        double cost;
    } const rows[] = {
        {"Thursday 10:00:00, 300 s, peak", Argentina(2004, 6, 3, 10, 0, 0), 300, 0.1407},
        {"Sunday 10:00:00, 300 s, off-peak", Argentina(2004, 6, 6, 10, 0, 0), 300, 0.0938},
        {"Wednesday 21:00:00, 61 s, off-peak", Argentina(2004, 6, 2, 21, 0, 0), 61, 0.0469},
        {"Friday 19:59:59, 120 s, peak", Argentina(2004, 6, 4, 19, 59, 59), 120, 0.0469},
        {"Friday 20:00:00, 300 s, off-peak", Argentina(2004, 6, 4, 20, 0, 0), 300, 0.0938},
        {"Saturday 12:59:00, 240 s, peak", Argentina(2004, 6, 5, 12, 59, 0), 240, 0.0938},
        {"Saturday 13:00:00, 240 s, off-peak", Argentina(2004, 6, 5, 13, 0, 0), 240, 0.0469},
        {"Saturday 12:59:59, 240 s, peak", Argentina(2004, 6, 5, 12, 59, 59), 240, 0.0938},
        {"Monday 07:59:59, 300 s, off-peak", Argentina(2004, 6, 7, 7, 59, 59), 300, 0.0938},
        {"Monday 08:00:00, 300 s, peak", Argentina(2004, 6, 7, 8, 0, 0), 300, 0.1407},
        {"Saturday 07:59:59, 300 s, off-peak", Argentina(2004, 6, 5, 7, 59, 59), 300, 0.0938},
        {"Saturday 08:00:00, 300 s, peak", Argentina(2004, 6, 5, 8, 0, 0), 300, 0.1407},
        {"Sunday 12:00:00, 300 s, off-peak", Argentina(2004, 6, 6, 12, 0, 0), 300, 0.0938},
        {"any, 0 s", Argentina(2004, 6, 3, 10, 0, 0), 0, 0.0},
        {"peak, 1 s is a whole minute", Argentina(2004, 6, 3, 10, 0, 0), 1, 0.0469},
        {"peak, 60 s is one minute", Argentina(2004, 6, 3, 10, 0, 0), 60, 0.0469},
        {"peak, 121 s is three minutes", Argentina(2004, 6, 3, 10, 0, 0), 121, 0.0938},
        {"off-peak, 241 s is five minutes", Argentina(2004, 6, 6, 10, 0, 0), 241, 0.0938},
        {"off-peak, 240 s is four minutes", Argentina(2004, 6, 6, 10, 0, 0), 240, 0.0469},
    };
    for (const Row& row : rows) {
        for (int region : {0, 1}) {
            EXPECT_NEAR(row.cost,
                        CallCost(region, row.start, row.start + row.seconds, SystemLocalTime),
                        1e-12)
                << row.what << ", region " << region;
        }
    }
}

TEST_F(ArgentineTime, CallCostIsZeroWithoutStartBackwardsOrUnknownRegion) {
    const int64_t start = Argentina(2004, 6, 3, 10, 0, 0);
    EXPECT_EQ(0.0, CallCost(0, 0, start, SystemLocalTime));
    EXPECT_EQ(0.0, CallCost(0, start, start - 1, SystemLocalTime));
    EXPECT_EQ(0.0, CallCost(-1, start, start + 300, SystemLocalTime));
    EXPECT_EQ(0.0, CallCost(2, start, start + 300, SystemLocalTime));
    EXPECT_EQ(0.0, CallCost(INT_MIN, start, start + 300, SystemLocalTime));
}

TEST_F(ArgentineTime, CallCostOfAnExtremeSpanDoesNotOverflow) {
    // The span exceeds int64: it must still count as a very long call, not a negative one.
    EXPECT_GT(CallCost(0, -100, INT64_MAX, SystemLocalTime), 1e15);
}

TEST(TariffWithDaylightSaving, BandFollowsLocalHourInSummerAndWinter) {
    ScopedTimeZone zone(kCentralEuropeanZone);
    // Monday 7 June 2004, summer time (UTC+2): 08:30 local is 06:30 UTC.
    EXPECT_NEAR(3 * kUnit,
                CallCost(0, Utc(2004, 6, 7, 6, 30, 0), Utc(2004, 6, 7, 6, 35, 0), SystemLocalTime),
                1e-12);
    // 20:30 local is 18:30 UTC: already off-peak.
    EXPECT_NEAR(
        2 * kUnit,
        CallCost(0, Utc(2004, 6, 7, 18, 30, 0), Utc(2004, 6, 7, 18, 35, 0), SystemLocalTime),
        1e-12);
    // Monday 12 January 2004, winter time (UTC+1): 08:30 local is 07:30 UTC.
    EXPECT_NEAR(
        3 * kUnit,
        CallCost(0, Utc(2004, 1, 12, 7, 30, 0), Utc(2004, 1, 12, 7, 35, 0), SystemLocalTime),
        1e-12);
    // Saturday 5 June 2004 12:30 local (10:30 UTC) peak; 13:00 local (11:00 UTC) off-peak.
    EXPECT_NEAR(
        2 * kUnit,
        CallCost(0, Utc(2004, 6, 5, 10, 30, 0), Utc(2004, 6, 5, 10, 34, 0), SystemLocalTime),
        1e-12);
    EXPECT_NEAR(1 * kUnit,
                CallCost(0, Utc(2004, 6, 5, 11, 0, 0), Utc(2004, 6, 5, 11, 4, 0), SystemLocalTime),
                1e-12);
}

// --- Report text ----------------------------------------------------------------------------

TEST_F(ArgentineTime, WorkedExampleOfJune2004ByteForByte) {
    const std::string text = BuildReport(0, 0, midJune2004_,
                                         {{kCallStart, Argentina(2004, 6, 3, 10, 0, 0), 0},
                                          {kCallEnd, Argentina(2004, 6, 3, 10, 5, 0), 6}});
    EXPECT_EQ(
        "03/06/2004 10:00:00 -> Comienzó llamada.\r\n"
        "03/06/2004 10:05:00 -> Terminó llamada de 6 minutos.\r\n"
        "\r\n"
        "Total mensual: 6 minutos.\r\n"
        "\r\n"
        "Consumo $  0.1407",
        text);
}

TEST_F(ArgentineTime, EmptyLogGivesOnlyTheTotals) {
    EXPECT_EQ("\r\nTotal mensual: 0 minutos.\r\n\r\nConsumo $  0.0000",
              BuildReport(0, 0, midJune2004_, {}));
}

TEST_F(ArgentineTime, AppendsToTheTextWithoutEmptyingIt) {
    UsageReportBuilder builder(0, 0, midJune2004_, SystemLocalTime);
    builder.Add({kCallEnd, Argentina(2004, 6, 3, 10, 5, 0), 6});
    std::string text = "antes\r\n";
    builder.Finish(text);
    EXPECT_EQ("antes\r\n" + EndLine(3, 6, 2004, 10, 5, 0, 6) + Totals(6, 0.0), text);

    // The builder is spent: nothing more is added.
    builder.Add({kCallEnd, Argentina(2004, 6, 3, 11, 5, 0), 7});
    const std::string once = text;
    builder.Finish(text);
    EXPECT_EQ(once, text);
}

TEST_F(ArgentineTime, TakesOnlyTheChosenMonthOfTheCurrentYear) {
    const std::initializer_list<CallRecord> log = {
        {kCallStart, Argentina(2003, 6, 10, 10, 0, 0), 0},  // June of the year before
        {kCallEnd, Argentina(2003, 6, 10, 10, 1, 0), 2},
        {kCallStart, Argentina(2004, 5, 20, 21, 0, 0), 0},  // May
        {kCallEnd, Argentina(2004, 5, 20, 21, 10, 0), 11},
        {kCallStart, Argentina(2004, 6, 1, 0, 0, 0), 0},  // June, from its first second
        {kCallEnd, Argentina(2004, 6, 1, 0, 2, 0), 3},
        {kCallStart, Argentina(2004, 4, 30, 23, 59, 59), 0},  // April
    };
    EXPECT_EQ(
        StartLine(1, 6, 2004, 0, 0, 0) + EndLine(1, 6, 2004, 0, 2, 0, 3) + Totals(3, 1 * kUnit),
        BuildReport(0, 0, midJune2004_, log));
    EXPECT_EQ(StartLine(20, 5, 2004, 21, 0, 0) + EndLine(20, 5, 2004, 21, 10, 0, 11) +
                  Totals(11, 3 * kUnit),
              BuildReport(0, 1, midJune2004_, log));
}

TEST_F(ArgentineTime, PreviousMonthInJanuaryTakesNothing) {
    const int64_t january = Argentina(2005, 1, 10, 9, 0, 0);
    const std::initializer_list<CallRecord> log = {
        {kCallStart, Argentina(2004, 12, 20, 10, 0, 0), 0},
        {kCallEnd, Argentina(2004, 12, 20, 10, 30, 0), 31},
        {kCallStart, Argentina(2005, 1, 3, 10, 0, 0), 0},
        {kCallEnd, Argentina(2005, 1, 3, 10, 4, 0), 5},
    };
    EXPECT_EQ(Totals(0, 0.0), BuildReport(0, 1, january, log));
    EXPECT_EQ(
        StartLine(3, 1, 2005, 10, 0, 0) + EndLine(3, 1, 2005, 10, 4, 0, 5) + Totals(5, 2 * kUnit),
        BuildReport(0, 0, january, log));
}

TEST_F(ArgentineTime, CallAcrossMidnightAtMonthEndAppearsHalfInEachMonth) {
    const std::initializer_list<CallRecord> log = {
        {kCallStart, Argentina(2004, 5, 31, 23, 50, 0), 0},
        {kCallEnd, Argentina(2004, 6, 1, 0, 20, 0), 31},
    };
    EXPECT_EQ(StartLine(31, 5, 2004, 23, 50, 0) + IgnoredNote(1) + Totals(0, 0.0),
              BuildReport(0, 1, midJune2004_, log));
    EXPECT_EQ(EndLine(1, 6, 2004, 0, 20, 0, 31) + Totals(31, 0.0),
              BuildReport(0, 0, midJune2004_, log));
}

TEST(ReportWithDaylightSaving, MonthIsTheLocalOne) {
    ScopedTimeZone zone(kCentralEuropeanZone);
    // 1 July 2004 00:30 summer time is still 30 June in UTC.
    const int64_t start = Utc(2004, 6, 30, 22, 30, 0);
    const std::initializer_list<CallRecord> log = {{kCallStart, start, 0},
                                                   {kCallEnd, start + 300, 6}};
    const int64_t midJuly = Utc(2004, 7, 15, 10, 0, 0);
    EXPECT_EQ(
        StartLine(1, 7, 2004, 0, 30, 0) + EndLine(1, 7, 2004, 0, 35, 0, 6) + Totals(6, 2 * kUnit),
        BuildReport(0, 0, midJuly, log));
    EXPECT_EQ(Totals(0, 0.0), BuildReport(0, 1, midJuly, log));
}

TEST_F(ArgentineTime, EndIsPricedFromTheLastStartTaken) {
    const std::string text = BuildReport(
        0, 0, midJune2004_,
        {{kCallStart, Argentina(2004, 6, 3, 21, 0, 0), 0},  // Thursday evening, left without end
         {kCallStart, Argentina(2004, 6, 4, 10, 0, 0), 0},  // Friday morning, peak
         {kCallEnd, Argentina(2004, 6, 4, 10, 5, 0), 6}});
    EXPECT_EQ(StartLine(3, 6, 2004, 21, 0, 0) + StartLine(4, 6, 2004, 10, 0, 0) +
                  EndLine(4, 6, 2004, 10, 5, 0, 6) + IgnoredNote(1) + Totals(6, 3 * kUnit),
              text);
}

TEST_F(ArgentineTime, IgnoredNoteCountsUnmatchedStarts) {
    const int64_t day = Argentina(2004, 6, 8, 9, 0, 0);
    const std::string two =
        BuildReport(0, 0, midJune2004_, {{kCallStart, day, 0}, {kCallStart, day + 60, 0}});
    EXPECT_NE(std::string::npos, two.find(IgnoredNote(2)));
    EXPECT_EQ(std::string::npos, two.find(IgnoredNote(1)));

    const std::string three = BuildReport(0, 0, midJune2004_,
                                          {{kCallStart, day, 0},
                                           {kCallStart, day + 60, 0},
                                           {kCallStart, day + 120, 0},
                                           {kCallStart, day + 180, 0},
                                           {kCallEnd, day + 240, 1}});
    EXPECT_NE(std::string::npos, three.find(IgnoredNote(3)));
    // The plural note is its own text, not the singular one with another number.
    EXPECT_NE(IgnoredNote(1).substr(0, 16), IgnoredNote(3).substr(0, 16));
}

TEST_F(ArgentineTime, EndWithoutStartIsListedCountedAndFree) {
    EXPECT_EQ(EndLine(8, 6, 2004, 9, 4, 0, 4) + Totals(4, 0.0),
              BuildReport(0, 0, midJune2004_, {{kCallEnd, Argentina(2004, 6, 8, 9, 4, 0), 4}}));

    // After an end the start is used up: a second end costs nothing and no note appears.
    EXPECT_EQ(StartLine(8, 6, 2004, 9, 0, 0) + EndLine(8, 6, 2004, 9, 5, 0, 6) +
                  EndLine(8, 6, 2004, 9, 10, 0, 11) + Totals(17, 3 * kUnit),
              BuildReport(0, 0, midJune2004_,
                          {{kCallStart, Argentina(2004, 6, 8, 9, 0, 0), 0},
                           {kCallEnd, Argentina(2004, 6, 8, 9, 5, 0), 6},
                           {kCallEnd, Argentina(2004, 6, 8, 9, 10, 0), 11}}));
}

TEST_F(ArgentineTime, OneMinuteIsSingularEveryOtherCountPlural) {
    const int64_t end = Argentina(2004, 6, 8, 9, 4, 0);
    struct Case {
        int minutes;
        const char* ending;
    } const cases[] = {
        {1, " de 1 minuto.\r\n"},    {0, " de 0 minutos.\r\n"},   {2, " de 2 minutos.\r\n"},
        {-1, " de -1 minutos.\r\n"}, {11, " de 11 minutos.\r\n"},
    };
    for (const Case& c : cases) {
        const std::string text = BuildReport(0, 0, midJune2004_, {{kCallEnd, end, c.minutes}});
        const std::string line = text.substr(0, text.find("\r\n") + 2);
        const std::string ending = c.ending;
        ASSERT_GE(line.size(), ending.size());
        EXPECT_EQ(ending, line.substr(line.size() - ending.size())) << c.minutes;
    }
}

TEST_F(ArgentineTime, UnknownRecordTypesAreSkipped) {
    const int64_t start = Argentina(2004, 6, 3, 10, 0, 0);
    const std::string clean =
        BuildReport(0, 0, midJune2004_, {{kCallStart, start, 0}, {kCallEnd, start + 300, 6}});
    const std::string noisy = BuildReport(0, 0, midJune2004_,
                                          {{0, start - 10, 99},
                                           {kCallStart, start, 0},
                                           {3, start + 100, 7},
                                           {255, start + 200, -5},
                                           {kCallEnd, start + 300, 6},
                                           {4, start + 400, 1}});
    EXPECT_EQ(clean, noisy);
}

TEST_F(ArgentineTime, OnlyRegionsZeroAndOneArePriced) {
    const std::initializer_list<CallRecord> log = {{kCallStart, Argentina(2004, 6, 3, 10, 0, 0), 0},
                                                   {kCallEnd, Argentina(2004, 6, 3, 10, 5, 0), 6}};
    const std::string lines = StartLine(3, 6, 2004, 10, 0, 0) + EndLine(3, 6, 2004, 10, 5, 0, 6);
    EXPECT_EQ(lines + Totals(6, 3 * kUnit), BuildReport(0, 0, midJune2004_, log));
    EXPECT_EQ(BuildReport(0, 0, midJune2004_, log), BuildReport(1, 0, midJune2004_, log));
    EXPECT_EQ(lines + Totals(6, 0.0), BuildReport(-1, 0, midJune2004_, log));
    EXPECT_EQ(lines + Totals(6, 0.0), BuildReport(2, 0, midJune2004_, log));
}

TEST_F(ArgentineTime, MinuteTotalWrapsLikeAnInt) {
    const int64_t day = Argentina(2004, 6, 8, 9, 0, 0);
    EXPECT_EQ(
        EndLine(8, 6, 2004, 9, 0, 0, INT_MAX) + EndLine(8, 6, 2004, 9, 1, 0, INT_MAX) +
            Totals(-2, 0.0),
        BuildReport(0, 0, midJune2004_, {{kCallEnd, day, INT_MAX}, {kCallEnd, day + 60, INT_MAX}}));
    const std::string low =
        BuildReport(0, 0, midJune2004_, {{kCallEnd, day, INT_MIN}, {kCallEnd, day + 60, -1}});
    EXPECT_NE(std::string::npos, low.find(Totals(INT_MAX, 0.0)));
}

TEST_F(ArgentineTime, StampsAfter2038AreReportedInTheirMonth) {
    const int64_t start = Argentina(2040, 3, 9, 10, 0, 0);  // a Friday
    ASSERT_GT(start, int64_t{0x7FFFFFFF});
    UsageReportBuilder builder(0, 0, Argentina(2040, 3, 20, 12, 0, 0), SystemLocalTime);
    for (const CallRecord& record :
         {CallRecord{kCallStart, start, 0}, CallRecord{kCallEnd, start + 300, 6}}) {
        uint8_t bytes[kLogRecordSize];
        EncodeCallRecord(record, bytes);
        builder.Add(DecodeCallRecord(bytes));
    }
    std::string text;
    builder.Finish(text);
    EXPECT_EQ(
        StartLine(9, 3, 2040, 10, 0, 0) + EndLine(9, 3, 2040, 10, 5, 0, 6) + Totals(6, 3 * kUnit),
        text);
}

}  // namespace
