#!/usr/bin/env bash
# Installs what is missing, builds PostSweep with its tests, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTSWEEP_TESTS=ON >/dev/null
cmake --build build-tests -j2
cd build-tests
ctest --output-on-failure -j2
