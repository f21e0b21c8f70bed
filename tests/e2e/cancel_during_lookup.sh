#!/usr/bin/env bash
# Cancel while the registry's host name is still being looked up ends the launcher at once, not
# when the lookup gives up. A name server that reads queries and never answers keeps the lookup
# going for 30 s; the launcher must be gone long before. It runs in mount and network namespaces
# of its own, where that name server can take the place of the machine's; without them (not root,
# or no unshare) the check is skipped.
#
# Usage: cancel_during_lookup.sh BUILD_DIR
if [ -z "${LOOKUP_NAMESPACES:-}" ]; then
    unshare -mn true 2>/dev/null || { echo "SKIP: no private mount and network namespace"; exit 77; }
    exec env LOOKUP_NAMESPACES=1 unshare -mn bash "$0" "$@"
fi
. "$(dirname "$0")/lib.sh" "$1"

ip link set lo up
printf 'nameserver 127.0.0.1\noptions timeout:30 attempts:1\n' >"$E2E_TMP/resolv.conf"
# A resolv.conf that is a link to nowhere cannot be mounted over.
mount --bind "$E2E_TMP/resolv.conf" /etc/resolv.conf ||
    { echo "SKIP: cannot replace /etc/resolv.conf"; exit 77; }
/usr/bin/python3 -uc '
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 53))
print("listening")
while True:
    print(s.recv(512)[12:].decode("latin-1"))
' >"$E2E_TMP/queries" &
BACKGROUND_PIDS+=($!)
# A query sent before it listens would be refused at once, and the lookup over.
wait_until 15 grep -q '^listening' "$E2E_TMP/queries" || fail "the name server did not start"

start_xvfb
start_launcher "$BUILD_DIR/brelgan-launcher-unresolvable"
wait_window
# The query on the wire spells the name in labels, each after its length byte.
wait_until 15 grep -aq 'registry.invalid' "$E2E_TMP/queries" ||
    fail "the launcher did not look up its registry"
press alt+a
wait_until 10 launcher_gone || fail "the launcher was still running 10 s after Cancel"
expect_launcher_exit 0
echo PASS
