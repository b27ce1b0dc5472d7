// How the program ends when an exception escapes (std::terminate): Termination.cpp.
#pragma once

#include <windows.h>

// The exit code of the program ended by an exception that nothing caught: abort()'s.
constexpr UINT kUncaughtExceptionExitCode = 3;
