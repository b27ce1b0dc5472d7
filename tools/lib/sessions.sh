# shellcheck shell=bash
# Wine sessions for the Windows and end-to-end tests of build/win64. A session is what one
# running copy of the program needs for itself: a Wine prefix with its own Wine server (so its
# own registry, single-instance mutex and desktop), a private Xvfb display (message boxes,
# menus and the tray are found and photographed on the screen), a configuration server
# stand-in and the browser stand-in (tools/browser) with a log of its own. ctest hands the
# sessions out as the resource "wine_session" (resources.json) and cmake/wine-run.sh runs each
# test program in the one it was given, so that end-to-end tests run side by side without
# seeing each other. Sourced through tools/lib/rig.sh (after wine.sh and standins.sh); the
# command is tools/wine-sessions.sh.
#
# Each session folder <build>/win64/wine-sessions/<n> holds session.env (read by
# cmake/wine-run.sh: the prefix, display, stand-ins, and the Wine loader and DLL overrides of
# wine.sh), the prefix, the configuration server's files, the browser log, the Wine log and the
# ids of the processes started for it.

CORVINET_SESSIONS="$CORVINET_BUILD/win64/wine-sessions"
CORVINET_SESSION_SLOTS=4 # an end-to-end test takes all of them, a Windows-tier test one

corvinet_session_dir() {
    echo "$CORVINET_SESSIONS/$1"
}

# The displays and the configuration servers of COUNT sessions, and their session.env files.
# The prefixes come later (corvinet_sessions_make_prefixes), as they take a while.
corvinet_sessions_begin() {
    local count="$1" n dir
    rm -rf "$CORVINET_SESSIONS"
    mkdir -p "$CORVINET_SESSIONS"
    for n in $(seq 1 "$count"); do
        dir="$(corvinet_session_dir "$n")"
        mkdir -p "$dir"
        (
            corvinet_start_xvfb >/dev/null || exit 1
            echo "$CORVINET_XVFB_PID" >"$dir/xvfb.pid"
            corvinet_start_config_server "$dir/configserver" --script "$dir/configserver/script.json" \
                >/dev/null || exit 1
            echo "$CORVINET_SERVER_PID" >"$dir/configserver.pid"
            echo "$CORVINET_SERVER_PORT" >"$dir/configserver.port"
            : >"$dir/browser.log"
            {
                echo "export WINEPREFIX='$dir/prefix'"
                echo "export DISPLAY='$DISPLAY'"
                echo "export TZ=ART3"
                corvinet_wine_environment
                echo "export CORVINET_CONFIGSERVER_SCRIPT='$dir/configserver/script.json'"
                echo "export CORVINET_CONFIGSERVER_LOG='$dir/configserver/requests.log'"
                echo "export CORVINET_BROWSER_LOG='$dir/browser.log'"
                # The browser stand-in catches the pages the program opens.
                echo "export PATH='$CORVINET_ROOT/tools/browser':\"\$PATH\""
            } >"$dir/session.env"
        ) || return 1
        echo "Wine session $n: display $(corvinet_session_value "$n" DISPLAY)," \
            "configuration server on port $(cat "$dir/configserver.port")"
    done
    printf '{"version": {"major": 1, "minor": 0}, "local": [{"wine_session": [%s]}]}\n' \
        "$(for n in $(seq 1 "$count"); do
            printf '%s{"id": "%s", "slots": %s}' "$([[ $n -gt 1 ]] && echo ', ')" "$n" \
                "$CORVINET_SESSION_SLOTS"
        done)" >"$CORVINET_SESSIONS/resources.json"
}

corvinet_session_value() {
    (
        # shellcheck disable=SC1091
        source "$(corvinet_session_dir "$1")/session.env"
        echo "${!2}"
    )
}

corvinet_session_count() {
    local count=0
    while [[ -f $(corvinet_session_dir $((count + 1)))/session.env ]]; do
        count=$((count + 1))
    done
    echo "$count"
}

# One fresh prefix (about 12 s), copied for the other sessions: the big system folders are
# hard links (Wine only reads them), everything else a copy of its own.
corvinet_sessions_make_prefixes() {
    local count n base copy
    count="$(corvinet_session_count)"
    base="$(corvinet_session_dir 1)/prefix"
    DISPLAY="$(corvinet_session_value 1 DISPLAY)" corvinet_create_prefix "$base" N ""
    WINEPREFIX="$base" wineserver -w
    for n in $(seq 2 "$count"); do
        copy="$(corvinet_session_dir "$n")/prefix"
        mkdir -p "$copy/drive_c/windows"
        (cd "$base" && tar --exclude=./wineserver --exclude=./drive_c/windows/system32 \
            --exclude=./drive_c/windows/winsxs -cf - .) | (cd "$copy" && tar -xf -) || return
        cp -al "$base/drive_c/windows/system32" "$base/drive_c/windows/winsxs" \
            "$copy/drive_c/windows/" || return
    done
}

# Starts the Wine server of each session (kept for the whole run: each test program then
# starts in a tenth of a second), points the prefix's proxy at the session's configuration
# server, and starts desktop_keeper.exe. Wine's helper processes inherit the standard error of
# whoever started them: they get the session's wine.log, never a test's output pipe, on which
# ctest would wait until they end.
corvinet_sessions_start() {
    local count n keeper="$CORVINET_BUILD/win64/bin/desktop_keeper.exe" status=0
    local -a jobs=()
    count="$(corvinet_session_count)"
    if [[ ! -f $keeper ]]; then
        echo "desktop_keeper.exe was not built" >&2
        return 1
    fi
    # The sessions start side by side: each start mostly waits for Wine.
    for n in $(seq 1 "$count"); do
        (
            # shellcheck disable=SC1091
            source "$(corvinet_session_dir "$n")/session.env"
            corvinet_session_start_one "$n" "$keeper"
        ) &
        jobs+=($!)
    done
    for n in "${jobs[@]}"; do
        wait "$n" || status=1
    done
    return "$status"
}

# Starts session n (in a subshell that has read its session.env).
corvinet_session_start_one() {
    local n="$1" keeper="$2" dir log
    dir="$(corvinet_session_dir "$n")"
    log="$dir/wine.log"
    export WINEDEBUG=-all
    wineserver -p >>"$log" 2>&1
    corvinet_prefix_settings "$WINEPREFIX" N "$(cat "$dir/configserver.port")"
    corvinet_wine cmd /c exit 0 >>"$log" 2>&1 || true
    corvinet_wine "$keeper" >>"$log" 2>&1 &
    local _ process
    for _ in $(seq 1 100); do
        for process in /proc/[0-9]*; do
            if [[ $(readlink "$process/fd/2" 2>/dev/null) == "$log" ]] &&
                tr '\0' ' ' <"$process/cmdline" 2>/dev/null | grep -q 'explorer.exe /desktop'; then
                echo "Wine session $n ready (desktop process ${process#/proc/})"
                return 0
            fi
        done
        sleep 0.1
    done
    echo "Wine session $n: the desktop did not start from desktop_keeper.exe" >&2
    return 1
}

# Ends what the sessions started: their Wine servers (and with them every Wine process of the
# session), configuration servers and displays.
corvinet_sessions_stop() {
    local n dir pid
    for n in $(seq 1 "$(corvinet_session_count)"); do
        dir="$(corvinet_session_dir "$n")"
        if [[ -d $dir/prefix ]]; then
            WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null
            WINEPREFIX="$dir/prefix" timeout 20 wineserver -w 2>/dev/null
        fi
        for pid in configserver xvfb; do
            if [[ -f $dir/$pid.pid ]]; then
                kill "$(cat "$dir/$pid.pid")" 2>/dev/null
                rm -f "$dir/$pid.pid"
            fi
        done
    done
    return 0
}
