#!/usr/bin/env bash
# Prepares a Debian 12 machine for CORVINET Dialer and builds it.
#
#   bash tools/setup.sh             install what is missing, then build all three configurations
#   bash tools/setup.sh install     only install the packages
#   bash tools/setup.sh win64       build/win64: the program and the test programs (64-bit, run here)
#   bash tools/setup.sh win32       build/win32: the program and the line simulator (32-bit;
#                                   run by the 32-bit tier of tools/run-tests.sh)
#   bash tools/setup.sh native      build/native: the portable core, its tests and fuzz targets
#                                   (clang, AddressSanitizer and UndefinedBehaviorSanitizer)
#
# The work is done by the rig's library (tools/lib/). CORVINET_BUILD_DIR moves the build folder
# (default: build/ in the repository).

# shellcheck source=tools/lib/rig.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/rig.sh"

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

# Sourced, this file only gives the library.
if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
    corvinet_setup_main "$@"
fi
