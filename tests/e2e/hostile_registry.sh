#!/usr/bin/env bash
# The real launcher against a hostile registry, one row of the table below at a time, in one Xvfb.
# For each row: the launcher does not crash, shows the message the row expects (or none), keeps its
# peak memory under BRELGAN_RSS_CEILING_KIB, and ends with status 0. What it lists is checked by
# tst_registryquery on the same bytes; here the one listed record that can be seen from outside,
# the client's command line, is checked byte for byte.
#
# Usage: hostile_registry.sh BUILD_DIR [REPORT_FILE]
. "$(dirname "$0")/lib.sh" "$1"
REPORT=${2:-$1/hostile-registry-scenarios.txt}
RSS_CEILING_KIB=${BRELGAN_RSS_CEILING_KIB:-262144}

# Every control character but NUL and TAB, and every byte from 0x80, as printf escapes: the first
# record's address and port in the control-texts scenario, which the client must get as they are.
CONTROLS=$(for b in $(seq 1 8) $(seq 10 31) 127; do printf '\\x%02x' "$b"; done)
HIGH=$(for b in $(seq 128 255); do printf '\\x%02x' "$b"; done)

# name | registry arguments ("none": no registry runs) | launcher | message | after
#   message: none, no-servers (the program ends on OK) or cannot-connect (the window stays)
#   after:   cancel, or connect WORDS (Connect with the first server; the client gets WORDS, printf
#            escapes), or - (the program has ended)
SCENARIOS=(
    "ordinary reply       |                           | brelgan-launcher              | none           | cancel"
    "garbage              | --scenario garbage        | brelgan-launcher              | none           | cancel"
    "16 MiB reply         | --scenario huge           | brelgan-launcher              | none           | cancel"
    "dripped byte by byte | --scenario drip --drip 20 | brelgan-launcher              | none           | cancel"
    "cut in a record      | --scenario cut            | brelgan-launcher              | none           | cancel"
    "reset mid-reply      | --scenario reset --reset  | brelgan-launcher              | none           | connect 10.0.0.5 5000 2"
    "reset before reply   | --raw /dev/null --reset   | brelgan-launcher              | no-servers     | -"
    "nothing listens      | none                      | brelgan-launcher              | cannot-connect | cancel"
    "host does not resolve| none                      | brelgan-launcher-unresolvable | cannot-connect | cancel"
    "never answers        | --silent                  | brelgan-launcher              | none           | cancel"
    "1 MiB texts          | --scenario big-texts      | brelgan-launcher              | none           | cancel"
    "control and high     | --scenario control-texts  | brelgan-launcher              | none           | connect $CONTROLS$HIGH $HIGH$CONTROLS 255"
)

trim() { sed -e 's/^ *//' -e 's/ *$//' <<<"$1"; }

message_box() { xdotool search --onlyvisible --name '^Brelgan$' 2>/dev/null | head -n 1; }
has_message_box() { [ -n "$(message_box)" ]; }

peak_rss_kib() { awk '/^VmHWM:/ { print $2 }' "/proc/$LAUNCHER_PID/status"; }

dismiss_message() {
    local box
    box=$(message_box)
    xdotool windowfocus --sync "$box"
    xdotool key --clearmodifiers Return
    wait_until 10 bash -c "! xdotool search --onlyvisible --name '^Brelgan$' >/dev/null 2>&1" ||
        fail "the message box did not close"
}

start_xvfb
export BRELGAN_STUB_ARGV="$E2E_TMP/client-argv"
printf '%-22s %-15s %10s %s\n' scenario message peak_kib outcome >"$REPORT"

for row in "${SCENARIOS[@]}"; do
    IFS='|' read -r name args launcher message after <<<"$row"
    name=$(trim "$name") args=$(trim "$args")
    launcher=$(trim "$launcher") message=$(trim "$message") after=$(trim "$after")
    echo "--- $name"
    rm -f "$BRELGAN_STUB_ARGV"

    registry_pid=
    if [ "$args" != none ]; then
        read -ra registry_args <<<"$args"
        start_registry "${registry_args[@]}"
        registry_pid=${BACKGROUND_PIDS[-1]}
    fi
    start_launcher "$BUILD_DIR/$launcher"
    wait_window

    # Wait for the conversation to be over before judging what the window shows.
    case "$message" in
    none)
        if [ "$args" = --silent ]; then
            wait_log '^received: 00 02 03 01$'
        else
            wait_log '^(peer closed|resetting the connection)$'
        fi
        # A message would have been shown in the same handler that closed the connection.
        sleep 0.5
        has_message_box && fail "$name: a message box appeared"
        ;;
    *)
        wait_until 15 has_message_box || fail "$name: no message box"
        ;;
    esac

    rss=$(peak_rss_kib)
    [ "$rss" -le "$RSS_CEILING_KIB" ] || fail "$name: peak RSS $rss KiB over $RSS_CEILING_KIB KiB"

    case "$message" in
    no-servers)
        dismiss_message
        ;;
    cannot-connect)
        dismiss_message
        sleep 0.3
        launcher_gone && fail "$name: the window did not stay after the message"
        ;;
    esac

    outcome=
    case "$after" in
    cancel)
        click 48 148
        outcome="Cancel ended it"
        ;;
    connect*)
        click 232 148
        wait_until 10 test -s "$BRELGAN_STUB_ARGV" || fail "$name: the client was not started"
        read -ra words <<<"${after#connect }"
        printf '%b\0' "${words[@]}" >"$E2E_TMP/expected-argv"
        cmp -s "$BRELGAN_STUB_ARGV" "$E2E_TMP/expected-argv" ||
            fail "$name: the client got other arguments than the first record's"
        outcome="client got the first record's bytes exactly"
        ;;
    -)
        outcome="ended after OK"
        ;;
    esac
    expect_launcher_exit 0
    if grep -Eq 'runtime error|Sanitizer' "$E2E_TMP/launcher.out"; then
        cat "$E2E_TMP/launcher.out" >&2
        fail "$name: sanitizer report"
    fi

    [ -z "$registry_pid" ] || { kill "$registry_pid" 2>/dev/null || true; wait "$registry_pid" 2>/dev/null || true; }
    printf '%-22s %-15s %10s %s\n' "$name" "$message" "$rss" "$outcome" | tee -a "$REPORT"
done
echo "PASS"
