#!/usr/bin/env bash
# The Windows launcher from its zip, under Wine in a display of its own, against the Linux
# stand-in registry, run by run: what the reading does on a real network, what the user is told
# and how the launcher ends, and what the game client receives. It runs from a folder whose name
# holds a blank, beside a Win.exe that Windows would start instead if it had to find the program
# in an unquoted line.
#   wine_e2e.sh LINUX_BUILD_DIR LAUNCHER_ZIP WINDOWS_STAND_IN_CLIENT, with WINEPREFIX set
# Needs the fixed registry port: run it in a network namespace of its own (scripts/windows does).
. "$(dirname "$0")/../e2e/lib.sh" "$1"
trap 'wineserver -k 2>/dev/null || true; e2e_cleanup' EXIT

games="$WINEPREFIX/drive_c/Brelgan e2e"
folder="$games/Win Launcher"
rm -rf "$games"
unzip -q "$2" -d "$games"
mv "$games"/brelgan-launcher-* "$folder"
cp "$3" "$folder/brelgan.bin"
cp "$3" "$games/Win.exe"
record="$folder/brelgan.bin.received"
launcher="$folder/brelgan-launcher.exe"

start_xvfb
# lib.sh chose Qt's X11 plugin for the Linux launcher; a Windows Qt only has its own.
unset QT_QPA_PLATFORM
run() { rm -f "$record"; wine "$launcher" >"$E2E_TMP/launcher.out" 2>&1 & LAUNCHER_PID=$!; BACKGROUND_PIDS+=($!); wait_window; }
received() { sed -n 's/^received: //p' "$REGISTRY_LOG" | tr '\n' ' '; }
# expect_received CASE BYTES: all that the registry received in this case, in hex.
expect_received() { [ "$(received)" = "$2 " ] || fail "$1: the registry received $(received)"; echo "$1: the registry received $2"; }
# client_got LINE: the stand-in client's record starts with its command line in UTF-8.
client_got() {
    wait_until 15 test -s "$record" || fail "the client was not started"
    local got; got=$(head -z -n 1 "$record" | tr -d '\0')
    [ "$got" = "$(printf '"%s" %s' 'C:\Brelgan e2e\Win Launcher\brelgan.bin' "$1")" ] || fail "the client got: $got"
    echo "client: $got"
}
find_box() { BOX=$(xdotool search --onlyvisible --name '^Brelgan$' 2>/dev/null | head -n 1) && [ -n "$BOX" ]; }
# serve ARGS...: a registry of its own for each case; the last case's goes first.
serve() { [ -z "${REGISTRY_PID:-}" ] || { kill "$REGISTRY_PID"; wait "$REGISTRY_PID" || true; }; start_registry "$@"; REGISTRY_PID=${BACKGROUND_PIDS[-1]}; }

# A registry 40 ms away sends 300 servers in flights of segments and loses the segment after
# record 150; the rest comes 250 ms late. Every server is listed (End reaches the last one), the
# registry gets one acknowledgement after its last byte, and the client the last server: 0x80 is
# the euro sign in Windows-1252, 0x81 has no character there and keeps its number, 0xE9 is é.
awk 'BEGIN { for (i = 0; i < 299; i++) printf "10.0.%d.%d\t%d\tServer %d\tFens.\t%d\n", i / 256, i % 256, 5000 + i, i, i % 256 }' >"$E2E_TMP/servers.tsv"
printf 'a b"\x80\x81\xe9\t7000\tCinder\tA blank, a quote, bytes above 0x7F.\t12\n' >>"$E2E_TMP/servers.tsv"
serve --link 40 --loss-after-record 150 --loss-pause 250 --servers "$E2E_TMP/servers.tsv"
run
wait_log '^peer closed$'
press End alt+c
expect_launcher_exit 0
client_got "$(printf 'a b"\xe2\x82\xac\xc2\x81\xc3\xa9 7000 12')"
expect_received "lost segment" "00 02 03 01 00 01 04"
[ "$(grep -n '^received: 00 01 04$' "$REGISTRY_LOG" | cut -d: -f1)" -gt "$(grep -n '^sent ' "$REGISTRY_LOG" | tail -n 1 | cut -d: -f1)" ] ||
    fail "the launcher acknowledged before the reply was out"
[ ! -e "$games/brelgan.bin.received" ] || fail "Win.exe ran instead of the client"

# Connect while the reply still comes: the first server arrives a second after the request, so
# the reply is not over for three more, and the rest of the sample list is held back for a minute.
serve --link 1000 --loss-after-record 1 --loss-pause 60000
run
wait_log '^holding the rest back'
sleep 0.5
press alt+c
expect_launcher_exit 0
client_got "127.0.0.1 7000 0"
wait_log '^peer closed$'
wait_log 'reply bytes were never sent$'
expect_received "Connect midway" "00 02 03 01 00 01 04"

# A registry that hangs up before any byte: the message, then the end, and no acknowledgement.
serve --raw /dev/null --hang-up
run
wait_until 15 find_box || fail "no message box"
xdotool windowfocus --sync "$BOX" key --clearmodifiers Return
expect_launcher_exit 0
expect_received "hang-up before a byte" "00 02 03 01"

# Started from the shell as Explorer starts it, against a registry that never answers: the
# launcher's window is the only one, no console beside it, and Cancel ends it at once.
serve --raw /dev/null
wine start /unix "$launcher"
wait_window
wait_log '^received: 00 02 03 01$'
windows=$(for id in $(xdotool search --onlyvisible --name '.' 2>/dev/null); do xdotool getwindowname "$id"; done | sort | paste -sd '|')
[ "$windows" = "Wendrake" ] || fail "the visible windows are: $windows"
LAUNCHER_PID=$(pgrep -f 'brelgan-launcher\.exe' | head -n 1)
press alt+a
wait_until 3 launcher_gone || fail "Cancel did not end the launcher"
expect_received "never answers, Cancel" "00 02 03 01"
echo PASS
