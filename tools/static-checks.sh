#!/usr/bin/env bash
# Static checks of the program's own code (src/), each finding an error:
#   1. clang-tidy with the repository's .clang-tidy on the portable core, compiled natively;
#   2. clang-tidy on every file of src/ as the MinGW-w64 build compiles it, through clang with
#      the x86_64-w64-mingw32 target and MinGW-w64's own headers (the Win32 modules, and the
#      core once more as Windows sees it);
#   3. cppcheck on src/ with the Windows library, the suppressions in
#      tools/cppcheck-suppressions.txt each giving its reason.
# Exits non-zero when any check finds something. Uses build/static-native and build/static-win64
# (configured only; the text digest header is generated); CORVINET_BUILD_DIR moves them.
#
#   bash tools/static-checks.sh
set -euo pipefail

# shellcheck source=tools/lib/rig.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/rig.sh"

NATIVE="$CORVINET_BUILD/static-native"
CROSS="$CORVINET_BUILD/static-win64"
TIDY_DB="$CROSS/tidy"
TRIPLE=x86_64-w64-mingw32
STATUS=0

for tool in clang-tidy cppcheck clang++ "$TRIPLE-g++-posix" python3; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "missing: $tool (apt-get install clang-tidy cppcheck clang g++-mingw-w64-x86-64)" >&2
        exit 2
    fi
done

corvinet_log "Configuring ${NATIVE#"$CORVINET_ROOT"/} and ${CROSS#"$CORVINET_ROOT"/}"
cmake -S "$CORVINET_ROOT" -B "$NATIVE" -G "Unix Makefiles" -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake -S "$CORVINET_ROOT" -B "$CROSS" -G "Unix Makefiles" \
    -DCMAKE_TOOLCHAIN_FILE="$CORVINET_ROOT/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$CROSS" --target text_digest >/dev/null

# The files of src/ that a compilation database compiles, one per line.
sources_in() {
    python3 - "$1" "$CORVINET_ROOT/src/" <<'EOF'
import json, sys
for entry in json.load(open(sys.argv[1])):
    if entry["file"].startswith(sys.argv[2]):
        print(entry["file"])
EOF
}

# Runs clang-tidy on the files listed in $2 with database folder $1; prints the findings.
run_tidy() {
    local database="$1" list="$2" log="$3"
    xargs -a "$list" -P "$CORVINET_JOBS" -n 1 clang-tidy -p "$database" --quiet >"$log" 2>/dev/null ||
        true
    if grep -E '(warning|error):' "$log"; then
        return 1
    fi
}

corvinet_log "clang-tidy: the portable core (native)"
sources_in "$NATIVE/compile_commands.json" | sort -u >"$NATIVE/tidy-files.txt"
echo "$(wc -l <"$NATIVE/tidy-files.txt") files"
if ! run_tidy "$NATIVE" "$NATIVE/tidy-files.txt" "$NATIVE/tidy.log"; then
    STATUS=1
fi

# The cross build's commands, for clang: the MinGW-w64 g++ becomes clang with the target and
# g++'s own header folders; the character-set options (narrow literals in Windows-1252), which
# clang does not take, are left out: they change no code path.
corvinet_log "clang-tidy: every file of src/ as the MinGW-w64 build compiles it"
mkdir -p "$TIDY_DB"
includes="$("$TRIPLE-g++-posix" -xc++ -E -v /dev/null 2>&1 |
    sed -n '/#include <...> search starts here/,/End of search list/p' | grep '^ /' |
    grep -v -e '/gcc/.*/include$' -e 'include-fixed' | sed 's/^ */-isystem /' | tr '\n' ' ')"
python3 - "$CROSS/compile_commands.json" "$TIDY_DB/compile_commands.json" "$CORVINET_ROOT/src/" \
    "clang++ --target=$TRIPLE -nostdinc++ $includes" <<'EOF'
import json, re, sys
source, target, folder, compiler = sys.argv[1:5]
entries = []
for entry in json.load(open(source)):
    if not entry["file"].startswith(folder):
        continue
    command = entry["command"].split(" ", 1)
    command = compiler + " " + re.sub(r" -f(exec|input)-charset=\S+", "", command[1])
    entries.append(dict(entry, command=command))
json.dump(entries, open(target, "w"), indent=1)
EOF
sources_in "$TIDY_DB/compile_commands.json" | sort -u >"$TIDY_DB/tidy-files.txt"
echo "$(wc -l <"$TIDY_DB/tidy-files.txt") files"
if ! run_tidy "$TIDY_DB" "$TIDY_DB/tidy-files.txt" "$TIDY_DB/tidy.log"; then
    STATUS=1
fi

corvinet_log "cppcheck: src/"
# From the repository's root, so that the suppressions name files as src/...
cd "$CORVINET_ROOT"
if ! cppcheck --enable=warning,style,performance,portability --std=c++17 --language=c++ \
    --library=windows --platform=win64 -D_WIN32 -DWIN32 -D_WIN64 \
    -I src -I res -I "$CROSS/generated" \
    --suppressions-list="$CORVINET_ROOT/tools/cppcheck-suppressions.txt" --inline-suppr \
    --quiet --error-exitcode=1 -j "$CORVINET_JOBS" \
    --template='{file}:{line}: {severity}: {message} [{id}]' src; then
    STATUS=1
fi

if [[ $STATUS -eq 0 ]]; then
    corvinet_log "Static checks: clean"
else
    corvinet_log "Static checks: findings above"
fi
exit "$STATUS"
