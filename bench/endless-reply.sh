#!/usr/bin/env bash
# Peak resident memory of the engine while a server on 127.0.0.1 sends what never
# ends: a 1 GiB TOP reply, a 100 MB greeting line, a 100 MB Subject line. Each
# session must end as a server error, holding no reply memory, under 100 MB.
# Usage: bench/endless-reply.sh BUILD_DIR (configured with -DPOSTSWEEP_BENCH=ON)
# Needs /usr/bin/time (Debian package time).
set -euo pipefail
build=${1:-build}
driver="$build/bench/bench_EndlessReplyBench"
limit_kb=$((100 * 1024))
work=$(mktemp -d)
server_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

status=0
for mode in top greeting subject; do
    python3 - "$mode" "$work/port" <<'PY' &
import socket, sys
mode, port_file = sys.argv[1], sys.argv[2]
import random
listener = socket.socket()
while True:  # the engine keeps the port as a signed 16-bit number
    try:
        listener.bind(("127.0.0.1", random.randint(20000, 32000)))
        break
    except OSError:
        pass
listener.listen(1)
listener.settimeout(60)
open(port_file, "w").write(str(listener.getsockname()[1]))
conn, _ = listener.accept()
conn.settimeout(60)
budget = (1 << 30) if mode == "top" else 100 * 1000 * 1000
line = b"X-Junk: " + b"x" * 1014 + b"\r\n"
def flood(prefix, unit):
    sent = 0
    try:
        conn.sendall(prefix)
        while sent < budget:  # stops when the client closes, at 1 GiB at most
            conn.sendall(unit)
            sent += len(unit)
    except OSError:
        pass
if mode == "greeting":
    flood(b"+OK ", b"x" * 65536)
else:
    conn.sendall(b"+OK ready\r\n")
    reader = conn.makefile("rb")
    try:
        for request in reader:
            word = request.split()[0].upper() if request.split() else b""
            if word == b"STAT":
                conn.sendall(b"+OK 1 100\r\n")
            elif word == b"LIST":
                conn.sendall(b"+OK\r\n1 100\r\n.\r\n")
            elif word == b"TOP":
                if mode == "top":
                    flood(b"+OK\r\n", line * 64)
                else:
                    flood(b"+OK\r\nSubject: ", b"x" * 65536)
                break
            else:
                conn.sendall(b"+OK\r\n")
    except OSError:
        pass
conn.close()
PY
    server_pid=$!
    for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.05; done
    port=$(cat "$work/port")
    rm -f "$work/port"
    echo "== $mode"
    if ! /usr/bin/time -v "$driver" "$port" >"$work/out" 2>"$work/time"; then
        status=1
    fi
    iconv -f CP932 -t UTF-8 "$work/out"
    peak=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time")
    echo "peak resident memory: $((peak / 1024)) MB"
    [ "$peak" -lt "$limit_kb" ] || { echo "over 100 MB" >&2; status=1; }
    wait "$server_pid" || true
    server_pid=
done
exit $status
