#!/usr/bin/env bash
# The long fuzz campaign (not part of the test command, which runs each target for a few seconds):
# every libFuzzer target of tests/fuzz/ for at least ten million executions, under
# AddressSanitizer and UndefinedBehaviorSanitizer, one target after the other (one core).
#
#   bash tools/fuzz-campaign.sh                  run every target
#   bash tools/fuzz-campaign.sh access_list_fuzz run one target
#   CORVINET_FUZZ_RUNS=20000000 bash tools/fuzz-campaign.sh
#   bash tools/fuzz-campaign.sh --update-seeds   also add to each committed seed corpus
#                                                (tests/fuzz/corpus/<target>/) the inputs of
#                                                the campaign that reach code its seeds do not
#                                                (libFuzzer's -merge=1 into the seeds)
#
# Each target starts from its committed seeds and the corpus of earlier campaigns
# (build/fuzz-campaign/<target>/corpus), writes what it finds to
# build/fuzz-campaign/<target>/artifacts/ (crash-*, leak-*, timeout-*, oom-*), and its corpus
# is minimised (libFuzzer's -merge=1) into build/fuzz-campaign/<target>/minimised/.
# The summary gives each target's executions, speed, corpus sizes and findings; the script
# exits non-zero when a target found anything. CORVINET_BUILD_DIR moves the build folder.
set -euo pipefail

# shellcheck source=tools/lib/rig.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib/rig.sh"

RUNS="${CORVINET_FUZZ_RUNS:-10000000}"
BUILD="$CORVINET_BUILD/fuzz-native"
CAMPAIGN="$CORVINET_BUILD/fuzz-campaign"
UPDATE_SEEDS=""
declare -a TARGETS=()
for argument in "$@"; do
    case "$argument" in
        --update-seeds) UPDATE_SEEDS=1 ;;
        -*)
            echo "unknown option $argument" >&2
            exit 2
            ;;
        *) TARGETS+=("$argument") ;;
    esac
done
if [[ ${#TARGETS[@]} -eq 0 ]]; then
    for source in "$CORVINET_ROOT"/tests/fuzz/*_fuzz.cpp; do
        TARGETS+=("$(basename "$source" .cpp)")
    done
fi

corvinet_log "Building ${BUILD#"$CORVINET_ROOT"/} (clang, sanitizers, libFuzzer)"
cmake -S "$CORVINET_ROOT" -B "$BUILD" -G "Unix Makefiles" -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVINET_SANITIZE=ON \
    >/dev/null
cmake --build "$BUILD" -j"$CORVINET_JOBS" --target "${TARGETS[@]}"

# A statistic from libFuzzer's final report (-print_final_stats=1).
final_stat() {
    sed -nE "s/^stat::$1:[[:space:]]*([0-9]+).*/\1/p" "$2" | tail -1
}

count_files() {
    find "$1" -maxdepth 1 -type f | wc -l
}

declare -a SUMMARY=()
FOUND=0
for target in "${TARGETS[@]}"; do
    exe="$BUILD/$target"
    seeds="$CORVINET_ROOT/tests/fuzz/corpus/$target"
    folder="$CAMPAIGN/$target"
    corpus="$folder/corpus"
    artifacts="$folder/artifacts"
    minimised="$folder/minimised"
    log="$folder/fuzz.log"
    if [[ ! -x $exe ]]; then
        echo "no fuzz target $target" >&2
        exit 2
    fi
    mkdir -p "$corpus" "$artifacts" "$seeds"
    corvinet_log "$target: $RUNS executions (log: ${log#"$CORVINET_ROOT"/})"
    started=$(date +%s)
    status=0
    # New inputs go to the campaign's corpus; the committed seeds are only read.
    "$exe" -runs="$RUNS" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$corpus" "$seeds" >"$log" 2>&1 || status=$?
    seconds=$(($(date +%s) - started))
    executions="$(final_stat number_of_executed_units "$log")"
    speed="$(final_stat average_exec_per_sec "$log")"
    peak="$(final_stat peak_rss_mb "$log")"
    findings="$(count_files "$artifacts")"
    tail -3 "$log"

    rm -rf "$minimised"
    mkdir -p "$minimised"
    "$exe" -merge=1 -rss_limit_mb=2048 "$minimised" "$seeds" "$corpus" >"$folder/merge.log" 2>&1 ||
        true
    if [[ -n $UPDATE_SEEDS && $status -eq 0 && $findings -eq 0 ]]; then
        # The named seeds stay; what the campaign found beyond them joins them, each file
        # named by its content's hash.
        "$exe" -merge=1 -rss_limit_mb=2048 "$seeds" "$minimised" >"$folder/seed-merge.log" 2>&1
    fi

    line="$target: ${executions:-?} executions in ${seconds} s (${speed:-?}/s, peak ${peak:-?} MB)"
    line+=", corpus $(count_files "$corpus") inputs, minimised $(count_files "$minimised")"
    if [[ $status -ne 0 || $findings -ne 0 ]]; then
        line+=", FOUND $findings artifact(s), exit status $status: $(ls "$artifacts" | tr '\n' ' ')"
        FOUND=1
    elif [[ -z $executions || $executions -lt $RUNS ]]; then
        line+=", STOPPED before $RUNS executions"
        FOUND=1
    else
        line+=", nothing found"
    fi
    SUMMARY+=("$line")
done

corvinet_log "Fuzz campaign summary ($(uname -m), $(nproc) cores, $RUNS executions each)"
for line in "${SUMMARY[@]}"; do
    echo "$line"
done
exit "$FOUND"
