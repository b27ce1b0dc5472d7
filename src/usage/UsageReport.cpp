// Report lines, ignored-call note, monthly totals and the tariff of the cost estimate.
//
// Tariff: 0.0469 per unit; a unit is 2 minutes in the peak band (Monday to Friday 08:00-19:59,
// Saturday 08:00-12:59) and 4 minutes otherwise. Only the weekday and hour of the call's local
// start count. The monthly minutes add up the counts stored in the end records, while the cost
// is worked out from the start and end times, so the two may disagree for the same call.
#include "usage/UsageReport.h"

#include <climits>

#include "texts/Texts.h"
#include "framework/TextFormat.h"

namespace {

constexpr double kUnitPrice = 0.0469;
constexpr uint64_t kPeakUnitMinutes = 2;
constexpr uint64_t kOffPeakUnitMinutes = 4;

// Sized for the longest line any date can give (seven ints of 11 characters each plus the
// text); a longer line would be cut, never overrun.
constexpr size_t kLineBufferSize = 256;
// The totals line with the widest double "%8.4f" can print (over 300 digits).
constexpr size_t kTailBufferSize = 512;

bool IsPeak(const LocalDate& date) {
    if (date.weekday >= 1 && date.weekday <= 5) {
        return date.hour >= 8 && date.hour < 20;
    }
    if (date.weekday == 6) {
        return date.hour >= 8 && date.hour < 13;
    }
    return false;
}

uint64_t DivideRoundingUp(uint64_t value, uint64_t divisor) {
    return value / divisor + (value % divisor != 0 ? 1 : 0);
}

// The int the report prints: the low 32 bits in two's complement, as an int sum would wrap.
int ToInt(uint32_t value) {
    if (value <= 0x7FFFFFFFu) {
        return static_cast<int>(value);
    }
    return static_cast<int>(static_cast<int64_t>(value) - 0x100000000LL);
}

}  // namespace

double CallCost(int region, int64_t start, int64_t end, LocalTimeFunc localTime) {
    if (start == 0 || start > end || (region != 0 && region != 1)) {
        return 0.0;
    }
    const uint64_t unitMinutes = IsPeak(localTime(start)) ? kPeakUnitMinutes : kOffPeakUnitMinutes;
    // end >= start here, so the unsigned difference is exact even across the int64 range.
    const uint64_t seconds = static_cast<uint64_t>(end) - static_cast<uint64_t>(start);
    const uint64_t minutes = DivideRoundingUp(seconds, 60);
    const uint64_t units = DivideRoundingUp(minutes, unitMinutes);
    return static_cast<double>(units) * kUnitPrice;
}

UsageReportBuilder::UsageReportBuilder(int tariffRegion, int monthOffset, int64_t now,
                                       LocalTimeFunc toLocalTime)
    : region(tariffRegion), localTime(toLocalTime) {
    const LocalDate today = localTime(now);
    currentYear = today.year;
    // In January the month before is month 0, which no record has: the report does not reach
    // into the previous year.
    wantedMonth = static_cast<int64_t>(today.month) - monthOffset;
}

void UsageReportBuilder::Add(const CallRecord& record) {
    if (finished || (record.type != kCallStart && record.type != kCallEnd)) {
        return;
    }
    const LocalDate date = localTime(record.time);
    // A date the runtime could not give has month 0 and is never taken.
    if (date.month < 1 || date.month > 12 || date.month != wantedMonth ||
        date.year != currentYear) {
        return;
    }
    if (record.type == kCallStart) {
        ++starts;
        callStart = record.time;
    } else {
        ++ends;
        totalCost += CallCost(region, callStart, record.time, localTime);
        callStart = 0;
        // Unsigned, so that a log of huge counts wraps like the int total instead of
        // overflowing.
        totalMinutes += static_cast<uint32_t>(record.minutes);
    }
    AppendLine(record, date);
}

void UsageReportBuilder::AppendLine(const CallRecord& record, const LocalDate& date) {
    char line[kLineBufferSize];
    size_t length;
    if (record.type == kCallStart) {
        length = FormatText(line, sizeof line, texts::kReportStartLine, date.day, date.month,
                            date.year, date.hour, date.minute, date.second);
    } else {
        const char* ending =
            record.minutes == 1 ? texts::kReportMinuteSingular : texts::kReportMinutePlural;
        length = FormatText(line, sizeof line, texts::kReportEndLine, date.day, date.month,
                            date.year, date.hour, date.minute, date.second, record.minutes, ending);
    }
    lines.append(line, length);
}

void UsageReportBuilder::Finish(std::string& text) {
    if (finished) {
        return;
    }
    finished = true;
    if (text.empty()) {
        text.swap(lines);
    } else {
        text += lines;
    }
    lines.clear();
    lines.shrink_to_fit();

    char tail[kTailBufferSize];
    if (starts > ends) {
        // More than INT_MAX unmatched starts would need a log of some 25 GB; the note then
        // says INT_MAX rather than a wrapped count.
        const int64_t missing = starts - ends;
        const int count = missing > INT_MAX ? INT_MAX : static_cast<int>(missing);
        const char* format = count == 1 ? texts::kReportIgnoredOne : texts::kReportIgnoredMany;
        text.append(tail, FormatText(tail, sizeof tail, format, count));
    }
    text.append(
        tail, FormatText(tail, sizeof tail, texts::kReportTotals, ToInt(totalMinutes), totalCost));
}
