// One journal line per call: tab-separated key=value fields, appended to linesim.log.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "ControlFile.h"

namespace linesim {

// Milliseconds since 1601-01-01 UTC: the clock of the system's file times, on which a test
// can also read when a process ended (GetProcessTimes). The journal and the simulator's own
// timing (drop, settle) both use it, so a test can compare the two exactly.
unsigned long long NowMs();

class JournalLine {
  public:
    explicit JournalLine(const char* call);

    // Control characters in the value (tab, line ends) are written as \xHH so that a value
    // can never split a field or a line.
    void Add(const char* key, const char* value);
    // At most length bytes of value, stopping at the first zero byte.
    void AddBounded(const char* key, const char* value, size_t length);
    void AddNumber(const char* key, unsigned long long value);
    // 0 for no handle, else 0x followed by upper-case hex digits.
    void AddHandle(const char* key, uintptr_t value);
    void AddPresence(const char* key, const void* pointer);

    // Ends the line with the time field (the moment the call answered, from NowMs), opens the
    // journal, appends the line and closes it again, so each line is on disk as soon as the
    // call returns and other processes may read or append in between.
    void Append(const SimulatorFiles& files, unsigned long long timeMs);

  private:
    void AddKey(const char* key);
    std::string text_;
};

}  // namespace linesim
