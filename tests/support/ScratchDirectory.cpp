// Scratch folders live in <build>/scratch beside the test exes when that folder can be made,
// otherwise in the temporary folder. Their names carry the test name, the process id and a
// counter, so parallel test exes and repeated tests never share one.
#include "support/ScratchDirectory.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/Cp1252.h"
#include "support/Paths.h"

namespace testsupport {

namespace {

unsigned serial = 0;

std::wstring ScratchRoot() {
    const std::wstring inBuild = JoinPath(BuildDirectory(), L"scratch");
    if (CreateDirectories(inBuild)) {
        return inBuild;
    }
    wchar_t temp[MAX_PATH + 1];
    const DWORD length = GetTempPathW(ARRAYSIZE(temp), temp);
    if (length == 0 || length >= ARRAYSIZE(temp)) {
        return L".";
    }
    return JoinPath(std::wstring(temp, length), L"corvinet-scratch");
}

}  // namespace

ScratchDirectory::ScratchDirectory(bool enter) {
    wchar_t unique[48];
    _snwprintf(unique, ARRAYSIZE(unique), L"-%lu-%u", GetCurrentProcessId(), ++serial);
    unique[ARRAYSIZE(unique) - 1] = L'\0';
    path_ = JoinPath(ScratchRoot(), FromCp1252(CurrentTestName()) + unique);
    DeleteTree(path_);
    created_ = CreateDirectories(path_);
    if (!created_) {
        ADD_FAILURE() << "cannot create the scratch folder " << ToCp1252(path_);
        return;
    }
    if (enter) {
        wchar_t current[MAX_PATH * 4];
        const DWORD length = GetCurrentDirectoryW(ARRAYSIZE(current), current);
        if (length > 0 && length < ARRAYSIZE(current)) {
            previous_.assign(current, length);
        }
        entered_ = SetCurrentDirectoryW(path_.c_str()) != 0;
        if (!entered_) {
            ADD_FAILURE() << "cannot enter the scratch folder " << ToCp1252(path_);
        }
    }
}

ScratchDirectory::~ScratchDirectory() {
    if (entered_ && !previous_.empty()) {
        SetCurrentDirectoryW(previous_.c_str());
    }
    if (created_ && !CurrentTestFailed()) {
        DeleteTree(path_);
    }
}

std::wstring ScratchDirectory::File(std::wstring_view name) const {
    return JoinPath(path_, name);
}

}  // namespace testsupport
