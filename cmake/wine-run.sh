#!/bin/sh
# Runs one Windows program of the build under Wine for ctest. The test script sets
# WINEPREFIX (a scratch prefix under the build folder) and DISPLAY; the defaults here only
# serve a direct call by hand.
: "${WINEPREFIX:=$(pwd)/wineprefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-rasapi32=n;winemenubuilder.exe=d;mscoree=d;mshtml=d}"
export DISPLAY="${DISPLAY:-:99}"
exec wine "$@"
