#!/usr/bin/env bash
# Runs each fuzz target for SECONDS (default 30), two at a time, from its seed corpus in
# tests/fuzz/corpus/. Expects the sanitizer build (scripts/test.sh makes it in build-sanitize/);
# BUILD names another. New inputs go to BUILD/fuzz/corpus/, findings to BUILD/fuzz/findings/.
# Exits 1 when a target found a crash, a leak, undefined behaviour, a timeout or a broken
# promise; its log ends with the input's path, which the target replays when run on it.
#
#   bash scripts/fuzz.sh 600              # ten minutes each
#   bash scripts/fuzz.sh 300 xspf smil    # only these
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
build=${BUILD:-build-sanitize}
targets=("$@")
if ((${#targets[@]} == 0)); then
    # Every target, found by its seed corpus: a new one is fuzzed without being named here.
    for corpus in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$corpus")")
    done
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
mkdir -p "$build/fuzz/findings"

fuzz() {
    local name=$1 dictionary=()
    case $name in
    song_file) dictionary=(-dict=tests/fuzz/dict/song_file.dict) ;;
    store_*) dictionary=(-dict=tests/fuzz/dict/stores.dict) ;;
    mpd_answer) dictionary=(-dict=tests/fuzz/dict/mpd_answer.dict) ;;
    settings) ;;
    *) dictionary=(-dict=tests/fuzz/dict/playlists.dict) ;;
    esac
    mkdir -p "$build/fuzz/corpus/$name"
    # Inputs up to 4 MB; one input taking over 60 s or 2 GB is a finding (ASan slows TagLib
    # down a lot: a 1 KB WMA that takes it half a second takes half a minute there).
    if "$build/bin/fuzz_$name" "$build/fuzz/corpus/$name" "tests/fuzz/corpus/$name" \
        "${dictionary[@]}" -max_total_time="$seconds" -max_len=4194304 -timeout=60 \
        -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz/findings/$name-" >"$build/fuzz/$name.log" 2>&1; then
        echo "fuzz $name: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' \
            "$build/fuzz/$name.log" | grep -o '[0-9]*$') runs, nothing found"
    else
        echo "fuzz $name: FOUND something, see $build/fuzz/$name.log:" >&2
        grep -E 'ERROR|SUMMARY|broken promise|Test unit written' "$build/fuzz/$name.log" >&2 || true
        return 1
    fi
}

# Two at a time, on the two cores.
failed=0
running=0
for name in "${targets[@]}"; do
    fuzz "$name" &
    if ((++running == 2)); then
        wait -n || failed=1
        ((running--))
    fi
done
while ((running > 0)); do
    wait -n || failed=1
    ((running--))
done
exit $failed
