#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the notices of the third-party code inside the Qt libraries that the Windows zip and
installer ship, from Qt's own records of it (the qt_attribution.json files of its source).

    qt-notices.py QTBASE_SOURCE OUTPUT

QTBASE_SOURCE is the unpacked qtbase source the Qt kit was built from (build-qt-kit.sh); the
output is packaging/windows/licenses/Qt-third-party.txt. Run it again when the kit changes."""
import json, pathlib, re, sys  # noqa: E401

# What the shipped Qt6Core, Qt6Gui, Qt6Widgets and qwindows DLLs contain, by the kit's
# configuration (build-qt-kit.sh): Qt's bundled copies, not the system's. Left out: what serves
# other systems (Android, Unix, macOS, X11, WebAssembly, ARM), switched-off features (Vulkan,
# OpenGL, JPEG, D-Bus), and Qt Test and Qt Network (with its public suffix list, psl and
# libpsl), which are not shipped.
SHIPPED = {
    "blake2", "doubleconversion", "easing", "freetype", "freetype-zlib", "freetype-bdf",
    "freetype-pcf", "harfbuzz-ng", "icc-sRGB-color-profile", "libpng", "md4", "md4c",
    "md5", "pcre2", "pcre2-sljit", "rfc6234", "sha1", "sha3_endian", "sha3_keccak", "tinycbor",
    "zlib", "unicode-character-database", "unicode-cldr", "siphash", "grayraster",
    "smooth-scaling-algorithm", "xserverhelper", "aglfn",
}
RULE = "=" * 78


def entries(source):
    for path in sorted(source.glob("src/**/qt_attribution.json")):
        found = json.loads(path.read_text(encoding="utf-8"), strict=False)
        for entry in found if isinstance(found, list) else [found]:
            if entry.get("Id") in SHIPPED:
                yield path.parent, entry


def notice(folder, entry):
    usage = re.sub(r"\s*Configure with.*", "", entry.get("QtUsage", ""), flags=re.S).strip()
    lines = [RULE, entry["Name"] + (f", version {entry['Version']}" if entry.get("Version")
                                    else ""), usage, ""]
    lines += [entry.get("Copyright", "").strip(), "",
              "Licence: " + entry.get("LicenseId", entry.get("License", "")), ""]
    if entry.get("LicenseFile"):
        lines.append((folder / entry["LicenseFile"]).read_text(encoding="utf-8",
                                                               errors="replace").strip())
    return "\n".join(lines) + "\n\n"


def main(source, output):
    source = pathlib.Path(source)
    found = list(entries(source))
    missing = SHIPPED - {entry["Id"] for _, entry in found}
    if missing:
        sys.exit(f"qt-notices: not in {source}: {', '.join(sorted(missing))}")
    head = ("Third-party code inside the Qt 6.4.2 libraries that come with Wingscribe\n"
            "(Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and platforms/qwindows.dll),\n"
            "with its copyright and licence, as Qt's own source lists it.\n\n")
    text = head + "".join(notice(folder, entry) for folder, entry in found)
    pathlib.Path(output).write_text(text, encoding="utf-8")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
