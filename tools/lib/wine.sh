# shellcheck shell=bash
# Wine for the tests, the demo and the benchmark: the one place that chooses the loader and the
# DLL overrides of every Wine process we start, the X display it needs, and its prefixes.
# Sourced through tools/lib/rig.sh (after common.sh). cmake/wine-run.sh, which runs the test
# programs for ctest, reads the same choice from the session.env files that tools/lib/sessions.sh
# writes with corvinet_wine_environment.

# DLL overrides: the line simulator instead of the system's rasapi32 stub, and no menu entries,
# .NET or Gecko installers in the scratch prefixes.
CORVINET_WINE_DLL_OVERRIDES="rasapi32=n;winemenubuilder.exe=d;mscoree=d;mshtml=d"

# The loader that starts every Wine program of ours (64-bit programs all; the prefix's own tools
# included): the 64-bit loader itself. Where the 32-bit side of Wine is installed as well, the
# "wine" command starts the 32-bit loader first, which under user-mode emulation costs about a
# minute for each program. Asked at each use, since the packages may be installed meanwhile.
corvinet_wine_loader() {
    if [[ -x /usr/lib/wine/wine64 ]]; then
        echo /usr/lib/wine/wine64
    else
        echo wine
    fi
}

# What the loader is started under: the Linux address space laid out without randomisation.
# Debian's Wine has no preloader, which would reserve Windows' fixed addresses before anything
# else is mapped; without it the loader's heap (brk, right above the loader at 0x7d000000) starts
# at a random place up to about 1 GiB higher, so now and then it covers the addresses that Wine
# then needs for Windows' shared user data (0x7ffe0000), and the process ends inside Wine's
# start-up, before the program's own code runs. Without randomisation the heap starts right
# above the loader, every time. The setting passes to every process the program starts (they
# are started through the same loader). Empty where setarch cannot switch randomisation off.
corvinet_wine_launcher() {
    if setarch "$(uname -m)" -R true 2>/dev/null; then
        echo "setarch $(uname -m) -R"
    fi
}

# Runs a Windows program (or a tool of the prefix) under Wine with the overrides.
corvinet_wine() {
    local loader launcher
    loader="$(corvinet_wine_loader)"
    launcher="$(corvinet_wine_launcher)"
    # shellcheck disable=SC2086 # the launcher is a command and its arguments, or nothing
    WINEDLLOVERRIDES="$CORVINET_WINE_DLL_OVERRIDES" $launcher "$loader" "$@"
}

# The same choice as shell lines for cmake/wine-run.sh (in each session.env).
corvinet_wine_environment() {
    echo "export CORVINET_WINE_LAUNCHER='$(corvinet_wine_launcher)'"
    echo "export CORVINET_WINE_LOADER='$(corvinet_wine_loader)'"
    echo "export WINEDLLOVERRIDES='$CORVINET_WINE_DLL_OVERRIDES'"
}

# Starts a private Xvfb and exports DISPLAY. Xvfb takes the first free display itself and says
# which (-displayfd), so runs that start side by side never share one. Sets CORVINET_XVFB_PID.
corvinet_start_xvfb() {
    local answer number _
    answer="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$answer" >/dev/null 2>&1 &
    CORVINET_XVFB_PID=$!
    for _ in $(seq 1 100); do
        # The number arrives with its line feed once the server accepts connections.
        if [[ $(wc -l <"$answer") -ge 1 ]]; then
            number="$(tr -dc '0-9' <"$answer")"
            rm -f "$answer"
            export DISPLAY=":$number"
            echo "Xvfb on $DISPLAY (process $CORVINET_XVFB_PID)"
            return 0
        fi
        kill -0 "$CORVINET_XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$answer"
    kill "$CORVINET_XVFB_PID" 2>/dev/null || true
    CORVINET_XVFB_PID=""
    echo "Xvfb did not start" >&2
    return 1
}

# Windows form of a Linux path, as Wine maps it (drive Z: is the root).
corvinet_windows_path() {
    local path="$1"
    printf 'Z:%s' "${path//\//\\}"
}

# Writes the prefix settings for runs without a window manager and with the test
# configuration server as proxy. Arguments: prefix, managed (Y/N), proxy port or "".
corvinet_prefix_settings() {
    local prefix="$1" managed="$2" port="$3"
    local file="$prefix/corvinet-settings.reg"
    {
        echo 'REGEDIT4'
        echo
        echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
        echo "\"Managed\"=\"$managed\""
        echo
        echo '[HKEY_CURRENT_USER\Software\Wine\WineDbg]'
        echo '"ShowCrashDialog"=dword:00000000'
        echo
        # Wine has no font with the widths of the dialogs' "MS Sans Serif": its stand-in is
        # wider, and labels sized for the real font lose their last words. The condensed
        # DejaVu face comes close to the real widths.
        echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
        echo '"MS Sans Serif"="DejaVu Sans Condensed"'
        if [[ -n $port ]]; then
            echo
            echo '[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings]'
            echo '"ProxyEnable"=dword:00000001'
            echo "\"ProxyServer\"=\"127.0.0.1:$port\""
        fi
    } >"$file"
    WINEPREFIX="$prefix" WINEDEBUG=-all \
        corvinet_wine regedit.exe /S "$(corvinet_windows_path "$file")" >/dev/null 2>&1
}

# Creates a fresh prefix (about 10 to 15 s). Needs DISPLAY. Arguments: prefix, managed, port,
# and "wow64" for a prefix that also runs 32-bit programs (the 32-bit tier's).
#
# Any other prefix stays 64-bit only, however Wine is installed: wineboot sets up the 32-bit
# side by starting C:\windows\syswow64\rundll32.exe, and an empty file in its place (not a
# program) makes that start fail at once. Where wine32 is installed the prefix would otherwise
# take the 32-bit side as well, which costs about 3 minutes under user-mode emulation.
corvinet_create_prefix() {
    local prefix="$1" managed="$2" port="$3" sides="${4:-}"
    rm -rf "$prefix"
    mkdir -p "$prefix"
    if [[ $sides != wow64 ]]; then
        mkdir -p "$prefix/drive_c/windows/syswow64"
        : >"$prefix/drive_c/windows/syswow64/rundll32.exe"
    fi
    WINEPREFIX="$prefix" WINEDEBUG=-all corvinet_wine wineboot.exe -i >/dev/null 2>&1
    # Without this, Wine updates the prefix again when a process starts under a fake date.
    echo disable >"$prefix/.update-timestamp"
    corvinet_prefix_settings "$prefix" "$managed" "$port"
}
