#!/usr/bin/env python3
"""Writes the licences of the third-party code inside the Qt libraries that the Windows zip ships.

Qt names each piece it carries in a qt_attribution.json beside its source, with the file that
holds its licence. Usage: qt_attributions.py QT_SOURCE_DIR DIR... > FILE, each DIR relative to
QT_SOURCE_DIR/src and built into a library or plugin that the zip holds.
"""
import json
import sys
from pathlib import Path


def attributions(folder):
    # Some of Qt's files hold raw tabs inside strings, which strict JSON refuses.
    data = json.loads((folder / "qt_attribution.json").read_text(encoding="utf-8"), strict=False)
    return data if isinstance(data, list) else [data]


def main():
    source = Path(sys.argv[1]) / "src"
    out = sys.stdout
    for relative in sys.argv[2:]:
        folder = source / relative
        for entry in attributions(folder):
            # Qt Core's event dispatcher for macOS shares a folder with code every system uses.
            if "on macOS" in entry.get("QtUsage", ""):
                continue
            title = entry["Name"] + (f" {entry['Version']}" if entry.get("Version") else "")
            out.write(f"{title}\n{'=' * len(title)}\n")
            out.write(f"In Qt's {relative}/. Licence: {entry.get('License', 'see below')}.\n")
            if entry.get("Copyright"):
                out.write(f"\n{entry['Copyright'].strip()}\n")
            for name in filter(None, [entry.get("LicenseFile")] + entry.get("LicenseFiles", [])):
                out.write("\n" + (folder / name).read_text(encoding="utf-8", errors="replace"))
            out.write("\n\n")


if __name__ == "__main__":
    main()
