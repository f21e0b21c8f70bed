# Sourced by the tests that run the real launcher: in its own virtual display against the
# stand-in registry, driven the way a user would, through X input events.
#
# Usage: . lib.sh BUILD_DIR; then start_xvfb, start_registry ARGS..., start_launcher [PATH], ...
# With PRIVATE_SESSION=1 set before sourcing, the script runs again on a session bus of its own,
# so the accessibility bus that bus activates is its own too, and with a HOME of its own for what
# Orca and the bus start. Everything started here is stopped when the script exits.
set -euo pipefail
if [ -n "${PRIVATE_SESSION:-}" ] && [ -z "${DBUS_SESSION_OWN:-}" ]; then
    exec env DBUS_SESSION_OWN=1 dbus-run-session -- bash "$0" "$@"
fi
BUILD_DIR=$(cd "${1:?build directory}" && pwd)
E2E_TMP=$(mktemp -d)
REGISTRY_LOG="$E2E_TMP/registry.log"
BACKGROUND_PIDS=()
# A script with more to stop calls this from its own trap.
e2e_cleanup() { kill "${BACKGROUND_PIDS[@]}" 2>/dev/null || true; wait; rm -rf "$E2E_TMP"; }
trap e2e_cleanup EXIT
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
if [ -n "${DBUS_SESSION_OWN:-}" ]; then
    export HOME="$E2E_TMP/home" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
    mkdir "$HOME"
    unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
    dbus-update-activation-environment HOME XDG_RUNTIME_DIR
fi

fail() { echo "FAIL: $*" >&2; tail -n 40 "$REGISTRY_LOG" "$E2E_TMP/launcher.out" >&2 2>/dev/null; exit 1; }

# wait_until SECONDS COMMAND...: polls until the command succeeds; false on timeout.
wait_until() { local end=$((SECONDS + $1)); shift; until "$@"; do [ $SECONDS -lt $end ] || return 1; sleep 0.05; done; }

# A display of our own: -displayfd lets the server pick a free number, so tests never collide.
# -noreset: by default the server resets when its last client leaves, and a launcher that
# connects during that moment is turned away ("could not connect to display").
start_xvfb() {
    Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$E2E_TMP/display" 2>/dev/null &
    BACKGROUND_PIDS+=($!)
    wait_until 10 test -s "$E2E_TMP/display" || fail "Xvfb did not start"
    export DISPLAY=":$(head -n 1 "$E2E_TMP/display")" QT_QPA_PLATFORM=xcb
}

# start_registry ARGS...: the stand-in registry on the launcher's fixed port; a new log each time.
start_registry() { : >"$REGISTRY_LOG"; "$BUILD_DIR/dev-registry" --port 5679 "$@" 2>"$REGISTRY_LOG" & BACKGROUND_PIDS+=($!); wait_log '^listening on'; }

# start_launcher [PATH]: the launcher, by default the one in the build directory.
start_launcher() { "${1:-$BUILD_DIR/brelgan-launcher}" >"$E2E_TMP/launcher.out" 2>&1 & LAUNCHER_PID=$! BACKGROUND_PIDS+=($!); }

# wait_window: waits for the launcher's window to be mapped; sets WINDOW.
find_window() { WINDOW=$(xdotool search --onlyvisible --name '^Wendrake$' 2>/dev/null | head -n 1) && [ -n "$WINDOW" ]; }
wait_window() { wait_until 15 find_window || fail "the window did not appear"; }

# wait_log_count PATTERN N: waits for the N-th line of the registry's log that matches.
logged() { [ "$(grep -Ec "$1" "$REGISTRY_LOG")" -ge "$2" ]; }
wait_log_count() { wait_until 15 logged "$1" "$2" || fail "the registry logged /$1/ fewer than $2 times"; }
wait_log() { wait_log_count "$1" 1; }

# Ended but not yet reaped is gone as well.
launcher_gone() { ! ps -o stat= -p "$LAUNCHER_PID" | grep -qv Z; }

# expect_launcher_exit STATUS (a sanitizer's report changes the status too).
expect_launcher_exit() {
    wait_until 15 launcher_gone || fail "the launcher did not end"
    local status=0; wait "$LAUNCHER_PID" || status=$?
    [ "$status" = "$1" ] || fail "the launcher ended with status $status, not $1"
}

# press KEYS...: keyboard input to the launcher's window, as a user at the keyboard.
press() { xdotool windowfocus --sync "$WINDOW" key --clearmodifiers --delay 50 "$@"; }

# shows LINE_REGEX: a line of the launcher's accessible tree matches. Debian's own Python: the
# AT-SPI bindings live there, whatever python3 is first on the PATH.
shows() { /usr/bin/python3 "${BASH_SOURCE[0]%/*}/../desktop/accessible_tree.py" "$LAUNCHER_PID" 2>/dev/null | grep -E "$1" >/dev/null; }
