#!/bin/sh
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for the given number of seconds (default 60), starting from
# the committed seeds of fuzz/corpus/<target>/. New inputs go to build-fuzz/corpus/<target>/,
# a failing input to build-fuzz/artifacts/<target>/; exit status 1 when any target fails.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
seconds="${1:-60}"
out="${KORVELLO_FUZZ_BUILD_DIR:-$root/build-fuzz}"
sh "$root/scripts/setup.sh"
cmake -S "$root/linux" -B "$out" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DKORVELLO_FUZZ=ON >/dev/null
cmake --build "$out" -j"$(nproc)" -- --no-print-directory >/dev/null

status=0
for target in rules patterns template output params multistring; do
    work="$out/corpus/$target"
    artifacts="$out/artifacts/$target"
    mkdir -p "$work" "$artifacts"
    maxlen=4096
    [ "$target" = rules ] && maxlen=16384
    log="$out/fuzz_$target.log"
    if "$out/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
        -max_len="$maxlen" -artifact_prefix="$artifacts/" -print_final_stats=1 \
        "$work" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz_$target: ${runs:-?} inputs in ${seconds} s, no failure"
    else
        status=1
        echo "fuzz_$target: FAILED (see $log; input in $artifacts/)"
        grep -E "property violated|ERROR: |SUMMARY|runtime error" "$log" | head -n 5
    fi
done
exit $status
