# shellcheck shell=bash
# The Debian 12 packages that the builds, the tests and the demo need, and their install.
# Sourced through tools/lib/rig.sh (after common.sh).

# The MinGW-w64 compilers of both thread models, named one by one: the posix ones build the
# test programs (GoogleTest needs std::mutex), the win32 ones the program as released (it starts
# no thread, and carries no thread library). The packages g++-mingw-w64-x86-64 and
# g++-mingw-w64-i686 would bring the same.
CORVINET_PACKAGES=(cmake make g++ clang libclang-rt-14-dev googletest libgtest-dev
    libbenchmark-dev g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine wine64 xvfb xauth
    xdotool imagemagick faketime nsis python3 ca-certificates fonts-dejavu-extra)

# Commands and files that the packages above provide; when all are present, apt is skipped.
CORVINET_COMMANDS=(cmake make g++ clang clang++ x86_64-w64-mingw32-g++-posix
    x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-windres i686-w64-mingw32-g++-posix
    i686-w64-mingw32-gcc-posix i686-w64-mingw32-windres x86_64-w64-mingw32-g++-win32
    x86_64-w64-mingw32-gcc-win32 i686-w64-mingw32-g++-win32 i686-w64-mingw32-gcc-win32 wine
    wineserver wineboot winepath
    regedit Xvfb xauth xdotool import faketime makensis python3)
CORVINET_FILES=(/usr/src/googletest/CMakeLists.txt /usr/include/gtest/gtest.h
    /usr/include/benchmark/benchmark.h /usr/lib/wine/wine64 /usr/bin/convert
    /etc/ssl/certs/ca-certificates.crt /usr/share/fonts/truetype/dejavu/DejaVuSansCondensed.ttf)

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

# apt-get install of the given packages, without questions. Through sudo when not root (sudo
# may ask for the password).
corvinet_apt_install() {
    local sudo=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo=(sudo)
    fi
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
        -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "$@" </dev/null
}

corvinet_apt_update() {
    if [[ $(id -u) -ne 0 ]]; then
        sudo apt-get update </dev/null
    else
        apt-get update </dev/null
    fi
}

# Installs whatever is missing. The package lists are fetched once: when there are none yet, or
# when the install fails with the lists at hand (a fresh or an outdated machine).
corvinet_install() {
    local missing
    missing="$(corvinet_missing)"
    if [[ -z $missing ]]; then
        echo "All tools present."
        return 0
    fi
    corvinet_log "Installing packages (missing: $(echo "$missing" | tr '\n' ' '))"
    if ! compgen -G '/var/lib/apt/lists/*Packages*' >/dev/null; then
        corvinet_apt_update
    fi
    if ! corvinet_apt_install "${CORVINET_PACKAGES[@]}"; then
        corvinet_apt_update
        corvinet_apt_install "${CORVINET_PACKAGES[@]}"
    fi
    missing="$(corvinet_missing)"
    if [[ -n $missing ]]; then
        echo "Still missing after the install:" >&2
        echo "$missing" >&2
        return 1
    fi
}
