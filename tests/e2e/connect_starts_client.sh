#!/usr/bin/env bash
# A registry a round trip of 40 ms away sends 300 servers the way a remote one does: in TCP
# segments, in flights that double, one round trip apart; and the segment after record 150 is
# lost, so the rest comes a quarter of a second late, as TCP repairs the loss. The list must not
# end at the pause. The registry must receive exactly the list request and, once the whole reply
# is out, one acknowledgement. From the keyboard, End and Connect then hand the last server sent to
# the game client: exactly the registry's words, which no shell sees, and the launcher ends with
# status 0. The launcher is the installed one, started through its link in bin, in a prefix whose
# name holds a blank; the client is found beside the real executable. The list is read through
# AT-SPI, so the script runs on a session bus of its own.
PRIVATE_SESSION=1 . "$(dirname "$0")/lib.sh" "$1"

prefix="$E2E_TMP/My Games"
cmake --install "$BUILD_DIR" --prefix "$prefix" >/dev/null
cp "$BUILD_DIR/brelgan.bin" "$prefix/lib/brelgan/"
proof="$E2E_TMP/shell-ran"
# Control characters and bytes from 0x80 are words' bytes like any other.
words=(a "b;\$(id>$proof)|\`id>$proof\`" "-p'\"*"$'\x01\x1b\x7f\x80\x9f\xe9\xff' 12)
# Descriptions of about 200 bytes make the reply three flights long.
awk -v text="$(printf 'Fens and fog. %.0s' {1..15})" 'BEGIN {
    for (i = 0; i < 299; i++)
        printf "10.0.%d.%d\t%d\tServer %d\t%s\t%d\n", int(i / 256), i % 256, 5000 + i, i, text, i % 256
}' >"$E2E_TMP/servers.tsv"
printf '%s\t%s\tBrack\tHills.\t%s\n' "${words[0]} ${words[1]}" "${words[@]:2}" >>"$E2E_TMP/servers.tsv"

start_xvfb
start_registry --link 40 --loss-after-record 150 --loss-pause 250 --servers "$E2E_TMP/servers.tsv"
export BRELGAN_STUB_ARGV="$E2E_TMP/argv"
start_launcher "$prefix/bin/brelgan-launcher"
wait_window
# The launcher acknowledges and hangs up once the reading is over, and only then may Connect end
# it. The list, filled before or right after, shows the first server until End is pressed.
wait_log '^peer closed$'
wait_until 15 shows '^ *combo box \| Server 0 \|' || fail "the list did not fill"
press End alt+c
expect_launcher_exit 0
wait_until 10 test -s "$BRELGAN_STUB_ARGV" || fail "the client was not started"
printf '%s\0' "${words[@]}" | cmp -s "$BRELGAN_STUB_ARGV" - ||
    fail "the client got $(tr '\0' '|' <"$BRELGAN_STUB_ARGV")"
[ ! -e "$proof" ] || fail "a shell interpreted the registry's text"
received=$(sed -n 's/^received: //p' "$REGISTRY_LOG" | tr '\n' ' ')
[ "$received" = "00 02 03 01 00 01 04 " ] || fail "the registry received $received"
# By line in the log: the acknowledgement comes after the last piece sent.
last_sent=$(grep -n '^sent ' "$REGISTRY_LOG" | tail -n 1 | cut -d: -f1)
[ "$(grep -n '^received: 00 01 04$' "$REGISTRY_LOG" | cut -d: -f1)" -gt "$last_sent" ] ||
    fail "the launcher acknowledged before the reply was out"
echo PASS
