#!/usr/bin/env bash
# What `cmake --install` puts where: the launcher in a directory of its own, where the game client
# goes, a relative link to it in bin, the menu entry, the software-centre metadata and the icons
# where desktops look for them, and none of the development stand-ins.
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
./share/applications/org.wendrake.Launcher.desktop
./share/doc/brelgan-launcher/changelog.gz
./share/doc/brelgan-launcher/copyright
./share/icons/hicolor/128x128/apps/org.wendrake.Launcher.png
./share/icons/hicolor/256x256/apps/org.wendrake.Launcher.png
./share/icons/hicolor/48x48/apps/org.wendrake.Launcher.png
./share/icons/hicolor/64x64/apps/org.wendrake.Launcher.png
./share/icons/hicolor/scalable/apps/org.wendrake.Launcher.svg
./share/man/man6/brelgan-launcher.6.gz
./share/metainfo/org.wendrake.Launcher.metainfo.xml
LIST
)
[ "$actual" = "$expected" ] || fail "installed files differ:$(diff <(echo "$expected") <(echo "$actual"))"

# Relative, so the tree can be moved or packaged; and it must reach the real executable.
[ "$(readlink "$prefix/bin/brelgan-launcher")" = ../lib/brelgan/brelgan-launcher ] ||
    fail "bin/brelgan-launcher is not a relative link to the launcher"
[ -x "$prefix/lib/brelgan/brelgan-launcher" ] && [ ! -L "$prefix/lib/brelgan/brelgan-launcher" ] ||
    fail "the launcher itself is not an executable file"

entry="$prefix/share/applications/org.wendrake.Launcher.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the menu entry"
grep -qx 'Exec=brelgan-launcher' "$entry" ||
    fail "the menu entry does not start the linked launcher"
grep -qx 'Icon=org.wendrake.Launcher' "$entry" ||
    fail "the menu entry names another icon than the one installed"
# Software centres list only what AppStream accepts; the tree check also matches the metadata to
# its desktop entry. Strict: warnings fail too, only pedantic hints pass.
appstreamcli validate-tree --no-net --strict "$prefix" >"$root/appstream.txt" 2>&1 ||
    fail "appstreamcli rejects the software-centre metadata:
$(cat "$root/appstream.txt")"

# The icon must be an SVG document a theme loader accepts, not just a file with that name, and each
# PNG an RGBA image of its directory's size.
icons="$prefix/share/icons/hicolor"
python3 - "$icons/scalable/apps/org.wendrake.Launcher.svg" <<'PY' ||
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
sys.exit(0 if root.tag == "{http://www.w3.org/2000/svg}svg" and root.get("viewBox") else 1)
PY
    fail "the icon is not an SVG document with a viewBox"
for size in 48 64 128 256; do
    png="$icons/${size}x$size/apps/org.wendrake.Launcher.png"
    [ "$(file -b "$png")" = "PNG image data, $size x $size, 8-bit/color RGBA, non-interlaced" ] ||
        fail "the ${size}x$size icon is $(file -b "$png")"
done
gzip -t "$prefix/share/man/man6/brelgan-launcher.6.gz" "$prefix/share/doc/brelgan-launcher/changelog.gz" ||
    fail "a compressed page is broken"
echo "PASS"
