# Cross build for Windows: CORVINET.exe, the Win32 modules, the line simulator and the test
# suites that ctest runs under Wine (cmake/wine-run.sh is the emulator).

# A tree keeps the compilers it was first configured with, whatever a later configuration asks
# for (cmake/mingw-w64.cmake): a tree of another thread model or processor is made afresh.
get_filename_component(CORVINET_COMPILER_USED ${CMAKE_CXX_COMPILER} NAME)
if(DEFINED CORVINET_TRIPLE AND
   NOT CORVINET_COMPILER_USED STREQUAL "${CORVINET_TRIPLE}-g++-${CORVINET_THREADS}")
    message(FATAL_ERROR "${CMAKE_BINARY_DIR} was configured with ${CMAKE_CXX_COMPILER}, not the "
                        "compiler that CORVINET_TARGET=${CORVINET_TARGET} and "
                        "CORVINET_THREADS=${CORVINET_THREADS} ask for: delete the folder and "
                        "configure it again")
endif()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The release configuration is the program as distributed, downloaded over a telephone line:
# the smallest code (-Oz), every function and datum in a section of its own for the linker to
# drop what nothing uses, only the members of std::string that the program uses
# (cmake/own-string-instances.h), and without two features of C++ that it does not use: type
# information at run time (no dynamic_cast or typeid; exceptions keep theirs) and the locks around
# the first run of a function's static variables (it starts no thread; hence also the compilers
# of the Windows thread model). The std::string header comes first in the program's precompiled
# header (below), which every source of the program reads before anything else.
set(CMAKE_CXX_FLAGS_RELEASE "-Oz -DNDEBUG -ffunction-sections -fdata-sections -fno-rtti \
-fno-threadsafe-statics")
# Narrow literals are Windows-1252, as every text the program shows or stores.
add_compile_options(-finput-charset=UTF-8 -fexec-charset=CP1252)
add_compile_definitions(WINVER=0x0601 _WIN32_WINNT=0x0601 _WIN32_IE=0x0600 NOMINMAX STRICT)
# Our .rc files are UTF-8; windres stores the texts as UTF-16 in the resources.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001 -I${CMAKE_SOURCE_DIR}/res -I${CMAKE_SOURCE_DIR}/src")
# Only system DLLs at run time; ASLR, DEP (and high-entropy addresses on 64-bit).
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--dynamicbase -Wl,--nxcompat)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_link_options(-Wl,--high-entropy-va)
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)

set(CORVINET_SYSTEM_LIBS rasapi32 wininet comctl32 shell32 advapi32 user32 gdi32 kernel32)

include(cmake/resources.cmake)
include(cmake/delayload.cmake)
include(cmake/layers.cmake)
add_dependencies(corvinet_app text_digest)

# The system and standard headers of the program, compiled once per tree into a precompiled
# header that every source of the program reads first: they are 140,000 to 160,000 lines after
# the preprocessor, and reading them was four fifths of each source's compile. The code made is
# the same, byte for byte. -Winvalid-pch makes a header that the compiler cannot use an error,
# not a slow build.
set(CORVINET_PRECOMPILED_HEADERS
    $<$<CONFIG:Release>:${CMAKE_SOURCE_DIR}/cmake/own-string-instances.h>
    <windows.h> <commctrl.h> <shellapi.h> <wininet.h> <ras.h>
    <algorithm> <array> <cstdint> <cstring> <functional> <memory> <optional> <string> <vector>)
target_precompile_headers(corvinet_framework PRIVATE ${CORVINET_PRECOMPILED_HEADERS})
target_compile_options(corvinet_framework PRIVATE -Winvalid-pch)
# Reused by the other libraries of the program, by the program itself and by the line simulator.
function(corvinet_program_header target)
    target_precompile_headers(${target} REUSE_FROM corvinet_framework)
    target_compile_options(${target} PRIVATE -Winvalid-pch)
endfunction()
foreach(folder ${CORVINET_LAYERS})
    get_target_property(kind corvinet_${folder} TYPE)
    if(NOT folder STREQUAL "framework" AND NOT kind STREQUAL "INTERFACE_LIBRARY")
        corvinet_program_header(corvinet_${folder})
    endif()
endforeach()

# The program and its installer (installer/corvinet.nsi, NSIS): a 64-bit installer for the
# 64-bit program and a 32-bit one for the 32-bit program, in <build>/bin/ and <build>/installer/.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CORVINET_ARCH win64)
    set(CORVINET_NSIS_TARGET amd64-unicode)
    set(CORVINET_PE_MACHINE x86-64)
else()
    set(CORVINET_ARCH win32)
    set(CORVINET_NSIS_TARGET x86-unicode)
    set(CORVINET_PE_MACHINE i386)
endif()
set(CORVINET_PROGRAM ${CMAKE_BINARY_DIR}/bin/CORVINET.exe)
set(CORVINET_SETUP_NAME CORVINET-Dialer-${PROJECT_VERSION}-setup-${CORVINET_ARCH}.exe)
set(CORVINET_SETUP ${CMAKE_BINARY_DIR}/installer/${CORVINET_SETUP_NAME})

# What is tested is what ships. A tree of the test programs (preset win64: the compilers of the
# POSIX thread model, which GoogleTest needs) drives the program built the release's way: with
# CORVINET_TEST_RELEASE_PROGRAM on, it configures the release tree with the preset release-win64
# when that tree is not there, brings it up to date (the program and its installer, exactly as
# tools/release.sh builds them) and copies both into its own bin/ and installer/ in place of
# building them itself. The tree is CORVINET_RELEASE_TREE: release-win64 beside this tree, the
# folder that tools/release.sh builds.
option(CORVINET_TEST_RELEASE_PROGRAM
       "Drive the program and installer of the release tree instead of building them here" OFF)
set(CORVINET_RELEASE_TREE ${CMAKE_BINARY_DIR}/../release-win64
    CACHE PATH "The release tree whose program the tests drive (CORVINET_TEST_RELEASE_PROGRAM)")
if(CORVINET_TEST_RELEASE_PROGRAM)
    if(NOT CORVINET_ARCH STREQUAL "win64")
        message(FATAL_ERROR "CORVINET_TEST_RELEASE_PROGRAM is for a 64-bit tree of the tests")
    endif()
    get_filename_component(CORVINET_RELEASE_TREE_PATH ${CORVINET_RELEASE_TREE} ABSOLUTE)
    set(release_tree ${CORVINET_RELEASE_TREE_PATH})
    add_custom_command(
        OUTPUT ${release_tree}/CMakeCache.txt
        COMMAND ${CMAKE_COMMAND} --preset release-win64 -B ${release_tree}
        WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
        COMMENT "Configuring the release tree ${release_tree}"
        VERBATIM)
    # The release tree is built one job at a time beside this tree's own jobs (its make cannot
    # share this one's job slots through CMake's rules), by make (its preset's generator).
    add_custom_target(CORVINET ALL
        COMMAND ${CMAKE_COMMAND} -E env --unset=MAKEFLAGS --unset=MFLAGS
                ${CMAKE_COMMAND} --build ${release_tree} --target CORVINET corvinet_installer
                -- --no-print-directory
        COMMAND ${CMAKE_COMMAND} -E copy_if_different ${release_tree}/bin/CORVINET.exe
                ${CORVINET_PROGRAM}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installer
        COMMAND ${CMAKE_COMMAND} -E copy_if_different
                ${release_tree}/installer/${CORVINET_SETUP_NAME} ${CORVINET_SETUP}
        DEPENDS ${release_tree}/CMakeCache.txt
        BYPRODUCTS ${CORVINET_PROGRAM} ${CORVINET_SETUP}
        COMMENT "The program and installer as released, from ${release_tree}"
        VERBATIM)
    add_custom_target(corvinet_installer)
    add_dependencies(corvinet_installer CORVINET)
else()
    add_executable(CORVINET WIN32 ${CORVINET_APP_SOURCES} $<TARGET_OBJECTS:corvinet_res>)
    target_link_libraries(CORVINET PRIVATE corvinet_app corvinet_warnings)
    corvinet_program_header(CORVINET)
    # The release configuration (tools/release.sh) builds the program for distribution:
    # optimised for size, every function and datum in its own section so that the linker drops
    # what nothing uses, and no symbols in the file. (The size optimisation itself is the
    # configuration's compiler flags, set at the top.)
    target_link_options(CORVINET PRIVATE $<$<CONFIG:Release>:-Wl,--gc-sections -s>)
endif()

add_subdirectory(tools/linesim)

include(cmake/windows-tests.cmake)

# The termination test (tests/windows/termination_test.cpp) starts a Windows program in which an
# exception escapes WinMain, built with the program's terminate handler.
add_executable(uncaught_exception WIN32
               ${CMAKE_SOURCE_DIR}/tests/windows/uncaught_exception/UncaughtException.cpp
               ${CMAKE_SOURCE_DIR}/src/app/Termination.cpp)
target_include_directories(uncaught_exception PRIVATE ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(uncaught_exception PRIVATE corvinet_warnings)
add_dependencies(windows_tests uncaught_exception)

# ---- The 32-bit program's smoke tier ------------------------------------------------------
# Run by tools/lib/win32-tier.sh, not by ctest: it needs a prefix with Wine's 32-bit side and the
# 32-bit build beside this one. The driver stays 64-bit and drives the 32-bit program's windows.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_executable(e2e_win32_smoke ${CMAKE_SOURCE_DIR}/tests/e2e/win32_smoke.cpp)
    corvinet_test_code(e2e_win32_smoke)
    target_link_libraries(e2e_win32_smoke PRIVATE e2e_driver)
endif()

# ---- Release: the installer and the release checks -----------------------------------------
# The uninstall entry links the provider's site and download page, as the program knows them.
file(STRINGS ${CMAKE_SOURCE_DIR}/res/strings.rc CORVINET_ADDRESSES
     REGEX "^ *(IDS_PROVIDER_SITE|IDS_URL_DOWNLOAD) ")
string(REGEX REPLACE ".*IDS_PROVIDER_SITE \"([^\"]*)\".*" "\\1" CORVINET_PROVIDER_SITE
       "${CORVINET_ADDRESSES}")
string(REGEX REPLACE ".*IDS_URL_DOWNLOAD \"([^\"]*)\".*" "\\1" CORVINET_DOWNLOAD_PAGE
       "${CORVINET_ADDRESSES}")
if(NOT CORVINET_TEST_RELEASE_PROGRAM)
    # The installer's plugin that tells whether the program runs
    # (installer/plugin/MutexCheck.cpp): a DLL without the C runtime, importing only kernel32.
    add_library(corvinet_mutex_check SHARED ${CMAKE_SOURCE_DIR}/installer/plugin/MutexCheck.cpp)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(CORVINET_PLUGIN_ENTRY MutexCheckEntry)
    else()
        # stdcall: the name carries the size of the arguments
        set(CORVINET_PLUGIN_ENTRY _MutexCheckEntry@12)
    endif()
    target_compile_options(corvinet_mutex_check PRIVATE -Os -fno-exceptions -fno-rtti
                           -fno-asynchronous-unwind-tables)
    target_link_options(corvinet_mutex_check PRIVATE -nostdlib
                        -Wl,--entry=${CORVINET_PLUGIN_ENTRY} -s)
    target_link_libraries(corvinet_mutex_check PRIVATE kernel32 corvinet_warnings)
    set_target_properties(corvinet_mutex_check PROPERTIES
        PREFIX ""
        OUTPUT_NAME MutexCheck
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/installer/plugin
        ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/installer/plugin-import)

    find_program(CORVINET_MAKENSIS makensis)
    if(CORVINET_MAKENSIS)
        add_custom_command(
            OUTPUT ${CORVINET_SETUP}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installer
            COMMAND ${CORVINET_MAKENSIS} -V2 -INPUTCHARSET UTF8
                    -DPROGRAM_EXE=$<TARGET_FILE:CORVINET> -DOUTFILE=${CORVINET_SETUP}
                    -DTARGET=${CORVINET_NSIS_TARGET} -DVERSION=${PROJECT_VERSION}
                    -DICON=${CMAKE_SOURCE_DIR}/res/icons/setup.ico
                    -DPROVIDER_SITE=${CORVINET_PROVIDER_SITE}
                    -DDOWNLOAD_PAGE=${CORVINET_DOWNLOAD_PAGE}
                    -DPLUGIN_DIR=$<TARGET_FILE_DIR:corvinet_mutex_check>
                    ${CMAKE_SOURCE_DIR}/installer/corvinet.nsi
            DEPENDS CORVINET corvinet_mutex_check ${CMAKE_SOURCE_DIR}/installer/corvinet.nsi
                    ${CMAKE_SOURCE_DIR}/res/icons/setup.ico ${CMAKE_SOURCE_DIR}/res/strings.rc
            COMMENT "Installer ${CORVINET_SETUP_NAME}"
            VERBATIM)
        add_custom_target(corvinet_installer DEPENDS ${CORVINET_SETUP})
    else()
        message(STATUS "makensis not found (Debian package nsis): no installer")
    endif()
endif()
# The installer's end-to-end test (tests/e2e/installer_test.cpp, in e2e_tests.exe).
set_property(SOURCE ${CMAKE_SOURCE_DIR}/tests/e2e/installer_test.cpp APPEND PROPERTY
             COMPILE_DEFINITIONS CORVINET_SETUP_NAME="${CORVINET_SETUP_NAME}")
target_link_libraries(e2e_tests PRIVATE ole32 uuid)
if(TARGET corvinet_installer)
    add_dependencies(e2e_tests corvinet_installer)
endif()

# The program imports only DLLs of Windows itself; the 64-bit build also checks the 32-bit
# program that tools/setup.sh builds beside it (build/win32), and reports the test skipped
# when that build is not there.
add_test(NAME release.ImportsOnlySystemDlls
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/installer/imports_test.sh
                 --machine ${CORVINET_PE_MACHINE} ${CORVINET_PROGRAM})
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CORVINET_I686_PROGRAM ${CMAKE_BINARY_DIR}/../win32/bin/CORVINET.exe
        CACHE FILEPATH "The 32-bit program whose imports the 64-bit build's tests check")
    add_test(NAME release.ImportsOnlySystemDlls32
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/installer/imports_test.sh
                     --machine i386 --no-32bit-time --skip-missing ${CORVINET_I686_PROGRAM})
    set_tests_properties(release.ImportsOnlySystemDlls32 PROPERTIES SKIP_RETURN_CODE 77)
endif()
