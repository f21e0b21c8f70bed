#!/usr/bin/env bash
# A registry a round trip of 40 ms away sends a few hundred servers the way a remote one does: in
# TCP segments, in flights that double, one round trip apart. The launcher lists every one of them
# (End then Connect hands the last server sent to the client), and the registry receives exactly
# the list request and, once the whole reply is out, one acknowledgement.
. "$(dirname "$0")/lib.sh" "$1"

# Descriptions of about 200 bytes make the reply three flights long.
servers="$E2E_TMP/servers.tsv"
awk -v text="$(printf 'Fens and fog. %.0s' {1..15})" 'BEGIN {
    for (i = 0; i < 300; i++)
        printf "10.0.%d.%d\t%d\tServer %d\t%s\t%d\n", int(i / 256), i % 256, 5000 + i, i, text, i % 256
}' >"$servers"
expected="$E2E_TMP/expected"
printf '%s\0' 10.0.1.43 5299 43 >"$expected"

start_xvfb
start_registry --link 40 --servers "$servers"
export BRELGAN_STUB_ARGV="$E2E_TMP/argv"
start_launcher
wait_window
# The launcher hangs up once it has the reply; the list is filled right after.
wait_log '^peer closed$'
sleep 0.2
press End alt+c
expect_launcher_exit 0
wait_until 10 test -s "$BRELGAN_STUB_ARGV" || fail "the client was not started"
cmp -s "$BRELGAN_STUB_ARGV" "$expected" ||
    fail "the last server listed is not the last one sent: the client got $(tr '\0' ' ' <"$BRELGAN_STUB_ARGV")"

received=$(sed -n 's/^received: //p' "$REGISTRY_LOG" | tr '\n' ' ')
[ "$received" = "00 02 03 01 00 01 04 " ] || fail "the registry received $received"
! grep -q 'never sent$' "$REGISTRY_LOG" || fail "the launcher hung up before the reply was out"
last_sent=$(grep -n '^sent ' "$REGISTRY_LOG" | tail -n 1 | cut -d: -f1)
acknowledged=$(grep -n '^received: 00 01 04$' "$REGISTRY_LOG" | cut -d: -f1)
[ "$acknowledged" -gt "$last_sent" ] || fail "the launcher acknowledged before the reply was out"
echo PASS
