#!/usr/bin/env bash
# The whole flow from the keyboard alone, with the installed launcher started through its link in
# bin: Alt+C before the client is in place brings up the message box, whose OK answers Return and
# Space; Tab goes round the controls and back to the list, the arrow keys pick a server, Alt+C
# starts the client beside the real executable for it. A second run ends with Alt+A.
# Usage: keyboard_only.sh BUILD_DIR
. "$(dirname "$0")/../e2e/lib.sh" "$1"

prefix="$E2E_TMP/prefix"
cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null
client="$prefix/lib/brelgan/brelgan.bin"
export BRELGAN_STUB_ARGV="$E2E_TMP/argv"

# wait_message_box: waits for the "Brelgan" box; sets BOX.
wait_message_box() {
    find_box() { BOX=$(xdotool search --onlyvisible --name '^Brelgan$' 2>/dev/null | head -n 1) && [ -n "$BOX" ]; }
    wait_until 15 find_box || fail "no message box appeared"
}
box_gone() { ! xdotool search --onlyvisible --name '^Brelgan$' >/dev/null 2>&1; }

start_xvfb
start_registry
start_launcher "$prefix/bin/brelgan-launcher"
wait_window
wait_log '^peer closed$'

# No client yet: each attempt is answered with a box, and the window stays for another try.
for ok_key in Return space; do
    press alt+c
    wait_message_box
    xdotool windowfocus --sync "$BOX"
    xdotool key --clearmodifiers "$ok_key"
    wait_until 10 box_gone || fail "$ok_key did not close the message box"
    kill -0 "$LAUNCHER_PID" 2>/dev/null || fail "the launcher ended after the message box"
done

cp "$BUILD_DIR/brelgan.bin" "$client"
# Four Tabs lead through the description, Connect and Cancel back to the list; were the order
# wrong, the arrows would move something else and another server, or none, would be started.
press Tab Tab Tab Tab Down Down alt+c
expect_launcher_exit 0
wait_until 10 test -s "$BRELGAN_STUB_ARGV" || fail "the client was not started"
expected=$(printf 'eu.example.net\0007000\0007\000' | od -c)
actual=$(od -c <"$BRELGAN_STUB_ARGV")
[ "$actual" = "$expected" ] || fail "the client got other arguments:
$actual"

rm -f "$BRELGAN_STUB_ARGV"
start_launcher "$prefix/bin/brelgan-launcher"
wait_window
press alt+a
expect_launcher_exit 0
[ ! -e "$BRELGAN_STUB_ARGV" ] || fail "Alt+A started the client"
echo "PASS"
