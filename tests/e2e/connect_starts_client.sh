#!/usr/bin/env bash
# Connect, from the keyboard alone, hands the second server to the game client: the client gets
# exactly the registry's words, no shell sees them, and the launcher is gone with status 0. Run
# once from the build directory and once from a copy in a directory whose name holds a blank.
. "$(dirname "$0")/lib.sh" "$1"

proof="$E2E_TMP/shell-ran"
servers="$E2E_TMP/servers.tsv"
printf '%s\t%s\t%s\t%s\t%s\n' \
    127.0.0.1 7000 Ashmere 'Quiet fens.' 2 \
    "a b;\$(id>$proof)|\`id>$proof\`" "-p'\"*" Brack 'Hills.' 12 >"$servers"
expected="$E2E_TMP/expected"
printf '%s\0' a "b;\$(id>$proof)|\`id>$proof\`" "-p'\"*" 12 >"$expected"

installed="$E2E_TMP/My Games"
mkdir -p "$installed"
cp "$BUILD_DIR/brelgan-launcher" "$BUILD_DIR/brelgan.bin" "$installed/"

start_xvfb
start_registry --servers "$servers"
runs=0
for launcher in "$BUILD_DIR/brelgan-launcher" "$installed/brelgan-launcher"; do
    runs=$((runs + 1))
    export BRELGAN_STUB_ARGV="$E2E_TMP/argv"
    rm -f "$BRELGAN_STUB_ARGV"
    start_launcher "$launcher"
    wait_window
    # The launcher hangs up once it has the reply; the list is filled right after.
    wait_log_count '^peer closed$' "$runs"
    sleep 0.2
    # The list has the focus first; Down selects the second server.
    press Down alt+c
    expect_launcher_exit 0
    wait_until 10 test -s "$BRELGAN_STUB_ARGV" || fail "$launcher: the client was not started"
    cmp -s "$BRELGAN_STUB_ARGV" "$expected" ||
        fail "$launcher: the client got $(tr '\0' '|' <"$BRELGAN_STUB_ARGV")"
    [ ! -e "$proof" ] || fail "a shell interpreted the registry's text"
done
echo PASS
