#!/usr/bin/env bash
# What `cmake --install` puts where: the launcher in a directory of its own, where the game client
# goes, a relative link to it in bin, the menu entry and icon where desktops look for them, and
# none of the development stand-ins.
# Usage: install_layout.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix="$root/prefix with space"
cmake --install "$build" --prefix "$prefix" >/dev/null

actual=$(cd "$prefix" && find . \( -type f -o -type l \) | sort)
expected=$(sort <<'LIST'
./bin/brelgan-launcher
./lib/brelgan/brelgan-launcher
./share/applications/brelgan-launcher.desktop
./share/doc/brelgan-launcher/changelog.gz
./share/doc/brelgan-launcher/copyright
./share/icons/hicolor/scalable/apps/brelgan-launcher.svg
./share/man/man6/brelgan-launcher.6.gz
LIST
)
[ "$actual" = "$expected" ] || fail "installed files differ:$(diff <(echo "$expected") <(echo "$actual"))"

# Relative, so the tree can be moved or packaged; and it must reach the real executable.
[ "$(readlink "$prefix/bin/brelgan-launcher")" = ../lib/brelgan/brelgan-launcher ] ||
    fail "bin/brelgan-launcher is not a relative link to the launcher"
[ -x "$prefix/lib/brelgan/brelgan-launcher" ] && [ ! -L "$prefix/lib/brelgan/brelgan-launcher" ] ||
    fail "the launcher itself is not an executable file"

desktop-file-validate "$prefix/share/applications/brelgan-launcher.desktop" ||
    fail "desktop-file-validate rejects the menu entry"
grep -qx 'Exec=brelgan-launcher' "$prefix/share/applications/brelgan-launcher.desktop" ||
    fail "the menu entry does not start the linked launcher"
grep -qx 'Icon=brelgan-launcher' "$prefix/share/applications/brelgan-launcher.desktop" ||
    fail "the menu entry names another icon than the one installed"
# The icon must be an SVG document a theme loader accepts, not just a file with that name.
python3 - "$prefix/share/icons/hicolor/scalable/apps/brelgan-launcher.svg" <<'PY' ||
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
sys.exit(0 if root.tag == "{http://www.w3.org/2000/svg}svg" and root.get("viewBox") else 1)
PY
    fail "the icon is not an SVG document with a viewBox"
gzip -t "$prefix/share/man/man6/brelgan-launcher.6.gz" "$prefix/share/doc/brelgan-launcher/changelog.gz" ||
    fail "a compressed page is broken"
echo "PASS"
