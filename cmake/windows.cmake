# Cross build for Windows: CORVINET.exe, the Win32 modules, the line simulator and the test
# suites that ctest runs under Wine (cmake/wine-run.sh is the emulator).
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# The release configuration is the program as distributed: small rather than fast, every
# function and datum in a section of its own for the linker to drop what nothing uses.
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG -ffunction-sections -fdata-sections")
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
# Everything of the program below its entry point, for the Windows test exes.
add_library(corvinet_win INTERFACE)
target_link_libraries(corvinet_win INTERFACE corvinet_app)

add_executable(CORVINET WIN32 ${CORVINET_APP_SOURCES} $<TARGET_OBJECTS:corvinet_res>)
target_link_libraries(CORVINET PRIVATE corvinet_app corvinet_warnings)

add_subdirectory(tools/linesim)

# Test suites run under Wine. A crash must never pass: each test exe installs an
# unhandled-exception filter (tests/support) and ctest also fails on Wine's crash text.
include(GoogleTest)
# tests/support: the main function with the crash filter, scratch registry and folders, and
# the small helpers every Windows test exe may use.
file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(corvinet_testmain STATIC ${TEST_SUPPORT_SOURCES})
target_link_libraries(corvinet_testmain PUBLIC GTest::gtest GTest::gmock advapi32
                      PRIVATE corvinet_warnings)
target_include_directories(corvinet_testmain PUBLIC ${CMAKE_SOURCE_DIR}/tests)
# The support code reads the clock seam of the framework.
target_link_libraries(corvinet_testmain PUBLIC corvinet_framework)

set(WINE_TEST_PROPERTIES FAIL_REGULAR_EXPRESSION "Unhandled exception|Unhandled page fault")

# The test script runs one configuration server for the whole run (its script file and request
# log are named by CORVINET_CONFIGSERVER_SCRIPT / CORVINET_CONFIGSERVER_LOG), and the end-to-end
# tests use it one at a time. A Windows-tier test file that names those variables takes its turn
# with them (the same lock), so no two tests ever rewrite the server's script at once.
function(corvinet_uses_config_server source result)
    file(READ ${source} content)
    string(FIND "${content}" "CORVINET_CONFIGSERVER" position)
    if(position GREATER -1)
        set(${result} ON PARENT_SCOPE)
    else()
        set(${result} OFF PARENT_SCOPE)
    endif()
endfunction()

# Started by tools/run-tests.sh before ctest, so that Wine's desktop process belongs to it and
# not to whichever test exe happens to need the desktop first (see DesktopKeeper.cpp).
add_executable(desktop_keeper WIN32 ${CMAKE_SOURCE_DIR}/tests/support/keeper/DesktopKeeper.cpp)
target_link_libraries(desktop_keeper PRIVATE corvinet_warnings)

file(GLOB WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/*_test.cpp)
foreach(source ${WINDOWS_TEST_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(wt_${name} ${source} $<TARGET_OBJECTS:corvinet_res>)
    target_link_libraries(wt_${name} PRIVATE corvinet_win corvinet_testmain corvinet_warnings)
    add_dependencies(wt_${name} linesim)
    corvinet_uses_config_server(${source} uses_server)
    set(locks "")
    if(uses_server)
        set(locks RESOURCE_LOCK corvinet_e2e)
    endif()
    gtest_discover_tests(wt_${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         TEST_PREFIX "windows." PROPERTIES TIMEOUT 120 ${locks}
                         ${WINE_TEST_PROPERTIES})
endforeach()

file(GLOB E2E_DRIVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/driver/*.cpp)
if(NOT E2E_DRIVER_SOURCES)
    return()
endif()
add_library(e2e_driver STATIC ${E2E_DRIVER_SOURCES})
target_link_libraries(e2e_driver PUBLIC corvinet_core corvinet_testmain ${CORVINET_SYSTEM_LIBS} psapi
                      PRIVATE corvinet_warnings)
target_include_directories(e2e_driver PUBLIC ${CMAKE_SOURCE_DIR}/tests/e2e ${CMAKE_SOURCE_DIR}/res)
# The main window's test runs the window in its own process and works it with the driver.
target_link_libraries(wt_main_dialog_test PRIVATE e2e_driver)

file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.cpp)
foreach(source ${E2E_TEST_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(e2e_${name} ${source})
    target_link_libraries(e2e_${name} PRIVATE e2e_driver corvinet_warnings)
    add_dependencies(e2e_${name} CORVINET linesim)
    # One copy of the program at a time (its single-instance mutex, one registry per prefix).
    gtest_discover_tests(e2e_${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         TEST_PREFIX "e2e." PROPERTIES TIMEOUT 180 RESOURCE_LOCK corvinet_e2e
                         ${WINE_TEST_PROPERTIES})
endforeach()

# ---- Call log: the start-up trim at a fixed date ------------------------------------------
# Not a *_test.cpp: this driver only makes sense under libfaketime, which the script sets up
# for the driver's (and so the program's) Linux process and never for the Wine server.
add_executable(e2e_call_log_trim_faketime ${CMAKE_SOURCE_DIR}/tests/e2e/call_log_trim_faketime.cpp)
target_link_libraries(e2e_call_log_trim_faketime PRIVATE e2e_driver corvinet_warnings)
add_dependencies(e2e_call_log_trim_faketime CORVINET linesim)
add_test(NAME e2e.CallLogTrim.StartOnFifthOfJanuaryDropsLastYearsCallsAndReportsJanuaryAlone
         COMMAND sh ${CMAKE_SOURCE_DIR}/tests/e2e/call_log_trim_faketime.sh
                 ${CMAKE_SOURCE_DIR}/cmake/wine-run.sh $<TARGET_FILE:e2e_call_log_trim_faketime>)
set_tests_properties(e2e.CallLogTrim.StartOnFifthOfJanuaryDropsLastYearsCallsAndReportsJanuaryAlone
                     PROPERTIES TIMEOUT 180 RESOURCE_LOCK corvinet_e2e ${WINE_TEST_PROPERTIES})

# ---- The 32-bit program's smoke tier ------------------------------------------------------
# Run by tools/win32-tier.sh, not by ctest: it needs a prefix with Wine's 32-bit side and the
# 32-bit build beside this one. The driver stays 64-bit and drives the 32-bit program's windows.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_executable(e2e_win32_smoke ${CMAKE_SOURCE_DIR}/tests/e2e/win32_smoke.cpp)
    target_link_libraries(e2e_win32_smoke PRIVATE e2e_driver corvinet_warnings)
endif()

# ---- Release: the small program, the installer and the release checks --------------------
# The release configuration (tools/release.sh) builds the program for distribution: optimised
# for size, every function and datum in its own section so that the linker drops what nothing
# uses, and no symbols in the file.
# (The size optimisation itself is the configuration's compiler flags, set at the top.)
target_link_options(CORVINET PRIVATE $<$<CONFIG:Release>:-Wl,--gc-sections -s>)

# The installer (installer/corvinet.nsi, NSIS): a 64-bit installer for the 64-bit program
# and a 32-bit one for the 32-bit program, in <build>/installer/.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CORVINET_ARCH win64)
    set(CORVINET_NSIS_TARGET amd64-unicode)
    set(CORVINET_PE_MACHINE x86-64)
else()
    set(CORVINET_ARCH win32)
    set(CORVINET_NSIS_TARGET x86-unicode)
    set(CORVINET_PE_MACHINE i386)
endif()
set(CORVINET_SETUP_NAME CORVINET-Dialer-${PROJECT_VERSION}-setup-${CORVINET_ARCH}.exe)
set(CORVINET_SETUP ${CMAKE_BINARY_DIR}/installer/${CORVINET_SETUP_NAME})
# The uninstall entry links the provider's site and download page, as the program knows them.
file(STRINGS ${CMAKE_SOURCE_DIR}/res/strings.rc CORVINET_ADDRESSES
     REGEX "^ *(IDS_PROVIDER_SITE|IDS_URL_DOWNLOAD) ")
string(REGEX REPLACE ".*IDS_PROVIDER_SITE \"([^\"]*)\".*" "\\1" CORVINET_PROVIDER_SITE
       "${CORVINET_ADDRESSES}")
string(REGEX REPLACE ".*IDS_URL_DOWNLOAD \"([^\"]*)\".*" "\\1" CORVINET_DOWNLOAD_PAGE
       "${CORVINET_ADDRESSES}")
find_program(CORVINET_MAKENSIS makensis)
if(CORVINET_MAKENSIS)
    add_custom_command(
        OUTPUT ${CORVINET_SETUP}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/installer
        COMMAND ${CORVINET_MAKENSIS} -V2 -INPUTCHARSET UTF8
                -DPROGRAM_EXE=$<TARGET_FILE:CORVINET> -DOUTFILE=${CORVINET_SETUP}
                -DTARGET=${CORVINET_NSIS_TARGET} -DVERSION=${PROJECT_VERSION}
                -DICON=${CMAKE_SOURCE_DIR}/res/icons/app.ico
                -DPROVIDER_SITE=${CORVINET_PROVIDER_SITE} -DDOWNLOAD_PAGE=${CORVINET_DOWNLOAD_PAGE}
                ${CMAKE_SOURCE_DIR}/installer/corvinet.nsi
        DEPENDS CORVINET ${CMAKE_SOURCE_DIR}/installer/corvinet.nsi
                ${CMAKE_SOURCE_DIR}/res/icons/app.ico ${CMAKE_SOURCE_DIR}/res/strings.rc
        COMMENT "Installer ${CORVINET_SETUP_NAME}"
        VERBATIM)
    add_custom_target(corvinet_installer DEPENDS ${CORVINET_SETUP})
else()
    message(STATUS "makensis not found (Debian package nsis): no installer")
endif()
if(TARGET e2e_installer_test)
    target_compile_definitions(e2e_installer_test PRIVATE
                               CORVINET_SETUP_NAME="${CORVINET_SETUP_NAME}")
    target_link_libraries(e2e_installer_test PRIVATE ole32 uuid)
    if(TARGET corvinet_installer)
        add_dependencies(e2e_installer_test corvinet_installer)
    endif()
endif()

# The program imports only DLLs of Windows itself; the 64-bit build also checks the 32-bit
# program that tools/setup.sh builds beside it (build/win32), and reports the test skipped
# when that build is not there.
add_test(NAME release.ImportsOnlySystemDlls
         COMMAND bash ${CMAKE_SOURCE_DIR}/tests/installer/imports_test.sh
                 --machine ${CORVINET_PE_MACHINE} $<TARGET_FILE:CORVINET>)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CORVINET_I686_PROGRAM ${CMAKE_BINARY_DIR}/../win32/bin/CORVINET.exe
        CACHE FILEPATH "The 32-bit program whose imports the 64-bit build's tests check")
    add_test(NAME release.ImportsOnlySystemDlls32
             COMMAND bash ${CMAKE_SOURCE_DIR}/tests/installer/imports_test.sh
                     --machine i386 --skip-missing ${CORVINET_I686_PROGRAM})
    set_tests_properties(release.ImportsOnlySystemDlls32 PROPERTIES SKIP_RETURN_CODE 77)
endif()
