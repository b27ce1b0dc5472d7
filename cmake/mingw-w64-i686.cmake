# Cross build for 32-bit Windows: the program and the line simulator, run by the 32-bit tier of
# tools/run-tests.sh (driven by the 64-bit build's driver).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CORVINET_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${CORVINET_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CORVINET_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CORVINET_TRIPLE}-windres)
set(CMAKE_DLLTOOL ${CORVINET_TRIPLE}-dlltool)
set(CMAKE_FIND_ROOT_PATH /usr/${CORVINET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
