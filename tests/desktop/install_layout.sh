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

# The SVG must be an SVG document a theme loader accepts, and each PNG a square RGBA image of its
# directory's size showing the icon: transparent outside its rounded corners, opaque in the middle.
python3 - "$prefix/share/icons/hicolor" <<'PY' || fail "an icon is broken"
import struct, sys, zlib, xml.etree.ElementTree as ET
from pathlib import Path

theme = Path(sys.argv[1])
svg = ET.parse(theme / "scalable/apps/org.wendrake.Launcher.svg").getroot()
if svg.tag != "{http://www.w3.org/2000/svg}svg" or not svg.get("viewBox"):
    sys.exit("the SVG has no svg root with a viewBox")

def paeth(a, b, c):
    p = a + b - c
    return min((abs(p - a), 0, a), (abs(p - b), 1, b), (abs(p - c), 2, c))[2]

def rgba_rows(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if (depth, colour, interlace) != (8, 6, 0):
        raise ValueError("not 8-bit RGBA without interlace")
    raw, stride, rows, prior = zlib.decompress(idat), width * 4, [], bytearray(width * 4)
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for x in range(stride):
            a, b = line[x - 4] if x >= 4 else 0, prior[x]
            c = prior[x - 4] if x >= 4 else 0
            line[x] = (line[x] + [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]) & 0xFF
        rows.append(line)
        prior = line
    return width, height, rows

for size in (48, 64, 128, 256):
    path = theme / f"{size}x{size}/apps/org.wendrake.Launcher.png"
    width, height, rows = rgba_rows(path.read_bytes())
    alpha = lambda x, y: rows[y][x * 4 + 3]
    if (width, height) != (size, size) or alpha(0, 0) != 0 or alpha(size // 2, size // 2) != 255:
        sys.exit(f"{path.name} at {size}: {width}x{height}, corner alpha {alpha(0, 0)}, "
                 f"centre alpha {alpha(width // 2, height // 2)}")
PY
gzip -t "$prefix/share/man/man6/brelgan-launcher.6.gz" "$prefix/share/doc/brelgan-launcher/changelog.gz" ||
    fail "a compressed page is broken"
echo "PASS"
