#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each for a bounded time: scripts/fuzz.sh [seconds per target, 30].
# Fails on the first finding; the input that caused it is left in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-30}"
targets=(fuzz_extract fuzz_decode fuzz_rules fuzz_framer fuzz_capa)

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DPOSTSWEEP_FUZZ=ON -DPOSTSWEEP_TESTS=OFF >/dev/null
cmake --build build-fuzz -j2 --target "${targets[@]}"

mkdir -p build-fuzz/artifacts
for target in "${targets[@]}"; do
    # New inputs go to the working corpus; the committed seeds are only read.
    work="build-fuzz/corpus/$target"
    log="build-fuzz/$target.log"
    mkdir -p "$work"
    echo "== $target, ${seconds} s"
    status=0
    "build-fuzz/tests/fuzz/$target" "$work" "tests/fuzz/corpus/$target" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="build-fuzz/artifacts/$target-" -print_final_stats=1 >"$log" 2>&1 ||
        status=$?
    grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' "$log" || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$log" >&2
        echo "$target: finding (exit $status); the input is in build-fuzz/artifacts/" >&2
        exit 1
    fi
done
echo "No findings."
