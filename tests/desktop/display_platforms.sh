#!/usr/bin/env bash
# The real launcher on each kind of display it meets: natively under a Wayland compositor
# (weston's headless backend, with Qt's Wayland platform), with no display at all, with a display
# that does not answer, and on Qt's offscreen platform, which must keep working. What the Wayland
# window shows is read through AT-SPI, as a screen reader would; weston logs the protocol.
# Usage: display_platforms.sh BUILD_DIR
set -euo pipefail
# A session bus of our own, so the accessibility bus it activates is ours as well.
if [ -z "${BRELGAN_SESSION_BUS:-}" ]; then
    exec env BRELGAN_SESSION_BUS=1 dbus-run-session -- bash "$0" "$@"
fi
. "$(dirname "$0")/../e2e/lib.sh" "$1"
launcher="$BUILD_DIR/brelgan-launcher"
app_id=org.wendrake.Launcher
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE
export XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -m 700 -p "$XDG_RUNTIME_DIR"
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# Nothing the session bus starts may touch the user's settings.
export HOME="$E2E_TMP/home"
mkdir -p "$HOME"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
dbus-update-activation-environment HOME XDG_RUNTIME_DIR

# Debian's own Python: the AT-SPI bindings live there, whatever python3 is first on the PATH.
tree() { /usr/bin/python3 "$(dirname "$0")/accessible_tree.py" "$LAUNCHER_PID"; }
# shows LINE_REGEX: the launcher's accessible tree has a matching line.
shows() {
    local shown
    shown=$(tree 2>/dev/null) && grep -Eq "$1" <<<"$shown"
}
expect_shown() {
    wait_until 30 shows "$1" || fail "the launcher never showed /$1/; it showed:
$(tree 2>&1)"
}
stop_launcher() {
    kill "$LAUNCHER_PID"
    wait "$LAUNCHER_PID" 2>/dev/null || true
}

# --- Wayland. Only weston's requests from now on count: each launcher is checked on its own.
WESTON_LOG="$E2E_TMP/weston.log"
weston --backend=headless-backend.so --socket=brelgan-test --no-config --idle-time=0 \
    --logger-scopes=log,proto --log="$WESTON_LOG" >"$E2E_TMP/weston.out" 2>&1 &
BACKGROUND_PIDS+=($!)
wait_until 30 test -S "$XDG_RUNTIME_DIR/brelgan-test" || {
    cat "$E2E_TMP/weston.out" "$WESTON_LOG" >&2
    fail "weston did not start"
}
requested_after() { tail -n +"$(($1 + 1))" "$WESTON_LOG" | grep -Eq " rq $2"; }
expect_requested() {
    wait_until 30 requested_after "$1" "$2" || fail "the launcher never asked weston for /$2/"
}

# Nothing listens on the registry's port: the window comes up and the box says so.
seen=$(wc -l <"$WESTON_LOG")
WAYLAND_DISPLAY=brelgan-test QT_QPA_PLATFORM=wayland start_launcher
expect_requested "$seen" "xdg_toplevel@[0-9]+\.set_app_id\(\"$app_id\"\)"
expect_requested "$seen" 'xdg_toplevel@[0-9]+\.set_title\("Wendrake"\)'
expect_requested "$seen" 'xdg_toplevel@[0-9]+\.set_title\("Brelgan"\)'
expect_shown '^ +alert \| Brelgan \|'
expect_shown '^ +label \| Cannot connect to registry! \|'
grep -Eo "set_app_id\(\"[^\"]*\"\)" "$WESTON_LOG" | sort -u | sed 's/^/weston saw: /'
stop_launcher

# The stand-in registry answers: the list fills and the first server is shown.
start_registry
WAYLAND_DISPLAY=brelgan-test QT_QPA_PLATFORM=wayland start_launcher
wait_log '^peer closed$'
expect_shown '^ +combo box \| Ashmere \| Tileset Number: 0\. A quiet realm'
expect_shown '^ +list item \| Vel Tarun \|'
! shows '^ +alert' || fail "a message box came up although the registry answered"
stop_launcher

# --- No display. One line that says what to do, and the launcher's own status, not Qt's abort.
expect_no_display() {
    local expected=$1 status=0
    shift
    env "$@" "$launcher" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
    [ "$status" = 2 ] || fail "with $* the launcher ended with $status, not 2:
$(cat "$E2E_TMP/err")"
    [ ! -s "$E2E_TMP/out" ] || fail "with $* the launcher wrote to its standard output"
    [ "$(tail -n 1 "$E2E_TMP/err")" = "$expected" ] || fail "with $* the launcher said:
$(cat "$E2E_TMP/err")"
}
expect_no_display "brelgan-launcher: cannot open a display: set DISPLAY or WAYLAND_DISPLAY"
[ "$(wc -l <"$E2E_TMP/err")" = 1 ] || fail "more than one line without a display:
$(cat "$E2E_TMP/err")"
# Qt's own reasons come first when a display was named; the launcher's line ends it.
expect_no_display "brelgan-launcher: cannot open a display (DISPLAY=:4093)" DISPLAY=:4093
expect_no_display \
    "brelgan-launcher: cannot open a display (WAYLAND_DISPLAY=nowhere, QT_QPA_PLATFORM=wayland)" \
    WAYLAND_DISPLAY=nowhere QT_QPA_PLATFORM=wayland

# --- Qt's offscreen platform needs no display and must not be refused: it gets as far as asking
# the registry.
peers=$(grep -c '^peer closed$' "$REGISTRY_LOG")
QT_QPA_PLATFORM=offscreen start_launcher
wait_log_count '^peer closed$' $((peers + 1))
kill -0 "$LAUNCHER_PID" 2>/dev/null || fail "the offscreen launcher ended"
stop_launcher
echo "PASS"
