#!/usr/bin/env bash
# Installs what is missing, builds PostSweep and starts it. On a first start (no
# PostSweep.ini beside the program) it also starts a demo POP3 server on 127.0.0.1
# with a mailbox of spam and wanted mail, and points profile 1 at it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --runtime
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOSTSWEEP_TESTS=OFF >/dev/null
cmake --build build -j2 --target postsweep postsweep-demo

program_dir=build/src
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "PostSweep needs a display; without one, run it on a virtual display: xvfb-run -a bash scripts/run.sh" >&2
    exit 1
fi

demo_dir=/tmp/postsweep-demo
dovecot_pid=
stop_demo() {
    if [ -n "$dovecot_pid" ]; then
        kill "$dovecot_pid" 2>/dev/null || true
        wait "$dovecot_pid" 2>/dev/null || true
    fi
}
trap stop_demo EXIT

# The demo is prepared only where there is no settings file, or the one it wrote itself.
if port=$(build/tools/demo/postsweep-demo "$demo_dir" "$program_dir" 2>/dev/null); then
    if [ -f "$demo_dir/run/master.pid" ]; then
        kill "$(cat "$demo_dir/run/master.pid")" 2>/dev/null || true
        sleep 1
    fi
    chmod 755 "$demo_dir"
    if [ "$(id -u)" -eq 0 ]; then
        chown -R nobody:nogroup "$demo_dir/mail" "$demo_dir/home"
    fi
    dovecot -F -c "$demo_dir/dovecot.conf" &
    dovecot_pid=$!
    for _ in $(seq 1 50); do
        if exec 3<>"/dev/tcp/127.0.0.1/$port" 2>/dev/null; then
            if timeout 2 head -c 3 <&3 | grep -q '+OK'; then
                exec 3>&-
                break
            fi
            exec 3>&-
        fi
        sleep 0.2
    done
    echo "Demo mailbox: 40 messages on 127.0.0.1:$port (user taro). Press 実行 to sweep the spam."
fi

"$program_dir/postsweep"
