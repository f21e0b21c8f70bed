#!/usr/bin/env bash
# What Orca says: the real launcher against the stand-in registry, with Orca listening on the AT-SPI
# bus of a private session, its speech going only to its debug log (each utterance is a
# "SPEECH OUTPUT:" line there). The window must be announced as a dialog with its title, the list
# with its server, tileset and description, and each Down must speak the newly selected server with
# its tileset number.
# Usage: screen_reader.sh BUILD_DIR
set -euo pipefail
# A session bus of our own, so the accessibility bus it activates is ours as well.
if [ -z "${BRELGAN_SESSION_BUS:-}" ]; then
    exec env BRELGAN_SESSION_BUS=1 dbus-run-session -- bash "$0" "$@"
fi
. "$(dirname "$0")/../e2e/lib.sh" "$1"

# Orca keeps its settings under HOME and turns on toolkit accessibility in dconf; none of it may
# touch the user's. The services the session bus starts get the same HOME (see below).
export HOME="$E2E_TMP/home"
mkdir -p "$HOME"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
ORCA_LOG="$E2E_TMP/orca.log"
prefs="$E2E_TMP/orca"
mkdir -p "$prefs"
# Speech enabled, so that everything is spoken, but with no speech server behind it: the words go
# to the log only. The log is written line by line, so the test can wait on what is said.
cat >"$prefs/orca-customizations.py" <<'PY'
import orca.debug
import orca.settings
orca.settings.speechServerFactory = None
orca.debug.debugFile.reconfigure(line_buffering=True)
PY

start_xvfb
dbus-update-activation-environment HOME XDG_RUNTIME_DIR
orca --user-prefs "$prefs" --disable braille --disable braille-monitor --disable main-window \
    --disable splash-window --debug-file "$ORCA_LOG" >"$E2E_TMP/orca.out" 2>&1 &
BACKGROUND_PIDS+=($!)
wait_until 60 grep -qs ' - ORCA: Starting registry' "$ORCA_LOG" || {
    cat "$E2E_TMP/orca.out" >&2
    fail "Orca did not start"
}

# spoken: the utterances so far, one a line.
spoken() { sed -n "s/^.* - SPEECH OUTPUT: '\(.*\)'{.*/\1/p" "$ORCA_LOG"; }
# said_after N PATTERN: an utterance after the N-th one matches the extended regex.
said_after() { spoken | tail -n +"$(($1 + 1))" | grep -Eq "$2"; }
# expect_said N PATTERN: waits for it; fails with what Orca did say.
expect_said() {
    wait_until 30 said_after "$1" "$2" ||
        fail "Orca never said /$2/; it said:
$(spoken | tail -n +"$(($1 + 1))")"
}

start_registry
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 start_launcher
wait_window
# The list must be filled, and the launcher on the accessibility bus, before Orca is to speak it.
listed() {
    local shown
    shown=$(/usr/bin/python3 "$(dirname "$0")/accessible_tree.py" "$LAUNCHER_PID" 2>/dev/null) &&
        grep -q '^ *combo box | Ashmere |' <<<"$shown"
}
wait_until 30 listed || fail "the launcher never showed its list on the accessibility bus"

# Without a window manager nothing activates the window; a user's desktop would.
xdotool windowfocus --sync "$WINDOW"
expect_said 0 '^Wendrake dialog'
expect_said 0 '^Ashmere combo box'
expect_said 0 '^Tileset Number: 0\. A quiet realm of fens'

before=$(spoken | wc -l)
press Down
expect_said "$before" '^Cinderfall\.?$'
expect_said "$before" '^Tileset Number: 2\. Volcanic frontier'
before=$(spoken | wc -l)
press Down
expect_said "$before" '^Hollowmere\.?$'
expect_said "$before" '^Tileset Number: 7\. Long-running roleplay server'
echo "Orca said:"
spoken | sed 's/^/    /'
echo "PASS"
