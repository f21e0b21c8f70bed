#!/usr/bin/env bash
# The Windows launcher from its zip, under Wine in a display of its own, against the Linux
# stand-in registry: it lists the registry's servers, and Connect hands the second one to the
# Windows stand-in client as exactly the command line Windows programs expect. It runs from a
# folder whose name holds a blank, beside a Win.exe that Windows would start instead if it had
# to find the program in an unquoted line.
#   wine_e2e.sh LINUX_BUILD_DIR LAUNCHER_ZIP WINDOWS_STAND_IN_CLIENT, with WINEPREFIX set
# Needs the fixed registry port: run it in a network namespace of its own (scripts/windows does).
. "$(dirname "$0")/../e2e/lib.sh" "$1"
trap 'wineserver -k 2>/dev/null || true; e2e_cleanup' EXIT

games="$WINEPREFIX/drive_c/Brelgan e2e"
rm -rf "$games"
unzip -q "$2" -d "$games"
mv "$games"/brelgan-launcher-* "$games/Win Launcher"
cp "$3" "$games/Win Launcher/brelgan.bin"
cp "$3" "$games/Win.exe"
record="$games/Win Launcher/brelgan.bin.received"

servers="$E2E_TMP/servers.tsv"
printf '10.0.0.5\t5000\tAshmere\tQuiet fens.\t2\n' >"$servers"
printf 'a b"\x80\x81\xe9\t7000\tCinder\tA blank, a quote, bytes above 0x7F.\t12\n' >>"$servers"
# The stand-in client's record starts with its command line in UTF-8: 0x80 is the euro sign in
# Windows-1252, 0x81 has no character there and keeps its number, 0xE9 is e acute.
expected=$(printf '"%s" a b"\xe2\x82\xac\xc2\x81\xc3\xa9 7000 12' \
    'C:\Brelgan e2e\Win Launcher\brelgan.bin')

start_xvfb
# lib.sh chose Qt's X11 plugin for the Linux launcher; a Windows Qt only has its own.
unset QT_QPA_PLATFORM
start_registry --servers "$servers"
wine "$games/Win Launcher/brelgan-launcher.exe" >"$E2E_TMP/launcher.out" 2>&1 &
LAUNCHER_PID=$!
BACKGROUND_PIDS+=("$LAUNCHER_PID")
wait_window
# The launcher hangs up once it has the reply; the list is filled right after.
wait_log '^peer closed$'
sleep 0.5
# The list has the focus first; Down selects the second server.
press Down alt+c
expect_launcher_exit 0
wait_until 15 test -s "$record" || fail "the client was not started"
received=$(head -z -n 1 "$record" | tr -d '\0')
[ "$received" = "$expected" ] || fail "the client got: $received"
[ ! -e "$games/brelgan.bin.received" ] || fail "Win.exe ran instead of the client"
echo "PASS: $received"
