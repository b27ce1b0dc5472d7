// What the standard library throws when the program misuses it: a std::string longer than it
// can be, a position past its end, a text made from a null pointer, memory the allocator cannot
// give. Dialog's message handling catches these as std::exception and writes their what() to
// the debugger, as it does with any exception.
//
// libstdc++ raises them through helper functions (std::__throw_length_error and the like), all
// defined in one of its object files, whose exception classes carry copy-on-write strings: it
// links in a second implementation of std::string and the library's exception hierarchy, some
// 35 KiB of the program file. The program defines the helpers it uses here instead; the linker
// takes these and does not need that object file. Each throws an exception of the program's own
// with the library's message (the position message unformatted), or std::bad_alloc.
//
// Should the program come to use another of the helpers, the linker brings in the library's
// object file for it and stops with "multiple definition" of the helpers below: add that one
// here too.
#include <exception>
#include <new>
#include <string>

namespace {

class LibraryMisuse : public std::exception {
  public:
    explicit LibraryMisuse(const char* what) : message(what) {}
    const char* what() const noexcept override { return message; }

  private:
    const char* message;
};

}  // namespace

namespace std {

void __throw_logic_error(const char* what) {
    throw LibraryMisuse(what);
}

void __throw_length_error(const char* what) {
    throw LibraryMisuse(what);
}

void __throw_out_of_range_fmt(const char* format, ...) {
    throw LibraryMisuse(format);
}

void __throw_bad_alloc() {
    throw std::bad_alloc();
}

}  // namespace std
