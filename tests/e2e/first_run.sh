#!/usr/bin/env bash
# first_run.sh POSTSWEEP POSTSWEEP_DEMO OUT_DIR: a fresh program folder and demo mailbox served
# by Dovecot, a virtual display and a session bus (which starts the accessibility bus when asked)
# of its own; first_run.py drives PostSweep through AT-SPI. Exits 77 without Dovecot or Xvfb.
set -euo pipefail

program=$1 preparer=$2 out=$3
here=$(cd "$(dirname "$0")" && pwd)
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
    demo_server_stop
    if [ "$status" -ne 0 ]; then
        cp "$work/program/PostSweep.log" "$work/demo/dovecot.log" "$work/xvfb.log" "$out/" 2>/dev/null || true
        echo "Logs kept in $out"
    fi
    rm -rf "$work"
}
trap cleanup EXIT

cp "$program" "$(dirname "$program")/postsweep.html" "$work/program/"
demo_server_start "$preparer" "$work/demo" "$work/program" ||
    { echo "FAILED: the demo server did not start" >&2; exit 1; }
echo "Demo server on 127.0.0.1:$demo_port"

# A display on a free number (-noreset: a server that resets when its last client leaves
# refuses the next one for a moment). Debian's python3 has the GObject bindings.
unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS
export XDG_RUNTIME_DIR=$work/runtime LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 # for PostSweep
xvfb-run -a -e "$work/xvfb.log" -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" \
    dbus-run-session -- /usr/bin/python3 "$here/first_run.py" "$work/program/postsweep" \
    "$demo_port" "$out"
