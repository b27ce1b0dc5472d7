# Cross build for Windows with MinGW-w64 (Debian's compilers).
#   CORVINET_TARGET   x86_64 (the default): 64-bit Windows, the program, the line simulator and
#                     the test suites that ctest runs under Wine (cmake/wine-run.sh);
#                     i686: 32-bit Windows, the program and the line simulator, run by the 32-bit
#                     tier of tools/run-tests.sh (driven by the 64-bit build's driver).
#   CORVINET_THREADS  posix (the default): the compilers of the POSIX thread model, for the test
#                     programs (GoogleTest and the tests use std::mutex and std::thread);
#                     win32: the compilers of the Windows thread model, for the program as it is
#                     released, which starts no thread and so needs no POSIX thread library.
set(CORVINET_TARGET x86_64 CACHE STRING "Windows processor: x86_64 or i686")
set(CORVINET_THREADS posix CACHE STRING "Thread model of the MinGW-w64 compilers: posix or win32")
if(NOT CORVINET_TARGET MATCHES "^(x86_64|i686)$")
    message(FATAL_ERROR "CORVINET_TARGET is x86_64 or i686, not '${CORVINET_TARGET}'")
endif()
if(NOT CORVINET_THREADS MATCHES "^(posix|win32)$")
    message(FATAL_ERROR "CORVINET_THREADS is posix or win32, not '${CORVINET_THREADS}'")
endif()
# The compiler checks of CMake configure small projects of their own: they need the same choice.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CORVINET_TARGET CORVINET_THREADS)

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${CORVINET_TARGET})
set(CORVINET_TRIPLE ${CORVINET_TARGET}-w64-mingw32)
set(CMAKE_C_COMPILER ${CORVINET_TRIPLE}-gcc-${CORVINET_THREADS})
set(CMAKE_CXX_COMPILER ${CORVINET_TRIPLE}-g++-${CORVINET_THREADS})
set(CMAKE_RC_COMPILER ${CORVINET_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${CORVINET_TRIPLE}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${CORVINET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
if(CORVINET_TARGET STREQUAL "x86_64")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
endif()
