# Sourced by the end-to-end tests: runs the real launcher in its own virtual display against the
# stand-in registry, and drives it the way a user would, through X input events.
#
# Usage: . lib.sh BUILD_DIR; then start_xvfb, start_registry ARGS..., start_launcher [PATH], ...
# Everything started here is stopped when the test script exits.
set -euo pipefail

BUILD_DIR=$(cd "${1:?build directory}" && pwd)
E2E_TMP=$(mktemp -d)
REGISTRY_LOG="$E2E_TMP/registry.log"
BACKGROUND_PIDS=()
LAUNCHER_PID=
WINDOW=

e2e_cleanup() {
    local pid
    for pid in "${BACKGROUND_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [ -f "$REGISTRY_LOG" ]; then
        echo "--- registry log" >&2
        cat "$REGISTRY_LOG" >&2
    fi
    if [ -s "$E2E_TMP/launcher.out" ]; then
        echo "--- launcher output" >&2
        tail -n 40 "$E2E_TMP/launcher.out" >&2
    fi
    exit 1
}

# wait_until SECONDS COMMAND...: polls until the command succeeds; false on timeout.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# A display of our own: -displayfd lets the server pick a free number, so tests never collide.
start_xvfb() {
    local displayfile="$E2E_TMP/display"
    # -noreset: by default the server resets when its last client leaves, and a launcher that
    # connects during that moment is turned away ("could not connect to display").
    Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$displayfile" 2>/dev/null &
    BACKGROUND_PIDS+=($!)
    wait_until 10 test -s "$displayfile" || fail "Xvfb did not start"
    export DISPLAY=":$(head -n 1 "$displayfile")"
    export QT_QPA_PLATFORM=xcb
    export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
}

# start_registry ARGS...: the stand-in registry on the launcher's fixed port.
start_registry() {
    "$BUILD_DIR/dev-registry" --port 5679 "$@" 2>"$REGISTRY_LOG" &
    BACKGROUND_PIDS+=($!)
    wait_until 10 grep -q '^listening on' "$REGISTRY_LOG" || fail "the registry did not start"
}

# start_launcher [PATH]: the launcher, by default the one in the build directory.
start_launcher() {
    "${1:-$BUILD_DIR/brelgan-launcher}" >"$E2E_TMP/launcher.out" 2>&1 &
    LAUNCHER_PID=$!
    BACKGROUND_PIDS+=("$LAUNCHER_PID")
}

# wait_window: waits for the launcher's window to be mapped; sets WINDOW.
wait_window() {
    find_window() { WINDOW=$(xdotool search --onlyvisible --name '^Wendrake$' 2>/dev/null | head -n 1) && [ -n "$WINDOW" ]; }
    wait_until 15 find_window || fail "the window did not appear"
}

# wait_log PATTERN: waits for a line of the registry's log that matches the extended regex.
wait_log() {
    wait_until 15 grep -Eq "$1" "$REGISTRY_LOG" || fail "the registry never logged /$1/"
}

# wait_log_count PATTERN N: waits for the N-th line of the registry's log that matches.
wait_log_count() {
    count_at_least() { [ "$(grep -Ec "$1" "$REGISTRY_LOG")" -ge "$2" ]; }
    wait_until 15 count_at_least "$1" "$2" || fail "the registry logged /$1/ fewer than $2 times"
}

# expect_launcher_exit STATUS: waits for the launcher to end and checks its exit status.
expect_launcher_exit() {
    wait_until 15 launcher_gone || fail "the launcher did not end"
    local status=0
    wait "$LAUNCHER_PID" || status=$?
    [ "$status" = "$1" ] || fail "the launcher ended with status $status, not $1"
}
launcher_gone() { [ "$(ps -o stat= -p "$LAUNCHER_PID" 2>/dev/null)" = "" ] || [ "$(ps -o stat= -p "$LAUNCHER_PID" | cut -c1)" = Z ]; }

# press KEYS...: keyboard input to the launcher's window, as a user at the keyboard.
press() {
    xdotool windowfocus --sync "$WINDOW"
    xdotool key --clearmodifiers --delay 50 "$@"
}

# click X Y: a left click at window coordinates (logical pixels).
click() {
    # No --sync: it waits for the pointer to move, forever when it already rests at that spot
    # (the display outlives each launcher). The server handles the move before the click anyway.
    xdotool mousemove --window "$WINDOW" "$1" "$2" click 1
}
