// The program's file asks Windows for address space layout randomisation, for data execution
// prevention and, in the 64-bit build, for high-entropy addresses: the three bits of the
// optional header's DllCharacteristics, with the base relocations that the randomisation needs
// still in the file. Read from the PE headers of CORVINET.exe of this build and, when the
// 32-bit build lies beside it (build/win32), of the 32-bit program too.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "support/Cp1252.h"
#include "support/Paths.h"

namespace {

// What the tests need from a PE file's headers.
struct PeHeaders {
    uint16_t machine = 0;
    uint16_t characteristics = 0;     // of the file header
    uint16_t magic = 0;               // of the optional header: PE32 or PE32+
    uint16_t dllCharacteristics = 0;  // of the optional header
    uint32_t relocationsSize = 0;     // size of the base relocation directory
};

template <class T>
bool ReadAt(const std::string& file, size_t offset, T& value) {
    if (offset > file.size() || file.size() - offset < sizeof(T)) {
        return false;
    }
    memcpy(&value, file.data() + offset, sizeof(T));
    return true;
}

// The headers, or a description of what is wrong with the file.
std::optional<PeHeaders> ReadHeaders(const std::string& file, std::string& problem) {
    IMAGE_DOS_HEADER dos{};
    if (!ReadAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE) {
        problem = "no MZ header";
        return std::nullopt;
    }
    const size_t pe = static_cast<size_t>(static_cast<uint32_t>(dos.e_lfanew));
    uint32_t signature = 0;
    IMAGE_FILE_HEADER header{};
    if (!ReadAt(file, pe, signature) || signature != IMAGE_NT_SIGNATURE ||
        !ReadAt(file, pe + sizeof signature, header)) {
        problem = "no PE header";
        return std::nullopt;
    }
    PeHeaders headers;
    headers.machine = header.Machine;
    headers.characteristics = header.Characteristics;
    const size_t optional = pe + sizeof signature + sizeof header;
    if (!ReadAt(file, optional, headers.magic)) {
        problem = "no optional header";
        return std::nullopt;
    }
    if (headers.magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        IMAGE_OPTIONAL_HEADER64 o{};
        if (header.SizeOfOptionalHeader < sizeof o || !ReadAt(file, optional, o)) {
            problem = "short PE32+ optional header";
            return std::nullopt;
        }
        headers.dllCharacteristics = o.DllCharacteristics;
        if (o.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_BASERELOC) {
            headers.relocationsSize = o.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size;
        }
    } else if (headers.magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        IMAGE_OPTIONAL_HEADER32 o{};
        if (header.SizeOfOptionalHeader < sizeof o || !ReadAt(file, optional, o)) {
            problem = "short PE32 optional header";
            return std::nullopt;
        }
        headers.dllCharacteristics = o.DllCharacteristics;
        if (o.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_BASERELOC) {
            headers.relocationsSize = o.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size;
        }
    } else {
        problem = "unknown optional header magic " + std::to_string(headers.magic);
        return std::nullopt;
    }
    return headers;
}

// Checks one program file; wide64 says which build it must be.
void ExpectHardened(const std::wstring& path, bool wide64) {
    SCOPED_TRACE(testsupport::ToCp1252(path));
    const std::optional<std::string> file = testsupport::ReadFileBytes(path);
    ASSERT_TRUE(file.has_value()) << "cannot read the program";
    std::string problem;
    const std::optional<PeHeaders> headers = ReadHeaders(*file, problem);
    ASSERT_TRUE(headers.has_value()) << problem;

    EXPECT_EQ(headers->machine, wide64 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(headers->magic,
              wide64 ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_TRUE(headers->characteristics & IMAGE_FILE_EXECUTABLE_IMAGE);
    // Address space layout randomisation: asked for, and possible (relocations kept).
    EXPECT_TRUE(headers->dllCharacteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE)
        << "no ASLR (DllCharacteristics " << std::hex << headers->dllCharacteristics << ")";
    EXPECT_FALSE(headers->characteristics & IMAGE_FILE_RELOCS_STRIPPED)
        << "relocations stripped: the program can only load at its preferred base";
    EXPECT_GT(headers->relocationsSize, 0u) << "no base relocations";
    // Data execution prevention.
    EXPECT_TRUE(headers->dllCharacteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT)
        << "no DEP (DllCharacteristics " << std::hex << headers->dllCharacteristics << ")";
    // High-entropy (64-bit) addresses; a 32-bit program has none to ask for.
    if (wide64) {
        EXPECT_TRUE(headers->dllCharacteristics & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA)
            << "no high-entropy ASLR (DllCharacteristics " << std::hex
            << headers->dllCharacteristics << ")";
    }
}

std::wstring ProgramOfThisBuild() {
    return testsupport::JoinPath(testsupport::ExeDirectory(), L"CORVINET.exe");
}

TEST(PeHeaders, ProgramOfThisBuildAsksForAslrDepAndHighEntropyAddresses) {
    ExpectHardened(ProgramOfThisBuild(), sizeof(void*) == 8);
}

TEST(PeHeaders, ThirtyTwoBitProgramBesideAsksForAslrAndDep) {
    if (sizeof(void*) != 8) {
        GTEST_SKIP() << "the 32-bit build checks its own program";
    }
    // build/win64/bin -> build/win32/bin
    const std::wstring build = testsupport::BuildDirectory();
    const size_t slash = build.find_last_of(L"\\/");
    const std::wstring program = testsupport::JoinPath(
        testsupport::JoinPath(testsupport::JoinPath(build.substr(0, slash), L"win32"), L"bin"),
        L"CORVINET.exe");
    if (!testsupport::FileExists(program)) {
        GTEST_SKIP() << "no 32-bit build beside this one (" << testsupport::ToCp1252(program)
                     << ")";
    }
    ExpectHardened(program, false);
}

// The reading itself: a file without the marks is refused, and a header without the three
// bits is told apart from one with them.
TEST(PeHeaders, HeadersWithoutTheMarksAreToldApart) {
    std::string problem;
    EXPECT_FALSE(ReadHeaders("MZ", problem).has_value());
    EXPECT_FALSE(ReadHeaders(std::string(4096, '\0'), problem).has_value());

    const std::optional<std::string> file = testsupport::ReadFileBytes(ProgramOfThisBuild());
    ASSERT_TRUE(file.has_value());
    const std::optional<PeHeaders> real = ReadHeaders(*file, problem);
    ASSERT_TRUE(real.has_value()) << problem;
    // Clear the three bits in a copy of the file and read it again.
    std::string copy = *file;
    IMAGE_DOS_HEADER dos{};
    ASSERT_TRUE(ReadAt(copy, 0, dos));
    const size_t field = static_cast<size_t>(dos.e_lfanew) + sizeof(uint32_t) +
                         sizeof(IMAGE_FILE_HEADER) +
                         offsetof(IMAGE_OPTIONAL_HEADER32, DllCharacteristics);
    static_assert(offsetof(IMAGE_OPTIONAL_HEADER32, DllCharacteristics) ==
                      offsetof(IMAGE_OPTIONAL_HEADER64, DllCharacteristics),
                  "DllCharacteristics lies at the same place in both optional headers");
    const uint16_t cleared = real->dllCharacteristics &
                             static_cast<uint16_t>(~(IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE |
                                                     IMAGE_DLLCHARACTERISTICS_NX_COMPAT |
                                                     IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA));
    memcpy(&copy[field], &cleared, sizeof cleared);
    const std::optional<PeHeaders> plain = ReadHeaders(copy, problem);
    ASSERT_TRUE(plain.has_value()) << problem;
    EXPECT_EQ(plain->dllCharacteristics, cleared);
    EXPECT_NE(plain->dllCharacteristics, real->dllCharacteristics);
}

}  // namespace
