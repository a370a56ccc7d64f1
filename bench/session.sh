#!/usr/bin/env bash
# The session benchmark: one Dovecot on 127.0.0.1 with 1,000 messages, served in turn
# to the minimal sequential client, the engine with pipelining allowed and forbidden,
# and the engine over implicit TLS; then the first three through a relay that delays
# each chunk 20 ms each way. Prints medians, ratios and peak memory. Not a test.
# Usage: bench/session.sh [BUILD_DIR [ROUNDS [DELAYED_ROUNDS]]]
#   ROUNDS (default 11) on loopback; DELAYED_ROUNDS (default 3, 0 skips them) through
#   the relay, where a session one command at a time takes some 45 s.
# Quick run: bench/session.sh build 3 1
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
rounds=${2:-11}
delayed_rounds=${3:-3}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTSWEEP_TESTS=ON \
    -DPOSTSWEEP_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target bench_SessionBench
"$build/bench/bench_SessionBench" "$rounds" "$delayed_rounds"
