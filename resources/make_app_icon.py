#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Makes the program's icon for the desktop's icon theme from the "active" tray image.

The tray image is 16 x 16 pixel art; the icon keeps it pixel for pixel: a scalable SVG of one
rectangle per run of equal pixels, and PNGs enlarged by whole factors, so no edge blurs.
Usage: make_app_icon.py OUTPUT_DIR
       writes OUTPUT_DIR/scalable/apps/lyrmessenger.svg and OUTPUT_DIR/SIZExSIZE/apps/lyrmessenger.png,
       the layout of the hicolor icon theme
"""
import sys
from pathlib import Path

sys.dont_write_bytecode = True  # the generator runs from the source tree at build time
from make_tray_art import Image, tray_images, write_png

NAME = "lyrmessenger"
SIZES = (16, 32, 48, 64, 128, 256)


def enlarged(image, factor):
    result = Image(image.width * factor, image.height * factor)
    for y in range(result.height):
        for x in range(result.width):
            result.pixels[y][x] = image.get(x // factor, y // factor)
    return result


def svg(image):
    rects = []
    for y, row in enumerate(image.pixels):
        x = 0
        while x < image.width:
            end = x
            while end < image.width and row[end] == row[x]:
                end += 1
            r, g, b, a = row[x]
            if a:
                opacity = "" if a == 255 else f' fill-opacity="{a / 255:.3f}"'
                rects.append(f'<rect x="{x}" y="{y}" width="{end - x}" height="1" '
                             f'fill="#{r:02x}{g:02x}{b:02x}"{opacity}/>')
            x = end
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<svg xmlns="http://www.w3.org/2000/svg" width="128" height="128" '
            f'viewBox="0 0 {image.width} {image.height}" shape-rendering="crispEdges">\n'
            + "\n".join(rects) + "\n</svg>\n")


def main(arguments):
    if len(arguments) != 1:
        print(__doc__, file=sys.stderr)
        return 2
    directory = Path(arguments[0])
    art = tray_images()[0]
    folder = directory / "scalable" / "apps"
    folder.mkdir(parents=True, exist_ok=True)
    (folder / f"{NAME}.svg").write_text(svg(art))
    for size in SIZES:
        folder = directory / f"{size}x{size}" / "apps"
        folder.mkdir(parents=True, exist_ok=True)
        write_png(enlarged(art, size // art.width), folder / f"{NAME}.png", alpha=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
