#!/usr/bin/env bash
# Prepares a Debian 12 machine for CORVINET Dialer and builds it.
#
#   bash tools/setup.sh             install what is missing, then build all three configurations
#   bash tools/setup.sh install     only install the packages
#   bash tools/setup.sh win64       build/win64: the program and every test exe (64-bit, run here)
#   bash tools/setup.sh win32       build/win32: the program and the line simulator (32-bit;
#                                   run by the 32-bit tier of tools/run-tests.sh)
#   bash tools/setup.sh native      build/native: the portable core, its tests and fuzz targets
#                                   (clang, AddressSanitizer and UndefinedBehaviorSanitizer)
#
# tools/run-tests.sh and tools/run-demo.sh source this file for the functions below.
# CORVINET_BUILD_DIR moves the build folder (default: build/ in the repository).

CORVINET_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
CORVINET_BUILD="${CORVINET_BUILD_DIR:-$CORVINET_ROOT/build}"
CORVINET_JOBS=2

CORVINET_PACKAGES=(cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev
    libbenchmark-dev g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb xauth xdotool
    imagemagick faketime nsis python3 ca-certificates fonts-dejavu-extra)

# Commands and files that the packages above provide; when all are present, apt is skipped.
CORVINET_COMMANDS=(cmake make g++ clang clang++ x86_64-w64-mingw32-g++-posix
    x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-windres i686-w64-mingw32-g++-posix
    i686-w64-mingw32-gcc-posix i686-w64-mingw32-windres wine wineserver wineboot winepath
    regedit Xvfb xauth xdotool import faketime makensis python3)
CORVINET_FILES=(/usr/src/googletest/CMakeLists.txt /usr/include/gtest/gtest.h
    /usr/include/benchmark/benchmark.h /usr/lib/wine/wine64 /usr/bin/convert
    /etc/ssl/certs/ca-certificates.crt /usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf)

corvinet_log() {
    printf '\n=== %s [%s]\n' "$*" "$(date +%H:%M:%S)"
}

# Prints what is missing, one item a line; prints nothing on a ready machine.
corvinet_missing() {
    local name
    for name in "${CORVINET_COMMANDS[@]}"; do
        command -v "$name" >/dev/null 2>&1 || echo "command $name"
    done
    for name in "${CORVINET_FILES[@]}"; do
        [[ -e $name ]] || echo "file $name"
    done
    # libFuzzer comes with clang's runtime libraries.
    local resource
    resource="$(clang -print-resource-dir 2>/dev/null || true)"
    if [[ -z $resource || ! -e $resource/lib/linux/libclang_rt.fuzzer-x86_64.a ]]; then
        echo "file libclang_rt.fuzzer-x86_64.a"
    fi
}

corvinet_install() {
    local missing
    missing="$(corvinet_missing)"
    if [[ -z $missing ]]; then
        echo "All tools present."
        return 0
    fi
    corvinet_log "Installing packages (missing: $(echo "$missing" | tr '\n' ' '))"
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    local install=("${sudo[@]}" apt-get install -y --no-install-recommends
        -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold
        "${CORVINET_PACKAGES[@]}")
    # The package lists are fetched once: when there are none yet, or when the install fails
    # with the lists at hand (a fresh or an outdated machine).
    if ! compgen -G '/var/lib/apt/lists/*Packages*' >/dev/null; then
        "${sudo[@]}" apt-get update
    fi
    if ! "${install[@]}" </dev/null; then
        "${sudo[@]}" apt-get update
        "${install[@]}" </dev/null
    fi
    missing="$(corvinet_missing)"
    if [[ -n $missing ]]; then
        echo "Still missing after the install:" >&2
        echo "$missing" >&2
        return 1
    fi
}

# Configures and builds one configuration with its presets (CMakePresets.json), in
# $CORVINET_BUILD/<preset>. Extra arguments go to cmake --build (the demo builds only the
# program and the simulator). A build folder other than build/ gets the preset's settings all the
# same; cmake --build is then told the folder instead of the preset.
corvinet_build() {
    local preset="$1" folder="$CORVINET_BUILD/$1"
    shift
    (cd "$CORVINET_ROOT" && cmake --preset "$preset" -B "$folder" >/dev/null) || return
    if [[ $folder -ef $CORVINET_ROOT/build/$preset ]]; then
        (cd "$CORVINET_ROOT" && cmake --build --preset "$preset" "$@")
    else
        cmake --build "$folder" -j"$CORVINET_JOBS" "$@"
    fi
}

# shellcheck disable=SC2120
corvinet_build_win64() {
    corvinet_log "Building build/win64 (MinGW-w64 x86_64)"
    corvinet_build win64 "$@"
}

corvinet_build_win32() {
    corvinet_log "Building build/win32 (MinGW-w64 i686: the program and the line simulator)"
    corvinet_build win32 --target CORVINET linesim
}

corvinet_build_native() {
    corvinet_log "Building build/native (clang, sanitizers, fuzz targets)"
    corvinet_build native
}

# ---- Wine and X for the test run and the demo ---------------------------------------------

# Every 64-bit Wine program (the prefix's own tools included) is started by the 64-bit loader
# itself. Where the 32-bit side of Wine is installed as well, the "wine" command starts the
# 32-bit loader first, which under user-mode emulation costs about a minute for each program.
corvinet_wine64() {
    if [[ -x /usr/lib/wine/wine64 ]]; then
        /usr/lib/wine/wine64 "$@"
    else
        wine "$@"
    fi
}

# DLL overrides for every Wine process we start: the line simulator instead of the system's
# rasapi32 stub, and no menu entries, .NET or Gecko installers in the scratch prefixes.
CORVINET_WINEDLLOVERRIDES="rasapi32=n;winemenubuilder.exe=d;mscoree=d;mshtml=d"

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
    WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="$CORVINET_WINEDLLOVERRIDES" \
        corvinet_wine64 regedit.exe /S "$(corvinet_windows_path "$file")" >/dev/null 2>&1
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
    WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="$CORVINET_WINEDLLOVERRIDES" \
        corvinet_wine64 wineboot.exe -i >/dev/null 2>&1
    # Without this, Wine updates the prefix again when a process starts under a fake date.
    echo disable >"$prefix/.update-timestamp"
    corvinet_prefix_settings "$prefix" "$managed" "$port"
}

# Starts the test configuration server on a free port. Arguments: folder for its files, then
# extra options. Sets CORVINET_SERVER_PID and CORVINET_SERVER_PORT.
corvinet_start_config_server() {
    local folder="$1"
    shift
    mkdir -p "$folder"
    rm -f "$folder/port"
    python3 "$CORVINET_ROOT/tools/configserver/configserver.py" --port 0 \
        --port-file "$folder/port" --log "$folder/requests.log" "$@" \
        >"$folder/server.out" 2>&1 &
    CORVINET_SERVER_PID=$!
    local _
    for _ in $(seq 1 100); do
        if [[ -s $folder/port ]]; then
            CORVINET_SERVER_PORT="$(tr -dc '0-9' <"$folder/port")"
            echo "Configuration server on 127.0.0.1:$CORVINET_SERVER_PORT"
            return 0
        fi
        kill -0 "$CORVINET_SERVER_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "The configuration server did not start:" >&2
    cat "$folder/server.out" >&2 || true
    return 1
}

# ---- The 32-bit tier: Wine's 32-bit side --------------------------------------------------

# The 32-bit loader of Wine (package wine32:i386). Where it is installed, the plain "wine"
# command starts it first, even for 64-bit programs.
CORVINET_WINE32_LOADER=/usr/lib/wine/wine
CORVINET_QEMU_I386=/usr/bin/qemu-i386-static
CORVINET_BINFMT=/proc/sys/fs/binfmt_misc
# Hands every 32-bit x86 ELF program to qemu. F: the kernel opens the emulator once, at
# registration, so the entry works inside containers and chroots as well.
CORVINET_BINFMT_I386=':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$CORVINET_QEMU_I386"':F'

# True when this machine runs a 32-bit x86 Linux program, natively or through a binfmt_misc
# emulator: a 96-byte program that only ends with exit code 42 is started.
corvinet_runs_i386() {
    local probe status=0
    mkdir -p "$CORVINET_BUILD"
    probe="$(mktemp -p "$CORVINET_BUILD" i386-probe.XXXXXX)"
    local program='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    program+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    program+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
    program+='\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08'
    program+='\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00'
    program+='\x00\x10\x00\x00'
    # mov ebx, 42; mov eax, 1 (exit); int 0x80
    program+='\xbb\x2a\x00\x00\x00\xb8\x01\x00\x00\x00\xcd\x80'
    printf '%b' "$program" >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [[ $status -eq 42 ]]
}

# Runs a command as root: directly, or through sudo without a password. False when neither.
corvinet_as_root() {
    if [[ $(id -u) -eq 0 ]]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        sudo -n "$@"
    else
        return 1
    fi
}

corvinet_can_be_root() {
    corvinet_as_root true 2>/dev/null
}

# Registers qemu for 32-bit x86 programs with the kernel (mounting binfmt_misc first where it
# is not mounted). An entry of the same name already there is left as it is.
corvinet_register_qemu_i386() {
    if [[ ! -e $CORVINET_BINFMT/register ]]; then
        corvinet_as_root mount -t binfmt_misc binfmt_misc "$CORVINET_BINFMT" || return
    fi
    if [[ ! -e $CORVINET_BINFMT/qemu-i386 ]]; then
        printf '%s' "$CORVINET_BINFMT_I386" | corvinet_as_root tee "$CORVINET_BINFMT/register" >/dev/null ||
            return
    fi
    corvinet_as_root sh -c "echo 1 >'$CORVINET_BINFMT/qemu-i386'"
}

corvinet_apt_install() {
    DEBIAN_FRONTEND=noninteractive corvinet_as_root apt-get install -y --no-install-recommends \
        -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "$@" </dev/null
}

# Makes this machine ready to run 32-bit Windows programs under Wine: where the kernel runs no
# 32-bit program, qemu-user-static and its binfmt_misc entry; then the i386 architecture and
# wine32. Needs root or sudo for whatever is missing. Returns 0 when ready, 1 when an install
# step failed, 2 when the tier cannot run here; CORVINET_WIN32_WHY then says why in one line.
# shellcheck disable=SC2034 # CORVINET_WIN32_WHY is read by the caller
corvinet_prepare_win32() {
    CORVINET_WIN32_WHY=""
    if corvinet_runs_i386 && [[ -x $CORVINET_WINE32_LOADER ]]; then
        return 0
    fi
    if ! corvinet_can_be_root; then
        CORVINET_WIN32_WHY="Wine's 32-bit side is missing, and installing it needs root or sudo"
        return 2
    fi
    if ! corvinet_runs_i386; then
        corvinet_log "Setting up user-mode emulation for 32-bit programs (qemu-i386, binfmt_misc)"
        if [[ ! -x $CORVINET_QEMU_I386 ]]; then
            corvinet_apt_install qemu-user-static || {
                CORVINET_WIN32_WHY="installing qemu-user-static failed"
                return 1
            }
        fi
        if ! corvinet_register_qemu_i386 || ! corvinet_runs_i386; then
            CORVINET_WIN32_WHY="the kernel runs no 32-bit program and refused the qemu-i386 entry of binfmt_misc"
            return 2
        fi
    fi
    if [[ ! -x $CORVINET_WINE32_LOADER ]]; then
        corvinet_log "Installing Wine's 32-bit side (wine32:i386)"
        if ! dpkg --print-foreign-architectures | grep -qx i386; then
            corvinet_as_root dpkg --add-architecture i386
        fi
        corvinet_as_root apt-get update </dev/null
        corvinet_apt_install wine32:i386 || {
            CORVINET_WIN32_WHY="installing wine32:i386 failed"
            return 1
        }
    fi
}

corvinet_setup_main() {
    set -euo pipefail
    local what="${1:-all}"
    case "$what" in
        install) corvinet_install ;;
        win64) corvinet_build_win64 "${@:2}" ;;
        win32) corvinet_build_win32 ;;
        native) corvinet_build_native ;;
        all)
            corvinet_install
            corvinet_build_native
            corvinet_build_win64 "${@:2}"
            corvinet_build_win32
            ;;
        *)
            echo "usage: bash tools/setup.sh [install|win64|win32|native|all]" >&2
            return 2
            ;;
    esac
}

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    corvinet_setup_main "$@"
fi
