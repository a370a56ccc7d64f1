#!/usr/bin/env bash
# Renders the program's windows into PNGs on the offscreen platform with a Japanese
# font: tools/screenshots saves every window into the folder.
# Every window is rendered on a 1024x768 screen, a 1280x1024 screen and at 200 %.
# Usage: bash scripts/screenshots.sh [build dir] [folder]
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:-build-screens}"
out="${2:-$build/screens}"
if ! fc-list :lang=ja 2>/dev/null | grep -q .; then
    bash scripts/install-deps.sh --runtime # brings fonts-ipafont-gothic
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTSWEEP_TESTS=ON >/dev/null
cmake --build "$build" -j2 --target postsweep-screenshots

# Each look: its folder, the screen's pixels, and the scale (200 % as on a 4K screen).
# The first screen is 1024x768 less a 40 px taskbar, which the offscreen platform cannot show.
looks=("1024x768-taskbar 1024 728 1" "1280x1024 1280 1024 1" "200pct 3840 2160 2")
for look in "${looks[@]}"; do
    read -r name width height scale <<<"$look"
    mkdir -p "$out/$name"
    screen="$(realpath "$out/$name")/screen.json"
    printf '{"screens": [{"name": "screen", "x": 0, "y": 0, "width": %d, "height": %d, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]}\n' \
        "$width" "$height" >"$screen"
    QT_QPA_PLATFORM="offscreen:configfile=$screen" QT_SCALE_FACTOR="$scale" \
        POSTSWEEP_SCREENSHOTS="$(realpath "$out/$name")" \
        "$build/tools/screenshots/postsweep-screenshots" >/dev/null
    rm -f "$screen"
done
echo "Screenshots in $out:"
ls -R "$out"
