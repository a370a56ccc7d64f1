#!/usr/bin/env bash
# Renders the program's windows into PNGs on the offscreen platform with a Japanese
# font: every tests/gui/*Screenshots.cpp program saves its windows into the folder.
# Usage: bash scripts/screenshots.sh [build dir] [folder]
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build-screens}"
out="${2:-$build/screens}"
if ! fc-list :lang=ja 2>/dev/null | grep -q .; then
    bash scripts/install-deps.sh --runtime # brings fonts-ipafont-gothic
fi

programs=()
for source in tests/gui/*Screenshots.cpp; do
    programs+=("gui_$(basename "$source" .cpp)")
done
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTSWEEP_TESTS=ON >/dev/null
cmake --build "$build" -j2 --target "${programs[@]}"

mkdir -p "$out"
for program in "${programs[@]}"; do
    QT_QPA_PLATFORM=offscreen POSTSWEEP_SCREENSHOTS="$(realpath "$out")" \
        "$build/tests/$program" >/dev/null
done
echo "Screenshots in $out:"
ls "$out"
