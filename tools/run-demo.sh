#!/usr/bin/env bash
# Shows CORVINET Dialer running under Wine, on a machine without a modem or the provider:
#   - installs what is missing and builds the 64-bit program and the line simulator;
#   - uses its own Wine prefix (build/demo-prefix), never ~/.wine;
#   - dials through the line simulator, which connects after 1.5 s so that the wait cursor
#     shows (its control file and journal are in build/demo-work, the program's folder);
#   - answers the configuration requests with the test configuration server ("nothing newer"),
#     reached through the prefix's proxy settings; web pages are logged, not opened;
#   - with $DISPLAY set, the program opens there and the script waits until you close it
#     (Escape, then Yes); without one, it runs on a private Xvfb, and the script saves a
#     screenshot and ends it.
# A screenshot of the screen goes to build/demo-screenshot.png in both cases.
set -euo pipefail

# shellcheck source=tools/lib/rig.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/rig.sh"

DEMO_PREFIX="$CORVINET_BUILD/demo-prefix"
DEMO_WORK="$CORVINET_BUILD/demo-work"
SCREENSHOT="$CORVINET_BUILD/demo-screenshot.png"
PROGRAM="$CORVINET_BUILD/win64/bin/CORVINET.exe"
WINDOW_TIMEOUT=60

export TZ="${TZ:-ART3}"
export WINEDEBUG=-all

CORVINET_XVFB_PID=""
CORVINET_SERVER_PID=""
WINE_STARTED=""

cleanup() {
    local status=$?
    set +e
    if [[ -n $WINE_STARTED ]]; then
        WINEPREFIX="$DEMO_PREFIX" wineserver -k 2>/dev/null
        WINEPREFIX="$DEMO_PREFIX" timeout 20 wineserver -w 2>/dev/null
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

corvinet_log "Checking the tools"
corvinet_install
corvinet_build_win64 --target CORVINET linesim

HEADLESS=""
if [[ -n ${DISPLAY:-} ]] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    echo "Using the display $DISPLAY"
else
    HEADLESS=1
    corvinet_start_xvfb
fi

mkdir -p "$DEMO_WORK"
cat >"$DEMO_WORK/linesim.ini" <<'EOF'
; Line simulator of the demo: every call connects after 1.5 seconds.
[dial]
result=0
delay_ms=1500

[hangup]
result=0
delay_ms=0
EOF

corvinet_start_config_server "$DEMO_WORK/configserver"

# Without a window manager (Xvfb) Wine manages its windows itself; on a desktop the
# window manager draws the frames.
MANAGED=Y
if [[ -n $HEADLESS ]]; then
    MANAGED=N
fi
WINE_STARTED=1
if [[ ! -f $DEMO_PREFIX/system.reg ]]; then
    corvinet_log "Creating the demo's Wine prefix (build/demo-prefix)"
    corvinet_create_prefix "$DEMO_PREFIX" "$MANAGED" "$CORVINET_SERVER_PORT"
else
    # The prefix stays between demo runs (with the program's settings); the server's port
    # changes every time.
    corvinet_prefix_settings "$DEMO_PREFIX" "$MANAGED" "$CORVINET_SERVER_PORT"
fi

corvinet_log "Starting CORVINET Dialer"
export WINEPREFIX="$DEMO_PREFIX"
export CORVINET_LINESIM_DIR="$DEMO_WORK"
export CORVINET_BROWSER_LOG="$DEMO_WORK/browser.log"
export PATH="$CORVINET_ROOT/tools/browser:$PATH"
(cd "$DEMO_WORK" && corvinet_wine "$PROGRAM") &
PROGRAM_PID=$!

WINDOW=""
for _ in $(seq 1 $((WINDOW_TIMEOUT * 4))); do
    WINDOW="$(xdotool search --onlyvisible --name '^CORVINET Dialer$' 2>/dev/null | head -1 || true)"
    [[ -n $WINDOW ]] && break
    kill -0 "$PROGRAM_PID" 2>/dev/null || break
    sleep 0.25
done
if [[ -z $WINDOW ]]; then
    echo "The main window did not appear within $WINDOW_TIMEOUT s." >&2
    exit 1
fi
# The window fades in when it paints: give it a moment before the picture.
sleep 2
import -window root "$SCREENSHOT"
echo "Screenshot: $SCREENSHOT"

if [[ -n $HEADLESS ]]; then
    echo "No display of your own: the demo ends here."
else
    echo "CORVINET Dialer is running: press Discar to dial through the line simulator."
    echo "Close it with Escape and Yes (the close box only hides it to the tray)."
    wait "$PROGRAM_PID" || true
fi
echo "Line simulator journal: $DEMO_WORK/linesim.log"
echo "Configuration requests: $DEMO_WORK/configserver/requests.log"
