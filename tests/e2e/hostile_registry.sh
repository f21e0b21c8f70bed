#!/usr/bin/env bash
# The real launcher against a hostile registry, one row at a time, in one Xvfb: what only the
# process can show. Each row keeps peak memory under BRELGAN_RSS_CEILING_KIB, shows the message box
# it should or none, and ends with status 0. What is listed from the same bytes is
# tst_registryquery's table; what a client receives, connect_starts_client.sh. The box's text and
# the window that stays are read through AT-SPI, so the script runs on a session bus of its own.
#
# Usage: hostile_registry.sh BUILD_DIR [REPORT_FILE]
PRIVATE_SESSION=1 . "$(dirname "$0")/lib.sh" "$1"
REPORT=${2:-$1/hostile-registry-scenarios.txt}
RSS_CEILING_KIB=${BRELGAN_RSS_CEILING_KIB:-262144}

box() { BOX=$(xdotool search --onlyvisible --name '^Brelgan$' 2>/dev/null | head -n 1) && [ -n "$BOX" ]; }
# A window that answers the accessibility bus after its box has closed is a program still running
# its event loop, not one on its way out: ending hides the window first.
window_stays() { find_window && shows '^  dialog \| Wendrake \|'; }

# row NAME REGISTRY_ARGS LAUNCHER BOX
#   REGISTRY_ARGS: empty when no registry runs. BOX: - (none; the launcher hangs up on the reply),
#   or the message box's text, after which the window must stay for Cancel.
row() {
    local name=$1 box=$4 registry= rss
    [ -z "$2" ] || { start_registry $2 && registry=${BACKGROUND_PIDS[-1]}; }
    start_launcher "$BUILD_DIR/$3"
    wait_window
    # The conversation must be over before its peak memory is read.
    if [ "$box" = - ]; then wait_log '^peer closed$'; else wait_until 15 box || fail "$name: no message box"; fi
    rss=$(awk '/^VmHWM:/ { print $2 }' "/proc/$LAUNCHER_PID/status")
    [ "$rss" -le "$RSS_CEILING_KIB" ] || fail "$name: peak RSS $rss KiB over $RSS_CEILING_KIB KiB"
    if [ "$box" != - ]; then
        wait_until 15 shows "^ +label \| $box \|" || fail "$name: the box does not say '$box'"
        xdotool windowfocus --sync "$BOX" key --clearmodifiers Return
        wait_until 10 eval "! box" || fail "$name: the message box did not close"
        wait_until 10 window_stays || fail "$name: the window did not stay"
    fi
    press alt+a
    expect_launcher_exit 0
    [ -z "$registry" ] || { kill "$registry" && wait "$registry" || true; }
    printf '%-22s %-6s %10s\n' "$name" "$([ "$box" = - ] && echo - || echo stays)" "$rss" | tee -a "$REPORT"
}

start_xvfb
printf '%-22s %-6s %10s\n' row box peak_kib >"$REPORT"
row "16 MiB reply" "--scenario huge" brelgan-launcher -
row "1 MiB texts" "--scenario big-texts" brelgan-launcher -
# The in-process tests see these messages asked for; here the box shows them, and goes.
row "host does not resolve" "" brelgan-launcher-unresolvable "Cannot connect to registry!"
echo PASS
