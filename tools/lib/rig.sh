# shellcheck shell=bash
# The library of the build and test rig, for the commands in tools/ to source. Each file holds
# one concern:
#   common.sh      the repository and build folders, the log line of each step, running as root
#   packages.sh    the Debian packages and their install
#   build.sh       the three build configurations (CMakePresets.json)
#   wine.sh        the Wine loader and DLL overrides of every Wine process, Xvfb, prefixes
#   standins.sh    the configuration-server stand-in
#   sessions.sh    the Wine sessions of the Windows and end-to-end tiers
#   win32.sh       the machine's set-up for 32-bit Windows programs
#   win32-tier.sh  the 32-bit smoke tier of tools/run-tests.sh

CORVINET_LIB="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=tools/lib/common.sh
source "$CORVINET_LIB/common.sh"
# shellcheck source=tools/lib/packages.sh
source "$CORVINET_LIB/packages.sh"
# shellcheck source=tools/lib/build.sh
source "$CORVINET_LIB/build.sh"
# shellcheck source=tools/lib/wine.sh
source "$CORVINET_LIB/wine.sh"
# shellcheck source=tools/lib/standins.sh
source "$CORVINET_LIB/standins.sh"
# shellcheck source=tools/lib/sessions.sh
source "$CORVINET_LIB/sessions.sh"
# shellcheck source=tools/lib/win32.sh
source "$CORVINET_LIB/win32.sh"
# shellcheck source=tools/lib/win32-tier.sh
source "$CORVINET_LIB/win32-tier.sh"
