#!/usr/bin/env bash
# The real launcher against a hostile registry, one row at a time, in one Xvfb: what only the
# process can show. Each row keeps peak memory under BRELGAN_RSS_CEILING_KIB, shows the message box
# or none, and ends with status 0. What is listed from the same bytes is tst_registryquery's table.
#
# Usage: hostile_registry.sh BUILD_DIR [REPORT_FILE]
. "$(dirname "$0")/lib.sh" "$1"
REPORT=${2:-$1/hostile-registry-scenarios.txt}
RSS_CEILING_KIB=${BRELGAN_RSS_CEILING_KIB:-262144}
export BRELGAN_STUB_ARGV="$E2E_TMP/client-argv"

box() { BOX=$(xdotool search --onlyvisible --name '^Brelgan$' 2>/dev/null | head -n 1) && [ -n "$BOX" ]; }

# row NAME REGISTRY_ARGS LAUNCHER BOX ARGV
#   REGISTRY_ARGS: empty when no registry runs. BOX: - (none; the launcher hangs up on the reply),
#   ends (OK ends the program) or stays (the window stays for Cancel). ARGV: - (Cancel), or the
#   first server's words as printf escapes, which Connect must hand the client byte for byte.
row() {
    local name=$1 box=$4 argv=$5 registry= rss
    [ -z "$2" ] || { start_registry $2 && registry=${BACKGROUND_PIDS[-1]}; }
    start_launcher "$BUILD_DIR/$3"
    wait_window
    # The conversation must be over before its peak memory is read.
    if [ "$box" = - ]; then wait_log '^peer closed$'; else wait_until 15 box || fail "$name: no message box"; fi
    rss=$(awk '/^VmHWM:/ { print $2 }' "/proc/$LAUNCHER_PID/status")
    [ "$rss" -le "$RSS_CEILING_KIB" ] || fail "$name: peak RSS $rss KiB over $RSS_CEILING_KIB KiB"
    [ "$box" = - ] || xdotool windowfocus --sync "$BOX" key --clearmodifiers Return
    wait_until 10 eval "! box" || fail "$name: the message box did not close"
    # Only the absence of an ending shows the window stayed: give it the time one would take.
    [ "$box" != stays ] || { sleep 0.3 && ! launcher_gone; } || fail "$name: the window did not stay"
    if [ "$argv" != - ]; then
        press alt+c
        wait_until 10 test -s "$BRELGAN_STUB_ARGV" || fail "$name: the client was not started"
        printf '%b\0' $argv | cmp -s "$BRELGAN_STUB_ARGV" - || fail "$name: the client got other bytes"
    elif [ "$box" != ends ]; then
        press alt+a
    fi
    expect_launcher_exit 0
    [ -z "$registry" ] || { kill "$registry" && wait "$registry" || true; }
    printf '%-22s %-6s %10s\n' "$name" "$box" "$rss" | tee -a "$REPORT"
}

# Every control character but NUL and TAB, and every byte from 0x80, as printf escapes: the first
# record's address and port in the control-texts reply.
controls=$(printf '\\x%02x' $(seq 1 8) $(seq 10 31) 127)
high=$(printf '\\x%02x' $(seq 128 255))

start_xvfb
printf '%-22s %-6s %10s\n' row box peak_kib >"$REPORT"
row "16 MiB reply" "--scenario huge" brelgan-launcher - -
row "1 MiB texts" "--scenario big-texts" brelgan-launcher - -
row "control and high" "--scenario control-texts" brelgan-launcher - "$controls$high $high$controls 255"
row "reset before reply" "--raw /dev/null --reset" brelgan-launcher ends -
row "nothing listens" "" brelgan-launcher stays -
row "host does not resolve" "" brelgan-launcher-unresolvable stays -
echo PASS
