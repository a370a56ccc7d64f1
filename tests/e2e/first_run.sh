#!/usr/bin/env bash
# The first run end to end: a fresh program folder and demo mailbox served by Dovecot,
# a virtual display and buses of its own; first_run.py drives PostSweep through AT-SPI.
# Usage: first_run.sh POSTSWEEP POSTSWEEP_DEMO OUT_DIR. Exits 77 without Dovecot or Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "$1" = --on-display ]; then # on the display and session bus: the accessibility bus
    work=$2
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/atspi.log" 2>&1 &
    trap 'kill $! 2>/dev/null || true' EXIT
    timeout 10 bash -c 'until dbus-send --session --print-reply --dest=org.a11y.Bus \
        /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1; do sleep 0.1; done' || true
    # Debian's python3, which has the GObject bindings.
    /usr/bin/python3 "$here/first_run.py" "$work/program/postsweep" "$3" "$4" "$work/postsweep.pid"
    exit
fi

program=$1 preparer=$2 out=$3
source "$here/../../scripts/demo-server.sh"
command -v xvfb-run >/dev/null || { echo "SKIPPED: Xvfb is not installed (Debian package xvfb)"; exit 77; }
demo_dovecot_binary >/dev/null ||
    { echo "SKIPPED: Dovecot is not installed (Debian package dovecot-pop3d)"; exit 77; }

work=$(mktemp -d /tmp/postsweep-e2e.XXXXXX)
chmod 755 "$work" # Dovecot reads the mailbox inside as nobody
mkdir -p "$out" "$work/program"
mkdir -m 700 "$work/runtime"
rm -f "$out"/*.log "$out"/*.png "$out"/postsweep.stderr

cleanup() {
    local status=$?
    # The program outlives only a test that was itself cut short.
    if [ -s "$work/postsweep.pid" ]; then kill -9 "$(cat "$work/postsweep.pid")" 2>/dev/null || true; fi
    demo_server_stop
    if [ "$status" -ne 0 ] && [ "$status" -ne 77 ]; then
        cp "$work/program/PostSweep.log" "$work/demo/dovecot.log" "$work"/*.log "$out/" 2>/dev/null || true
        echo "Logs kept in $out"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

cp "$program" "$(dirname "$program")/postsweep.html" "$work/program/"
if ! demo_server_start "$preparer" "$work/demo" "$work/program"; then
    echo "FAILED: the demo server did not start" >&2
    cat "$work/demo/dovecot.log" >&2 2>/dev/null || true
    exit 1
fi
echo "Demo server on 127.0.0.1:$demo_port"

# A virtual display on a free number (-noreset: a server that resets when its last client
# leaves refuses the next one for a moment) and a session bus, both this test's own.
unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS
export XDG_RUNTIME_DIR=$work/runtime LC_ALL=C.UTF-8
xvfb-run -a -e "$work/xvfb.log" -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
    dbus-run-session -- bash "$0" --on-display "$work" "$demo_port" "$out"
