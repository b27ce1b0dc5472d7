// Timing of the call log on a log of 100,000 records, under Wine: the usage report and the
// start-up trim, against a plain sequential read and decode of the same file measured in the
// same run (and, for comparison, that reading with a local-date conversion of every record).
// Each figure is the fastest of several runs, and the figures are printed so that they can be
// quoted. Limits: the report of ten years of calls and the trim within 100 ms, the report
// within three times the plain reading. The report of a month that holds all 100,000 records
// (4.8 MB of text) is only printed.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/ArgentineTime.h"
#include "support/FakeClock.h"
#include "support/Paths.h"
#include "support/ScratchDirectory.h"
#include "usage/CallLog.h"
#include "usage/CallRecord.h"
#include "usage/LocalTime.h"

using testsupport::FakeClock;
using testsupport::LocalSeconds;

namespace {

constexpr size_t kRecords = 100000;
constexpr int kRuns = 15;
constexpr double kLimitMs = 100.0;
constexpr double kReportOverReading = 3.0;
constexpr DWORD kBlock = 12 * 5461;

// Calls evenly spread from `first` to `last`, start and end in turn, six minutes each.
std::string MakeLog(int64_t first, int64_t last) {
    std::string bytes;
    bytes.reserve(kLogHeaderSize + kRecords * kLogRecordSize);
    uint8_t header[kLogHeaderSize];
    EncodeLogHeader(header);
    bytes.append(reinterpret_cast<const char*>(header), sizeof header);
    const int64_t step = (last - first) / static_cast<int64_t>(kRecords / 2);
    for (size_t call = 0; call < kRecords / 2; ++call) {
        const int64_t start = first + static_cast<int64_t>(call) * step;
        uint8_t out[kLogRecordSize];
        EncodeCallRecord({kCallStart, start, 0}, out);
        bytes.append(reinterpret_cast<const char*>(out), sizeof out);
        EncodeCallRecord({kCallEnd, start + 360, 7}, out);
        bytes.append(reinterpret_cast<const char*>(out), sizeof out);
    }
    return bytes;
}

double Milliseconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    return elapsed.count();
}

// The fastest of the runs: the cost of the work itself, with the least of the noise of a
// shared machine in it.
double Fastest(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

// Reads the file front to back in the blocks the log uses and decodes every record; with
// localDates, also converts each record's time to a local date, as every report must.
uint64_t ReadAndDecode(const wchar_t* path, bool localDates) {
    HANDLE file =
        CreateFileW(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot open the log (" << GetLastError() << ")";
        return 0;
    }
    std::vector<uint8_t> block(kBlock);
    uint64_t sum = 0;
    DWORD got = 0;
    SetFilePointer(file, static_cast<LONG>(kLogHeaderSize), nullptr, FILE_BEGIN);
    do {
        if (!ReadFile(file, block.data(), kBlock, &got, nullptr)) {
            break;
        }
        for (DWORD offset = 0; offset + kLogRecordSize <= got; offset += kLogRecordSize) {
            const CallRecord record = DecodeCallRecord(block.data() + offset);
            sum += static_cast<uint64_t>(record.time) + record.type +
                   static_cast<uint32_t>(record.minutes);
            if (localDates) {
                sum += static_cast<uint64_t>(SystemLocalTime(record.time).month);
            }
        }
    } while (got == kBlock);
    CloseHandle(file);
    return sum;
}

class CallLogTiming : public testing::Test {
  protected:
    std::wstring LogPath() const { return folder.File(L"CORVINET.REC"); }

    // Times of the plain reading, without and with the local dates.
    void TimePlainReading(double& plain, double& withDates) {
        std::vector<double> plainRuns, dateRuns;
        volatile uint64_t sink = 0;
        for (int run = 0; run < kRuns; ++run) {
            plainRuns.push_back(
                Milliseconds([&] { sink += ReadAndDecode(LogPath().c_str(), false); }));
            dateRuns.push_back(
                Milliseconds([&] { sink += ReadAndDecode(LogPath().c_str(), true); }));
        }
        plain = Fastest(plainRuns);
        withDates = Fastest(dateRuns);
    }

    testsupport::ScratchDirectory folder;
};

// Ten years of calls up to now (about 14 a day), of which this month's are listed; and the
// worst case, all 100,000 records in this month, every one of them a line of the report.
TEST_F(CallLogTiming, ReportOfAHundredThousandRecords) {
    ASSERT_TRUE(folder.ok());
    const int64_t now = LocalSeconds(2026, 12, 20, 18, 0, 0);
    FakeClock clock(now);
    struct Case {
        const char* name;
        int64_t first;
        double limitMs;
    };
    for (const Case& log : {Case{"ten years", LocalSeconds(2016, 12, 21), kLimitMs},
                            Case{"all in this month", LocalSeconds(2026, 12, 1), 0.0}}) {
        ASSERT_TRUE(testsupport::WriteFileBytes(LogPath(), MakeLog(log.first, now)));
        double plain = 0, withDates = 0;
        TimePlainReading(plain, withDates);

        std::vector<double> runs;
        size_t length = 0;
        {
            CallLog callLog;
            ASSERT_NE(callLog.Open(), 0);
            for (int run = 0; run < kRuns; ++run) {
                std::string text;
                runs.push_back(Milliseconds([&] { callLog.BuildReport(0, 0, text); }));
                length = text.size();
            }
        }
        const double report = Fastest(runs);
        printf(
            "report, %s: %.2f ms (text %zu bytes); plain read+decode %.2f ms (report %.1f "
            "times that); read+decode+local dates %.2f ms\n",
            log.name, report, length, plain, report / plain, withDates);
        EXPECT_GT(length, 0u);
        if (log.limitMs > 0) {
            EXPECT_LE(report, log.limitMs) << log.name;
            EXPECT_LE(report, kReportOverReading * plain) << log.name;
        }
    }
}

// The trim on 5 January: one year of calls before today, a few of this year, every record of
// last year dropped and the file replaced.
TEST_F(CallLogTiming, StartUpTrimOfAHundredThousandRecords) {
    ASSERT_TRUE(folder.ok());
    const int64_t now = LocalSeconds(2027, 1, 5, 10, 0, 0);
    FakeClock clock(now);
    const std::string log = MakeLog(LocalSeconds(2026, 1, 10), now);
    std::vector<double> runs;
    size_t kept = 0;
    for (int run = 0; run < kRuns; ++run) {
        ASSERT_TRUE(testsupport::WriteFileBytes(LogPath(), log));
        {
            CallLog callLog;
            runs.push_back(Milliseconds([&] { EXPECT_NE(callLog.Open(), 0); }));
        }
        kept = testsupport::ReadFileBytes(LogPath()).value_or("").size();
    }
    double plain = 0, withDates = 0;
    ASSERT_TRUE(testsupport::WriteFileBytes(LogPath(), log));
    TimePlainReading(plain, withDates);
    const double trim = Fastest(runs);
    printf(
        "trim at start-up: %.2f ms (%zu of %zu bytes kept); plain read+decode %.2f ms, "
        "read+decode+local dates %.2f ms\n",
        trim, kept, log.size(), plain, withDates);
    EXPECT_LT(kept, log.size());
    EXPECT_GT(kept, kLogHeaderSize);
    EXPECT_LE(trim, kLimitMs);
}

}  // namespace
