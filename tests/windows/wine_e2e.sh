#!/usr/bin/env bash
# The Windows launcher from its zip, under Wine in a virtual display of its own, against the
# Linux stand-in registry: it comes up as the Wendrake window at its size, sends exactly its two
# messages, hands each kind of server to the Windows stand-in client as exactly the command line
# Windows programs expect, complains when no registry listens, and Cancel ends it.
#   wine_e2e.sh LINUX_BUILD_DIR LAUNCHER_ZIP WINDOWS_STAND_IN_CLIENT
# Needs the fixed registry port: run it in a network namespace of its own (scripts/windows does).
. "$(dirname "$0")/../e2e/lib.sh" "$1"
zip=$(realpath "$2")
stand_in=$(realpath "$3")
: "${WINEPREFIX:?a Wine prefix of the caller}"

wine_exit() {
    wineserver -k 2>/dev/null || true
    e2e_cleanup
}
trap wine_exit EXIT

drive_c=$WINEPREFIX/drive_c
games="$drive_c/Brelgan e2e"
rm -rf "$games"
mkdir -p "$games"
# Unzipped twice: once into a folder whose name holds a blank, beside a Win.exe that Windows
# would run instead if it had to find the program in an unquoted command line.
unpack() {
    local target=$1 tmp=$E2E_TMP/unzip
    rm -rf "$tmp"
    mkdir -p "$tmp"
    unzip -q "$zip" -d "$tmp"
    mv "$tmp"/* "$target"
    cp "$stand_in" "$target/brelgan.bin"
}
unpack "$games/Launcher"
unpack "$games/Win Launcher"
cp "$stand_in" "$games/Win.exe"

servers=$E2E_TMP/servers.tsv
python3 - "$servers" <<'EOF'
import sys
rows = [
    (b"10.0.0.5", b"5000", b"Ashmere", b"Quiet fens.", b"2"),
    (b"a b;$(id)|`id`", b"-p'\"*", b"Brack", b"Blanks and shell text.", b"12"),
    (bytes(range(0x80, 0x100)), b"7000", b"Cinder", b"Every byte above 0x7F.", b"0"),
]
with open(sys.argv[1], "wb") as f:
    for row in rows:
        f.write(b"\t".join(row) + b"\n")
EOF

start_xvfb
# lib.sh chose Qt's X11 plugin for the Linux launcher; a Windows Qt only has its own.
unset QT_QPA_PLATFORM
wineserver -p
# WINEPREFIX paths as Windows sees them.
windows_path() { printf 'C:\\%s' "$(realpath --relative-to="$drive_c" "$1" | tr / '\\')"; }

start_wine_launcher() {
    wine "$1/brelgan-launcher.exe" >"$E2E_TMP/launcher.out" 2>&1 &
    LAUNCHER_PID=$!
    BACKGROUND_PIDS+=("$LAUNCHER_PID")
}

# expected_line DIR ROW: the command line the client should get for server ROW of servers.tsv,
# in UTF-8: the program quoted, then the registry's bytes as their Windows-1252 characters.
expected_line() {
    python3 - "$(windows_path "$1")" "$servers" "$2" <<'EOF'
import sys
directory, servers, row = sys.argv[1], sys.argv[2], int(sys.argv[3])
address, port, _, _, tileset = open(servers, "rb").read().split(b"\n")[row].split(b"\t")
def cp1252(data):
    # Python leaves the five unassigned bytes undecoded; Windows gives them their own number.
    return "".join(bytes([b]).decode("cp1252", errors="ignore") or chr(b) for b in data)
line = '"%s\\brelgan.bin" %s %s %s' % (directory, cp1252(address), cp1252(port), int(tileset))
sys.stdout.buffer.write(line.encode("utf-8"))
EOF
}

# show FILE: a stand-in client's record, the command line first, then the words it made of it.
show_record() {
    python3 - "$1" <<'EOF'
import sys
fields = open(sys.argv[1], "rb").read().decode("utf-8").split("\0")[:-1]
shown = lambda s: "".join(c if c.isprintable() else "\\u%04x" % ord(c) for c in s)
print("  command line: " + shown(fields[0]))
print("  arguments:    " + " | ".join(shown(f) for f in fields[1:]))
EOF
}

start_registry --servers "$servers"
runs=0
# connect DIR ROW: picks server ROW from the keyboard, presses Connect and checks what the
# client received.
connect() {
    local dir=$1 row=$2 record="$1/brelgan.bin.received"
    rm -f "$record" "$games/brelgan.bin.received"
    runs=$((runs + 1))
    start_wine_launcher "$dir"
    wait_window
    # It hangs up once it has the reply; the list is filled right after.
    wait_log_count '^peer closed$' "$runs"
    sleep 0.5
    local keys=()
    for ((i = 0; i < row; i++)); do keys+=(Down); done
    press "${keys[@]}" alt+c
    expect_launcher_exit 0
    wait_until 15 test -s "$record" || fail "$dir: the client was not started"
    expected_line "$dir" "$row" >"$E2E_TMP/expected"
    head -z -n 1 "$record" | tr -d '\0' | cmp -s - "$E2E_TMP/expected" ||
        fail "$dir, server $row: the client got $(show_record "$record")"
    [ ! -e "$games/brelgan.bin.received" ] || fail "Win.exe ran instead of the client"
    echo "server $row from $(windows_path "$dir"):"
    show_record "$record"
}

# The first run also checks the window and the conversation with the registry.
start_wine_launcher "$games/Launcher"
wait_window
read -r width height < <(xwininfo -id "$WINDOW" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}')
[ "$width x $height" = "281 x 169" ] || fail "the window is $width x $height, not 281 x 169"
wait_log '^received: 00 02 03 01$'
wait_log '^received: 00 01 04$'
wait_log_count '^peer closed$' 1
[ "$(grep -c '^received:' "$REGISTRY_LOG")" = 2 ] || fail "the launcher sent more than its two messages"
press alt+a
expect_launcher_exit 0
runs=1
echo "window: Wendrake, $width x $height; sent 00 02 03 01, then 00 01 04; Cancel ended it"

connect "$games/Launcher" 0
connect "$games/Launcher" 1
connect "$games/Launcher" 2
connect "$games/Win Launcher" 0
connect "$games/Win Launcher" 2

# Nobody listens: the message, then the window stays until Cancel. The box's text is read
# back through the clipboard, where a Windows message box copies it on Ctrl+C.
kill "${BACKGROUND_PIDS[1]}"
wait "${BACKGROUND_PIDS[1]}" 2>/dev/null || true
start_wine_launcher "$games/Win Launcher"
find_box() { BOX=$(xdotool search --onlyvisible --name '^Brelgan$' 2>/dev/null | head -n 1) && [ -n "$BOX" ]; }
wait_until 20 find_box || fail "no message box when no registry listens"
xdotool windowfocus --sync "$BOX"
xdotool key --clearmodifiers ctrl+c
copied() { xclip -selection clipboard -o 2>/dev/null | tr -d '\r' | grep -qx 'Cannot connect to registry!'; }
wait_until 10 copied || fail "the box says: $(xclip -selection clipboard -o 2>/dev/null)"
xdotool key --clearmodifiers Return
wait_window
press alt+a
expect_launcher_exit 0
echo "no registry: \"Cannot connect to registry!\", then Cancel ended it"
echo PASS
