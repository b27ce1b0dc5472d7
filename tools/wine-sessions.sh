#!/usr/bin/env bash
# Starts and ends the Wine sessions of build/win64 (tools/lib/sessions.sh), for running the
# Windows and end-to-end tests by hand:
#
#   bash tools/wine-sessions.sh start [COUNT]   start COUNT sessions (default 4) and return
#   bash tools/wine-sessions.sh stop            end them
#
# Then, from the repository: ctest --preset win64 [-R ...], or cmake/wine-run.sh with a test
# program (it runs in session 1). CORVINET_BUILD_DIR moves the build folder.
set -euo pipefail

# shellcheck source=tools/lib/rig.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/rig.sh"

case "${1:-}" in
    start)
        corvinet_sessions_begin "${2:-4}"
        corvinet_sessions_make_prefixes >"$CORVINET_SESSIONS/prefix.log" 2>&1
        corvinet_sessions_start
        ;;
    stop) corvinet_sessions_stop ;;
    *)
        echo "usage: bash tools/wine-sessions.sh start [COUNT] | stop" >&2
        exit 2
        ;;
esac
