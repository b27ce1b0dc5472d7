// The usage report of one month and the estimated telephone cost of its calls, built from the
// call log's records. CallLog feeds the records in file order; the usage window shows the text.
#pragma once

#include <cstdint>
#include <string>

#include "usage/CallRecord.h"
#include "usage/LocalTime.h"

// Estimated cost of one call, priced whole in the tariff band in which it started.
// 0.0 when start is 0, start is after end, or region is neither 0 nor 1.
double CallCost(int region, int64_t start, int64_t end, LocalTimeFunc localTime);

// Streams over the log: each Add formats at most one line, nothing else is kept per record.
class UsageReportBuilder {
  public:
    // monthOffset 0: the current month, 1: the month before (never the year before).
    UsageReportBuilder(int tariffRegion, int monthOffset, int64_t now, LocalTimeFunc toLocalTime);
    void Add(const CallRecord& record);
    // Appends the lines, the note on ignored calls and the totals to text, without emptying it.
    // The builder is spent afterwards: later calls of Add and Finish do nothing.
    void Finish(std::string& text);

  private:
    void AppendLine(const CallRecord& record, const LocalDate& date);

    int region;
    LocalTimeFunc localTime;
    int currentYear;
    int64_t wantedMonth;
    int64_t starts = 0;
    int64_t ends = 0;
    uint32_t totalMinutes = 0;  // modulo 2^32, read as int at the end
    double totalCost = 0.0;
    int64_t callStart = 0;  // time of the last start taken, 0 for none
    bool finished = false;
    std::string lines;
};
