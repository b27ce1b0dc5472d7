// The call log over the Windows file functions. The file stays open without sharing from Open
// to the destructor; only the start-up trim closes it for a moment, to put the trimmed copy in
// its place.
//
// Faults the log guards against:
// - A power cut during an append can leave a torn record at the end. Open cuts the file back
//   to the last whole record, and every append writes at a record boundary, so a torn piece
//   never shifts the records written after it.
// - The trim never deletes the log before its copy is safe: the copy is written and flushed to
//   "MAVTMP.SWP" first, then moved over "CORVINET.REC" in one step. When any of that fails the
//   old log stays as it was, and the log is open for appending either way.
// - While the log is closed (Open failed) appends and reports do nothing, silently.
#include "usage/CallLog.h"

#include <vector>

#include "framework/Clock.h"
#include "usage/Calendar.h"
#include "usage/LocalTime.h"
#include "usage/UsageReport.h"

namespace {

// Records are read in blocks of 5461 records (just under 64 KiB), not one system call each.
constexpr DWORD kBlockSize = static_cast<DWORD>(kLogRecordSize * 5461);

bool SeekTo(HANDLE file, int64_t offset) {
    LARGE_INTEGER position;
    position.QuadPart = offset;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) != FALSE;
}

bool WriteAll(HANDLE file, const void* bytes, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, nullptr) != FALSE && written == size;
}

// Size of the file, or -1 when it cannot be read.
int64_t FileSize(HANDLE file) {
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) == FALSE) {
        return -1;
    }
    return size.QuadPart;
}

// The end of the last whole record: where the next record belongs.
int64_t RecordBoundary(int64_t size) {
    return size - (size - static_cast<int64_t>(kLogHeaderSize)) % kLogRecordSize;
}

}  // namespace

CallLog::~CallLog() {
    Close();
}

int CallLog::Open() {
    Close();
    if (!OpenFile()) {
        return 0;
    }
    const LocalDate today = SystemLocalTime(Now());
    if (IsTrimDay(today)) {
        TrimEarlierYears(today.year);
    }
    return IsOpen() ? 1 : 0;
}

// Opens the log by its bare name in the working directory, creating it when missing and never
// truncating it; then makes sure it starts with a valid header and ends on a record boundary.
// A log whose header cannot be written is closed again: records without a header would be lost
// at the next start anyway.
bool CallLog::OpenFile() {
    file.reset(CreateFileA(kCallLogName, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    if (!MendHeader()) {
        Close();
        return false;
    }
    DropTornTail();
    return true;
}

void CallLog::Close() {
    file.reset();
}

// A read that returns less than a full block has reached the end of the file: its whole
// records are taken and a shorter piece after them ends the reading, as a short record does.
template <class Each>
bool CallLog::ForEachRecord(Each each) {
    if (!SeekTo(file.get(), kLogHeaderSize)) {
        return false;
    }
    std::vector<uint8_t> block(kBlockSize);
    for (;;) {
        DWORD got = 0;
        if (ReadFile(file.get(), block.data(), kBlockSize, &got, nullptr) == FALSE) {
            return false;
        }
        const DWORD whole = got - got % kLogRecordSize;
        for (DWORD offset = 0; offset < whole; offset += kLogRecordSize) {
            if (!each(block.data() + offset)) {
                return false;
            }
        }
        if (got < kBlockSize) {
            return true;
        }
    }
}

// A file shorter than a header, or with a foreign magic or version, is emptied and given a
// fresh header: whatever it held is not a call log this program can read.
bool CallLog::MendHeader() {
    uint8_t header[kLogHeaderSize];
    DWORD got = 0;
    if (!SeekTo(file.get(), 0) ||
        ReadFile(file.get(), header, sizeof header, &got, nullptr) == FALSE) {
        return false;
    }
    if (IsValidLogHeader(header, got)) {
        return true;
    }
    EncodeLogHeader(header);
    return SeekTo(file.get(), 0) && SetEndOfFile(file.get()) != FALSE &&
           WriteAll(file.get(), header, sizeof header) && FlushFileBuffers(file.get()) != FALSE;
}

// A length after the header that is not a whole number of records means the last append was
// cut short; its piece is dropped so that the next record starts on a boundary. Should the cut
// fail, appends still write at the boundary (Append).
bool CallLog::DropTornTail() {
    const int64_t size = FileSize(file.get());
    if (size < static_cast<int64_t>(kLogHeaderSize)) {
        return false;
    }
    const int64_t boundary = RecordBoundary(size);
    if (boundary == size) {
        return true;
    }
    return SeekTo(file.get(), boundary) && SetEndOfFile(file.get()) != FALSE &&
           FlushFileBuffers(file.get()) != FALSE;
}

// Keeps only the records of the current local year. The copy goes to the swap file, is flushed,
// and then replaces the log in one move; a log without anything to drop is left alone.
bool CallLog::TrimEarlierYears(int currentYear) {
    UniqueFile swap(CreateFileA(kCallLogSwapName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!swap) {
        return false;
    }
    bool droppedAny = false;
    const bool copied =
        CopyCurrentYear(swap.get(), currentYear, droppedAny) && FlushFileBuffers(swap.get());
    swap.reset();
    if (!copied || !droppedAny) {
        DeleteFileA(kCallLogSwapName);
        return copied;
    }
    // The log must be closed to be replaced; it is opened again whatever the move did.
    Close();
    const bool replaced = MoveFileExA(kCallLogSwapName, kCallLogName,
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
    if (!replaced) {
        DeleteFileA(kCallLogSwapName);
    }
    OpenFile();
    return replaced;
}

// Writes the log's header and its records of currentYear, in file order and byte for byte, to
// swap. droppedAny tells whether a record was left out.
bool CallLog::CopyCurrentYear(HANDLE swap, int currentYear, bool& droppedAny) {
    uint8_t header[kLogHeaderSize];
    DWORD got = 0;
    if (!SeekTo(file.get(), 0) ||
        ReadFile(file.get(), header, sizeof header, &got, nullptr) == FALSE ||
        got != sizeof header || !WriteAll(swap, header, sizeof header)) {
        return false;
    }
    std::vector<uint8_t> kept;
    kept.reserve(kBlockSize);
    bool written = true;
    const bool read = ForEachRecord([&](const uint8_t* bytes) {
        if (!KeepOnTrim(DecodeCallRecord(bytes), currentYear, SystemLocalTime)) {
            droppedAny = true;
            return true;
        }
        kept.insert(kept.end(), bytes, bytes + kLogRecordSize);
        if (kept.size() >= kBlockSize) {
            written = WriteAll(swap, kept.data(), static_cast<DWORD>(kept.size()));
            kept.clear();
        }
        return written;
    });
    return read && written && WriteAll(swap, kept.data(), static_cast<DWORD>(kept.size()));
}

void CallLog::WriteCallStart() {
    Append({kCallStart, Now(), 0});
}

void CallLog::WriteCallEnd(int minutes) {
    Append({kCallEnd, Now(), minutes});
}

// Writes the record at the end of the file, or over a torn piece there, and flushes it so that
// it is on disk at once.
void CallLog::Append(const CallRecord& record) {
    if (!IsOpen()) {
        return;
    }
    const int64_t size = FileSize(file.get());
    if (size < static_cast<int64_t>(kLogHeaderSize) || !SeekTo(file.get(), RecordBoundary(size))) {
        return;
    }
    uint8_t bytes[kLogRecordSize];
    EncodeCallRecord(record, bytes);
    if (WriteAll(file.get(), bytes, sizeof bytes)) {
        FlushFileBuffers(file.get());
    }
}

int CallLog::BuildReport(int region, int monthOffset, std::string& text) {
    if (!IsOpen()) {
        return 0;
    }
    const int64_t now = Now();
    UsageReportBuilder builder(region, monthOffset, now, SystemLocalTime);
    const TimeWindow window = MonthWindow(SystemLocalTime(now), monthOffset);
    ForEachRecord([&builder, &window](const uint8_t* bytes) {
        const CallRecord record = DecodeCallRecord(bytes);
        if (record.time >= window.from && record.time < window.to) {
            builder.Add(record);
        }
        return true;
    });
    builder.Finish(text);
    return 0;
}
