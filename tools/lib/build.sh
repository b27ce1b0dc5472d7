# shellcheck shell=bash
# The three build configurations, each with its presets of CMakePresets.json, in
# $CORVINET_BUILD/<preset>. Sourced through tools/lib/rig.sh (after common.sh).

# Configures and builds one configuration. Extra arguments go to cmake --build (the demo builds
# only the program and the simulator). A build folder other than build/ gets the preset's
# settings all the same; cmake --build is then told the folder instead of the preset.
corvinet_build() {
    local preset="$1" folder="$CORVINET_BUILD/$1"
    shift
    # A tree made before a change of its toolchain or compilers (a toolchain file that is gone,
    # another thread model) cannot be configured again: its configuration is made afresh, once.
    # Only CMake's own files go: the folder also holds the test run's Wine prefixes.
    if ! (cd "$CORVINET_ROOT" && cmake --preset "$preset" -B "$folder" >/dev/null 2>&1); then
        if [[ -f $folder/CMakeCache.txt ]]; then
            echo "Configuring ${folder#"$CORVINET_ROOT"/} afresh"
            rm -rf "$folder/CMakeCache.txt" "$folder/CMakeFiles"
        fi
        (cd "$CORVINET_ROOT" && cmake --preset "$preset" -B "$folder" >/dev/null) || return
    fi
    if [[ $folder -ef $CORVINET_ROOT/build/$preset ]]; then
        (cd "$CORVINET_ROOT" && cmake --build --preset "$preset" "$@")
    else
        cmake --build "$folder" -j"$CORVINET_JOBS" "$@"
    fi
}

# build/win64: the program, the line simulator and the Windows test programs (64-bit, run here).
# shellcheck disable=SC2120
corvinet_build_win64() {
    corvinet_log "Building build/win64 (MinGW-w64 x86_64)"
    corvinet_build win64 "$@"
}

# build/win32: the program and the line simulator (32-bit; run by the 32-bit tier).
corvinet_build_win32() {
    corvinet_log "Building build/win32 (MinGW-w64 i686: the program and the line simulator)"
    corvinet_build win32 --target CORVINET linesim
}

# build/native: the portable core, its tests and fuzz targets (clang, sanitizers).
corvinet_build_native() {
    corvinet_log "Building build/native (clang, sanitizers, fuzz targets)"
    corvinet_build native
}
