# Shell functions that start and stop the first-run demo POP3 server: Dovecot on
# 127.0.0.1 serving the mailbox that the demo preparer writes. Sourced by
# scripts/run.sh and by the end-to-end test.
#
#   demo_server_start PREPARER DEMO_DIR PROGRAM_DIR
#       Writes a fresh demo mailbox into DEMO_DIR and points the settings beside
#       the program at it, then starts Dovecot and waits until it greets.
#       Returns 0 when the server answers (its port in demo_port), 1 when the
#       preparer declines, as it does beside a settings file the user made (that
#       file is not touched and no server starts), 2 when the server did not answer.
#   demo_server_stop
#       Stops the server started above, if any.

demo_port=
demo_dovecot_pid=

demo_dovecot_binary() {
    command -v dovecot 2>/dev/null || { [ -x /usr/sbin/dovecot ] && echo /usr/sbin/dovecot; }
}

# A server left running by an earlier start that was killed still holds the old mailbox.
demo_stop_stale_server() {
    local pid_file=$1/run/master.pid pid
    [ -f "$pid_file" ] || return 0
    pid=$(cat "$pid_file" 2>/dev/null) || return 0
    if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = dovecot ]; then
        kill "$pid" 2>/dev/null || true
        for _ in $(seq 1 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
    fi
}

# True once the server on 127.0.0.1:$1 has sent its "+OK" greeting.
demo_server_greets() {
    local greeting
    { exec 3<>"/dev/tcp/127.0.0.1/$1"; } 2>/dev/null || return 1
    greeting=$(timeout 2 head -c 3 <&3 2>/dev/null || true)
    exec 3>&-
    [ "$greeting" = "+OK" ]
}

demo_server_start() {
    local preparer=$1 demo_dir=$2 program_dir=$3 dovecot
    dovecot=$(demo_dovecot_binary) || return 2
    demo_stop_stale_server "$demo_dir"
    # The preparer declines where a settings file the user made stands.
    demo_port=$("$preparer" "$demo_dir" "$program_dir" 2>/dev/null) || return 1

    # Dovecot reads the mail as nobody.
    chmod 755 "$demo_dir"
    if [ "$(id -u)" -eq 0 ]; then
        chown -R nobody:nogroup "$demo_dir/mail"
    fi
    "$dovecot" -F -c "$demo_dir/dovecot.conf" &
    demo_dovecot_pid=$!
    for _ in $(seq 1 50); do
        demo_server_greets "$demo_port" && return 0
        kill -0 "$demo_dovecot_pid" 2>/dev/null || break
        sleep 0.2
    done
    demo_server_stop
    return 2
}

demo_server_stop() {
    if [ -n "$demo_dovecot_pid" ]; then
        kill "$demo_dovecot_pid" 2>/dev/null || true
        wait "$demo_dovecot_pid" 2>/dev/null || true
        demo_dovecot_pid=
    fi
}
