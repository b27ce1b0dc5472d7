// The list body is read line by line with a 256-byte line buffer: each read takes the body up
// to its next line feed but at most 255 bytes, so an over-long line is split and its remainder
// becomes the next line (the list then shifts by one field, as it always has). The reads drop
// carriage returns and cut the text's last character, which is the line feed for a line read
// whole, and the last real character of a line cut short or of a final line without one.
#include "remote/AccessListReader.h"

#include <algorithm>
#include <cstring>

#include "remote/AnswerParsing.h"

namespace {

// One read takes at most this many bytes of the body: the line buffer less its NUL.
constexpr size_t kMaxBytesPerLine = kListLineBufferSize - 1;
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
    size_t consumed = 0;
    char byte = '\0';
    while (consumed < kMaxBytesPerLine && NextByte(byte)) {
        ++consumed;
        if (byte == '\r') {
            continue;
        }
        line[length++] = byte;
        if (byte == '\n') {
            break;
        }
    }
    if (consumed == 0) {
        ranOut = true;
    }
    if (length > 0) {
        --length;
    }
    line[length] = '\0';
    // The text is a C string from here on: a NUL byte from the body ends it. The character
    // removed above is the last one read, so a NUL inside a line costs no further character.
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
