# Native build of the portable core: GoogleTest suites under AddressSanitizer and
# UndefinedBehaviorSanitizer, libFuzzer targets (clang) and, when asked, the benchmarks.
option(CORVINET_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
option(CORVINET_BENCH "Build the benchmarks (use with CORVINET_SANITIZE=OFF)" OFF)
set(CORVINET_FUZZ_SECONDS 8 CACHE STRING "Seconds each fuzz target runs inside ctest")

if(CORVINET_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                        -fno-omit-frame-pointer -g)
    add_link_options(-fsanitize=address,undefined)
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${GTEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL)
# GoogleTest itself is not under test: compiled plainly, it took a third of this build, in one
# file that nothing else could run beside.
target_compile_options(gtest PRIVATE -O0 -g0 -fno-sanitize=all)
target_compile_options(gtest_main PRIVATE -O0 -g0 -fno-sanitize=all)

set(CORVINET_FUZZING OFF)
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang" AND CORVINET_SANITIZE)
    set(CORVINET_FUZZING ON)
endif()

include(cmake/layers.cmake)

include(GoogleTest)
file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(native_tests ${NATIVE_TEST_SOURCES})
target_link_libraries(native_tests PRIVATE corvinet_core GTest::gtest_main corvinet_warnings)
# GoogleTest's headers and the standard ones the tests use, read once.
target_precompile_headers(native_tests PRIVATE <gtest/gtest.h> <algorithm> <cstdint> <cstring>
                          <string> <vector>)
gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60 TEST_PREFIX "native."
                     PROPERTIES TIMEOUT 120)

if(CORVINET_FUZZING)
    file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
    foreach(source ${FUZZ_SOURCES})
        get_filename_component(name ${source} NAME_WE)
        add_executable(${name} ${source})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE corvinet_core corvinet_warnings)
        set(work ${CMAKE_BINARY_DIR}/fuzz-work/${name})
        set(seeds ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name})
        # New inputs go to the work folder; the committed seeds are only read.
        add_test(NAME fuzz.${name}
                 COMMAND sh -c "mkdir -p '${work}' '${seeds}' && exec '$<TARGET_FILE:${name}>' \
-max_total_time=${CORVINET_FUZZ_SECONDS} -rss_limit_mb=2048 -print_final_stats=1 '${work}' '${seeds}'")
        set_tests_properties(fuzz.${name} PROPERTIES TIMEOUT 300)
    endforeach()
endif()

if(CORVINET_BENCH)
    find_package(benchmark REQUIRED)
    file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*_bench.cpp)
    foreach(source ${BENCH_SOURCES})
        get_filename_component(name ${source} NAME_WE)
        add_executable(${name} ${source})
        target_link_libraries(${name} PRIVATE corvinet_core benchmark::benchmark_main)
    endforeach()
endif()
