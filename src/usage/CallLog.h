// The call log "CORVINET.REC" in the working directory: one record when a call comes up, one
// when it is hung up. The main window opens it at start-up and holds it, unshared, for the
// whole run; the usage window reads its records through the same handle.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "framework/Handles.h"
#include "usage/CallRecord.h"

constexpr char kCallLogName[] = "CORVINET.REC";
constexpr char kCallLogSwapName[] = "MAVTMP.SWP";

class CallLog {
  public:
    CallLog() = default;
    virtual ~CallLog();
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;

    // Opens (or creates) the log, mends its header and a torn tail, and in the first seven
    // days of January to March drops the records of earlier years. Nonzero when it is open.
    int Open();
    // Append a record stamped now and flush it to disk. Nothing happens while the log is closed.
    void WriteCallStart();
    void WriteCallEnd(int minutes);
    // Appends the report of one month (0: this month, 1: the month before) to text. Always 0.
    int BuildReport(int region, int monthOffset, std::string& text);
    bool IsOpen() const { return file.valid(); }

  private:
    bool OpenFile();
    void Close();
    bool MendHeader();
    bool DropTornTail();
    bool TrimEarlierYears(int currentYear);
    bool CopyCurrentYear(HANDLE swap, int currentYear, bool& droppedAny);
    void Append(const CallRecord& record);
    // Runs each(record) for every whole record from offset 12 on, reading in large blocks;
    // false when the file could not be read.
    template <class Each>
    bool ForEachRecord(Each each);

    UniqueFile file;
};
