#!/usr/bin/env python3
"""Draws the pictures and icons of ZEFOLauncher and TavrinMigration into
updater/res and migration/res.

  generate_artwork.py            write the files
  generate_artwork.py --check    fail if a committed file differs from what
                                 the generator draws now
"""

import argparse
import os
import sys

from artwork import encoders, pictures as p

REPO = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                     "..", ".."))
MAGENTA = (255, 0, 255)  # the main window's transparent colour


def _png(canvas, alpha=False):
    return ("png", canvas, alpha)


def outputs():
    """(path, kind, canvas(es), flag, size, black-keyed) per file. Black-keyed
    pictures are drawn by the image buttons, which leave black pixels out."""
    icons = [p.icon(s) for s in (16, 32, 48)]
    pngs = [
        ("start_fourth.png", p.button(94, 34, (15, 44, 127), (4, 41, 108), 92, 204), True),
        ("start_normal.png", p.button(94, 34, (29, 87, 254), (8, 81, 215), 128, 255), True),
        ("start_hover.png", p.button(94, 34, (29, 87, 254), (8, 81, 215), 92, 204), True),
        ("start_pressed.png", p.button(94, 34, (15, 44, 127), (4, 41, 108), 128, 255), True),
        ("exit_normal.png", p.exit_glyph((150, 156, 166)), False),
        ("exit_hover.png", p.exit_glyph((240, 242, 246)), False),
        ("exit_pressed.png", p.exit_glyph((98, 104, 114)), False),
        ("msgbox_background.png", p.message_box_panel(), False),
        ("quit_normal.png", p.button(100, 30, (38, 39, 40), (71, 71, 71)), False),
        ("quit_hover.png", p.button(100, 30, (185, 186, 187), (180, 180, 180)), False),
        ("quit_pressed.png", p.button(100, 30, (25, 26, 27), (67, 64, 64)), False),
        ("confirm_normal.png", p.button(100, 30, (34, 50, 92), (8, 81, 215)), False),
        ("confirm_hover.png", p.button(100, 30, (160, 125, 175), (111, 96, 255)), False),
        ("confirm_pressed.png", p.button(100, 30, (144, 105, 133), (64, 62, 116)), False),
    ]
    files = {}
    for name, canvas, alpha in pngs:
        keyed = name.split("_")[0] in ("start", "exit", "quit", "confirm")
        _verify(name, canvas, keyed)
        files["updater/res/" + name] = encoders.png(canvas, alpha)
    background = p.main_background()
    _verify("main_background.png", background, False)
    files["updater/res/main_background.png"] = encoders.png(background, True)
    icon_bytes = encoders.ico(icons)
    files["updater/res/ZEFOLauncher.ico"] = icon_bytes
    files["migration/res/TavrinMigration.ico"] = icon_bytes
    banner = p.logo_banner()
    _verify("logo.bmp", banner, False)
    files["migration/res/logo.bmp"] = encoders.bmp24(banner)
    return files


def _verify(name, canvas, black_keyed):
    """Refuses pixels that the programs would not show: magenta anywhere, and
    in black-keyed pictures any pixel that blending onto black at load time
    turns into black."""
    for y in range(canvas.height):
        for x in range(canvas.width):
            r, g, b, a = canvas.get(x, y)
            if (r, g, b) == MAGENTA and a:
                raise SystemExit(f"{name}: magenta pixel at ({x}, {y})")
            if black_keyed and all(v * a // 256 == 0 for v in (r, g, b)):
                raise SystemExit(f"{name}: pixel at ({x}, {y}) loads as black "
                                 "and would not be drawn")


def check(files):
    stale = []
    for rel, data in sorted(files.items()):
        path = os.path.join(REPO, rel)
        try:
            with open(path, "rb") as f:
                have = f.read()
        except OSError:
            stale.append(f"{rel}: missing")
            continue
        if have == data:
            continue
        if rel.endswith(".png") and encoders.png_content(have) == encoders.png_content(data):
            # same pixels; only this machine's zlib compresses differently
            print(f"note: {rel} has the generator's pixels, compressed by another zlib")
            continue
        stale.append(f"{rel}: differs from the generator's output")
    for line in stale:
        print(line, file=sys.stderr)
    if stale:
        print("run tools/artwork/generate_artwork.py and commit the result",
              file=sys.stderr)
        return 1
    print(f"{len(files)} artwork files match the generator")
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare with the committed files, write nothing")
    args = parser.parse_args()
    files = outputs()
    if args.check:
        return check(files)
    for rel, data in sorted(files.items()):
        path = os.path.join(REPO, rel)
        with open(path, "wb") as f:
            f.write(data)
        print(f"wrote {rel} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
