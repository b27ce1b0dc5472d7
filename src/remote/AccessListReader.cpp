// The list body is read line by line with a 256-byte line buffer. Only a line feed ends a line,
// so a last line without one keeps its last character, and a line too long for the buffer is
// cut there and read to its end: its remainder never becomes the next name or number, which
// would shift every entry after it. Carriage returns are dropped wherever they stand.
#include "remote/AccessListReader.h"

#include <algorithm>
#include <cstring>

#include "remote/AnswerParsing.h"

namespace {

// A line keeps at most this many characters: the line buffer less its NUL.
constexpr size_t kMaxLineText = kListLineBufferSize - 1;
constexpr size_t kMaxFieldText = kListFieldSize - 1;

void StoreField(char (&field)[kListFieldSize], const char* text, size_t length) {
    const size_t stored = std::min(length, kMaxFieldText);
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text, stored);
}

}  // namespace

AccessListReader::AccessListReader(ByteSource& body) : source(body) {}

bool AccessListReader::NextByte(char& byte) {
    if (blockPosition == blockLength) {
        // Once the source has reported the end, it is not asked again.
        if (bodyEnded) {
            return false;
        }
        const size_t received = source.Read(block.data(), block.size());
        if (received == 0) {
            bodyEnded = true;
            return false;
        }
        // A source that claims more than it was given room for cannot have filled more.
        blockLength = std::min(received, block.size());
        blockPosition = 0;
    }
    byte = block[blockPosition++];
    return true;
}

size_t AccessListReader::ReadLine(char (&line)[kListLineBufferSize]) {
    size_t length = 0;
    bool inBody = false;
    char byte = '\0';
    while (NextByte(byte)) {
        inBody = true;
        if (byte == '\n') {
            break;
        }
        if (byte != '\r' && length < kMaxLineText) {
            line[length++] = byte;
        }
    }
    if (!inBody) {
        ranOut = true;
    }
    line[length] = '\0';
    // The text is a C string from here on: a NUL byte from the body ends it.
    return std::strlen(line);
}

AccessListRead ReadAccessList(ByteSource& body, AccessListTable& table,
                              const std::function<void(int count)>& onCount,
                              const std::function<void()>& onLine) {
    AccessListReader reader(body);
    char line[kListLineBufferSize];
    const size_t countLength = reader.ReadLine(line);
    const int32_t announced = ReadAnswerCount(line, countLength);
    const int entries = std::clamp<int32_t>(announced, 0, kMaxListEntries);
    if (onCount) {
        onCount(entries);
    }
    for (int k = 0; k < entries * 2; ++k) {
        const size_t length = reader.ReadLine(line);
        AccessListEntry& entry = table.entries[k / 2];
        StoreField(k % 2 == 0 ? entry.name : entry.number, line, length);
        if (onLine) {
            onLine();
        }
    }
    return {entries, !reader.RanOut()};
}
