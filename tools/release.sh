#!/usr/bin/env bash
# Builds the release of CORVINET Dialer from a bare Debian 12 machine:
#   1. installs what is missing (tools/lib/packages.sh: MinGW-w64, CMake, NSIS, ...);
#   2. builds the 64-bit and the 32-bit program as released (the presets release-win64 and
#      release-win32: the compilers of the Windows thread model, the Release configuration,
#      optimised for size and stripped), in build/release-win64 and build/release-win32, and an
#      installer for each (installer/corvinet.nsi);
#   3. checks each program: its processor, its imports (only DLLs of Windows itself, and in the
#      32-bit program none of the C runtime's functions on a 32-bit time), its version resource
#      and its manifest;
#   4. writes dist/:
#        dist/win64/CORVINET.exe                          the 64-bit program
#        dist/win32/CORVINET.exe                          the 32-bit program
#        dist/CORVINET-Dialer-<version>-setup-win64.exe   installer of the 64-bit program
#        dist/CORVINET-Dialer-<version>-setup-win32.exe   installer of the 32-bit program
#        dist/SHA256SUMS                                  checksums of the four (sha256sum -c)
#   5. prints each file's size against its target (the programs at most 150 and 190 KiB, each
#      installer at most 160 KiB: they are downloaded over a telephone line).
# Exits non-zero when a build or a check fails, or a file is over its target.
# CORVINET_BUILD_DIR moves the build folder.
#
#   bash tools/release.sh
set -euo pipefail

# shellcheck source=tools/lib/rig.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/rig.sh"

DIST="$CORVINET_ROOT/dist"
VERSION="$(sed -nE 's/^project\(CORVINET VERSION ([0-9.]+) .*/\1/p' "$CORVINET_ROOT/CMakeLists.txt")"
# The most each file may weigh, in bytes: it is downloaded over a telephone line.
declare -A SIZE_TARGET=(
    [win64/CORVINET.exe]=153600 # 150 KiB
    [win32/CORVINET.exe]=194560 # 190 KiB
    [setup-win64]=163840        # 160 KiB
    [setup-win32]=163840
)

if [[ -z $VERSION ]]; then
    echo "cannot read the version from CMakeLists.txt" >&2
    exit 1
fi

# Builds one architecture with its preset (CMakePresets.json: release-win64, release-win32),
# in $CORVINET_BUILD/release-<arch>. Argument: win64|win32.
build_release() {
    local preset="release-$1" folder="$CORVINET_BUILD/release-$1"
    corvinet_log "Building ${folder#"$CORVINET_ROOT"/} (release, $1)"
    # A tree keeps the compilers it was first configured with: one made with those of the
    # POSIX thread model (as the release trees were before) is made afresh.
    if [[ -d $folder ]] &&
        ! grep -qs -- '-g++-win32"' "$folder"/CMakeFiles/*/CMakeCXXCompiler.cmake; then
        rm -rf "$folder"
    fi
    (cd "$CORVINET_ROOT" && cmake --preset "$preset" -B "$folder" >/dev/null)
    cmake --build "$folder" -j"$CORVINET_JOBS" --target CORVINET corvinet_installer
}

# Checks one program. Arguments: the exe, win64|win32.
check_program() {
    local exe="$1" arch="$2" machine triple resources time32=()
    if [[ $arch == win64 ]]; then
        machine=x86-64
        triple=x86_64-w64-mingw32
    else
        machine=i386
        triple=i686-w64-mingw32
        time32=(--no-32bit-time) # no C runtime function on a 32-bit time: they end in 2038
    fi
    bash "$CORVINET_ROOT/tests/installer/imports_test.sh" --machine "$machine" "${time32[@]}" "$exe"
    if "$triple-objdump" -h "$exe" | grep '\.debug' >/dev/null; then
        echo "FAIL $exe: not stripped (debug sections)" >&2
        return 1
    fi
    resources="$("$triple-windres" -i "$exe" -O rc 2>/dev/null)"
    if ! tr -d ' ' <<<"$resources" | grep -x "FILEVERSION${VERSION//./,}" >/dev/null; then
        echo "FAIL $exe: its version resource is not $VERSION" >&2
        return 1
    fi
    if ! grep -q 'RT_MANIFEST' <<<"$resources" || ! grep -q 'asInvoker' <<<"$resources"; then
        echo "FAIL $exe: no application manifest" >&2
        return 1
    fi
    echo "ok   $exe: stripped, version $VERSION, manifest"
}

size_of() {
    stat -c %s "$1"
}

corvinet_log "Checking the tools"
corvinet_install

build_release win64
build_release win32

SETUP64="CORVINET-Dialer-$VERSION-setup-win64.exe"
SETUP32="CORVINET-Dialer-$VERSION-setup-win32.exe"

corvinet_log "Checking the programs"
check_program "$CORVINET_BUILD/release-win64/bin/CORVINET.exe" win64
check_program "$CORVINET_BUILD/release-win32/bin/CORVINET.exe" win32
for setup in "$CORVINET_BUILD/release-win64/installer/$SETUP64" \
    "$CORVINET_BUILD/release-win32/installer/$SETUP32"; do
    if [[ ! -s $setup ]]; then
        echo "FAIL: no installer $setup" >&2
        exit 1
    fi
done
# The 64-bit installer runs as a 64-bit process (on machines that refuse 32-bit programs, too).
bash "$CORVINET_ROOT/tests/installer/imports_test.sh" --machine x86-64 \
    "$CORVINET_BUILD/release-win64/installer/$SETUP64" >/dev/null
bash "$CORVINET_ROOT/tests/installer/imports_test.sh" --machine i386 \
    "$CORVINET_BUILD/release-win32/installer/$SETUP32" >/dev/null

corvinet_log "Writing ${DIST#"$CORVINET_ROOT"/}"
rm -rf "$DIST"
mkdir -p "$DIST/win64" "$DIST/win32"
cp "$CORVINET_BUILD/release-win64/bin/CORVINET.exe" "$DIST/win64/CORVINET.exe"
cp "$CORVINET_BUILD/release-win32/bin/CORVINET.exe" "$DIST/win32/CORVINET.exe"
cp "$CORVINET_BUILD/release-win64/installer/$SETUP64" "$DIST/$SETUP64"
cp "$CORVINET_BUILD/release-win32/installer/$SETUP32" "$DIST/$SETUP32"
(
    cd "$DIST"
    sha256sum win64/CORVINET.exe win32/CORVINET.exe "$SETUP64" "$SETUP32" >SHA256SUMS
    sha256sum --quiet -c SHA256SUMS
)

echo
cat "$DIST/SHA256SUMS"
echo
# Each file against its target; the release fails when one is over.
OVER=0
printf '%-45s %10s %9s %10s\n' "file" "bytes" "KiB" "target"
for file in win64/CORVINET.exe win32/CORVINET.exe "$SETUP64" "$SETUP32" SHA256SUMS; do
    bytes="$(size_of "$DIST/$file")"
    case $file in
        "$SETUP64") target="${SIZE_TARGET[setup-win64]}" ;;
        "$SETUP32") target="${SIZE_TARGET[setup-win32]}" ;;
        *) target="${SIZE_TARGET[$file]:-}" ;;
    esac
    verdict=""
    if [[ -n $target ]]; then
        verdict="ok"
        if ((bytes > target)); then
            verdict="OVER by $((bytes - target)) bytes"
            OVER=1
        fi
    fi
    printf '%-45s %10d %9.1f %10s %s\n' "dist/$file" "$bytes" \
        "$(awk -v b="$bytes" 'BEGIN { print b / 1024 }')" "${target:--}" "$verdict"
done
if ((OVER)); then
    echo "FAIL: a file of the release is over its target" >&2
    exit 1
fi
echo "Every file is within its target."
