#!/usr/bin/env bash
# What Orca says of the real launcher, listening on the AT-SPI bus of a private session: the window
# announced as a dialog with its title, the list with its server, and each Down speaking the newly
# selected server with its tileset number and description.
# Usage: screen_reader.sh BUILD_DIR
PRIVATE_SESSION=1 . "$(dirname "$0")/../e2e/lib.sh" "$1"

# Speech on, so that everything is spoken, with no speech server behind it: each utterance is a
# "SPEECH OUTPUT:" line of the debug log, written line by line, so the test can wait on it.
cat >"$HOME/orca-customizations.py" <<'PY'
import orca.debug, orca.settings
orca.settings.speechServerFactory = None
orca.debug.debugFile.reconfigure(line_buffering=True)
PY
start_xvfb
orca --user-prefs "$HOME" --disable braille --disable braille-monitor --disable main-window \
    --disable splash-window --debug-file "$E2E_TMP/orca.log" >/dev/null 2>&1 &
BACKGROUND_PIDS+=($!)
wait_until 60 grep -qs ' - ORCA: Starting registry' "$E2E_TMP/orca.log" || fail "Orca did not start"

spoken() { sed -n "s/^.* - SPEECH OUTPUT: '\(.*\)'{.*/\1/p" "$E2E_TMP/orca.log"; }
# expect_said N PATTERN: an utterance after the N-th one matches the extended regex.
said_after() { spoken | tail -n +"$(($1 + 1))" | grep -E "$2" >/dev/null; }
expect_said() { wait_until 30 said_after "$@" || fail "Orca never said /$2/; it said: $(spoken | tail -n +"$(($1 + 1))")"; }

start_registry
start_launcher
wait_window
# Orca speaks the list only once it is filled and the launcher is on the accessibility bus.
wait_until 30 shows '^ *combo box \| Ashmere \|' || fail "the launcher never showed its list on the bus"
# Without a window manager nothing activates the window; a user's desktop would.
xdotool windowfocus --sync "$WINDOW"
expect_said 0 '^Wendrake dialog'
expect_said 0 '^Ashmere combo box'
before=$(spoken | wc -l)
press Down
expect_said "$before" '^Cinderfall\.?$'
expect_said "$before" '^Tileset Number: 2\. Volcanic frontier'
echo PASS
