# shellcheck shell=bash
# Where the repository and its builds are, the log line of each step, and running as root.
# Sourced through tools/lib/rig.sh. CORVINET_BUILD_DIR moves the build folder (default: build/
# in the repository).

CORVINET_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# shellcheck disable=SC2034 # read by the files that source this one
CORVINET_BUILD="${CORVINET_BUILD_DIR:-$CORVINET_ROOT/build}"
# shellcheck disable=SC2034
CORVINET_JOBS=2

# One line per step, with the time of day, so that a log shows where the time went.
corvinet_log() {
    printf '\n=== %s [%s]\n' "$*" "$(date +%H:%M:%S)"
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
