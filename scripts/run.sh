#!/usr/bin/env bash
# Installs what is missing, builds PostSweep and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --runtime
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTSWEEP_TESTS=OFF >/dev/null
cmake --build build -j2 --target postsweep

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: run it under a virtual one with: xvfb-run -a bash scripts/run.sh" >&2
    exit 1
fi
exec ./build/src/postsweep
