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
source scripts/demo-server.sh
trap demo_server_stop EXIT

# The demo is prepared only where there is no settings file, or the one it wrote itself.
demo_status=0
demo_server_start build/tools/demo/postsweep-demo "$demo_dir" "$program_dir" || demo_status=$?
case $demo_status in
0) echo "Demo mailbox: 40 messages on 127.0.0.1:$demo_port (user taro). Press 実行 to sweep the spam." ;;
2) echo "The demo POP3 server did not start; see $demo_dir/dovecot.log." >&2 ;;
esac

"$program_dir/postsweep"
