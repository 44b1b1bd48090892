#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the built-in skin MAINSKIN (242 x 119, 256 colours) and writes it as a BMP file.

The frame tiles are drawn at the size they have on screen and then shrunk to their places in
the skin by dropping the one row and column that the program repeats when it enlarges them
again (nearest-neighbour with the sample at the pixel centre), so what is drawn here is what
the window shows. Usage: make_mainskin.py [OUTPUT.bmp]
"""
import struct
import sys

WIDTH, HEIGHT = 242, 119

# Colours, (red, green, blue).
OUTLINE = (6, 6, 10)
RIM = (54, 58, 80)
BODY = (30, 32, 46)
INNER = (8, 8, 12)  # the line around the inner panes
BACKGROUND = (16, 16, 24)  # the colour of the inner panes; sampled at (140, 100)
WELL_LIGHT = (44, 47, 66)
TITLE_TOP = (50, 54, 76)
CAP = (42, 45, 64)
CAP_TOP = (62, 66, 92)
CAP_BOTTOM = (26, 28, 40)
CAP_PRESSED = (18, 19, 28)
CAP_PRESSED_TOP = (10, 10, 16)
GLYPH = (172, 180, 204)
GLYPH_PRESSED = (80, 239, 80)
ACCENT = (80, 239, 80)


def mix(a, b, part):
    return tuple(round(x + (y - x) * part) for x, y in zip(a, b))


class Image:
    def __init__(self, width, height, color=BODY):
        self.width, self.height = width, height
        self.pixels = [[color] * width for _ in range(height)]

    def put(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = color

    def get(self, x, y):
        return self.pixels[y][x]

    def fill(self, left, top, right, bottom, color):
        for y in range(top, bottom):
            for x in range(left, right):
                self.put(x, y, color)

    def paste(self, other, left, top):
        for y in range(other.height):
            for x in range(other.width):
                self.put(left + x, top + y, other.get(x, y))

    def crop(self, left, top, right, bottom):
        piece = Image(right - left, bottom - top)
        for y in range(top, bottom):
            for x in range(left, right):
                piece.put(x - left, y - top, self.get(x, y))
        return piece


def source_index(target, source_size, target_size):
    """The source pixel that the program shows at target pixel `target`."""
    return (2 * target + 1) * source_size // (2 * target_size)


def shrink(image, source_width, source_height, name):
    """The source piece whose enlargement to image's size gives back image exactly."""
    piece = Image(source_width, source_height)
    placed = {}
    for ty in range(image.height):
        sy = source_index(ty, source_height, image.height)
        for tx in range(image.width):
            sx = source_index(tx, source_width, image.width)
            color = image.get(tx, ty)
            if placed.setdefault((sx, sy), color) != color:
                raise SystemExit(f"make_mainskin.py: {name} differs from its twin at {tx}, {ty}")
            piece.put(sx, sy, color)
    return piece


def draw_glyph(image, left, top, rows, color, background):
    # '#' is the glyph colour, '+' half way to the background, anything else leaves the pixel.
    for y, row in enumerate(rows):
        for x, mark in enumerate(row):
            if mark == "#":
                image.put(left + x, top + y, color)
            elif mark == "+":
                image.put(left + x, top + y, mix(background, color, 0.5))


def title_gradient(row):
    # Computed on the skin's own rows, so the row the program repeats matches its twin.
    source_row = source_index(row, 19, 20)
    return mix(TITLE_TOP, BODY, (source_row - 2) / 15)


# The title bar, 20 rows: outline, rim, a gradient that ends in the frame's body colour, and
# the line above the panes.
def title_tile(width, inner_left, inner_right, outer_left, outer_right):
    tile = Image(width, 20)
    for y in range(2, 19):
        tile.fill(0, y, width, y + 1, title_gradient(y))
    tile.fill(0, 19, width, 20, BODY)
    tile.fill(inner_left, 19, inner_right, 20, INNER)
    tile.fill(0, 1, width, 2, RIM)
    tile.fill(0, 0, width, 1, OUTLINE)
    if outer_left:
        tile.fill(1, 1, 2, 20, RIM)
        tile.fill(0, 0, 1, 20, OUTLINE)
    if outer_right:
        tile.fill(width - 2, 1, width - 1, 20, RIM)
        tile.fill(width - 1, 0, width, 20, OUTLINE)
    return tile


# The program's mark in the top-left corner, where a click opens the main menu: an envelope.
ENVELOPE = [
    "##########",
    "##......##",
    "#.#....#.#",
    "#..#..#..#",
    "#...##...#",
    "#........#",
    "##########",
]


def title_left():
    tile = title_tile(25, 10, 25, True, False)
    draw_glyph(tile, 2, 2, ENVELOPE, ACCENT, title_gradient(5))
    return tile


def title_middle():
    return title_tile(25, 0, 25, False, False)


def title_right():
    return title_tile(25, 0, 18, False, True)


# The edges: outline, rim, body, and the line beside the panes.
def left_edge():
    tile = Image(11, 29)
    tile.fill(0, 0, 1, 29, OUTLINE)
    tile.fill(1, 0, 2, 29, RIM)
    tile.fill(10, 0, 11, 29, INNER)
    return tile


def right_edge():
    tile = Image(8, 29)
    tile.fill(0, 0, 1, 29, INNER)
    tile.fill(6, 0, 7, 29, RIM)
    tile.fill(7, 0, 8, 29, OUTLINE)
    return tile


# The bottom bar, 38 rows: the line below the panes, the row of buttons and the sunken status
# field (rows 9..23, where the status text lies), rim and outline.
WELL_TOP, WELL_BOTTOM = 9, 23


def bottom_tile(width, inner_left, inner_right, well_left, well_right):
    tile = Image(width, 38)
    tile.fill(inner_left, 0, inner_right, 1, INNER)
    if well_left < well_right:
        tile.fill(well_left, WELL_TOP, well_right, WELL_BOTTOM + 1, BACKGROUND)
        tile.fill(well_left, WELL_TOP, well_right, WELL_TOP + 1, INNER)
        tile.fill(well_left, WELL_BOTTOM, well_right, WELL_BOTTOM + 1, WELL_LIGHT)
    tile.fill(0, 36, width, 37, RIM)
    tile.fill(0, 37, width, 38, OUTLINE)
    return tile


def bottom_left():
    tile = bottom_tile(125, 10, 125, 89, 125)
    tile.fill(89, WELL_TOP, 90, WELL_BOTTOM + 1, INNER)
    tile.fill(1, 0, 2, 37, RIM)
    tile.fill(0, 0, 1, 38, OUTLINE)
    return tile


def bottom_middle():
    return bottom_tile(25, 0, 25, 0, 25)


def bottom_right():
    tile = bottom_tile(125, 0, 118, 0, 102)
    tile.fill(101, WELL_TOP + 1, 102, WELL_BOTTOM + 1, WELL_LIGHT)
    tile.fill(123, 1, 124, 37, RIM)
    tile.fill(124, 0, 125, 38, OUTLINE)
    # The resize grip: a triangle of six studs in the corner, each with its shadow.
    for x, y in ((6, 1), (4, 3), (6, 3), (2, 5), (4, 5), (6, 5)):
        tile.put(114 + x, 28 + y, GLYPH)
        tile.put(115 + x, 29 + y, OUTLINE)
    return tile


# The faces of the bottom buttons. Each button shows an 18-row window of the skin; the
# windows of neighbours overlap by up to two columns, so a face keeps a margin of plain bar
# around its key cap.
PREVIOUS = [
    "....#",
    "...##",
    "..###",
    ".####",
    "#####",
    ".####",
    "..###",
    "...##",
    "....#",
]
NEXT = [row[::-1] for row in PREVIOUS]
CLEAR = [  # a waste bin
    "..####..",
    "########",
    "........",
    ".######.",
    ".#.##.#.",
    ".#.##.#.",
    ".#.##.#.",
    ".#.##.#.",
    "..####..",
]
REPLY = [  # an arrow turning back
    "..#.....",
    ".##.....",
    "#######.",
    ".##...+#",
    "..#....#",
    "......+#",
    "....###.",
]
SEND = [  # an arrow going out
    "...#...",
    "...##..",
    "######.",
    "#######",
    "######.",
    "...##..",
    "...#...",
]

# (normal face left, pressed face left, face width, glyph).
FACES = [
    (9, 158, 15, PREVIOUS),
    (24, 173, 15, NEXT),
    (38, 187, 18, CLEAR),
    (55, 204, 16, REPLY),
    (69, 218, 15, SEND),
]
NORMAL_TOP, PRESSED_TOP, FACE_HEIGHT = 51, 42, 18
CAP_ROWS = (2, 15)  # rows of the face the cap covers, the same as the status field's


def face(width, glyph, pressed):
    image = Image(width, FACE_HEIGHT)
    left, right = 2, width - 2
    top, bottom = CAP_ROWS
    fill = CAP_PRESSED if pressed else CAP
    image.fill(left, top, right, bottom, fill)
    image.fill(left + 1, top, right - 1, top + 1, CAP_PRESSED_TOP if pressed else CAP_TOP)
    image.fill(left + 1, bottom - 1, right - 1, bottom, INNER if pressed else CAP_BOTTOM)
    for x, y in ((left, top), (right - 1, top), (left, bottom - 1), (right - 1, bottom - 1)):
        image.put(x, y, BODY)
    glyph_width, glyph_height = len(glyph[0]), len(glyph)
    glyph_left = left + (right - left - glyph_width) // 2
    glyph_top = top + (bottom - top - glyph_height) // 2
    shift = 1 if pressed else 0
    draw_glyph(image, glyph_left + shift, glyph_top + shift, glyph,
               GLYPH_PRESSED if pressed else GLYPH, fill)
    return image


# The close button, 9 x 9 on screen from 8 x 8 in the skin: its fifth row and column are
# shown twice, so the cross has an even size with its two middle rows there.
CLOSE = [
    ".........",
    ".........",
    "..#....#.",
    "...#..#..",
    "....##...",
    "....##...",
    "...#..#..",
    "..#....#.",
    ".........",
]


def close_face(background_rows, pressed):
    image = Image(9, 9)
    for y in range(9):
        image.fill(0, y, 9, y + 1, background_rows[source_index(y, 8, 9)])
    if pressed:
        image.fill(1, 1, 9, 9, CAP_PRESSED)
    draw_glyph(image, 0, 0, CLOSE, ACCENT if pressed else GLYPH, CAP_PRESSED)
    return shrink(image, 8, 8, "close face")


def draw_skin():
    skin = Image(WIDTH, HEIGHT, BACKGROUND)
    tiles = [  # (design, source left, source top)
        (title_left(), 0, 0),
        (title_middle(), 127, 0),
        (title_right(), 153, 0),
        (bottom_left(), 0, 42),
        (left_edge(), 127, 42),
        (right_edge(), 139, 42),
        (bottom_right(), 0, 81),
        (bottom_middle(), 127, 81),
    ]
    for design, left, top in tiles:
        skin.paste(shrink(design, design.width - 1, design.height - 1, f"tile at {left}, {top}"),
                   left, top)
    for normal_left, pressed_left, width, glyph in FACES:
        skin.paste(face(width, glyph, False), normal_left, NORMAL_TOP)
        skin.paste(face(width, glyph, True), pressed_left, PRESSED_TOP)
    # The close button sits on the title bar, so both faces carry its rows of the gradient.
    behind_close = [skin.get(166, y) for y in range(3, 11)]
    skin.paste(close_face(behind_close, False), 167, 3)
    skin.paste(close_face(behind_close, True), 148, 42)
    assert skin.get(140, 100) == BACKGROUND
    return skin


def write_bmp(image, path):
    palette = []
    index = {}
    for row in image.pixels:
        for color in row:
            if color not in index:
                index[color] = len(palette)
                palette.append(color)
    if len(palette) > 256:
        raise SystemExit("make_mainskin.py: more than 256 colours")
    row_size = (image.width + 3) // 4 * 4
    pixel_data = bytearray()
    for row in reversed(image.pixels):  # BMP rows go bottom-up
        line = bytes(index[color] for color in row)
        pixel_data += line + bytes(row_size - len(line))
    palette_data = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(palette_data)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixel_data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, image.width, image.height, 1, 8, 0,
                       len(pixel_data), 2835, 2835, len(palette), len(palette))
    with open(path, "wb") as output:
        output.write(header + info + palette_data + pixel_data)


if __name__ == "__main__":
    write_bmp(draw_skin(), sys.argv[1] if len(sys.argv) > 1 else "mainskin.bmp")
