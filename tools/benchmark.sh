#!/usr/bin/env bash
# Performance figures of CORVINET Dialer under Wine. Not a test: it measures and prints, each
# figure as a median of several runs beside a reference measured in the same run.
#
#   1. Start-up: from process start to the main window on screen (visible, fully opaque, its
#      thread idle), against bare_dialog.exe, a program that shows the same dialog template
#      from the same resources with no logic (tests/bench/bare_dialog). Target: at most 1.25
#      times the bare program.
#   2. The call log on 100,000 records: the usage report and the start-up trim, as the call
#      log's own timing test measures them (CallLogTiming of windows_tests.exe: the fastest of 15
#      runs each, against a plain read of the same file), run several times for the median; and the
#      usage window end to end (button to report on screen) with 100,000 records against an
#      empty log. Target: at most 100 ms each.
#   3. The size of the 64-bit release program (the one tools/release.sh builds). Target: at most
#      153,600 bytes (150 KiB), as tools/release.sh checks it.
#   4. Processor time of CORVINET.exe while connected and idle for 60 s (the 250 ms clock
#      only), from /proc/<pid>/stat. Target: under 1% of one core.
#
#   bash tools/benchmark.sh
#   CORVINET_BENCH_RUNS=31 CORVINET_BENCH_IDLE_SECONDS=120 bash tools/benchmark.sh
#   CORVINET_BENCH_BEFORE=<an earlier CORVINET.exe> bash tools/benchmark.sh
#
# CORVINET_BENCH_BEFORE adds a second round of start-ups with that program, against the bare
# dialog as in the first, for a figure before and after a change.
#
# Builds build/release-win64 (the release program, as tools/release.sh builds it),
# build/bench-release (the line simulator, the desktop keeper and the call log's timing test,
# with a copy of that program) and build/bench-tools; runs Wine in a prefix of its own
# (build/bench-prefix) on a private Xvfb, with the configuration-server stand-in as proxy.
# CORVINET_BUILD_DIR moves the build folder. Close other heavy work first: the figures are
# times on a shared machine.
set -euo pipefail

# shellcheck source=tools/lib/rig.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/rig.sh"

RUNS="${CORVINET_BENCH_RUNS:-21}"
IDLE_SECONDS="${CORVINET_BENCH_IDLE_SECONDS:-60}"
LOG_RUNS=5
USAGE_RUNS=9
RELEASE="$CORVINET_BUILD/bench-release"
TOOLS="$CORVINET_BUILD/bench-tools"
PREFIX="$CORVINET_BUILD/bench-prefix"
WORK="$CORVINET_BUILD/bench-work"
SIZE_TARGET=153600

CORVINET_XVFB_PID=""
CORVINET_SERVER_PID=""
cleanup() {
    local status=$?
    set +e
    if [[ -d $PREFIX ]]; then
        WINEPREFIX="$PREFIX" wineserver -k 2>/dev/null
        WINEPREFIX="$PREFIX" timeout 20 wineserver -w 2>/dev/null
    fi
    [[ -n $CORVINET_SERVER_PID ]] && kill "$CORVINET_SERVER_PID" 2>/dev/null
    [[ -n $CORVINET_XVFB_PID ]] && kill "$CORVINET_XVFB_PID" 2>/dev/null
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

winpath() {
    corvinet_windows_path "$1"
}

median() {
    sort -g | awk '{v[NR] = $1} END {if (NR % 2) print v[(NR + 1) / 2]; else printf "%.2f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

# ---- Build --------------------------------------------------------------------------------

corvinet_install
# The helpers in a tree of their own, optimised as the program is; the program itself is the
# one tools/release.sh builds (the preset release-win64, in $CORVINET_BUILD/release-win64),
# which that tree brings up to date and copies beside them (CORVINET_TEST_RELEASE_PROGRAM).
# A tree configured with the toolchain files of before is made afresh.
if ! grep -qsx "CMAKE_TOOLCHAIN_FILE:FILEPATH=$CORVINET_ROOT/cmake/mingw-w64.cmake" \
    "$RELEASE/CMakeCache.txt"; then
    rm -rf "$RELEASE"
fi
corvinet_log "Building ${RELEASE#"$CORVINET_ROOT"/} (the release program and the helpers)"
cmake -S "$CORVINET_ROOT" -B "$RELEASE" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$CORVINET_ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCORVINET_TEST_RELEASE_PROGRAM=ON \
    -DCORVINET_RELEASE_TREE="$CORVINET_BUILD/release-win64" >/dev/null
cmake --build "$RELEASE" -j"$CORVINET_JOBS" \
    --target CORVINET linesim desktop_keeper windows_tests
# Built as the program is, with the compilers of the Windows thread model; made afresh each
# time (two small programs), so that it never keeps the compilers of an earlier configuration.
corvinet_log "Building ${TOOLS#"$CORVINET_ROOT"/} (bare_dialog.exe, bench_driver.exe)"
rm -rf "$TOOLS"
cmake -S "$CORVINET_ROOT/tests/bench/bare_dialog" -B "$TOOLS" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$CORVINET_ROOT/cmake/mingw-w64.cmake" -DCORVINET_THREADS=win32 \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$TOOLS" -j"$CORVINET_JOBS"

PROGRAM="$RELEASE/bin/CORVINET.exe"
BARE="$TOOLS/bin/bare_dialog.exe"
DRIVER="$TOOLS/bin/bench_driver.exe"

# ---- Wine ---------------------------------------------------------------------------------

export TZ=ART3 LC_ALL=C.UTF-8 WINEDEBUG=-all
if [[ -n ${CORVINET_BENCH_DISPLAY:-} ]]; then
    export DISPLAY="$CORVINET_BENCH_DISPLAY"
else
    corvinet_start_xvfb
fi
rm -rf "$WORK"
mkdir -p "$WORK"
corvinet_start_config_server "$WORK/configserver"
corvinet_log "Creating the Wine prefix ${PREFIX#"$CORVINET_ROOT"/}"
corvinet_create_prefix "$PREFIX" N "$CORVINET_SERVER_PORT"
export WINEPREFIX="$PREFIX"
wineserver -w
wineserver -p
corvinet_wine "$RELEASE/bin/desktop_keeper.exe" >/dev/null 2>&1 &
sleep 2
# The line simulator keeps its files beside the program's log.
export CORVINET_LINESIM_DIR
CORVINET_LINESIM_DIR="$(winpath "$WORK")"

# ---- 1. Start-up --------------------------------------------------------------------------

corvinet_log "Start-up: $RUNS starts of each program"
corvinet_wine "$DRIVER" startup "$RUNS" "$(winpath "$WORK")" "$(winpath "$BARE")" "$(winpath "$PROGRAM")" |
    tr -d '\r' | tee "$WORK/startup.txt"
read -r _ _ BARE_MS _ PROGRAM_MS _ STARTUP_RATIO _ < <(grep '^startup-summary' "$WORK/startup.txt")
BEFORE_LINE=""
if [[ -n ${CORVINET_BENCH_BEFORE:-} ]]; then
    # An earlier program, measured in a second round against the bare dialog, as the first.
    mkdir -p "$WORK/before"
    cp "$CORVINET_BENCH_BEFORE" "$WORK/before/CORVINET.exe"
    corvinet_log "Start-up of the earlier program $CORVINET_BENCH_BEFORE: $RUNS starts of each"
    corvinet_wine "$DRIVER" startup "$RUNS" "$(winpath "$WORK")" "$(winpath "$BARE")" \
        "$(winpath "$WORK/before/CORVINET.exe")" | tr -d '\r' | tee "$WORK/startup-before.txt"
    read -r _ _ BEFORE_BARE_MS _ BEFORE_MS _ BEFORE_RATIO _ < \
        <(grep '^startup-summary' "$WORK/startup-before.txt")
    BEFORE_LINE="The earlier program ($(stat -c %s "$CORVINET_BENCH_BEFORE") bytes), in a second \
round: $BEFORE_MS ms, bare dialog $BEFORE_BARE_MS ms, ratio $BEFORE_RATIO"
fi

# ---- 2. The call log on 100,000 records ----------------------------------------------------

corvinet_log "The call log's timing test, $LOG_RUNS runs"
: >"$WORK/calllog.txt"
for _ in $(seq 1 "$LOG_RUNS"); do
    (cd "$WORK" && corvinet_wine "$RELEASE/bin/windows_tests.exe" --gtest_filter='CallLogTiming.*' \
        --gtest_brief=1) 2>&1 |
        tr -d '\r' | grep -E '^(report|trim)' | tee -a "$WORK/calllog.txt"
done
REPORT_MS="$(sed -nE 's/^report, ten years: ([0-9.]+) ms.*/\1/p' "$WORK/calllog.txt" | median)"
REPORT_PLAIN_MS="$(sed -nE 's/^report, ten years: .*plain read\+decode ([0-9.]+) ms.*/\1/p' \
    "$WORK/calllog.txt" | median)"
REPORT_ALL_MS="$(sed -nE 's/^report, all in this month: ([0-9.]+) ms.*/\1/p' "$WORK/calllog.txt" |
    median)"
TRIM_MS="$(sed -nE 's/^trim at start-up: ([0-9.]+) ms.*/\1/p' "$WORK/calllog.txt" | median)"

corvinet_log "The usage window end to end, $USAGE_RUNS openings with each log"
mkdir -p "$WORK/usage"
corvinet_wine "$DRIVER" usage "$USAGE_RUNS" "$(winpath "$WORK/usage")" "$(winpath "$PROGRAM")" |
    tr -d '\r' | tee "$WORK/usage.txt"
read -r _ _ USAGE_FULL_MS _ USAGE_EMPTY_MS _ _ _ _ < <(grep '^usage-summary' "$WORK/usage.txt")

# ---- 3. Size ------------------------------------------------------------------------------

SIZE="$(stat -c %s "$PROGRAM")"

# ---- 4. Processor time while connected and idle ------------------------------------------

# The Linux process of this prefix whose program (the command line's first word) ends in name:
# a Windows program (Wine shows its Windows path there), or the Wine server.
linux_pid_of() {
    local name="$1" process
    for process in /proc/[0-9]*; do
        if tr '\0' '\n' <"$process/cmdline" 2>/dev/null | head -1 | grep -qi -- "$name\$" &&
            tr '\0' '\n' <"$process/environ" 2>/dev/null | grep -qx "WINEPREFIX=$PREFIX"; then
            echo "${process#/proc/}"
            return 0
        fi
    done
    return 1
}

# utime + stime of a process, in clock ticks.
cpu_ticks() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}

# Time on a processor of all the process's threads, in nanoseconds (finer than the ticks).
cpu_ns() {
    cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{sum += $1} END {printf "%.0f\n", sum}'
}

corvinet_log "Processor time while connected and idle for $IDLE_SECONDS s"
mkdir -p "$WORK/idle"
corvinet_wine "$DRIVER" hold "$((IDLE_SECONDS + 5))" "$(winpath "$WORK/idle")" "$(winpath "$PROGRAM")" \
    >"$WORK/idle.txt" 2>&1 &
HOLD_JOB=$!
for _ in $(seq 1 300); do
    grep -q '^connected' "$WORK/idle.txt" 2>/dev/null && break
    sleep 0.1
done
grep -q '^connected' "$WORK/idle.txt" || {
    cat "$WORK/idle.txt" >&2
    echo "the program did not connect" >&2
    exit 1
}
sleep 2 # the configuration check after the dial is over; only the clock runs now
PID="$(linux_pid_of CORVINET.exe)"
SERVER_PID="$(linux_pid_of wineserver64 || linux_pid_of wineserver || true)"
TICKS="$(getconf CLK_TCK)"
echo "CORVINET.exe is Linux process $PID, the Wine server ${SERVER_PID:-unknown}"
BEFORE="$(cpu_ticks "$PID")"
BEFORE_NS="$(cpu_ns "$PID")"
SERVER_BEFORE="$( [[ -n $SERVER_PID ]] && cpu_ticks "$SERVER_PID" || echo 0)"
sleep "$IDLE_SECONDS"
AFTER="$(cpu_ticks "$PID")"
AFTER_NS="$(cpu_ns "$PID")"
SERVER_AFTER="$( [[ -n $SERVER_PID ]] && cpu_ticks "$SERVER_PID" || echo 0)"
echo "utime+stime $BEFORE -> $AFTER ticks, on a processor $BEFORE_NS -> $AFTER_NS ns"
wait "$HOLD_JOB" || true
cat "$WORK/idle.txt"
CPU_PERCENT="$(awk -v t="$((AFTER - BEFORE))" -v hz="$TICKS" -v s="$IDLE_SECONDS" \
    'BEGIN {printf "%.2f", 100 * t / hz / s}')"
CPU_MS="$(awk -v a="$BEFORE_NS" -v b="$AFTER_NS" 'BEGIN {printf "%.1f", (b - a) / 1e6}')"
CPU_NS_PERCENT="$(awk -v a="$BEFORE_NS" -v b="$AFTER_NS" -v s="$IDLE_SECONDS" \
    'BEGIN {printf "%.3f", 100 * (b - a) / 1e9 / s}')"
SERVER_PERCENT="$(awk -v t="$((SERVER_AFTER - SERVER_BEFORE))" -v hz="$TICKS" -v s="$IDLE_SECONDS" \
    'BEGIN {printf "%.2f", 100 * t / hz / s}')"

# ---- Summary ------------------------------------------------------------------------------

verdict() {
    if awk -v v="$1" -v limit="$2" 'BEGIN {exit !(v <= limit)}'; then echo "within"; else echo "OVER"; fi
}

corvinet_log "Figures"
cat <<EOF
Machine: $(sed -nE 's/^model name\s*: (.*)/\1/p' /proc/cpuinfo | head -1), $(nproc) cores, \
$(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo) memory; \
$(. /etc/os-release && echo "$PRETTY_NAME"), Linux $(uname -r), $(corvinet_wine --version), Xvfb
Start-up to the main window ($RUNS runs each, median): CORVINET.exe $PROGRAM_MS ms, \
bare dialog $BARE_MS ms, ratio $STARTUP_RATIO ($(verdict "$STARTUP_RATIO" 1.25) the 1.25 target)${BEFORE_LINE:+
$BEFORE_LINE}
Usage report, 100,000 records over ten years: $REPORT_MS ms (plain read of the file \
$REPORT_PLAIN_MS ms; $(verdict "$REPORT_MS" 100) 100 ms); all 100,000 in this month: \
$REPORT_ALL_MS ms
Start-up trim, 100,000 records: $TRIM_MS ms ($(verdict "$TRIM_MS" 100) 100 ms)
Usage window end to end, 100,000 records: $USAGE_FULL_MS ms; with an empty log: \
$USAGE_EMPTY_MS ms
Release program (64-bit): $SIZE bytes, $((SIZE / 1024)) KiB ($(verdict "$SIZE" "$SIZE_TARGET") \
$SIZE_TARGET bytes)
Processor time connected and idle, $IDLE_SECONDS s: CORVINET.exe $CPU_PERCENT% of one core by \
utime+stime ($((AFTER - BEFORE)) ticks of 1/$TICKS s), $CPU_NS_PERCENT% by its threads' run \
time ($CPU_MS ms) ($(verdict "$CPU_PERCENT" 0.999) 1%); the Wine server meanwhile $SERVER_PERCENT%
EOF
