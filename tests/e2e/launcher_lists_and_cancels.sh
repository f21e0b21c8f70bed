#!/usr/bin/env bash
# The whole first conversation with the real launcher: it asks for the list, acknowledges the
# reply and hangs up, shows its window, and Cancel ends it with status 0.
. "$(dirname "$0")/lib.sh" "$1"

start_xvfb
start_registry
start_launcher
wait_window
wait_log '^received: 00 02 03 01$'
wait_log '^received: 00 01 04$'
wait_log '^peer closed$'

click 48 148
expect_launcher_exit 0
[ "$(grep -c '^received:' "$REGISTRY_LOG")" = 2 ] || fail "the launcher sent more than its two messages"
echo "PASS"
