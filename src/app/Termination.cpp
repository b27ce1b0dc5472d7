// std::terminate in this program, for an exception that nothing caught: a line for the
// debugger, then the process ends at once with kUncaughtExceptionExitCode and shows no window.
//
// libstdc++ starts with __gnu_cxx::__verbose_terminate_handler as the terminate handler. It
// writes the exception's type name to the standard error, which a Windows program does not
// have, through the demangler (some 45 KiB of the program file), and then calls abort(), whose
// message box "abnormal program termination" waits for a click that may never come. The
// definition below replaces libstdc++'s own at link time: the linker takes the program's, so
// neither the library's handler nor the demangler is linked in.
#include "app/Termination.h"

#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    OutputDebugStringA("CORVINET Dialer: an exception that nothing caught ends the program.\n");
    // At once: no library's clean-up runs that could wait for a lock the failure left taken.
    TerminateProcess(GetCurrentProcess(), kUncaughtExceptionExitCode);
    ExitProcess(kUncaughtExceptionExitCode);
}

}  // namespace __gnu_cxx
