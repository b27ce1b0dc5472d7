// The access-number list body (cmd=2): how it is cut into lines and how the lines fill the
// 30-entry table. Only a line feed ends a line, carriage returns are dropped, and a line keeps
// at most 255 characters without ever spilling into the next.
#include "remote/AccessListReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A body handed out in pieces of at most `chunk` bytes; counts the calls and the bytes given,
// which tells how far into the body the reader has gone.
class StringSource : public ByteSource {
  public:
    explicit StringSource(std::string body, size_t chunk = 1000000)
        : body(std::move(body)), chunk(chunk) {}

    size_t Read(char* buffer, size_t capacity) override {
        ++reads;
        const size_t n = std::min({capacity, chunk, body.size() - delivered});
        std::memcpy(buffer, body.data() + delivered, n);
        delivered += n;
        return n;
    }

    std::string body;
    size_t chunk;
    size_t delivered = 0;
    int reads = 0;
};

struct ConnectionDropped : std::runtime_error {
    explicit ConnectionDropped(int code) : std::runtime_error("dropped"), code(code) {}
    int code;
};

// Gives the first `limit` bytes of the body one at a time, then fails like a dropped connection.
class FailingSource : public ByteSource {
  public:
    FailingSource(std::string body, size_t limit) : body(std::move(body)), limit(limit) {}

    size_t Read(char* buffer, size_t capacity) override {
        if (delivered >= limit) {
            throw ConnectionDropped(12030);
        }
        const size_t n = std::min({capacity, size_t{1}, body.size() - delivered});
        std::memcpy(buffer, body.data() + delivered, n);
        delivered += n;
        return n;
    }

    std::string body;
    size_t limit;
    size_t delivered = 0;
};

// A text of `length` letters where each position can be told apart from its neighbours.
std::string Pattern(size_t length, char first = 'a') {
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        text += static_cast<char>(first + i % 26);
    }
    return text;
}

// The next `count` lines of the body as ReadLine gives them, read in pieces of `chunk` bytes.
std::vector<std::string> ReadLines(const std::string& body, size_t count, size_t chunk = 4096) {
    StringSource source(body, chunk);
    AccessListReader reader(source);
    std::vector<std::string> lines;
    for (size_t i = 0; i < count; ++i) {
        char line[kListLineBufferSize];
        std::memset(line, '#', sizeof line);
        const size_t length = reader.ReadLine(line);
        EXPECT_EQ(length, std::strlen(line));
        EXPECT_LT(length, kListLineBufferSize);
        lines.emplace_back(line, length);
    }
    return lines;
}

using Lines = std::vector<std::string>;

// A literal with its NUL bytes, without the one that ends it.
template <size_t N>
std::string Bytes(const char (&literal)[N]) {
    return std::string(literal, N - 1);
}

TEST(AccessListLine, LineFeedEndsTheLineAndIsRemoved) {
    EXPECT_EQ(ReadLines("Azul [4000]\n4000\n", 3), (Lines{"Azul [4000]", "4000", ""}));
    EXPECT_EQ(ReadLines("\n\nx\n", 4), (Lines{"", "", "x", ""}));
    EXPECT_EQ(ReadLines("", 2), (Lines{"", ""}));
}

TEST(AccessListLine, LastLineWithoutLineFeedIsReadWhole) {
    EXPECT_EQ(ReadLines("uno\n5550123", 3), (Lines{"uno", "5550123", ""}));
    EXPECT_EQ(ReadLines("x", 2), (Lines{"x", ""}));
    EXPECT_EQ(ReadLines("ab\r", 1), (Lines{"ab"}));
}

TEST(AccessListLine, CarriageReturnsAreDropped) {
    EXPECT_EQ(ReadLines("Azul\r\n4000\r\n", 3), ReadLines("Azul\n4000\n", 3));
    EXPECT_EQ(ReadLines("a\rb\r\r\nc\n", 2), (Lines{"ab", "c"}));
    EXPECT_EQ(ReadLines("\r\n\r\r\n", 3), (Lines{"", "", ""}));
}

TEST(AccessListLine, LongestLinesReadWhole) {
    const std::string s255 = Pattern(255);
    const std::string s254 = Pattern(254, 'A');
    EXPECT_EQ(ReadLines(s255 + "\nnext\n", 2), (Lines{s255, "next"}));
    EXPECT_EQ(ReadLines(s254 + "\r\nnext\n", 2), (Lines{s254, "next"}));
}

TEST(AccessListLine, OverlongLineKeepsItsFirst255CharactersAndTheNextLineFollows) {
    const std::string s256 = Pattern(256);
    EXPECT_EQ(ReadLines(s256 + "\r\nnext\n", 2), (Lines{s256.substr(0, 255), "next"}));
    const std::string s1000 = Pattern(1000);
    EXPECT_EQ(ReadLines(s1000 + "\nnext", 3), (Lines{s1000.substr(0, 255), "next", ""}));
}

TEST(AccessListLine, CarriageReturnsDoNotCountTowardsTheLine) {
    const std::string text = Pattern(100);
    EXPECT_EQ(ReadLines(std::string(200, '\r') + text + "\nnext\n", 2), (Lines{text, "next"}));
    EXPECT_EQ(ReadLines(std::string(300, '\r') + "\nab\n", 2), (Lines{"", "ab"}));
}

TEST(AccessListLine, NulByteEndsTheText) {
    EXPECT_EQ(ReadLines(Bytes("ab\0cd\nnext\n"), 2), (Lines{"ab", "next"}));
    EXPECT_EQ(ReadLines(Bytes("\0\nx\n"), 2), (Lines{"", "x"}));
    // What follows the NUL is still that line.
    const std::string body = std::string(1, '\0') + Pattern(300) + "\nnext\n";
    EXPECT_EQ(ReadLines(body, 2), (Lines{"", "next"}));
}

TEST(AccessListLine, EightBitBytesPassUnchanged) {
    const std::string bytes = "\x01\x7F\x80\xA0\xE1\xE9\xF1\xFF\t\v\f";
    EXPECT_EQ(ReadLines(bytes + "\n", 1), (Lines{bytes}));
}

TEST(AccessListLine, SameLinesWhateverTheSourcesPieceSize) {
    const std::vector<std::string> bodies = {
        "3\r\nAzul [4000]\r\n4000\r\nTandil\n5550123",
        Pattern(254) + "\r\n" + Pattern(300) + "\n\r\r\n" + Pattern(1000, 'A') + "x",
        Bytes("\0a\r\0\n\r\n") + std::string(600, '\r') + "end",
        std::string(5000, '\n') + Pattern(9000),
    };
    for (const std::string& body : bodies) {
        const Lines oneByte = ReadLines(body, 80, 1);
        for (size_t chunk : {2u, 3u, 7u, 254u, 255u, 256u, 4095u, 4096u, 4097u, 100000u}) {
            EXPECT_EQ(ReadLines(body, 80, chunk), oneByte) << "pieces of " << chunk;
        }
    }
}

TEST(AccessListLine, SourceIsReadInBlocksAndNotAskedAgainAfterItsEnd) {
    std::string body;
    int cities = 0;
    while (body.size() < 10000) {
        body += "Ciudad " + std::to_string(++cities) + "\n";
    }
    StringSource source(body);
    AccessListReader reader(source);
    char line[kListLineBufferSize];
    for (int i = 0; i < cities; ++i) {
        reader.ReadLine(line);
    }
    EXPECT_STREQ(line, ("Ciudad " + std::to_string(cities)).c_str());
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(reader.ReadLine(line), 0u);
    }
    // One call per block of the body, and one more that reports its end.
    const size_t blocks =
        (body.size() + AccessListReader::kReadBlockSize - 1) / AccessListReader::kReadBlockSize;
    EXPECT_EQ(static_cast<size_t>(source.reads), blocks + 1);
}

// ReadAccessList with its callbacks recorded and the table on the heap at its exact size, so
// that a write past its 30 entries is caught by AddressSanitizer.
struct ListRun {
    explicit ListRun(std::string body, size_t chunk = 1) : source(std::move(body), chunk) {
        std::memset(table.get(), 'Z', sizeof(AccessListTable));
    }

    int Run() {
        const AccessListRead read = ReadAccessList(
            source, *table, [this](int count) { counts.push_back(count); }, [this]() { ++lines; });
        complete = read.complete;
        return read.entries;
    }

    std::string Name(int entry) const { return table->entries[entry].name; }
    std::string Number(int entry) const { return table->entries[entry].number; }
    bool Untouched(int entry) const {
        const char* bytes = reinterpret_cast<const char*>(&table->entries[entry]);
        return std::all_of(bytes, bytes + sizeof(AccessListEntry), [](char c) { return c == 'Z'; });
    }

    StringSource source;
    std::unique_ptr<AccessListTable> table = std::make_unique<AccessListTable>();
    std::vector<int> counts;
    int lines = 0;
    bool complete = false;
};

TEST(AccessList, ReadsNamesAndNumbersInOrder) {
    ListRun run("2\nAzul [4000]\n4000\nTandil [5550123]\n5550123\n");
    EXPECT_EQ(run.Run(), 2);
    EXPECT_EQ(run.counts, std::vector<int>{2});
    EXPECT_EQ(run.lines, 4);
    EXPECT_EQ(run.Name(0), "Azul [4000]");
    EXPECT_EQ(run.Number(0), "4000");
    EXPECT_EQ(run.Name(1), "Tandil [5550123]");
    EXPECT_EQ(run.Number(1), "5550123");
    EXPECT_TRUE(run.Untouched(2));
}

TEST(AccessList, CarriageReturnLineFeedGivesTheSameList) {
    ListRun lf("2\nAzul [4000]\n4000\nTandil\n5550123\n");
    ListRun crlf("2\r\nAzul [4000]\r\n4000\r\nTandil\r\n5550123\r\n");
    EXPECT_EQ(lf.Run(), crlf.Run());
    EXPECT_EQ(std::memcmp(lf.table.get(), crlf.table.get(), sizeof(AccessListTable)), 0);
}

TEST(AccessList, NoEntriesReadForZeroNegativeOrMissingCount) {
    for (const std::string firstLine : {"0\n", "-3\n", "Not Found\n", "\n", " - 2\n"}) {
        ListRun run(firstLine + "Azul\n4000\n");
        EXPECT_EQ(run.Run(), 0) << firstLine;
        EXPECT_EQ(run.counts, std::vector<int>{0}) << firstLine;
        EXPECT_EQ(run.lines, 0) << firstLine;
        // One byte per read: the reader took exactly the count line and nothing after it.
        EXPECT_EQ(run.source.delivered, firstLine.size()) << firstLine;
        EXPECT_TRUE(run.Untouched(0)) << firstLine;
    }
    ListRun empty("");
    EXPECT_EQ(empty.Run(), 0);
    EXPECT_EQ(empty.counts, std::vector<int>{0});
}

TEST(AccessList, CountLineWithoutLineFeedIsReadWhole) {
    ListRun run("12");
    ASSERT_EQ(run.Run(), 12);
    EXPECT_FALSE(run.complete);
    EXPECT_EQ(run.Name(11), "");
    EXPECT_EQ(run.Number(11), "");
}

TEST(AccessList, MissingLinesGiveEmptyFieldsAndTheAnnouncedCount) {
    ListRun run("3\nAzul\n4000\nTandil\n");
    EXPECT_EQ(run.Run(), 3);
    EXPECT_EQ(run.counts, std::vector<int>{3});
    EXPECT_EQ(run.lines, 6);
    EXPECT_EQ(run.Name(1), "Tandil");
    EXPECT_EQ(run.Number(1), "");
    EXPECT_EQ(run.Name(2), "");
    EXPECT_EQ(run.Number(2), "");
    EXPECT_TRUE(run.Untouched(3));
}

TEST(AccessList, LinesAfterTheAnnouncedEntriesAreNotRead) {
    const std::string wanted = "1\nAzul\n4000\n";
    ListRun run(wanted + "Tandil\n5550123\n");
    EXPECT_EQ(run.Run(), 1);
    EXPECT_EQ(run.source.delivered, wanted.size());
    EXPECT_EQ(run.Number(0), "4000");
    EXPECT_TRUE(run.Untouched(1));
}

TEST(AccessList, FieldsKeepAtMost63Characters) {
    const std::string s63 = Pattern(63);
    const std::string s64 = Pattern(64, 'A');
    ListRun run("2\n" + s63 + "\n" + s64 + "\n" + Pattern(200) + "\n" + Pattern(254) + "\n");
    EXPECT_EQ(run.Run(), 2);
    EXPECT_EQ(run.Name(0), s63);
    EXPECT_EQ(run.Number(0), s64.substr(0, 63));
    EXPECT_EQ(run.Name(1), Pattern(63));
    EXPECT_EQ(run.Number(1), Pattern(63));
    // The rest of a cut field holds no leftovers.
    const AccessListEntry& entry = run.table->entries[0];
    EXPECT_TRUE(std::all_of(entry.name + 63, entry.name + kListFieldSize,
                            [](char c) { return c == '\0'; }));
}

TEST(AccessList, ThousandCharacterLinesInPiecesKeepTheirFirst63Characters) {
    const std::string s1000 = Pattern(1000);
    ListRun run("2\n" + s1000 + "\n" + s1000 + "\nTandil\n5550123\n", 37);
    EXPECT_EQ(run.Run(), 2);
    EXPECT_EQ(run.Name(0), s1000.substr(0, 63));
    EXPECT_EQ(run.Number(0), s1000.substr(0, 63));
    EXPECT_EQ(run.Name(1), "Tandil");
    EXPECT_EQ(run.Number(1), "5550123");
}

TEST(AccessList, CountAbove30TakesTheFirst30Entries) {
    std::string wanted = "40\n";
    for (int i = 1; i <= 30; ++i) {
        wanted += "Ciudad " + std::to_string(i) + "\n" + std::to_string(1000 + i) + "\n";
    }
    std::string rest;
    for (int i = 31; i <= 40; ++i) {
        rest += "Ciudad " + std::to_string(i) + "\n" + std::to_string(1000 + i) + "\n";
    }
    ListRun run(wanted + rest);
    EXPECT_EQ(run.Run(), 30);
    EXPECT_EQ(run.counts, std::vector<int>{30});
    EXPECT_EQ(run.lines, 60);
    EXPECT_EQ(run.Name(0), "Ciudad 1");
    EXPECT_EQ(run.Name(29), "Ciudad 30");
    EXPECT_EQ(run.Number(29), "1030");
    EXPECT_EQ(run.source.delivered, wanted.size());
}

TEST(AccessList, HugeCountWithShortBodyStopsAt30) {
    ListRun run("99999999999\nAzul\n4000\n", 4096);
    EXPECT_EQ(run.Run(), 30);
    EXPECT_EQ(run.counts, std::vector<int>{30});
    EXPECT_EQ(run.lines, 60);
    EXPECT_EQ(run.Number(0), "4000");
    EXPECT_EQ(run.Name(29), "");
    EXPECT_EQ(run.Number(29), "");
}

// Whether the body held every line of the entries it announces (after the cap of 30): only
// such a list may replace the stored one. Where a row gives its fields (name, number, name,
// ...), each entry holds them: no line moves into another entry's place.
TEST(AccessList, CompleteOnlyWhenEveryAnnouncedLineIsInTheBody) {
    std::string sixtyLines;
    for (int i = 1; i <= 30; ++i) {
        sixtyLines += "Ciudad " + std::to_string(i) + "\n" + std::to_string(1000 + i) + "\n";
    }
    const std::string fiftyNineLines = sixtyLines.substr(0, sixtyLines.rfind("Ciudad 30") + 10);
    struct Case {
        const char* label;
        std::string body;
        int entries;
        bool complete;
        Lines fields;
    };
    const Lines twoCities = {"Azul", "4000", "Tandil", "5550123"};
    const std::string s300 = Pattern(300);
    const Case cases[] = {
        {"every line", "2\nAzul\n4000\nTandil\n5550123\n", 2, true, twoCities},
        {"last line without line feed", "2\nAzul\n4000\nTandil\n5550123", 2, true, twoCities},
        {"last line without line feed, CR LF", "2\r\nAzul\r\n4000\r\nTandil\r\n5550123", 2, true,
         twoCities},
        {"300-character name line",
         "2\n" + s300 + "\n4000\nTandil\n5550123\n",
         2,
         true,
         {s300.substr(0, 63), "4000", "Tandil", "5550123"}},
        {"300-character number line",
         "2\r\nAzul\r\n" + s300 + "\r\nTandil\r\n5550123\r\n",
         2,
         true,
         {"Azul", s300.substr(0, 63), "Tandil", "5550123"}},
        {"254 characters and CR LF",
         "2\n" + Pattern(254) + "\r\n4000\r\nTandil\r\n5550123\r\n",
         2,
         true,
         {Pattern(63), "4000", "Tandil", "5550123"}},
        {"empty last line", "1\nTandil\n\n", 1, true, {"Tandil", ""}},
        {"overlong name line, no number line", "1\n" + s300 + "\n", 1, false, {}},
        {"one line short", "2\nAzul\n4000\nTandil\n", 2, false, {}},
        {"count line only", "1\n", 1, false, {}},
        {"count above 30, 30 entries sent", "40\n" + sixtyLines, 30, true, {}},
        {"count above 30, one line short", "40\n" + fiftyNineLines, 30, false, {}},
        {"no entries announced", "0\nAzul\n4000\n", 0, true, {}},
        {"empty body", "", 0, false, {}},
    };
    for (const Case& c : cases) {
        ListRun run(c.body);
        EXPECT_EQ(run.Run(), c.entries) << c.label;
        EXPECT_EQ(run.complete, c.complete) << c.label;
        for (size_t k = 0; k < c.fields.size(); ++k) {
            const int entry = static_cast<int>(k / 2);
            EXPECT_EQ(k % 2 == 0 ? run.Name(entry) : run.Number(entry), c.fields[k])
                << c.label << ", line " << k + 1 << " after the count";
        }
    }
}

TEST(AccessList, SourceFailurePassesThrough) {
    const std::string body = "3\nAzul\n4000\nTandil\n5550123\n";
    // The source fails inside "Tandil": two lines were complete.
    FailingSource source(body, body.find("Tandil") + 3);
    AccessListTable table;
    int lines = 0;
    try {
        ReadAccessList(source, table, nullptr, [&lines]() { ++lines; });
        FAIL() << "the source's failure did not reach the caller";
    } catch (const ConnectionDropped& dropped) {
        EXPECT_EQ(dropped.code, 12030);
    }
    EXPECT_EQ(lines, 2);
}

TEST(AccessList, EightBitAndNulBytesInFields) {
    ListRun run(
        Bytes("1\nJun\xEDn [4000]\n40\0"
              "99\n"));
    EXPECT_EQ(run.Run(), 1);
    EXPECT_EQ(run.Name(0), "Jun\xEDn [4000]");
    EXPECT_EQ(run.Number(0), "40");
}

TEST(AccessList, CallbacksMayBeLeftEmpty) {
    StringSource source("1\nAzul\n4000\n");
    AccessListTable table;
    EXPECT_EQ(ReadAccessList(source, table, nullptr, nullptr).entries, 1);
    EXPECT_STREQ(table.entries[0].number, "4000");
}

}  // namespace
