#!/usr/bin/env bash
# Runs every test of CORVINET Dialer from a bare Debian 12 machine:
#   1. installs what is missing and builds build/native, build/win64 and build/win32;
#   2. native tier: the portable core under AddressSanitizer/UndefinedBehaviorSanitizer and
#      short fuzz runs (ctest in build/native);
#   3. the configuration-server stand-in's own tests;
#   4. Windows and end-to-end tiers under Wine on a private Xvfb, with a fresh Wine prefix,
#      the test configuration server as the prefix's proxy, the browser stand-in first on PATH
#      and one Wine server kept alive for the run (ctest in build/win64);
#   5. the 32-bit tier (tools/win32-tier.sh), in a prefix of its own with Wine's 32-bit side;
#   6. turns the screenshots into PNG files and prints each tier's summary.
# Exits non-zero when anything failed. CORVINET_BUILD_DIR moves the build folder;
# CORVINET_TEST_DISPLAY uses an existing X display instead of a private Xvfb.
set -euo pipefail
# Nothing here reads input; Wine and apt must never wait for any (CI has no standard input).
exec </dev/null

# shellcheck source=tools/setup.sh
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
# shellcheck source=tools/win32-tier.sh
source "$(dirname "${BASH_SOURCE[0]}")/win32-tier.sh"

STARTED=$(date +%s)
WIN64="$CORVINET_BUILD/win64"
PREFIX="$WIN64/wineprefix"
WORK="$WIN64/e2e-work"
SERVER_DIR="$WORK/configserver"
LOGS="$CORVINET_BUILD/test-logs"
# Fallback for tests without a timeout of their own, and a bound for a whole ctest run.
TEST_TIMEOUT=300
CTEST_LIMIT=1500

export TZ=ART3 # UTC-3 without daylight saving: read alike by Wine and the C runtime
export LC_ALL=C.UTF-8
export WINEDEBUG=-all

CORVINET_XVFB_PID=""
CORVINET_SERVER_PID=""
PREFIX_JOB=""
WINE_STARTED=""
declare -a FAILURES=()
declare -a SUMMARIES=()
TOTAL_PASSED=0
TOTAL_FAILED=0

cleanup() {
    local status=$?
    set +e
    win32_tier_cleanup
    if [[ -n $PREFIX_JOB ]]; then
        kill "$PREFIX_JOB" 2>/dev/null
    fi
    if [[ -n $WINE_STARTED || -n $PREFIX_JOB ]]; then
        WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null
        WINEPREFIX="$PREFIX" timeout 20 wineserver -w 2>/dev/null
    fi
    if [[ -n $CORVINET_SERVER_PID ]]; then
        kill "$CORVINET_SERVER_PID" 2>/dev/null
        wait "$CORVINET_SERVER_PID" 2>/dev/null
    fi
    if [[ -n $CORVINET_XVFB_PID ]]; then
        kill "$CORVINET_XVFB_PID" 2>/dev/null
        wait "$CORVINET_XVFB_PID" 2>/dev/null
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    FAILURES+=("$1")
}

# Adds one ctest run to the summary. Arguments: tier name, log file, ctest's exit status.
count_ctest() {
    local name="$1" log="$2" status="$3" line total failed
    line="$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1 || true)"
    if [[ -z $line ]]; then
        SUMMARIES+=("$name: no test summary (ctest exit status $status)")
        fail "$name: ctest ran no tests or did not finish"
        return
    fi
    total="$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")"
    failed="$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$line")"
    TOTAL_PASSED=$((TOTAL_PASSED + total - failed))
    TOTAL_FAILED=$((TOTAL_FAILED + failed))
    SUMMARIES+=("$name: $line")
    if [[ $failed -ne 0 || $status -ne 0 || $total -eq 0 ]]; then
        fail "$name: $failed of $total failed (ctest exit status $status)"
        while IFS= read -r failedTest; do
            SUMMARIES+=("    $failedTest")
        done < <(sed -n '/The following tests FAILED:/,/^Errors while running/p' "$log" |
            grep -E '^\s+[0-9]+ - ' || true)
    fi
}

run_ctest() {
    local name="$1" folder="$2" log="$LOGS/$1.log" status=0
    corvinet_log "Running the $name tests (ctest in ${folder#"$CORVINET_ROOT"/})"
    # A test that fails is run once more: under Wine a test program now and then fails to
    # start at all (no output, a hundredth of a second). ctest's log still shows both runs.
    (cd "$folder" && timeout --kill-after=30 "$CTEST_LIMIT" \
        ctest --output-on-failure -j"$CORVINET_JOBS" --timeout "$TEST_TIMEOUT" \
        --repeat until-pass:2) 2>&1 |
        tee "$log" || status=$?
    count_ctest "$name" "$log" "$status"
}

run_server_tests() {
    local test="$CORVINET_ROOT/tools/configserver/test_configserver.py"
    local log="$LOGS/configserver.log" status=0 ran failed
    [[ -f $test ]] || return 0
    corvinet_log "Running the configuration server's tests"
    timeout 600 python3 "$test" 2>&1 | tee "$log" || status=$?
    ran="$(sed -nE 's/^Ran ([0-9]+) tests?.*/\1/p' "$log" | tail -1)"
    ran="${ran:-0}"
    local verdict failures errors
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

# A fresh prefix with the test settings and the configuration server as proxy. Runs in the
# background while the builds go on.
prepare_prefix() {
    corvinet_create_prefix "$PREFIX" N "$CORVINET_SERVER_PORT"
}

# One Wine server for the whole run (each test exe then starts in a tenth of a second), its
# services, and the desktop held by desktop_keeper.exe. Wine's helper processes inherit the
# standard error of whoever started them: they get the log here, never a test's output pipe,
# on which ctest would wait until they end.
start_wine_session() {
    local log="$LOGS/wine-session.log" keeper="$WIN64/bin/desktop_keeper.exe" _ process
    wineserver -w # the server that booted the prefix lingers for a few seconds
    wineserver -p >>"$log" 2>&1
    WINEDLLOVERRIDES="$CORVINET_WINEDLLOVERRIDES" corvinet_wine64 cmd /c exit 0 >>"$log" 2>&1 || true
    if [[ ! -f $keeper ]]; then
        fail "desktop_keeper.exe was not built"
        return
    fi
    WINEDLLOVERRIDES="$CORVINET_WINEDLLOVERRIDES" corvinet_wine64 "$keeper" >>"$log" 2>&1 &
    for _ in $(seq 1 100); do
        for process in /proc/[0-9]*; do
            if [[ $(readlink "$process/fd/2" 2>/dev/null) == "$log" ]] &&
                tr '\0' ' ' <"$process/cmdline" 2>/dev/null | grep -q 'explorer.exe /desktop'; then
                echo "Wine session ready (desktop process ${process#/proc/})"
                return
            fi
        done
        sleep 0.1
    done
    echo "The Wine desktop did not start from desktop_keeper.exe; tests may wait on it." >&2
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

# ---- Install and display ------------------------------------------------------------------

corvinet_log "Checking the tools"
corvinet_install
mkdir -p "$LOGS" "$WORK"

if [[ -n ${CORVINET_TEST_DISPLAY:-} ]]; then
    export DISPLAY="$CORVINET_TEST_DISPLAY"
else
    corvinet_start_xvfb
fi

# The server and the prefix come first: the prefix boots while the builds run.
rm -rf "$SERVER_DIR"
corvinet_start_config_server "$SERVER_DIR" --script "$SERVER_DIR/script.json"
(prepare_prefix) >"$LOGS/prefix.log" 2>&1 &
PREFIX_JOB=$!
win32_tier_prepare

# ---- Builds -------------------------------------------------------------------------------

BUILT_NATIVE=""
BUILT_WIN64=""
if corvinet_build_native 2>&1 | tee "$LOGS/build-native.log"; then
    BUILT_NATIVE=1
else
    fail "build/native: build failed (see ${LOGS#"$CORVINET_ROOT"/}/build-native.log)"
fi
# shellcheck disable=SC2119
if corvinet_build_win64 2>&1 | tee "$LOGS/build-win64.log"; then
    BUILT_WIN64=1
else
    fail "build/win64: build failed (see ${LOGS#"$CORVINET_ROOT"/}/build-win64.log)"
fi
if ! corvinet_build_win32 2>&1 | tee "$LOGS/build-win32.log"; then
    fail "build/win32: build failed (see ${LOGS#"$CORVINET_ROOT"/}/build-win32.log)"
fi

# ---- Tests --------------------------------------------------------------------------------

if [[ -n $BUILT_NATIVE ]]; then
    run_ctest native "$CORVINET_BUILD/native"
fi
run_server_tests

corvinet_log "Waiting for the Wine prefix"
PREFIX_STATUS=0
wait "$PREFIX_JOB" || PREFIX_STATUS=$?
PREFIX_JOB=""
WINE_STARTED=1
if [[ $PREFIX_STATUS -ne 0 ]]; then
    cat "$LOGS/prefix.log" >&2 || true
    fail "the Wine prefix could not be created"
elif [[ -n $BUILT_WIN64 ]]; then
    export WINEPREFIX="$PREFIX"
    # One Wine server for the whole run: each test exe then starts in a tenth of a second.
    start_wine_session
    export CORVINET_CONFIGSERVER_SCRIPT
    export CORVINET_CONFIGSERVER_LOG
    CORVINET_CONFIGSERVER_SCRIPT="$(corvinet_wine64 winepath.exe -w "$SERVER_DIR/script.json" 2>/dev/null ||
        corvinet_windows_path "$SERVER_DIR/script.json")"
    CORVINET_CONFIGSERVER_LOG="$(corvinet_wine64 winepath.exe -w "$SERVER_DIR/requests.log" 2>/dev/null ||
        corvinet_windows_path "$SERVER_DIR/requests.log")"
    export CORVINET_BROWSER_LOG="$WORK/browser.log"
    : >"$CORVINET_BROWSER_LOG"
    export PATH="$CORVINET_ROOT/tools/browser:$PATH"
    rm -rf "$WIN64/screenshots" "$WIN64/scratch"
    run_ctest win64 "$WIN64"
    convert_screenshots
    win32_tier_run
fi

# ---- Summary ------------------------------------------------------------------------------

ELAPSED=$(($(date +%s) - STARTED))
corvinet_log "Summary ($((ELAPSED / 60)) min $((ELAPSED % 60)) s)"
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
if [[ ${#FAILURES[@]} -gt 0 || $TOTAL_FAILED -gt 0 ]]; then
    exit 1
fi
