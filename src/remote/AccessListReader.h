// Reading the access-number list that the configuration server sends in answer to cmd=2:
// a count line, then a name line and a number line for each entry. Portable: the body
// arrives through ByteSource, which the Win32 side implements over its Internet request.
#pragma once

#include <array>
#include <cstddef>
#include <functional>

// The body of an HTTP answer. Read stores at most `capacity` bytes and returns their number,
// 0 at the end of the body. It may throw; the exception passes through the reader unchanged.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual size_t Read(char* buffer, size_t capacity) = 0;
};

constexpr int kMaxListEntries = 30;    // the entry table's room
constexpr size_t kListFieldSize = 64;  // 63 characters and the NUL
constexpr size_t kListLineBufferSize = 256;

struct AccessListEntry {
    char name[kListFieldSize];
    char number[kListFieldSize];
};

struct AccessListTable {
    AccessListEntry entries[kMaxListEntries];
};

// Splits the body into lines (see ReadLine). Pulls the body from the source in blocks of
// kReadBlockSize bytes; the lines come out exactly as if the body were read one byte at a time.
class AccessListReader {
  public:
    static constexpr size_t kReadBlockSize = 4096;

    explicit AccessListReader(ByteSource& body);

    // One line: the body up to its next '\n', or up to its end for a last line without one; the
    // '\n' is not part of the text and '\r' bytes are dropped. A line longer than the buffer
    // keeps its first 255 characters and the rest of it is skipped, so that the next call
    // starts at the next line whatever the length of this one. At the end of the body the text
    // is empty. The text ends at its first NUL byte, if any. Writes a NUL-terminated text into
    // `line` and returns its length (at most 255).
    size_t ReadLine(char (&line)[kListLineBufferSize]);
    // True once a ReadLine found the body already at its end: that line was not in the body.
    bool RanOut() const { return ranOut; }

  private:
    // Next byte of the body into `byte`; false at the end of the body.
    bool NextByte(char& byte);

    ByteSource& source;
    std::array<char, kReadBlockSize> block{};
    size_t blockLength = 0;
    size_t blockPosition = 0;
    bool bodyEnded = false;
    bool ranOut = false;
};

// What ReadAccessList found: the number of entries to store, and whether the body held the
// count line and every name and number line of those entries.
struct AccessListRead {
    int entries = 0;
    bool complete = false;
};

// The whole list: reads the count line as ReadAnswerCount does, calls onCount with the number
// of entries that will be read, min(max(n, 0), 30), so that a progress bar set to 1..2*count
// gets one step per line; then reads two lines per entry into the table (field k: name of
// entry k/2 when k is even, its number when odd; at most 63 characters each, NUL-terminated,
// the rest of the field zeroed) and calls onLine after each. A count above 30 takes the first
// 30 entries; the lines after them are not read. Lines past the end of the body give empty
// fields. Fields of entries past the count are left untouched. Returns the number of entries
// to store (0 when n <= 0, min(n, 30) otherwise) and whether the count line and each of the
// 2 * entries lines after it were in the body; a last line without a line feed counts as
// there, read whole. Exceptions of the source pass through.
AccessListRead ReadAccessList(ByteSource& body, AccessListTable& table,
                              const std::function<void(int count)>& onCount,
                              const std::function<void()>& onLine);
