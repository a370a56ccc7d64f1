#!/usr/bin/env bash
# Renders the settings dialog (every tab), the verification window, the single-server
# dialog with its progress window and the header viewer into PNGs, on the offscreen
# platform with a Japanese font. Usage: bash scripts/screenshots-dialogs.sh [build dir] [folder]
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build-screens}"
out="${2:-$build/screens}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTSWEEP_TESTS=ON >/dev/null
cmake --build "$build" -j2 --target gui_DialogScreenshots
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen POSTSWEEP_SCREENSHOTS="$(realpath "$out")" \
    "$build/tests/gui_DialogScreenshots" >/dev/null
echo "Dialog screenshots in $out"
