// Files and folders for test exes: where the build is, names derived from the running test,
// and small bounded file helpers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace testsupport {

// Folder of the running test exe (<build>/bin), without a trailing separator.
std::wstring ExeDirectory();
// The build folder: the parent of ExeDirectory() when that is named "bin", else ExeDirectory().
std::wstring BuildDirectory();
std::wstring JoinPath(std::wstring_view folder, std::wstring_view name);

// "Suite_Name" of the running GoogleTest test (letters, digits, '-' and '_' only), or
// "no_test" outside a test.
std::string CurrentTestName();
// True when the running test has already recorded a failure.
bool CurrentTestFailed();

bool CreateDirectories(const std::wstring& path);
// Removes a folder with everything in it; true when it no longer exists.
bool DeleteTree(const std::wstring& path);
bool FileExists(const std::wstring& path);

constexpr size_t kMaxFileBytes = 16u << 20;
// The whole file, or nothing when it cannot be read or is larger than maxBytes.
std::optional<std::string> ReadFileBytes(const std::wstring& path, size_t maxBytes = kMaxFileBytes);
bool WriteFileBytes(const std::wstring& path, std::string_view bytes);

// Value of an environment variable ("" when unset), as Windows-1252.
std::string GetEnv(const char* name);
// A path given by the test script: Linux paths ("/x/y") become the Z: drive form Wine maps
// to the root; Windows paths are returned unchanged.
std::wstring WindowsPath(std::string_view path);

}  // namespace testsupport
