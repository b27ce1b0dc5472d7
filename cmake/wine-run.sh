#!/bin/sh
# Runs one Windows program of the build under Wine for ctest (and by hand).
#
# Wine session: tools/run-tests.sh (or tools/wine-sessions.sh) starts several independent Wine
# sessions (each a prefix with its own Wine server, X display, configuration server and browser
# log; see tools/lib/sessions.sh) and hands them to the tests as the ctest resource
# "wine_session". The session ctest allotted to this test is read from
# CTEST_RESOURCE_GROUP_0_WINE_SESSION ("id:2,slots:4"), its settings from
# <sessions>/<id>/session.env, where <sessions> is CORVINET_WINE_SESSIONS or else the folder
# wine-sessions beside the program's bin folder. Without a session from ctest (its listing of a
# program's tests, a call by hand), the first session serves. session.env also gives the Wine
# loader, what it is started under, and the DLL overrides, as the rig's library chooses them
# (tools/lib/wine.sh).
#
# Fake clock: CORVINET_FAKETIME, when set, is a libfaketime time setting (a fixed date
# "@2027-01-05 10:00:00", or a rate "+0 x6") under which this program and the programs it
# starts run; the Wine server keeps the real time (it must already run, or it is started
# here first without the fake clock), and so do tick counts, timers and Sleep.
sessions="${CORVINET_WINE_SESSIONS:-$(dirname "$1")/../wine-sessions}"
session=1
if [ -n "${CTEST_RESOURCE_GROUP_0_WINE_SESSION:-}" ]; then
    session="${CTEST_RESOURCE_GROUP_0_WINE_SESSION#id:}"
    session="${session%%,*}"
fi
if [ ! -f "$sessions/$session/session.env" ]; then
    echo "wine-run.sh: no Wine session $session in $sessions (start them with" \
        "bash tools/wine-sessions.sh start)" >&2
    exit 1
fi
# shellcheck disable=SC1090
. "$sessions/$session/session.env"
# Wine's own errors about starting a program (its image and libraries) stay on: a program that
# ends before its main function runs then says why.
export WINEDEBUG="${WINEDEBUG:--all},err+module,err+process"

if [ -n "${CORVINET_FAKETIME:-}" ]; then
    library=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
    if [ ! -f "$library" ]; then
        echo "$library is missing (package faketime)" >&2
        exit 1
    fi
    wineserver -p30 </dev/null >/dev/null 2>&1 || true # fails when one already runs
    export LD_PRELOAD="$library" FAKETIME="$CORVINET_FAKETIME" FAKETIME_DONT_FAKE_MONOTONIC=1
fi

# A program that fails says its exit status (the low byte of the Windows exit code) in the
# test's output; above 128 it may also be a signal that ended Wine's loader itself.
# shellcheck disable=SC2086 # the launcher is a command and its arguments, or nothing
${CORVINET_WINE_LAUNCHER:-} "$CORVINET_WINE_LOADER" "$@"
status=$?
if [ "$status" -gt 128 ]; then
    echo "wine-run.sh: $(basename "$1") ended with exit status $status" \
        "(or Wine's loader by signal $((status - 128)))" >&2
elif [ "$status" -ne 0 ]; then
    echo "wine-run.sh: $(basename "$1") ended with exit status $status" >&2
fi
exit "$status"
