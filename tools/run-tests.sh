#!/usr/bin/env bash
# Runs every test of CORVINET Dialer from a bare Debian 12 machine:
#   1. installs what is missing and builds build/win64 and build/win32 side by side
#      (tools/lib/packages.sh and build.sh, with the presets of CMakePresets.json), while the
#      Wine prefixes and the 32-bit tier's set-up are made in the background;
#   2. Windows and end-to-end tiers under Wine (ctest --preset win64), in Wine sessions that run
#      side by side (tools/lib/sessions.sh: each a fresh Wine prefix with its own Wine server,
#      private Xvfb display, configuration server as the prefix's proxy, and browser stand-in);
#   3. from the start, beside the builds and the Wine tiers, at the lowest priority: the build
#      of build/native and the native tier (the portable core under AddressSanitizer and
#      UndefinedBehaviorSanitizer, and short fuzz runs: ctest --preset native); then the
#      configuration-server stand-in's own tests;
#   4. the 32-bit smoke tier (tools/lib/win32-tier.sh), in a prefix of its own with Wine's 32-bit
#      side;
#   5. turns the screenshots into PNG files and prints each tier's summary from ctest's JUnit
#      files (build/*/test-results.xml).
# Exits non-zero when anything failed. CORVINET_BUILD_DIR moves the build folder;
# CORVINET_WINE_SESSION_COUNT changes the number of Wine sessions (default 4), and with it the
# number of tests that ctest runs at once.
#
#   bash tools/run-tests.sh win64 [ctest options]   only the Wine tiers (after an incremental
#                                                   build of build/win64), e.g. -R e2e.Tray
set -euo pipefail
# Nothing here reads input; Wine and apt must never wait for any (CI has no standard input).
exec </dev/null

# shellcheck source=tools/lib/rig.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/rig.sh"

STARTED=$(date +%s)
WIN64="$CORVINET_BUILD/win64"
LOGS="$CORVINET_BUILD/test-logs"
# The Wine tiers spend most of their time waiting for windows: four sessions on two cores took
# half the time of two, with the processors still half idle. Six made the Wine tiers quicker but
# not the whole command: the native tier beside them then had less of the processors.
SESSION_COUNT="${CORVINET_WINE_SESSION_COUNT:-4}"
# A bound for a whole ctest run.
CTEST_LIMIT=1500
ONLY=""
if [[ ${1:-} == win64 ]]; then
    ONLY=win64
    shift
fi
CTEST_OPTIONS=("$@")

export TZ=ART3 # UTC-3 without daylight saving: read alike by Wine and the C runtime
export LC_ALL=C.UTF-8
export WINEDEBUG=-all

PREFIX_JOB=""
NATIVE_JOB=""
WIN32_BUILD_JOB=""
SESSIONS_BEGUN=""
declare -a FAILURES=()
declare -a SUMMARIES=()
TOTAL_PASSED=0
TOTAL_FAILED=0

cleanup() {
    local status=$?
    set +e
    win32_tier_cleanup
    if [[ -n $NATIVE_JOB ]]; then
        kill "$NATIVE_JOB" 2>/dev/null
        wait "$NATIVE_JOB" 2>/dev/null
    fi
    if [[ -n $WIN32_BUILD_JOB ]]; then
        kill "$WIN32_BUILD_JOB" 2>/dev/null
        wait "$WIN32_BUILD_JOB" 2>/dev/null
    fi
    if [[ -n $PREFIX_JOB ]]; then
        kill "$PREFIX_JOB" 2>/dev/null
        wait "$PREFIX_JOB" 2>/dev/null
    fi
    if [[ -n $SESSIONS_BEGUN ]]; then
        corvinet_sessions_stop
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    FAILURES+=("$1")
}

# Adds one ctest run to the summary, from its JUnit file: the counts, and the name of every test
# that failed or did not run. Arguments: tier name, JUnit file, ctest's exit status.
count_ctest() {
    local name="$1" junit="$2" status="$3" counts total passed failed skipped line
    if [[ ! -s $junit ]] || ! counts="$(python3 - "$junit" <<'EOF'
import sys
import xml.etree.ElementTree as ElementTree

cases = list(ElementTree.parse(sys.argv[1]).getroot().iter("testcase"))
failed = [c.get("name") for c in cases if c.get("status") == "fail"]
skipped = [c.get("name") for c in cases if c.get("status") not in ("run", "fail")]
print(len(cases), len(cases) - len(failed) - len(skipped), len(failed), len(skipped))
for name in failed:
    print("failed: " + name)
for name in skipped:
    print("not run: " + name)
EOF
    )"; then
        SUMMARIES+=("$name: no test results (ctest exit status $status)")
        fail "$name: ctest ran no tests or did not finish"
        return
    fi
    read -r total passed failed skipped <<<"$(head -1 <<<"$counts")"
    TOTAL_PASSED=$((TOTAL_PASSED + passed))
    TOTAL_FAILED=$((TOTAL_FAILED + failed))
    SUMMARIES+=("$name: $passed passed, $failed failed, $skipped not run (of $total)")
    while IFS= read -r line; do
        SUMMARIES+=("    $line")
    done < <(tail -n +2 <<<"$counts")
    if [[ $failed -ne 0 || $status -ne 0 || $total -eq 0 ]]; then
        fail "$name: $failed of $total failed (ctest exit status $status)"
    fi
}

# Runs ctest with a test preset in its build folder; its output goes to <logs>/<tier>.log.
# Arguments: tier (the preset's name), then further ctest options. Returns ctest's status.
ctest_tier() {
    local name="$1" folder="$CORVINET_BUILD/$1"
    shift
    rm -f "$folder/test-results.xml"
    (cd "$CORVINET_ROOT" && timeout --kill-after=30 "$CTEST_LIMIT" \
        ctest --preset "$name" --test-dir "$folder" --output-junit "$folder/test-results.xml" "$@")
}

# The same, shown as it runs, and counted.
run_ctest() {
    local name="$1" status=0
    corvinet_log "Running the $name tests (ctest in ${CORVINET_BUILD#"$CORVINET_ROOT"/}/$name)"
    ctest_tier "$@" 2>&1 | tee "$LOGS/$name.log" || status=$?
    count_ctest "$name" "$CORVINET_BUILD/$name/test-results.xml" "$status"
}

SERVER_TEST="$CORVINET_ROOT/tools/configserver/test_configserver.py"

# The configuration server's own tests; output in <logs>/configserver.log.
server_tests() {
    timeout 600 python3 "$SERVER_TEST"
}

# Counts the server tests from their log. Argument: their exit status.
count_server_tests() {
    local status="$1" log="$LOGS/configserver.log" ran failed verdict failures errors
    ran="$(sed -nE 's/^Ran ([0-9]+) tests?.*/\1/p' "$log" | tail -1)"
    ran="${ran:-0}"
    verdict="$(grep -E '^FAILED \(' "$log" | tail -1 || true)"
    failures="$(sed -nE 's/.*failures=([0-9]+).*/\1/p' <<<"$verdict")"
    errors="$(sed -nE 's/.*errors=([0-9]+).*/\1/p' <<<"$verdict")"
    failed=$((${failures:-0} + ${errors:-0}))
    if [[ $status -ne 0 && $failed -eq 0 ]]; then
        failed=1
    fi
    TOTAL_PASSED=$((TOTAL_PASSED + ran - failed))
    TOTAL_FAILED=$((TOTAL_FAILED + failed))
    SUMMARIES+=("configserver: ran $ran, $failed failed")
    if [[ $status -ne 0 || $ran -eq 0 ]]; then
        fail "configserver: exit status $status"
    fi
}

# Beside the Windows builds and the Wine tiers, at the lowest priority (the builds leave the
# processors idle while they configure and link, the Wine tiers while they wait for windows, and
# this gets only what they leave): the native build and the native tier. Each step's exit status goes to <logs>/<step>.status.
beside_wine_tiers() {
    renice -n 19 "$BASHPID" >/dev/null
    local status=0
    corvinet_build_native >"$LOGS/build-native.log" 2>&1 || status=$?
    echo "$status" >"$LOGS/build-native.status"
    if [[ $status -eq 0 ]]; then
        status=0
        ctest_tier native >"$LOGS/native.log" 2>&1 || status=$?
        echo "$status" >"$LOGS/native.status"
    fi
}

# Runs the configuration server's tests, then shows and counts what ran beside the Wine tiers.
count_beside_wine_tiers() {
    local status
    # The server's tests give each server a few seconds to start, which the lowest priority
    # does not always get while the builds take both processors: they run here, after them.
    corvinet_log "The configuration server's tests (${LOGS#"$CORVINET_ROOT"/}/configserver.log)"
    status=0
    server_tests >"$LOGS/configserver.log" 2>&1 || status=$?
    cat "$LOGS/configserver.log"
    count_server_tests "$status"
    status="$(cat "$LOGS/build-native.status" 2>/dev/null || echo 1)"
    if [[ $status -ne 0 ]]; then
        tail -20 "$LOGS/build-native.log"
        fail "build/native: build failed (see ${LOGS#"$CORVINET_ROOT"/}/build-native.log)"
        return
    fi
    corvinet_log "The native tests (${LOGS#"$CORVINET_ROOT"/}/native.log)"
    cat "$LOGS/native.log"
    count_ctest native "$CORVINET_BUILD/native/test-results.xml" \
        "$(cat "$LOGS/native.status" 2>/dev/null || echo 1)"
}

# The Wine tiers in the sessions prepared by begin_wine_sessions.
run_wine_tiers() {
    corvinet_log "Waiting for the Wine prefixes"
    local prefix_status=0
    wait "$PREFIX_JOB" || prefix_status=$?
    PREFIX_JOB=""
    if [[ $prefix_status -ne 0 ]]; then
        cat "$LOGS/prefix.log" >&2 || true
        fail "the Wine prefixes could not be created"
        return
    fi
    if ! corvinet_sessions_start; then
        fail "the Wine sessions could not be started"
        return
    fi
    export CORVINET_WINE_SESSIONS="$CORVINET_SESSIONS"
    rm -rf "$WIN64/screenshots" "$WIN64/scratch" "$WIN64/e2e-work"
    run_ctest win64 --resource-spec-file "$CORVINET_SESSIONS/resources.json" -j "$SESSION_COUNT" \
        "${CTEST_OPTIONS[@]}"
    convert_screenshots
}

# Displays and configuration servers first; the prefixes are made in the background while the
# builds run.
begin_wine_sessions() {
    SESSIONS_BEGUN=1
    corvinet_sessions_begin "$SESSION_COUNT"
    corvinet_sessions_make_prefixes >"$LOGS/prefix.log" 2>&1 &
    PREFIX_JOB=$!
}

convert_screenshots() {
    local folder="$WIN64/screenshots" count=0 picture
    [[ -d $folder ]] || return 0
    shopt -s nullglob
    for picture in "$folder"/*.bmp; do
        if convert "$picture" "${picture%.bmp}.png" 2>/dev/null; then
            rm -f "$picture"
            count=$((count + 1))
        fi
    done
    shopt -u nullglob
    echo "$count screenshots in ${folder#"$CORVINET_ROOT"/} (PNG)"
}

# Runs a build function with its output in a log; notes a failure. Arguments: the
# configuration, then the function and its arguments.
build() {
    local name="$1"
    shift
    if "$@" 2>&1 | tee "$LOGS/build-$name.log"; then
        return 0
    fi
    fail "build/$name: build failed (see ${LOGS#"$CORVINET_ROOT"/}/build-$name.log)"
    return 1
}

print_summary() {
    local elapsed=$(($(date +%s) - STARTED)) line
    corvinet_log "Summary ($((elapsed / 60)) min $((elapsed % 60)) s)"
    for line in "${SUMMARIES[@]}"; do
        echo "$line"
    done
    if [[ ${#FAILURES[@]} -gt 0 ]]; then
        echo
        echo "FAILED:"
        for line in "${FAILURES[@]}"; do
            echo "  $line"
        done
    fi
    echo
    echo "total: $TOTAL_PASSED passed, $TOTAL_FAILED failed"
}

# ---- Install, sessions, builds, tests --------------------------------------------------------

corvinet_log "Checking the tools"
corvinet_install
mkdir -p "$LOGS"
begin_wine_sessions
if [[ -z $ONLY ]]; then
    win32_tier_prepare
fi

# From the start, at the lowest priority, what needs no Wine (the native build and tier): it
# takes only what the Windows builds and the Wine tiers leave of the processors.
if [[ -z $ONLY ]]; then
    rm -f "$LOGS"/*.status
    beside_wine_tiers &
    NATIVE_JOB=$!
fi
# The two Windows builds side by side, each filling the other's steps that use one processor
# (configuring, linking); the 32-bit build's output is shown when it has ended. The Wine
# prefixes are ready by the time they end, and the 64-bit tier's release checks look at the
# 32-bit program too.
if [[ -z $ONLY ]]; then
    corvinet_build_win32 >"$LOGS/build-win32.log" 2>&1 &
    WIN32_BUILD_JOB=$!
fi
BUILT_WIN64=""
if build win64 corvinet_build_win64; then
    BUILT_WIN64=1
fi
if [[ -n $WIN32_BUILD_JOB ]]; then
    win32_status=0
    wait "$WIN32_BUILD_JOB" || win32_status=$?
    WIN32_BUILD_JOB=""
    cat "$LOGS/build-win32.log"
    if [[ $win32_status -ne 0 ]]; then
        fail "build/win32: build failed (see ${LOGS#"$CORVINET_ROOT"/}/build-win32.log)"
    fi
fi
if [[ -n $BUILT_WIN64 ]]; then
    run_wine_tiers
fi
if [[ -z $ONLY ]]; then
    corvinet_log "Waiting for the native build and tier beside the Wine tiers"
    wait "$NATIVE_JOB" || true
    NATIVE_JOB=""
    count_beside_wine_tiers
    corvinet_log "All but the 32-bit tier took $((($(date +%s) - STARTED) / 60)) min $((($(date +%s) - STARTED) % 60)) s"
    if [[ -n $BUILT_WIN64 ]]; then
        win32_tier_run
    fi
fi

print_summary
if [[ ${#FAILURES[@]} -gt 0 || $TOTAL_FAILED -gt 0 ]]; then
    exit 1
fi
