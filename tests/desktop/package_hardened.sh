#!/usr/bin/env bash
# The package as scripts/package builds it for release, with Debian's hardening flags: the installed
# launcher looks up no library in its own directory (where users put a third-party client), is a
# position-independent executable with read-only relocations bound at start, a stack protector and
# fortified library calls, and lintian, pedantic and with its informational tags, finds nothing a
# packager would fix.
# Usage: package_hardened.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
out="$build/package-hardened"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$source_dir/scripts/package" "$out" >"$root/package.log" 2>&1 || {
    tail -n 40 "$root/package.log" >&2
    fail "scripts/package failed"
}
deb=$(tail -n 1 "$root/package.log")
dpkg-deb -x "$deb" "$root/tree"
launcher="$root/tree/usr/lib/brelgan/brelgan-launcher"

dynamic=$(readelf --dynamic "$launcher")
! grep -Eq '\((RPATH|RUNPATH)\)' <<<"$dynamic" || fail "the launcher has a run path:
$(grep -E 'R(UN)?PATH' <<<"$dynamic")"
grep -Eq '\(FLAGS_1\) +Flags:.* NOW' <<<"$dynamic" || fail "the launcher is not bound at start"
grep -Eq '\(FLAGS_1\) +Flags:.* PIE' <<<"$dynamic" || fail "the launcher is not a PIE"
readelf --program-headers "$launcher" | grep -q GNU_RELRO || fail "the launcher has no RELRO"
symbols=$(readelf --dyn-syms --wide "$launcher")
grep -q ' __stack_chk_fail' <<<"$symbols" || fail "the launcher was built without a stack protector"
grep -Eq ' __[a-z]+_chk@' <<<"$symbols" || fail "the launcher was built without fortified calls"

# Every tag a packager would act on, down to the pedantic and informational ones; what is left is
# named here with the reason it stays.
lintian --pedantic --display-info --tag-display-limit 0 "$deb" >"$root/lintian.txt" 2>&1 || true
tags=$(grep -E '^[EWIPX]: ' "$root/lintian.txt" || true)
[ -z "$tags" ] || fail "lintian reports:
$tags"
echo "PASS"
