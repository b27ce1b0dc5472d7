#!/usr/bin/env bash
# Runs the portable core's native tests once under valgrind's memcheck: a build of its own
# (build/valgrind-native, clang, -DCORVINET_SANITIZE=OFF, since valgrind and the sanitizers
# cannot share a process), every test in one run, any invalid read or write, use of an
# uninitialised value, or leaked block counting as a failure.
# Exits non-zero when a test fails or valgrind reports an error. CORVINET_BUILD_DIR moves the
# build folder.
#
#   bash tools/valgrind-native.sh
set -euo pipefail

# shellcheck source=tools/lib/rig.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/rig.sh"

FOLDER="$CORVINET_BUILD/valgrind-native"
LOG="$FOLDER/valgrind.log"

if ! command -v valgrind >/dev/null 2>&1; then
    echo "missing: valgrind (apt-get install valgrind)" >&2
    exit 2
fi

# Debian 12's valgrind reads DWARF 4, not the DWARF 5 that clang writes by default.
corvinet_log "Building ${FOLDER#"$CORVINET_ROOT"/} (clang, no sanitizers)"
cmake -S "$CORVINET_ROOT" -B "$FOLDER" -G "Unix Makefiles" -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINET_SANITIZE=OFF \
    -DCMAKE_C_FLAGS=-gdwarf-4 -DCMAKE_CXX_FLAGS=-gdwarf-4 >/dev/null
cmake --build "$FOLDER" -j"$CORVINET_JOBS" --target native_tests

corvinet_log "Running the native tests under valgrind (log: ${LOG#"$CORVINET_ROOT"/})"
STATUS=0
# TZ as in the test run: the tests that need a zone set their own, the rest must not care.
TZ=ART3 valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect,possible --errors-for-leak-kinds=definite,indirect,possible \
    --track-origins=yes --log-file="$LOG" \
    "$FOLDER/native_tests" --gtest_brief=1 || STATUS=$?

sed -n '/HEAP SUMMARY/,$p' "$LOG"
if [[ $STATUS -eq 99 ]]; then
    echo "valgrind reported errors (see $LOG)" >&2
elif [[ $STATUS -ne 0 ]]; then
    echo "the native tests failed under valgrind (exit status $STATUS)" >&2
else
    corvinet_log "Native tests under valgrind: no errors"
fi
exit "$STATUS"
