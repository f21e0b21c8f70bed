#!/usr/bin/env bash
# The real launcher on each kind of display it meets: natively under a Wayland compositor
# (weston's headless backend, which logs the protocol, with Qt's Wayland platform; what the window
# shows is read through AT-SPI, as a screen reader would), with no display at all or one that does
# not answer, and on Qt's offscreen platform, which must keep working.
# Usage: display_platforms.sh BUILD_DIR
PRIVATE_SESSION=1 . "$(dirname "$0")/../e2e/lib.sh" "$1"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM XDG_SESSION_TYPE

weston --backend=headless-backend.so --socket=brelgan-test --no-config --idle-time=0 \
    --logger-scopes=log,proto --log="$E2E_TMP/weston.log" >/dev/null 2>&1 &
BACKGROUND_PIDS+=($!)
wait_until 30 test -S "$XDG_RUNTIME_DIR/brelgan-test" || fail "weston did not start"
start_registry
WAYLAND_DISPLAY=brelgan-test QT_QPA_PLATFORM=wayland start_launcher
wait_until 30 grep -q ' rq xdg_toplevel@[0-9]*\.set_app_id("org.wendrake.Launcher")' "$E2E_TMP/weston.log" ||
    fail "the launcher never gave weston its app id"
wait_until 30 shows '^ +combo box \| Ashmere \| Tileset Number: 0\. A quiet realm' ||
    fail "the Wayland window never showed the first server"
kill "$LAUNCHER_PID"

# No display: one line that says what to do, and the launcher's own status, not Qt's abort. When a
# display was named, Qt's own reasons come first, and the launcher's line ends them.
while IFS='|' read -r named said; do
    status=0
    env $named "$BUILD_DIR/brelgan-launcher" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
    [ "$status $(tail -n 1 "$E2E_TMP/err")" = "2 $said" ] && [ ! -s "$E2E_TMP/out" ] ||
        fail "with '$named' the launcher ended with $status and said: $(cat "$E2E_TMP/err" "$E2E_TMP/out")"
done <<'ROWS'
DISPLAY=:4093|brelgan-launcher: cannot open a display (DISPLAY=:4093)
WAYLAND_DISPLAY=nowhere QT_QPA_PLATFORM=wayland|brelgan-launcher: cannot open a display (WAYLAND_DISPLAY=nowhere, QT_QPA_PLATFORM=wayland)
|brelgan-launcher: cannot open a display: set DISPLAY or WAYLAND_DISPLAY
ROWS
# The last row named nothing: Qt's reasons held back, its line is the only one.
[ "$(wc -l <"$E2E_TMP/err")" = 1 ] || fail "more than one line without a display: $(cat "$E2E_TMP/err")"

# Offscreen needs no display and must not be refused: it gets as far as asking the registry.
QT_QPA_PLATFORM=offscreen start_launcher
wait_log_count '^peer closed$' 2
kill -0 "$LAUNCHER_PID" || fail "the offscreen launcher ended"
echo PASS
