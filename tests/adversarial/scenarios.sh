#!/usr/bin/env bash
# The real launcher against a hostile registry, one row of the table below at a time, in one Xvfb.
# For each row: the launcher does not crash, shows the message the row expects (or none), keeps its
# peak memory under BRELGAN_RSS_CEILING_KIB, and ends with status 0. What it lists is checked by
# tst_registryquery on the same bytes; here the one listed record that can be seen from outside,
# the client's command line, is checked byte for byte.
#
# Usage: scenarios.sh BUILD_DIR HOSTILE_REPLY REPORT_FILE
. "$(dirname "$0")/../e2e/lib.sh" "$1"
HOSTILE_REPLY=${2:?hostile-reply executable}
REPORT=${3:?report file}
RSS_CEILING_KIB=${BRELGAN_RSS_CEILING_KIB:-262144}

# name | registry arguments ("none": no registry runs) | reply | launcher | message | after
#   reply:   scenario of hostile-reply served with --raw, or "-" for the built-in list
#   message: none, no-servers (the program ends on OK) or cannot-connect (the window stays)
#   after:   cancel, or connect (start the client for the first listed record)
SCENARIOS=(
    "ordinary reply       |                      | -             | brelgan-launcher              | none           | cancel"
    "garbage              |                      | garbage       | brelgan-launcher              | none           | cancel"
    "16 MiB reply         |                      | huge          | brelgan-launcher              | none           | cancel"
    "dripped byte by byte | --drip 20            | drip          | brelgan-launcher              | none           | cancel"
    "cut in a record      |                      | cut           | brelgan-launcher              | none           | cancel"
    "reset mid-reply      | --reset-after=RESET  | reset         | brelgan-launcher              | none           | connect"
    "reset before reply   | --reset-after 0      | -             | brelgan-launcher              | no-servers     | -"
    "nothing listens      | none                 | -             | brelgan-launcher              | cannot-connect | cancel"
    "host does not resolve| none                 | -             | brelgan-launcher-unresolvable | cannot-connect | cancel"
    "never answers        | --silent             | -             | brelgan-launcher              | none           | cancel"
    "1 MiB texts          |                      | big-texts     | brelgan-launcher              | none           | cancel"
    "control and high     |                      | control-texts | brelgan-launcher              | none           | connect"
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
    IFS='|' read -r name args reply launcher message after <<<"$row"
    name=$(trim "$name") args=$(trim "$args") reply=$(trim "$reply")
    launcher=$(trim "$launcher") message=$(trim "$message") after=$(trim "$after")
    echo "--- $name"
    rm -f "$BRELGAN_STUB_ARGV"

    registry_pid=
    if [ "$args" != none ]; then
        registry_args=()
        if [ "$reply" != - ]; then
            "$HOSTILE_REPLY" "$reply" >"$E2E_TMP/reply.bin" || fail "$name: no reply bytes"
            registry_args+=(--raw "$E2E_TMP/reply.bin")
            args=${args//RESET/$(($(stat -c %s "$E2E_TMP/reply.bin")))}
        fi
        read -ra extra <<<"$args"
        start_registry "${registry_args[@]}" "${extra[@]}"
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
    connect)
        click 232 148
        wait_until 10 test -s "$BRELGAN_STUB_ARGV" || fail "$name: the client was not started"
        "$HOSTILE_REPLY" "$reply" --client-argv >"$E2E_TMP/expected-argv"
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
