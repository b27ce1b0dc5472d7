#!/bin/sh
# Runs an end-to-end test exe (the arguments: cmake/wine-run.sh, the exe, its options) at the
# fixed date 5 January 2027 10:00 in Argentina. The driver runs under libfaketime and the
# program it starts inherits the fake clock through its Linux environment. The Wine server must
# keep the real time: one is started here, without the fake clock, unless one already runs for
# the prefix (the test command keeps one alive for the whole run).
set -eu
library=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
if [ ! -f "$library" ]; then
    echo "$library is missing (package faketime)" >&2
    exit 1
fi
: "${WINEPREFIX:=$(pwd)/wineprefix}"
export WINEPREFIX
wineserver -p30 </dev/null >/dev/null 2>&1 || true  # fails when one already runs
export LD_PRELOAD="$library"
export FAKETIME="@2027-01-05 10:00:00"
export FAKETIME_DONT_FAKE_MONOTONIC=1
export TZ=ART3
exec "$@"
