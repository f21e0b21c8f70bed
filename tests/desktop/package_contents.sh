#!/usr/bin/env bash
# The Debian package built from this build: what it holds and what it depends on. (The release
# build and lintian: package_hardened.sh. A real dpkg install and removal needs a throw-away root:
# scripts/package-install-check does that outside CI.)
# Usage: package_contents.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$out"/brelgan-launcher_*.deb)

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = brelgan-launcher ] || fail "package name $(field Package)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture $(field Architecture)"
depends=$(field Depends)
# Found by dpkg-shlibdeps from the binary itself, not written by hand.
for library in libqt6widgets6 libqt6network6 libqt6core6 libc6 fonts-dejavu-core; do
    grep -Eq "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
# Without Qt's Wayland platform the launcher finds no display in a session that offers only Wayland.
grep -Eq '(^|, )qt6-wayland( |,|$)' <<<"$(field Recommends)" ||
    fail "Recommends lacks qt6-wayland: $(field Recommends)"
for devel in qt6-base-dev libqt6test6; do
    grep -q "$devel" <<<"$depends" && fail "Depends names $devel, which the launcher does not use"
done

contents=$(dpkg-deb -c "$deb")
grep -q ' ./usr/bin/brelgan-launcher -> ../lib/brelgan/brelgan-launcher$' <<<"$contents" ||
    fail "no relative link in /usr/bin"
grep -Eq '^-rwxr-xr-x root/root .* ./usr/lib/brelgan/brelgan-launcher$' <<<"$contents" ||
    fail "the launcher is not in /usr/lib/brelgan, owned by root and executable"
for path in usr/share/applications/org.wendrake.Launcher.desktop \
    usr/share/metainfo/org.wendrake.Launcher.metainfo.xml \
    usr/share/icons/hicolor/scalable/apps/org.wendrake.Launcher.svg \
    usr/share/icons/hicolor/48x48/apps/org.wendrake.Launcher.png \
    usr/share/doc/brelgan-launcher/copyright; do
    grep -q " ./$path\$" <<<"$contents" || fail "$path missing"
done
grep -Eq 'brelgan\.bin|dev-registry' <<<"$contents" && fail "a development stand-in is in the package"

# Stripped: lintian reports it too, but only this says which file.
dpkg-deb -x "$deb" "$out/root"
file "$out/root/usr/lib/brelgan/brelgan-launcher" | grep -q ', stripped' || fail "the launcher is not stripped"
echo "PASS"
