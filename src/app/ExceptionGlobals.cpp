// The C++ runtime's record of the exceptions in flight (the C++ ABI's __cxa_get_globals), for
// a program of one thread: one record in static storage.
//
// libstdc++ keeps the record in thread-local storage, and the MinGW-w64 compilers emulate that
// storage with a library of its own (libgcc's emutls and the thread functions under it): 1 KiB
// of each program and 0.7 KiB of the 32-bit installer, which is downloaded over a telephone
// line.
// The program starts no thread, so one record serves. The definitions below replace libstdc++'s
// at link time; should anything in the program come to need that library's object file for
// another of its symbols, the linker stops with "multiple definition" of these two.
namespace {

// The layout the C++ ABI gives the record: the stack of caught exceptions and the count of
// uncaught ones.
struct ExceptionGlobals {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};

ExceptionGlobals exceptionGlobals;

}  // namespace

extern "C" void* __cxa_get_globals() noexcept {
    return &exceptionGlobals;
}

extern "C" void* __cxa_get_globals_fast() noexcept {
    return &exceptionGlobals;
}
