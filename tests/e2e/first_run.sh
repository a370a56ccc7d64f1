#!/usr/bin/env bash
# The first run end to end: a fresh program folder and demo mailbox served by Dovecot,
# a virtual display and buses of its own; first_run.py drives PostSweep through AT-SPI.
# Usage: first_run.sh POSTSWEEP POSTSWEEP_DEMO OUT_DIR. Exits 77 without Dovecot or Xvfb.
set -euo pipefail

program=$1 preparer=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/demo-server.sh"

if ! command -v Xvfb >/dev/null; then
    echo "SKIPPED: Xvfb is not installed (Debian package xvfb)"
    exit 77
fi
if ! demo_dovecot_binary >/dev/null; then
    echo "SKIPPED: Dovecot is not installed (Debian package dovecot-pop3d)"
    exit 77
fi
launcher=/usr/libexec/at-spi-bus-launcher
python=/usr/bin/python3 # Debian's, which has the GObject bindings

work=$(mktemp -d /tmp/postsweep-e2e.XXXXXX)
chmod 755 "$work" # Dovecot reads the mailbox inside as nobody
mkdir -p "$out"
rm -f "$out"/*.log "$out"/*.png "$out"/postsweep.stderr
xvfb_pid= bus_pid= atspi_pid=

# Ends one process: politely, then for good after five seconds.
stop_process() {
    [ -n "$1" ] && kill "$1" 2>/dev/null || return 0
    timeout 5 tail --pid="$1" -f /dev/null || kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

cleanup() {
    local status=$?
    [ -f "$work/postsweep.pid" ] && stop_process "$(cat "$work/postsweep.pid")"
    for pid in "$atspi_pid" "$bus_pid" "$xvfb_pid"; do stop_process "$pid"; done
    demo_server_stop
    if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
        cp "$work/program/PostSweep.log" "$work/demo/dovecot.log" "$work/xvfb.log" \
            "$work/dbus.log" "$work/atspi.log" "$out/" 2>/dev/null || true
        echo "Logs kept in $out"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to ten seconds for a file to have content.
wait_for_file() {
    timeout 10 bash -c "until [ -s '$1' ]; do sleep 0.1; done" || { echo "FAILED: $2" >&2; return 1; }
}

mkdir "$work/program"
cp "$program" "$(dirname "$program")/postsweep.html" "$work/program/"
if ! demo_server_start "$preparer" "$work/demo" "$work/program"; then
    echo "FAILED: the demo server did not start" >&2
    cat "$work/demo/dovecot.log" >&2 2>/dev/null || true
    exit 1
fi
echo "Demo server on 127.0.0.1:$demo_port"

# A virtual display on a free number, and buses of this test's own.
unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS
# (-noreset: a server that resets when its last client leaves refuses the next one for a moment.)
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_for_file "$work/display" "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"

export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
dbus-daemon --session --nofork --print-address=5 5>"$work/bus" >"$work/dbus.log" 2>&1 &
bus_pid=$!
wait_for_file "$work/bus" "the session bus did not start"
export DBUS_SESSION_BUS_ADDRESS="$(head -1 "$work/bus")"

"$launcher" --launch-immediately >"$work/atspi.log" 2>&1 &
atspi_pid=$!
timeout 10 bash -c 'until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress >/dev/null 2>&1; do sleep 0.1; done' || true

export LC_ALL=C.UTF-8
"$python" "$here/first_run.py" --program "$work/program/postsweep" --port "$demo_port" \
    --out "$out" --pid-file "$work/postsweep.pid"
