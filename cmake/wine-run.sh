#!/bin/sh
# Runs one Windows program of the build under Wine for ctest. The test script sets
# WINEPREFIX (a scratch prefix under the build folder) and DISPLAY; the defaults here only
# serve a direct call by hand.
: "${WINEPREFIX:=$(pwd)/wineprefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-rasapi32=n;winemenubuilder.exe=d;mscoree=d;mshtml=d}"
export DISPLAY="${DISPLAY:-:99}"
# The 64-bit loader itself: where the 32-bit side of Wine is installed too, the "wine" command
# starts the 32-bit loader first, which costs a minute under emulation for every program.
if [ -x /usr/lib/wine/wine64 ]; then
    exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
