// Arbitrary list bodies through ReadAccessList. The first four bytes seed the sizes of the pieces
// in which the body arrives (as a network answer would); the rest is the body. The list must come
// out the same whatever the pieces, the table (on the heap at its exact size) is never written
// past, and every field is a NUL-terminated text of at most 63 characters.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

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

    // The reader on its own: every line is a NUL-terminated text of at most 254 characters.
    PieceSource source(body.get(), size, seed);
    AccessListReader reader(source);
    const size_t maxLines = size + 2;
    for (size_t i = 0; i < maxLines; ++i) {
        char line[kListLineBufferSize];
        const size_t length = reader.ReadLine(line);
        if (length > kListLineBufferSize - 2 || std::strlen(line) != length) {
            abort();
        }
    }
    return 0;
}
