// Time of decoding a 100,000-record call log and building its report, with the system's
// local-time conversion and with a plain UTC one, and of the local-time conversion alone:
// the report converts every start and end record.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "usage/Calendar.h"
#include "usage/CallRecord.h"
#include "usage/UsageReport.h"

namespace {

constexpr size_t kRecordCount = 100000;
constexpr int64_t kMonthStart = 1086058800;  // 1 June 2004 00:00 in Argentina
constexpr int64_t kNow = kMonthStart + 29 * 86400;

// Header and 50,000 calls of the current month, start and end in turn, as the file holds them.
std::vector<uint8_t> MakeLog() {
    std::vector<uint8_t> bytes(kLogHeaderSize + kRecordCount * kLogRecordSize);
    uint8_t header[kLogHeaderSize];
    EncodeLogHeader(header);
    std::copy(header, header + kLogHeaderSize, bytes.begin());
    const int64_t step = (kNow - kMonthStart) / static_cast<int64_t>(kRecordCount);
    for (size_t i = 0; i < kRecordCount; ++i) {
        const bool start = i % 2 == 0;
        const CallRecord record = {static_cast<uint8_t>(start ? kCallStart : kCallEnd),
                                   kMonthStart + static_cast<int64_t>(i) * step,
                                   start ? 0 : static_cast<int32_t>(i % 90)};
        uint8_t out[kLogRecordSize];
        EncodeCallRecord(record, out);
        std::copy(out, out + kLogRecordSize, bytes.begin() + kLogHeaderSize + i * kLogRecordSize);
    }
    return bytes;
}

void UseArgentineZone() {
    setenv("TZ", "ART3", 1);
    tzset();
}

void DecodeAndReport(benchmark::State& state, LocalTimeFunc localTime) {
    UseArgentineZone();
    const std::vector<uint8_t> log = MakeLog();
    for (auto _ : state) {
        UsageReportBuilder builder(0, 0, kNow, localTime);
        for (size_t offset = kLogHeaderSize; offset + kLogRecordSize <= log.size();
             offset += kLogRecordSize) {
            builder.Add(DecodeCallRecord(log.data() + offset));
        }
        std::string text;
        builder.Finish(text);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(kRecordCount));
}

void BM_DecodeAndReportSystemLocalTime(benchmark::State& state) {
    DecodeAndReport(state, SystemLocalTime);
}
BENCHMARK(BM_DecodeAndReportSystemLocalTime)->Unit(benchmark::kMillisecond);

void BM_DecodeAndReportUtcDate(benchmark::State& state) {
    DecodeAndReport(state, UtcDate);
}
BENCHMARK(BM_DecodeAndReportUtcDate)->Unit(benchmark::kMillisecond);

void BM_SystemLocalTime(benchmark::State& state) {
    UseArgentineZone();
    int64_t moment = kMonthStart;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SystemLocalTime(moment));
        moment += 97;
    }
}
BENCHMARK(BM_SystemLocalTime);

}  // namespace
