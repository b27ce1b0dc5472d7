# shellcheck shell=bash
# The 32-bit smoke tier of tools/run-tests.sh: build/win32/bin/CORVINET.exe with the 32-bit line
# simulator beside it, driven by the 64-bit end-to-end driver (build/win64/bin/
# e2e_win32_smoke.exe) in a prefix of its own that has Wine's 32-bit side
# (build/win32/wineprefix), with a configuration server of its own. Sourced through
# tools/lib/rig.sh; tools/run-tests.sh calls
#
#   win32_tier_prepare   once the tools are installed: starts a display of its own, readies the
#                        machine (corvinet_prepare_win32) and boots the prefix in the
#                        background;
#   win32_tier_run       once both builds are done: runs the driver and adds the tier's line
#                        to the summary (or the one line that says why it was skipped);
#   win32_tier_cleanup   from its exit trap.
#
# Where a 32-bit process starts through user-mode emulation, each start costs about a minute of
# processor time: the tier starts the program three times. One of the starts runs after January
# 2038 on a wall clock set ahead by tools/clockshift (built here with the host's gcc).

WIN32_BUILD="$CORVINET_BUILD/win32"
WIN32_PREFIX="$WIN32_BUILD/wineprefix"
WIN32_SERVER_DIR="$WIN32_BUILD/smoke-work/configserver"
WIN32_STATUS_FILE="$WIN32_BUILD/tier-status"
# The driver's limit: three starts of about a minute and a half each under emulation, and
# their scenarios.
WIN32_DRIVER_LIMIT=600
WIN32_PREFIX_JOB=""
WIN32_SERVER_PID=""
WIN32_WINE_STARTED=""
WIN32_DISPLAY=""
WIN32_XVFB_PID=""

# Set-up and prefix, in the background while the builds run. The job writes "ready", or "skip"
# or "fail" with the reason, to the status file.
win32_tier_prepare() {
    mkdir -p "$WIN32_BUILD"
    rm -f "$WIN32_STATUS_FILE"
    # A display of its own, apart from the Wine sessions of the 64-bit tiers.
    (corvinet_start_xvfb && echo "$DISPLAY $CORVINET_XVFB_PID" >"$WIN32_BUILD/display") >/dev/null ||
        true
    read -r WIN32_DISPLAY WIN32_XVFB_PID <"$WIN32_BUILD/display" 2>/dev/null || true
    (
        export DISPLAY="$WIN32_DISPLAY"
        set +e
        started=$(date +%s)
        corvinet_prepare_win32
        case $? in
            0) ;;
            2) echo "skip $CORVINET_WIN32_WHY" >"$WIN32_STATUS_FILE"; exit 0 ;;
            *) echo "fail $CORVINET_WIN32_WHY" >"$WIN32_STATUS_FILE"; exit 0 ;;
        esac
        corvinet_start_config_server "$WIN32_SERVER_DIR" || {
            echo "fail the configuration server did not start" >"$WIN32_STATUS_FILE"
            exit 0
        }
        echo "$CORVINET_SERVER_PID" >"$WIN32_SERVER_DIR/pid"
        corvinet_create_prefix "$WIN32_PREFIX" N "$CORVINET_SERVER_PORT" wow64
        echo "ready $(($(date +%s) - started))" >"$WIN32_STATUS_FILE"
    ) >"$LOGS/win32-prepare.log" 2>&1 &
    WIN32_PREFIX_JOB=$!
}

# Adds the tier to the summary. Arguments: passed, failed, what the time went on, and a
# failure text or "".
win32_tier_count() {
    local passed="$1" failed="$2" times="$3" failure="$4"
    TOTAL_PASSED=$((TOTAL_PASSED + passed))
    TOTAL_FAILED=$((TOTAL_FAILED + failed))
    SUMMARIES+=("win32: $passed passed, $failed failed ($times)")
    if [[ -n $failure ]]; then
        fail "win32: $failure"
    fi
}

win32_tier_run() {
    local started log="$LOGS/win32.log" status=0 state reason prefix_seconds
    corvinet_log "Running the 32-bit smoke tier (build/win32/bin/CORVINET.exe)"
    wait "$WIN32_PREFIX_JOB" 2>/dev/null || true
    started=$(date +%s)
    WIN32_PREFIX_JOB=""
    WIN32_SERVER_PID="$(cat "$WIN32_SERVER_DIR/pid" 2>/dev/null || true)"
    read -r state reason <"$WIN32_STATUS_FILE" 2>/dev/null || state=""
    case $state in
        ready) prefix_seconds="$reason" ;;
        skip)
            SUMMARIES+=("win32: skipped: $reason")
            echo "skipped: $reason"
            return 0
            ;;
        *)
            cat "$LOGS/win32-prepare.log" >&2 || true
            win32_tier_count 0 0 "not run" "not prepared: ${reason:-see ${LOGS#"$CORVINET_ROOT"/}/win32-prepare.log}"
            return 0
            ;;
    esac
    local driver="$CORVINET_BUILD/win64/bin/e2e_win32_smoke.exe"
    if [[ ! -f $driver || ! -f $WIN32_BUILD/bin/CORVINET.exe || ! -f $WIN32_BUILD/bin/rasapi32.dll ]]; then
        win32_tier_count 0 0 "not run" "the driver or the 32-bit program and line simulator were not built"
        return 0
    fi
    # Only the 32-bit program loads the shifter; the driver writes the shift into the file.
    local clockshift shift_variables=()
    clockshift="$(win32_tier_build_clockshift)"
    if [[ -n $clockshift ]]; then
        shift_variables=(LD_PRELOAD="$clockshift"
            CORVINET_CLOCK_SHIFT_FILE="$WIN32_BUILD/smoke-work/clock-shift")
    fi
    WIN32_WINE_STARTED=1
    {
        WINEPREFIX="$WIN32_PREFIX" wineserver -w || true
        WINEPREFIX="$WIN32_PREFIX" wineserver -p || true
        cd "$CORVINET_BUILD/win64" &&
            DISPLAY="$WIN32_DISPLAY" WINEPREFIX="$WIN32_PREFIX" CORVINET_WIN32_BUILD="$WIN32_BUILD" \
                CORVINET_CONFIGSERVER_SCRIPT="$WIN32_SERVER_DIR/script.json" \
                CORVINET_CONFIGSERVER_LOG="$WIN32_SERVER_DIR/requests.log" \
                WINEDLLOVERRIDES="$CORVINET_WINE_DLL_OVERRIDES" \
                env "${shift_variables[@]}" timeout --kill-after=30 "$WIN32_DRIVER_LIMIT" \
                $(corvinet_wine_launcher) "$(corvinet_wine_loader)" "$driver"
    } >"$log" 2>&1 || status=$?
    cd "$CORVINET_ROOT" || true
    cat "$log"
    local ran passed
    ran="$(sed -nE 's/^\[==========\] ([0-9]+) tests? from .* ran\..*/\1/p' "$log" | tail -1)"
    passed="$(sed -nE 's/^\[  PASSED  \] ([0-9]+) tests?\..*/\1/p' "$log" | tail -1)"
    local failure=""
    local times="set-up and prefix $prefix_seconds s beside the builds, tests $(($(date +%s) - started)) s"
    if [[ -z $ran ]]; then
        win32_tier_count 0 1 "$times" "the driver did not finish (exit status $status)"
        return 0
    fi
    passed="${passed:-0}"
    if [[ $status -ne 0 || $passed -ne $ran ]] || grep -qE 'Unhandled (exception|page fault)' "$log"; then
        failure="$((ran - passed)) of $ran failed (exit status $status)"
    fi
    win32_tier_count "$passed" "$((ran - passed))" "$times" "$failure"
    win32_tier_convert_screenshots
}

# The wall-clock shifter for the 32-bit Wine, built into build/win32/clockshift as
# lib/i386-linux-gnu/libclockshift.so, beside an empty library of the same name in
# lib/x86_64-linux-gnu: LD_PRELOAD names them as <folder>/$LIB/libclockshift.so, which the
# loader of each process completes with its own library folder, so that only the 32-bit program
# gets the shifter and the 64-bit processes load nothing. Prints the LD_PRELOAD value, nothing
# when the shifter cannot be built (the scenario after 2038 then fails).
win32_tier_build_clockshift() {
    local folder="$WIN32_BUILD/clockshift"
    mkdir -p "$folder/lib/i386-linux-gnu" "$folder/lib/x86_64-linux-gnu"
    if gcc -m32 -shared -fPIC -nostdlib -ffreestanding -O2 -Wall -Wextra -Werror \
        -o "$folder/lib/i386-linux-gnu/libclockshift.so" \
        "$CORVINET_ROOT/tools/clockshift/clockshift.c" >&2 &&
        gcc -shared -nostdlib -x c /dev/null -o "$folder/lib/x86_64-linux-gnu/libclockshift.so" >&2
    then
        echo "$folder/\$LIB/libclockshift.so"
    fi
}

win32_tier_convert_screenshots() {
    local picture
    for picture in "$CORVINET_BUILD"/win64/screenshots/*Win32*.bmp; do
        [[ -f $picture ]] && convert "$picture" "${picture%.bmp}.png" 2>/dev/null && rm -f "$picture"
    done
}

win32_tier_cleanup() {
    if [[ -n $WIN32_PREFIX_JOB ]]; then
        kill "$WIN32_PREFIX_JOB" 2>/dev/null
        wait "$WIN32_PREFIX_JOB" 2>/dev/null
        WIN32_SERVER_PID="$(cat "$WIN32_SERVER_DIR/pid" 2>/dev/null || true)"
    fi
    if [[ -n $WIN32_WINE_STARTED || -n $WIN32_PREFIX_JOB ]]; then
        WINEPREFIX="$WIN32_PREFIX" wineserver -k 2>/dev/null
        WINEPREFIX="$WIN32_PREFIX" timeout 20 wineserver -w 2>/dev/null
    fi
    if [[ -n $WIN32_SERVER_PID ]]; then
        kill "$WIN32_SERVER_PID" 2>/dev/null
    fi
    if [[ -n $WIN32_XVFB_PID ]]; then
        kill "$WIN32_XVFB_PID" 2>/dev/null
    fi
    return 0
}
