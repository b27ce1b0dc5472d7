# The Windows-tier and end-to-end test programs, run by ctest under Wine (cmake/wine-run.sh).
#
# One program per tier, made of every *_test.cpp of the tier's folder:
#   windows_tests.exe  tests/windows/   the Win32 modules against Wine (registry, files, WinINet,
#                                       the line simulator), in the test's own process
#   e2e_tests.exe      tests/e2e/       the real CORVINET.exe, started and driven by the driver
#                                       (tests/e2e/driver)
# A new test file in either folder is part of its tier's program at the next build. Each test
# is still its own ctest entry and its own run of the program (gtest_discover_tests runs it
# with a filter of that one test), so no test sees another's state and a failed test is not run
# again. Every file's suites, fixtures and helpers share one program: give a suite a name no
# other file of the tier uses, and keep a file's helpers in its unnamed namespace.
#
# A crash must never pass: each test program installs an unhandled-exception filter
# (tests/support) and ctest also fails on Wine's crash text.
#
# Test code is compiled without optimisation and without debugging information, and shares one
# precompiled header (Windows, GoogleTest and the standard headers): compiling and linking it is
# most of the build, and the headers most of each compile. To step through a test in a
# debugger, drop the -g0 below. Two test sources keep the build's own settings: the timing test
# of the call log, whose plain reading is measured against the program's own optimised code, and
# the window appearance test, which reads <windows.h> under a renamed declaration (neither uses
# the precompiled header).
#
# Wine sessions (tools/lib/sessions.sh): every test that runs under Wine asks ctest for the
# resource "wine_session". An end-to-end test takes a session for itself (all its slots: one copy
# of the program per prefix, and its display, configuration server and browser log to itself);
# so does a Windows-tier test of a file that rewrites the configuration server's answers. Other
# Windows-tier tests keep to their own scratch registry and folders and share a session.
include(GoogleTest)

set(CORVINET_WHOLE_SESSION "wine_session:4")
set(CORVINET_SHARED_SESSION "wine_session:1")
set(WINE_TEST_PROPERTIES FAIL_REGULAR_EXPRESSION "Unhandled exception|Unhandled page fault")

target_compile_options(gtest PRIVATE -O0 -g0)

# tests/support: the main function with the crash filter, scratch registry and folders, and
# the small helpers every Windows test program may use.
file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(corvinet_test_support STATIC ${TEST_SUPPORT_SOURCES})
target_compile_options(corvinet_test_support PRIVATE -O0 -g0)
target_precompile_headers(corvinet_test_support PRIVATE
                          ${CMAKE_SOURCE_DIR}/tests/support/Precompiled.h)
target_link_libraries(corvinet_test_support PUBLIC GTest::gtest advapi32 PRIVATE corvinet_warnings)
target_include_directories(corvinet_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
# The support code reads the clock seam of the framework.
target_link_libraries(corvinet_test_support PUBLIC corvinet_framework)

function(corvinet_test_code target)
    target_compile_options(${target} PRIVATE -O0 -g0)
    target_link_libraries(${target} PRIVATE corvinet_warnings)
    target_precompile_headers(${target} REUSE_FROM corvinet_test_support)
endfunction()

# Whether a test source rewrites the configuration server's answers (it names the variables
# that point at the server's files).
function(corvinet_uses_config_server source result)
    file(READ ${source} content)
    string(FIND "${content}" "CORVINET_CONFIGSERVER" position)
    if(position GREATER -1)
        set(${result} ON PARENT_SCOPE)
    else()
        set(${result} OFF PARENT_SCOPE)
    endif()
endfunction()

# The GoogleTest filter patterns (a list) of the suites that the given sources define with TEST,
# TEST_F or TEST_P; a TEST_P suite's tests are named "<Rows>/<Suite>.<Test>/<Row>".
function(corvinet_suite_patterns result)
    set(patterns "")
    foreach(source ${ARGN})
        file(READ ${source} content)
        string(REGEX MATCHALL "(^|[^A-Za-z0-9_])TEST(_F|_P)?\\([ \t\r\n]*[A-Za-z0-9_]+" found
                             "${content}")
        foreach(match ${found})
            string(REGEX REPLACE ".*\\([ \t\r\n]*" "" suite "${match}")
            if(match MATCHES "TEST_P\\(")
                list(APPEND patterns "*/${suite}.*")
            else()
                list(APPEND patterns "${suite}.*")
            endif()
        endforeach()
    endforeach()
    list(REMOVE_DUPLICATES patterns)
    set(${result} ${patterns} PARENT_SCOPE)
endfunction()

# Registers tests of a tier's program with ctest, one entry per test, with the given ctest
# properties: those of the suites that SOURCES define, or with REST all the others. TAKEN names
# the variable that collects the suites already registered.
function(corvinet_discover target)
    cmake_parse_arguments(arg "REST" "PREFIX;TAKEN" "SOURCES;PROPERTIES" ${ARGN})
    set(taken ${${arg_TAKEN}})
    if(arg_REST)
        set(filter "")
        if(taken)
            string(JOIN ":" filter ${taken})
            set(filter "-${filter}")
        endif()
    else()
        corvinet_suite_patterns(patterns ${arg_SOURCES})
        if(NOT patterns)
            return()
        endif()
        string(JOIN ":" filter ${patterns})
        list(APPEND taken ${patterns})
        set(${arg_TAKEN} ${taken} PARENT_SCOPE)
    endif()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         TEST_PREFIX "${arg_PREFIX}" TEST_FILTER "${filter}"
                         PROPERTIES ${arg_PROPERTIES})
endfunction()

# Started in each Wine session before ctest, so that Wine's desktop process belongs to it and
# not to whichever test program happens to need the desktop first (see DesktopKeeper.cpp).
add_executable(desktop_keeper WIN32 ${CMAKE_SOURCE_DIR}/tests/support/keeper/DesktopKeeper.cpp)
target_link_libraries(desktop_keeper PRIVATE corvinet_warnings)

# ---- The end-to-end driver (tests/e2e/driver) ----------------------------------------------
file(GLOB E2E_DRIVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/driver/*.cpp)
add_library(e2e_driver STATIC ${E2E_DRIVER_SOURCES})
corvinet_test_code(e2e_driver)
target_link_libraries(e2e_driver PUBLIC corvinet_core corvinet_test_support
                                        ${CORVINET_SYSTEM_LIBS} psapi)
target_include_directories(e2e_driver PUBLIC ${CMAKE_SOURCE_DIR}/tests/e2e ${CMAKE_SOURCE_DIR}/res)

# ---- windows_tests.exe: tests/windows ------------------------------------------------------
file(GLOB WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/*_test.cpp)
add_executable(windows_tests ${WINDOWS_TEST_SOURCES} $<TARGET_OBJECTS:corvinet_res>)
corvinet_test_code(windows_tests)
# The main window's test runs the window in its own process and works it with the driver.
target_link_libraries(windows_tests PRIVATE corvinet_app corvinet_test_support e2e_driver)
add_dependencies(windows_tests linesim)
string(TOUPPER "${CMAKE_BUILD_TYPE}" build_type)
separate_arguments(build_flags UNIX_COMMAND "${CMAKE_CXX_FLAGS_${build_type}}")
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/windows/call_log_bench_test.cpp PROPERTIES
                            SKIP_PRECOMPILE_HEADERS ON COMPILE_OPTIONS "${build_flags}")
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/windows/window_appearance_test.cpp
                            PROPERTIES SKIP_PRECOMPILE_HEADERS ON)

set(server_sources "")
foreach(source ${WINDOWS_TEST_SOURCES})
    corvinet_uses_config_server(${source} uses_server)
    if(uses_server)
        list(APPEND server_sources ${source})
    endif()
endforeach()
set(taken "")
corvinet_discover(windows_tests PREFIX "windows." TAKEN taken SOURCES ${server_sources}
                  PROPERTIES TIMEOUT 120 RESOURCE_GROUPS ${CORVINET_WHOLE_SESSION}
                             ${WINE_TEST_PROPERTIES})
corvinet_discover(windows_tests PREFIX "windows." TAKEN taken REST
                  PROPERTIES TIMEOUT 120 RESOURCE_GROUPS ${CORVINET_SHARED_SESSION}
                             ${WINE_TEST_PROPERTIES})

# ---- e2e_tests.exe: tests/e2e --------------------------------------------------------------
file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.cpp)
add_executable(e2e_tests ${E2E_TEST_SOURCES})
corvinet_test_code(e2e_tests)
target_link_libraries(e2e_tests PRIVATE e2e_driver)
add_dependencies(e2e_tests CORVINET linesim)

# End-to-end files whose suites run on a fake clock (libfaketime through cmake/wine-run.sh, for
# the driver and the program it starts; the Wine server keeps the real time): the scheduled
# disconnect at six times the real speed, so that its minutes pass in ten seconds, and the
# start-up trim of the call log on 5 January 2027.
set(E2E_FAKETIME_disconnect_timer_test "+0 x6")
set(E2E_FAKETIME_call_log_trim_test "@2027-01-05 10:00:00")

set(E2E_PROPERTIES TIMEOUT 180 RESOURCE_GROUPS ${CORVINET_WHOLE_SESSION} ${WINE_TEST_PROPERTIES})
set(taken "")
foreach(source ${E2E_TEST_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    if(DEFINED E2E_FAKETIME_${name})
        corvinet_discover(e2e_tests PREFIX "e2e." TAKEN taken SOURCES ${source}
                          PROPERTIES ${E2E_PROPERTIES}
                                     ENVIRONMENT "CORVINET_FAKETIME=${E2E_FAKETIME_${name}}")
    endif()
endforeach()
corvinet_discover(e2e_tests PREFIX "e2e." TAKEN taken REST PROPERTIES ${E2E_PROPERTIES})
