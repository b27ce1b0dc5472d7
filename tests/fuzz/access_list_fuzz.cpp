// Arbitrary list bodies through ReadAccessList. The first four bytes seed the sizes of the pieces
// in which the body arrives (as a network answer would); the rest is the body. The list must come
// out the same whatever the pieces, the table (on the heap at its exact size) is never written
// past, and every field is a NUL-terminated text of at most 63 characters.
//
// The same bytes also make a list that a server could send: the first of them picks the line
// ends (LF or CR LF) and whether the last line has one, the rest split at each line feed into
// names and numbers. Written as an answer and read back, that list gives the same entries, each
// field as its text shows it (carriage returns dropped, up to a NUL, at most 63 characters),
// or it is refused as a whole; never an entry's field in another's place.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "remote/AccessListReader.h"

namespace {

// Hands the body out in pieces whose sizes follow a small generator seeded from the input;
// a seed of 0 gives single bytes, which is the reading the others must match.
class PieceSource : public ByteSource {
  public:
    PieceSource(const uint8_t* data, size_t size, uint32_t seed)
        : data(data), size(size), state(seed) {}

    size_t Read(char* buffer, size_t capacity) override {
        size_t piece = 1;
        if (state != 0) {
            state = state * 1664525u + 1013904223u;
            piece = 1 + (state >> 16) % 600;
        }
        const size_t n = std::min({capacity, piece, size - delivered});
        if (n > 0) {
            std::memcpy(buffer, data + delivered, n);
        }
        delivered += n;
        return n;
    }

  private:
    const uint8_t* data;
    size_t size;
    uint32_t state;
    size_t delivered = 0;
};

struct Outcome {
    int entries = 0;
    bool complete = false;
    int announced = -1;
    int lines = 0;
    std::unique_ptr<AccessListTable> table = std::make_unique<AccessListTable>();
};

Outcome ReadList(const uint8_t* body, size_t size, uint32_t seed) {
    Outcome outcome;
    std::memset(outcome.table.get(), 0x5A, sizeof(AccessListTable));
    PieceSource source(body, size, seed);
    const AccessListRead read = ReadAccessList(
        source, *outcome.table, [&outcome](int count) { outcome.announced = count; },
        [&outcome]() { ++outcome.lines; });
    outcome.entries = read.entries;
    outcome.complete = read.complete;
    return outcome;
}

void CheckField(const char (&field)[kListFieldSize]) {
    if (strnlen(field, kListFieldSize) >= kListFieldSize) {
        abort();
    }
}

// A field as the table keeps it.
std::string Kept(const std::string& field) {
    std::string text;
    for (char c : field) {
        if (c == '\0') {
            break;
        }
        if (c != '\r') {
            text += c;
        }
    }
    return text.substr(0, kListFieldSize - 1);
}

void CheckRoundTrip(const uint8_t* data, size_t size, uint32_t seed) {
    if (size == 0) {
        return;
    }
    const bool crlf = (data[0] & 1) != 0;
    const bool finalLineEnd = (data[0] & 2) != 0;
    std::vector<std::string> fields(1);
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == '\n') {
            fields.emplace_back();
        } else {
            fields.back() += static_cast<char>(data[i]);
        }
    }
    const size_t entries = std::min<size_t>(fields.size() / 2, kMaxListEntries);
    fields.resize(2 * entries);

    const std::string end = crlf ? "\r\n" : "\n";
    std::string answer = std::to_string(entries);
    for (const std::string& field : fields) {
        answer += end + field;
    }
    if (finalLineEnd) {
        answer += end;
    }
    const Outcome read =
        ReadList(reinterpret_cast<const uint8_t*>(answer.data()), answer.size(), seed);
    if (read.entries != static_cast<int>(entries)) {
        abort();
    }
    if (!read.complete) {
        // Only where the answer cannot tell an empty last line from a missing one.
        if (entries == 0 || finalLineEnd || !fields.back().empty()) {
            abort();
        }
        return;
    }
    for (size_t k = 0; k < fields.size(); ++k) {
        const AccessListEntry& entry = read.table->entries[k / 2];
        if (Kept(fields[k]) != (k % 2 == 0 ? entry.name : entry.number)) {
            abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint32_t seed = 0;
    if (size >= 4) {
        std::memcpy(&seed, data, 4);
        data += 4;
        size -= 4;
    }
    // The body in a block of its own size, so that a read past it is caught.
    std::unique_ptr<uint8_t[]> body(new uint8_t[size]);
    if (size > 0) {
        std::memcpy(body.get(), data, size);
    }

    const Outcome pieces = ReadList(body.get(), size, seed | 1u);
    const Outcome bytes = ReadList(body.get(), size, 0);

    if (pieces.entries < 0 || pieces.entries > kMaxListEntries ||
        pieces.announced != pieces.entries || pieces.lines != 2 * pieces.entries) {
        abort();
    }
    if (bytes.entries != pieces.entries || bytes.complete != pieces.complete ||
        std::memcmp(bytes.table.get(), pieces.table.get(), sizeof(AccessListTable)) != 0) {
        abort();
    }
    for (int i = 0; i < pieces.entries; ++i) {
        CheckField(pieces.table->entries[i].name);
        CheckField(pieces.table->entries[i].number);
    }

    // The reader on its own: every line is a NUL-terminated text of at most 255 characters.
    PieceSource source(body.get(), size, seed);
    AccessListReader reader(source);
    const size_t maxLines = size + 2;
    for (size_t i = 0; i < maxLines; ++i) {
        char line[kListLineBufferSize];
        const size_t length = reader.ReadLine(line);
        if (length >= kListLineBufferSize || std::strlen(line) != length) {
            abort();
        }
    }

    CheckRoundTrip(body.get(), size, seed);
    return 0;
}
