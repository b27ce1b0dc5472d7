# The Windows-tier and end-to-end test programs, run by ctest under Wine (cmake/wine-run.sh).
#
# A crash must never pass: each test exe installs an unhandled-exception filter (tests/support)
# and ctest also fails on Wine's crash text.
#
# Test code is compiled without optimisation and without debugging information, and shares one
# precompiled header (Windows, GoogleTest and the standard headers): compiling and linking it is
# most of the build, and the headers most of each compile. The debugging information of 34
# statically linked test programs made the 64-bit build a quarter slower (3 min 17 s against
# 2 min 30 s on this two-core machine); to step through a test in a debugger, drop the -g0 below.
# Two test sources keep the build's settings: the timing test of the call log, whose plain
# reading is measured against the program's own optimised code, and the window appearance test,
# which reads <windows.h> under a renamed declaration.
#
# Wine sessions (tools/wine-sessions.sh): every test that runs under Wine asks ctest for the
# resource "wine_session". An end-to-end test takes a session for itself (all its slots: one copy
# of the program per prefix, and its display, configuration server and browser log to itself);
# so does a Windows-tier test that rewrites the configuration server's answers. Other
# Windows-tier tests keep to their own scratch registry and folders and share a session.
include(GoogleTest)

set(CORVINET_WHOLE_SESSION "wine_session:4")
set(CORVINET_SHARED_SESSION "wine_session:1")
set(WINE_TEST_PROPERTIES FAIL_REGULAR_EXPRESSION "Unhandled exception|Unhandled page fault")

target_compile_options(gtest PRIVATE -O0 -g0)

# tests/support: the main function with the crash filter, scratch registry and folders, and
# the small helpers every Windows test exe may use.
file(GLOB TEST_SUPPORT_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/support/*.cpp)
add_library(corvinet_testmain STATIC ${TEST_SUPPORT_SOURCES})
target_compile_options(corvinet_testmain PRIVATE -O0 -g0)
target_precompile_headers(corvinet_testmain PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/Precompiled.h)
target_link_libraries(corvinet_testmain PUBLIC GTest::gtest advapi32 PRIVATE corvinet_warnings)
target_include_directories(corvinet_testmain PUBLIC ${CMAKE_SOURCE_DIR}/tests)
# The support code reads the clock seam of the framework.
target_link_libraries(corvinet_testmain PUBLIC corvinet_framework)

function(corvinet_test_code target)
    target_compile_options(${target} PRIVATE -O0 -g0)
    target_link_libraries(${target} PRIVATE corvinet_warnings)
    target_precompile_headers(${target} REUSE_FROM corvinet_testmain)
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

# Started in each Wine session before ctest, so that Wine's desktop process belongs to it and
# not to whichever test exe happens to need the desktop first (see DesktopKeeper.cpp).
add_executable(desktop_keeper WIN32 ${CMAKE_SOURCE_DIR}/tests/support/keeper/DesktopKeeper.cpp)
target_link_libraries(desktop_keeper PRIVATE corvinet_warnings)

file(GLOB WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/*_test.cpp)
foreach(source ${WINDOWS_TEST_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(wt_${name} ${source} $<TARGET_OBJECTS:corvinet_res>)
    if(name STREQUAL "call_log_bench_test" OR name STREQUAL "window_appearance_test")
        target_link_libraries(wt_${name} PRIVATE corvinet_warnings)
    else()
        corvinet_test_code(wt_${name})
    endif()
    target_link_libraries(wt_${name} PRIVATE corvinet_win corvinet_testmain)
    add_dependencies(wt_${name} linesim)
    corvinet_uses_config_server(${source} uses_server)
    set(session ${CORVINET_SHARED_SESSION})
    if(uses_server)
        set(session ${CORVINET_WHOLE_SESSION})
    endif()
    gtest_discover_tests(wt_${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         TEST_PREFIX "windows." PROPERTIES TIMEOUT 120 RESOURCE_GROUPS ${session}
                         ${WINE_TEST_PROPERTIES})
endforeach()

file(GLOB E2E_DRIVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/driver/*.cpp)
if(NOT E2E_DRIVER_SOURCES)
    return()
endif()
add_library(e2e_driver STATIC ${E2E_DRIVER_SOURCES})
corvinet_test_code(e2e_driver)
target_link_libraries(e2e_driver PUBLIC corvinet_core corvinet_testmain ${CORVINET_SYSTEM_LIBS}
                                         psapi)
target_include_directories(e2e_driver PUBLIC ${CMAKE_SOURCE_DIR}/tests/e2e ${CMAKE_SOURCE_DIR}/res)
# The main window's test runs the window in its own process and works it with the driver.
target_link_libraries(wt_main_dialog_test PRIVATE e2e_driver)

# End-to-end suites that run on a fake clock (libfaketime through cmake/wine-run.sh, for the
# driver and the program it starts; the Wine server keeps the real time): the scheduled
# disconnect at six times the real speed, so that its minutes pass in ten seconds, and the
# start-up trim of the call log on 5 January 2027.
set(E2E_FAKETIME_disconnect_timer_test "+0 x6")
set(E2E_FAKETIME_call_log_trim_test "@2027-01-05 10:00:00")

file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.cpp)
foreach(source ${E2E_TEST_SOURCES})
    get_filename_component(name ${source} NAME_WE)
    add_executable(e2e_${name} ${source})
    corvinet_test_code(e2e_${name})
    target_link_libraries(e2e_${name} PRIVATE e2e_driver)
    add_dependencies(e2e_${name} CORVINET linesim)
    set(clock "")
    if(DEFINED E2E_FAKETIME_${name})
        set(clock ENVIRONMENT "CORVINET_FAKETIME=${E2E_FAKETIME_${name}}")
    endif()
    gtest_discover_tests(e2e_${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         TEST_PREFIX "e2e." PROPERTIES TIMEOUT 180
                         RESOURCE_GROUPS ${CORVINET_WHOLE_SESSION} ${clock}
                         ${WINE_TEST_PROPERTIES})
endforeach()
