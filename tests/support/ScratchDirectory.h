// A fresh, empty working folder for one test. The object makes it the current directory
// (where the program keeps its call log) and, when it ends, goes back to the previous
// current directory and deletes the folder. A failed test keeps its folder for inspection.
#pragma once

#include <string>
#include <string_view>

namespace testsupport {

class ScratchDirectory {
  public:
    // enter: make the folder the current directory while the object lives.
    explicit ScratchDirectory(bool enter = true);
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    bool ok() const { return created_; }
    const std::wstring& path() const { return path_; }
    std::wstring File(std::wstring_view name) const;

  private:
    std::wstring path_;
    std::wstring previous_;
    bool created_ = false;
    bool entered_ = false;
};

}  // namespace testsupport
