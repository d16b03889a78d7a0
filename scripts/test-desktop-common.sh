# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by scripts/test-desktop and scripts/test-wayland-desktop: the desktop's programs, started into $pids
# and stopped in reverse order when the script ends, their logs in $logs (shown when the run failed), and the
# bounded waits for each part to come up. The sourcing script sets $name, $work and $logs first.
pids=()

stop_desktop() {
    local status=$?
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null || true
    done
    if [ "$status" -ne 0 ] && [ -z "${TEST_DESKTOP_LOG_DIR:-}" ]; then
        for f in "$logs"/*; do [ -s "$f" ] && { echo "--- $f"; tail -n 40 "$f"; }; done >&2
    fi
    rm -rf "$work"
    exit "$status"
}
trap stop_desktop EXIT
trap 'exit 130' INT TERM

refuse() { echo "$name: $*; not running the command" >&2; exit 1; }

# wait_for SECONDS DESCRIPTION COMMAND...: polls until COMMAND succeeds, else refuses to run the command; gives
# up at once when the program started last has died.
wait_for() {
    local seconds=$1 what=$2; shift 2
    local deadline=$((SECONDS + seconds)) last=""
    [ ${#pids[@]} -eq 0 ] || last=${pids[-1]}
    until "$@" >/dev/null 2>&1; do
        [ -z "$last" ] || kill -0 "$last" 2>/dev/null || refuse "the program that provides $what has exited"
        [ "$SECONDS" -lt "$deadline" ] || refuse "$what is not up after ${seconds}s"
        sleep 0.1
    done
}

# Asks the bus without starting a service: it would otherwise start one it knows of, on a call.
has_name() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        "string:$1" | grep -q 'boolean true'
}
