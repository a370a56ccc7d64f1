#!/usr/bin/env bash
# Installs what is missing, builds PostSweep with its tests, runs each fuzz target
# for 30 seconds, and runs every test through CTest (unit, GUI, and integration
# tests against a Dovecot the tests start on 127.0.0.1).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTSWEEP_TESTS=ON >/dev/null
cmake --build build-tests -j2
bash scripts/fuzz.sh "${POSTSWEEP_FUZZ_SECONDS:-30}"
cd build-tests
ctest --output-on-failure -j2
