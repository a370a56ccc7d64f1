#!/usr/bin/env bash
# The first run end to end: a fresh program folder and demo mailbox served by Dovecot,
# a virtual display and buses of its own; first_run.py drives PostSweep through AT-SPI.
# Usage: first_run.sh POSTSWEEP POSTSWEEP_DEMO OUT_DIR. Exits 77 without Dovecot or Xvfb.
set -euo pipefail

program=$1 preparer=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/demo-server.sh"

command -v Xvfb >/dev/null || { echo "SKIPPED: Xvfb is not installed (Debian package xvfb)"; exit 77; }
demo_dovecot_binary >/dev/null ||
    { echo "SKIPPED: Dovecot is not installed (Debian package dovecot-pop3d)"; exit 77; }

work=$(mktemp -d /tmp/postsweep-e2e.XXXXXX)
chmod 755 "$work" # Dovecot reads the mailbox inside as nobody
mkdir -p "$out" "$work/program"
rm -f "$out"/*.log "$out"/*.png "$out"/postsweep.stderr
pids=()

# Ends one process: politely, then for good after five seconds.
stop_process() {
    kill "$1" 2>/dev/null || return 0
    timeout 5 tail --pid="$1" -f /dev/null || kill -9 "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

cleanup() {
    local status=$? pid
    [ -f "$work/postsweep.pid" ] && stop_process "$(cat "$work/postsweep.pid")"
    for pid in "${pids[@]}"; do stop_process "$pid"; done
    demo_server_stop
    if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
        cp "$work/program/PostSweep.log" "$work/demo/dovecot.log" "$work"/*.log "$out/" 2>/dev/null || true
        echo "Logs kept in $out"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Starts a daemon that writes its address on descriptor 5, then (within ten seconds) sets
# the variable $1 to that address.
start_daemon() {
    local var=$1 && shift
    "$@" 5>"$work/$var" >"$work/$var.log" 2>&1 &
    pids=("$!" "${pids[@]}")
    timeout 10 bash -c "until [ -s '$work/$var' ]; do sleep 0.1; done" ||
        { echo "FAILED: $1 did not start" >&2; return 1; }
    printf -v "$var" '%s' "$(head -1 "$work/$var")"
}

cp "$program" "$(dirname "$program")/postsweep.html" "$work/program/"
if ! demo_server_start "$preparer" "$work/demo" "$work/program"; then
    echo "FAILED: the demo server did not start" >&2
    cat "$work/demo/dovecot.log" >&2 2>/dev/null || true
    exit 1
fi
echo "Demo server on 127.0.0.1:$demo_port"

# A virtual display on a free number, and buses of this test's own. (-noreset: a server
# that resets when its last client leaves refuses the next one for a moment.)
unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
start_daemon display Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset
start_daemon bus dbus-daemon --session --nofork --print-address=5
export DISPLAY=":$display" DBUS_SESSION_BUS_ADDRESS=$bus
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
pids=("$!" "${pids[@]}")
timeout 10 bash -c 'until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
    org.a11y.Bus.GetAddress >/dev/null 2>&1; do sleep 0.1; done' || true

# Debian's python3, which has the GObject bindings.
LC_ALL=C.UTF-8 /usr/bin/python3 "$here/first_run.py" "$work/program/postsweep" "$demo_port" "$out" \
    "$work/postsweep.pid"
