#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a while on a fresh copy of its seeds.
#
#   fuzz/run.sh SECONDS [TARGET...]     all targets when none is named
#
# FUZZ_JOBS=2 runs two targets at once (default 1). Each run works in
# build-fuzz/work/TARGET/ (corpus/, artifacts/, log); the seeds in fuzz/corpus/ stay as they
# are. Exits non-zero when any target crashed, leaked, ran out of memory or timed out.
set -euo pipefail

usage() {
    echo "usage: $0 SECONDS [TARGET...]" >&2
    echo "targets: ${all[*]}" >&2
    exit 2
}

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
build="$root/build-fuzz"

all=()
for f in "$here"/fuzz_*.cpp; do
    name=$(basename "$f" .cpp)
    all+=("$name")
done

[[ $# -ge 1 && $1 =~ ^[1-9][0-9]*$ ]] || usage
seconds=$1
shift
targets=("$@")
[[ ${#targets[@]} -gt 0 ]] || targets=("${all[@]}")
for t in "${targets[@]}"; do
    [[ " ${all[*]} " == *" $t "* ]] || { echo "$0: no fuzz target named '$t'" >&2; usage; }
done
jobs=${FUZZ_JOBS:-1}
[[ $jobs =~ ^[1-9][0-9]*$ ]] || { echo "$0: FUZZ_JOBS must be a positive number" >&2; exit 2; }

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
    -DTANDREL_FUZZ=ON -DTANDREL_BUILD_TESTS=OFF -DTANDREL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)"

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# One run; libFuzzer's exit status goes to the work folder, as a finished background job's
# status may already have been collected by wait -n.
run_one() {
    local t=$1 work="$build/work/$1" status
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    if [[ -d "$here/corpus/$t" ]]; then
        cp -R "$here/corpus/$t/." "$work/corpus/"
    fi
    "$build/fuzz/$t" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=60 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" \
        >"$work/log" 2>&1 && status=0 || status=$?
    echo "$status" >"$work/status"
}

running=0
for t in "${targets[@]}"; do
    if [[ $running -ge $jobs ]]; then
        wait -n || true
        running=$((running - 1))
    fi
    echo "fuzzing $t for ${seconds}s (log: build-fuzz/work/$t/log)"
    run_one "$t" &
    running=$((running + 1))
done
wait || true

failed=()
for t in "${targets[@]}"; do
    work="$build/work/$t"
    status=$(cat "$work/status" 2>/dev/null || echo "no status")
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
    corpus=$(find "$work/corpus" -type f | wc -l)
    if [[ $status == 0 ]]; then
        echo "$t: ok, ${runs:-?} runs, corpus $corpus files"
    else
        failed+=("$t")
        echo "$t: FAILED (exit $status) after ${runs:-?} runs; see $work/log" >&2
        grep -m 3 -E '^==[0-9]+==ERROR|SUMMARY|deadly signal|Test unit written' "$work/log" >&2 || true
        for a in "$work"/artifacts/*; do
            [[ -e $a ]] && echo "  reproduce: $build/fuzz/$t $a" >&2
        done
    fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
    echo "crashes found in: ${failed[*]}" >&2
    exit 1
fi
echo "no crashes in: ${targets[*]}"
