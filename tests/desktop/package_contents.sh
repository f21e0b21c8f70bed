#!/usr/bin/env bash
# The Debian package as scripts/package builds it for release, with Debian's hardening flags: what
# it holds and where (the launcher in a directory of its own, where users put the game client, and
# a relative link to it in bin, so the tree can move; none of the development stand-ins), what it
# depends on, its menu entry, software-centre metadata and icons as desktops read them, a launcher
# that looks up no library in its own directory and is hardened, and lintian at its most pedantic.
# (A real dpkg install and removal needs a throw-away root: scripts/package-install-check.)
# Usage: package_contents.sh BUILD_DIR
set -euo pipefail
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
"$(dirname "$0")/../../scripts/package" "$1/package-hardened" >"$root/log" 2>&1 ||
    { tail -n 40 "$root/log" >&2; fail "scripts/package failed"; }
deb=$(tail -n 1 "$root/log")
dpkg-deb -x "$deb" "$root/tree"
share="$root/tree/usr/share"

contents=$(dpkg-deb -c "$deb")
grep -q '^lrwxrwxrwx root/root .* ./usr/bin/brelgan-launcher -> ../lib/brelgan/brelgan-launcher$' <<<"$contents" &&
    grep -q '^-rwxr-xr-x root/root .* ./usr/lib/brelgan/brelgan-launcher$' <<<"$contents" &&
    ! grep -Eq 'brelgan\.bin|dev-registry' <<<"$contents" ||
    fail "not the launcher in lib/brelgan with a relative link in bin and no stand-in: $contents"

# Depends as dpkg-shlibdeps finds it from the binary; without Qt's Wayland platform the launcher
# finds no display in a session that offers only Wayland.
control=$(dpkg-deb -f "$deb")
for want in Package:brelgan-launcher "Architecture:$(dpkg --print-architecture)" Recommends:qt6-wayland \
    Depends:{libqt6widgets6,libqt6network6,libqt6core6,libc6,fonts-dejavu-core}; do
    grep -Eq "^${want%%:*}: (.*, )?${want#*:}( |,|$)" <<<"$control" || fail "no $want in $control"
done
! grep -E '^Depends:.*(qt6-base-dev|libqt6test6)' <<<"$control" || fail "Depends names development packages"

entry="$share/applications/org.wendrake.Launcher.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the menu entry"
grep -qx 'Exec=brelgan-launcher' "$entry" && grep -qx 'Icon=org.wendrake.Launcher' "$entry" ||
    fail "the menu entry starts another program than the linked launcher, or names another icon"
# Strict: warnings fail too. The tree check also matches the metadata to its menu entry.
appstreamcli validate-tree --no-net --strict "$root/tree" || fail "appstreamcli rejects the metadata"
for size in 48 64 128 256; do
    [ "$(file -b "$share/icons/hicolor/${size}x$size/apps/org.wendrake.Launcher.png")" = \
        "PNG image data, $size x $size, 8-bit/color RGBA, non-interlaced" ] || fail "the ${size}px icon"
done
gzip -t "$share/man/man6/brelgan-launcher.6.gz" "$share/doc/brelgan-launcher/changelog.gz"

# No run path: users put a third-party client in the launcher's directory.
elf=$(readelf --dynamic --program-headers --dyn-syms --wide "$root/tree/usr/lib/brelgan/brelgan-launcher")
! grep -E '\((RPATH|RUNPATH)\)' <<<"$elf" || fail "the launcher has a run path"
for mark in 'FLAGS_1.* NOW' 'FLAGS_1.* PIE' GNU_RELRO ' __stack_chk_fail' ' __[a-z]+_chk@'; do
    grep -Eq "$mark" <<<"$elf" || fail "no /$mark/: not bound at start, PIE, RELRO, stack-protected, fortified"
done
# Every tag a packager could act on, down to the pedantic and informational ones.
lintian --pedantic --display-info --tag-display-limit 0 "$deb" >"$root/lintian" 2>&1 || true
! grep -E '^[EWIPX]: ' "$root/lintian" || fail "lintian reports the tags above"
echo PASS
