#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the tray images, the receive animation, the menu bitmaps and the user icons.

Each set is one PNG strip of equal cells, cut apart by the program:
  tray_icons.png         5 x (16 x 16), RGBA: active, auto-reply, busy, hourglass, offline
  receive_animation.png 14 x (16 x 16), RGBA: an envelope arriving in the bubble
  menu_bitmaps.png       8 x (16 x 16), RGB: the menu item bitmaps, on a key colour that
                         the menus make transparent (the colour of each cell's pixel 0, 0)
  user_icons.png        10 x (32 x 32), RGBA: the pictures of the message window

The colours are the built-in skin's dark navy and green.
Usage: make_tray_art.py [OUTPUT_DIR]      write the four strips
       make_tray_art.py --check DIR       exit 1 unless DIR's strips hold what is drawn here
"""
import math
import struct
import sys
import zlib
from pathlib import Path

# The skin's colours, (red, green, blue).
OUTLINE = (6, 6, 10)
RIM = (54, 58, 80)
BODY = (30, 32, 46)
TITLE_TOP = (50, 54, 76)
GLYPH = (172, 180, 204)
ACCENT = (80, 239, 80)
ACCENT_DARK = (28, 128, 40)
ACCENT_LIGHT = (190, 255, 190)
WHITE = (255, 255, 255)
RED = (224, 58, 58)
RED_DARK = (128, 20, 24)
RED_LIGHT = (255, 170, 160)
AMBER = (240, 196, 80)
AMBER_DARK = (150, 100, 24)
GREY = (120, 124, 140)
GREY_DARK = (70, 72, 86)
GREY_LIGHT = (190, 192, 204)
BLUE = (70, 120, 210)
BLUE_DARK = (30, 54, 120)
CYAN = (90, 200, 240)
VIOLET = (176, 132, 240)
KEY = (255, 0, 255)  # the menu bitmaps' transparent colour

TRANSPARENT = (0, 0, 0, 0)


def mix(a, b, part):
    return tuple(round(x + (y - x) * part) for x, y in zip(a, b))


def opaque(color):
    return tuple(color) + (255,)


class Image:
    def __init__(self, width, height, color=TRANSPARENT):
        self.width, self.height = width, height
        self.pixels = [[color] * width for _ in range(height)]

    def put(self, x, y, color):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = color if len(color) == 4 else opaque(color)

    def get(self, x, y):
        return self.pixels[y][x]

    def paste(self, other, left, top):
        for y in range(other.height):
            for x in range(other.width):
                self.put(left + x, top + y, other.get(x, y))

    def blend(self, x, y, color, coverage):
        """Paints `color` over the pixel with the given coverage (0..1)."""
        if coverage <= 0 or not (0 <= x < self.width and 0 <= y < self.height):
            return
        r, g, b, a = self.pixels[y][x]
        top_alpha = coverage
        bottom_alpha = a / 255
        out_alpha = top_alpha + bottom_alpha * (1 - top_alpha)
        if out_alpha <= 0:
            return
        out = [
            (c * top_alpha + d * bottom_alpha * (1 - top_alpha)) / out_alpha
            for c, d in zip(color, (r, g, b))
        ]
        self.pixels[y][x] = tuple(round(v) for v in out) + (round(out_alpha * 255),)


# ---------------------------------------------------------------------------------------------
# Pixel art: rows of characters, each a colour of the palette given; "." leaves the pixel.


def draw_rows(image, left, top, rows, palette):
    for y, row in enumerate(rows):
        for x, mark in enumerate(row):
            if mark != ".":
                image.put(left + x, top + y, palette[mark])


def glyph_size(rows):
    return len(rows[0]), len(rows)


# The speech bubble every tray image stands on: dark outline, a navy body lit from above, a
# tail at the lower left.
BUBBLE = [
    "................",
    "..kkkkkkkkkkkk..",
    ".krrrrrrrrrrrrk.",
    "kr111111111111rk",
    "k22222222222222k",
    "k33333333333333k",
    "k44444444444444k",
    "k55555555555555k",
    "k66666666666666k",
    "k77777777777777k",
    "k77777777777777k",
    ".k777777777777k.",
    "..kk77kkkkkkkk..",
    "...k7k..........",
    "..k7k...........",
    "..kk............",
]


def bubble_palette(outline=OUTLINE, body_top=TITLE_TOP, body=BODY, rim=RIM):
    palette = {"k": outline, "r": rim}
    for row in range(1, 8):
        palette[str(row)] = mix(body_top, body, (row - 1) / 6)
    return palette


def bubble(**colors):
    image = Image(16, 16)
    draw_rows(image, 0, 0, BUBBLE, bubble_palette(**colors))
    return image


def draw_centered(image, rows, palette, top=3, middle=8):
    width, _ = glyph_size(rows)
    draw_rows(image, middle - (width + 1) // 2, top, rows, palette)


# A lamp: light spot at the upper left, dark rim at the lower right.
LAMP = [
    "..ooo..",
    ".ohmmo.",
    "ohmmmmd",
    "ommmmmd",
    "ommmmmd",
    ".mmmmd.",
    "..ddd..",
]
BUSY_LAMP = [
    "..ooo..",
    ".ommmo.",
    "ommmmmd",
    "owwwwwd",
    "ommmmmd",
    ".mmmmd.",
    "..ddd..",
]
REPLY = [
    "..#.....",
    ".##.....",
    "#######.",
    ".##...+#",
    "..#....#",
    "......+#",
    "....###.",
]
HOURGLASS = [
    "#######",
    ".#sss#.",
    "..#s#..",
    "...#...",
    "..#.#..",
    ".#sss#.",
    "#######",
]
ENVELOPE = [
    "##########",
    "##......##",
    "#.#....#.#",
    "#..#..#..#",
    "#...##...#",
    "#........#",
    "##########",
]


def lamp_palette(main, light, dark):
    return {"o": mix(main, dark, 0.35), "h": light, "m": main, "d": dark, "w": WHITE}


def tray_images():
    active = bubble()
    draw_centered(active, LAMP, lamp_palette(ACCENT, ACCENT_LIGHT, ACCENT_DARK))
    auto_reply = bubble()
    draw_centered(auto_reply, REPLY, {"#": ACCENT, "+": mix(BODY, ACCENT, 0.5)}, middle=9)
    busy = bubble()
    draw_centered(busy, BUSY_LAMP, lamp_palette(RED, RED_LIGHT, RED_DARK))
    waiting = bubble()
    draw_centered(waiting, HOURGLASS, {"#": GLYPH, "s": AMBER})
    offline = bubble(body_top=GREY_DARK, body=(40, 42, 52), rim=GREY_DARK)
    draw_centered(offline, LAMP, lamp_palette(GREY, GREY_LIGHT, GREY_DARK))
    return [active, auto_reply, busy, waiting, offline]


ANIMATION_FRAMES = 14


def receive_frame(index):
    """The envelope glows up in green and back, its outline with it, while a shine passes."""
    phase = (1 - math.cos(2 * math.pi * index / ANIMATION_FRAMES)) / 2
    image = bubble(outline=mix(OUTLINE, ACCENT_DARK, phase))
    envelope = mix(GLYPH, ACCENT, phase)
    width, height = glyph_size(ENVELOPE)
    left, top = 3, 3
    shine = index - 2  # the column of the envelope the shine lights, off it at the ends
    for y, row in enumerate(ENVELOPE):
        for x, mark in enumerate(row):
            if mark != "#":
                continue
            color = envelope
            if x == shine or x + 1 == shine:
                color = mix(envelope, WHITE, 0.7 if x == shine else 0.35)
            image.put(left + x, top + y, color)
    return image


def receive_animation():
    return [receive_frame(index) for index in range(ANIMATION_FRAMES)]


# ---------------------------------------------------------------------------------------------
# Menu bitmaps, 16 x 16 on the key colour. Hard edges: the key colour must not bleed.

MENU_PALETTE = {
    "k": (20, 22, 32),
    "n": BODY,
    "t": TITLE_TOP,
    "r": RIM,
    "l": GLYPH,
    "w": WHITE,
    "s": (220, 226, 240),
    "g": ACCENT,
    "G": ACCENT_DARK,
    "h": ACCENT_LIGHT,
    "R": RED,
    "D": RED_DARK,
    "P": RED_LIGHT,
    "y": AMBER,
    "Y": AMBER_DARK,
    "b": BLUE,
    "B": BLUE_DARK,
    "e": (110, 116, 140),
}

MENU_BITMAPS = {
    # "Открыть": the program's window, its title bar with the green mark.
    "open": [
        "................",
        "................",
        "kkkkkkkkkkkkkkk.",
        "ktttttttttttttk.",
        "ktgggttttttlltk.",
        "knnnnnnnnnnnnnk.",
        "kkkkkkkkkkkkkkk.",
        "kssssssssssssskk",
        "ksllllllllllsske",
        "kssssssssssssske",
        "ksllllllllssssk.",
        "kssssssssssssske",
        "kssssssssssssske",
        "kkkkkkkkkkkkkkke",
        ".eeeeeeeeeeeeeee",
        "................",
    ],
    # "Состояние": a person with a green lamp.
    "state": [
        "................",
        ".....kkkk.......",
        "....kllllk......",
        "...kllllllk.....",
        "...kllllllk.....",
        "...kllllllk.....",
        "....kllllk......",
        ".....kllk.......",
        "...kkllllkk.....",
        "..kllllllllk....",
        ".klllllllllkGGG.",
        ".kllllllllkGhggG",
        ".kllllllllkGgggG",
        ".kllllllllkGgggG",
        ".kkkkkkkkkkkGGG.",
        "................",
    ],
    # "Активен": a green lamp.
    "active": [
        "................",
        "................",
        ".....GGGGGG.....",
        "....GhhgggggG...",
        "...GhhggggggGG..",
        "..GhhgggggggggG.",
        "..GhgggggggggGG.",
        "..GggggggggggGG.",
        "..GggggggggggGG.",
        "..GggggggggggGG.",
        "..GGgggggggggGG.",
        "...GGggggggGGG..",
        "....GGGggGGGG...",
        ".....GGGGGGG....",
        "................",
        "................",
    ],
    # "Занят": a red lamp with a white bar.
    "busy": [
        "................",
        "................",
        ".....DDDDDD.....",
        "....DPPRRRRRD...",
        "...DPPRRRRRRDD..",
        "..DPRRRRRRRRRRD.",
        "..DRRRRRRRRRRDD.",
        "..DRwwwwwwwwRDD.",
        "..DRwwwwwwwwRDD.",
        "..DRRRRRRRRRRDD.",
        "..DDRRRRRRRRRDD.",
        "...DDRRRRRRDDD..",
        "....DDDRRDDDD...",
        ".....DDDDDDD....",
        "................",
        "................",
    ],
    # "Автоответ": an arrow turning back to the sender.
    "autoreply": [
        "................",
        "................",
        ".....G..........",
        "....Gg..........",
        "...GgG..........",
        "..GggGGGGGG.....",
        ".Ggggggggggg....",
        "..GggGGGGGGgg...",
        "...GgG.....Ggg..",
        "....Gg......Gg..",
        ".....G......Gg..",
        "............Gg..",
        "...........Ggg..",
        "........GGggG...",
        "........GggG....",
        "................",
    ],
    # "Настройки": a gear.
    "settings": [
        "................",
        "......kkkk......",
        "......klek......",
        "..kk.kllllk.kk..",
        "..klkllllllkelk.",
        "...klllkkllllk..",
        ".kkllkk..kklllkk",
        ".klllk....kllllk",
        ".klllk....klllek",
        ".kklllk..kkllekk",
        "...kllllkklllk..",
        "..klkllllllkelk.",
        "..kk.klllelk.kk.",
        "......klek......",
        "......kkkk......",
        "................",
    ],
    # "Выход": a door left open and an arrow leaving through it.
    "exit": [
        "................",
        ".kkkkkkkk.......",
        ".knnnnnnk.......",
        ".knrrrrnk.......",
        ".knr..........R.",
        ".knr.........RR.",
        ".knr...RRRRRRRRR",
        ".knr..RPPPPPPPPR",
        ".knr..RRRRRRRRRR",
        ".knr.........RR.",
        ".knr..........R.",
        ".knrrrrnk.......",
        ".knnnnnnk.......",
        ".kkkkkkkk.......",
        "................",
        "................",
    ],
    # "О программе": a blue disc with an "i".
    "about": [
        "................",
        ".....BBBBBB.....",
        "...BBbbbbbbBB...",
        "..BbbbbwwbbbbB..",
        "..BbbbbwwbbbbB..",
        ".BbbbbbbbbbbbbB.",
        ".Bbbbbwwwbbbbbb.",
        ".BbbbbbwwbbbbbB.",
        ".BbbbbbwwbbbbbB.",
        ".BbbbbbwwbbbbbB.",
        ".BbbbbbwwbbbbbB.",
        "..BbbbwwwwbbbB..",
        "..BbbbbbbbbbbB..",
        "...BBbbbbbbBB...",
        ".....BBBBBB.....",
        "................",
    ],
}
MENU_ORDER = ["open", "state", "active", "busy", "autoreply", "settings", "exit", "about"]


def menu_bitmap(name):
    rows = MENU_BITMAPS[name]
    assert len(rows) == 16 and all(len(row) == 16 for row in rows), name
    image = Image(16, 16, opaque(KEY))
    draw_rows(image, 0, 0, rows, MENU_PALETTE)
    assert image.get(0, 0)[:3] == KEY, name
    return image


def menu_bitmaps():
    return [menu_bitmap(name) for name in MENU_ORDER]


# ---------------------------------------------------------------------------------------------
# User icons, 32 x 32: a symbol on a navy tile, drawn with 4 x 4 samples per pixel.

SAMPLES = 4


def fill_shape(image, inside, color, bounds=None):
    """Paints every pixel by the share of its samples for which inside(x, y) holds."""
    left, top, right, bottom = bounds or (0, 0, image.width, image.height)
    for py in range(max(0, top), min(image.height, bottom)):
        for px in range(max(0, left), min(image.width, right)):
            hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    if inside(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES):
                        hits += 1
            image.blend(px, py, color, hits / SAMPLES**2)


def circle(cx, cy, radius):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius**2


def rounded_rect(left, top, right, bottom, radius):
    def inside(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        nx = min(max(x, left + radius), right - radius)
        ny = min(max(y, top + radius), bottom - radius)
        return (x - nx) ** 2 + (y - ny) ** 2 <= radius**2

    return inside


def polygon(points):
    def inside(x, y):
        result = False
        for (x1, y1), (x2, y2) in zip(points, points[1:] + points[:1]):
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                result = not result
        return result

    return inside


def stroke(points, width):
    """A polyline of the given width with round ends."""
    half = width / 2

    def inside(x, y):
        for (x1, y1), (x2, y2) in zip(points, points[1:]):
            dx, dy = x2 - x1, y2 - y1
            length = dx * dx + dy * dy
            t = 0 if length == 0 else max(0, min(1, ((x - x1) * dx + (y - y1) * dy) / length))
            if (x - x1 - t * dx) ** 2 + (y - y1 - t * dy) ** 2 <= half * half:
                return True
        return False

    return inside


def ring(cx, cy, outer, inner):
    return lambda x, y: inner**2 < (x - cx) ** 2 + (y - cy) ** 2 <= outer**2


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def tile():
    image = Image(32, 32)
    fill_shape(image, rounded_rect(0.5, 0.5, 31.5, 31.5, 6.5), OUTLINE)
    for row in range(1, 31):
        color = mix(TITLE_TOP, BODY, (row - 1) / 29)
        fill_shape(image, rounded_rect(1.5, 1.5, 30.5, 30.5, 5.5), color, (0, row, 32, row + 1))
    fill_shape(image, minus(rounded_rect(1.5, 1.5, 30.5, 30.5, 5.5),
                            rounded_rect(1.5, 2.5, 30.5, 30.5, 5.5)), RIM)
    return image


def icon_envelope(image):
    fill_shape(image, rounded_rect(6, 9, 26, 23, 1.5), ACCENT)
    fill_shape(image, rounded_rect(7.5, 10.5, 24.5, 21.5, 0.5), BODY)
    fill_shape(image, stroke([(8, 11.5), (16, 17.5), (24, 11.5)], 2), ACCENT)
    fill_shape(image, stroke([(8, 21), (13.5, 16)], 1.5), ACCENT)
    fill_shape(image, stroke([(24, 21), (18.5, 16)], 1.5), ACCENT)


def icon_person(image):
    fill_shape(image, circle(16, 12, 5), GLYPH)
    fill_shape(image, both(circle(16, 30, 11), lambda x, y: y <= 26), GLYPH)
    fill_shape(image, circle(23.5, 22.5, 3.5), ACCENT)


def icon_monitor(image):
    fill_shape(image, rounded_rect(5, 7, 27, 22, 1.5), GLYPH)
    fill_shape(image, rounded_rect(7, 9, 25, 20, 0.5), (24, 60, 40))
    fill_shape(image, stroke([(9.5, 12), (15, 12)], 1.5), ACCENT)
    fill_shape(image, stroke([(9.5, 15), (20, 15)], 1.5), ACCENT)
    fill_shape(image, polygon([(14, 22), (18, 22), (19, 25), (13, 25)]), GLYPH)
    fill_shape(image, rounded_rect(10, 25, 22, 27, 1), GLYPH)


def icon_bell(image):
    fill_shape(image, polygon([(9, 22), (11, 12), (13.5, 8.5), (18.5, 8.5), (21, 12), (23, 22)]),
               AMBER)
    fill_shape(image, circle(16, 12, 5), AMBER)
    fill_shape(image, rounded_rect(6.5, 21, 25.5, 24, 1.5), AMBER)
    fill_shape(image, circle(16, 25.5, 2.5), AMBER_DARK)
    fill_shape(image, circle(16, 6.5, 1.8), AMBER)
    fill_shape(image, stroke([(12.5, 13), (11.5, 19)], 1.3), (255, 230, 160))


def icon_star(image):
    points = []
    for index in range(10):
        angle = -math.pi / 2 + index * math.pi / 5
        radius = 11 if index % 2 == 0 else 4.6
        points.append((16 + radius * math.cos(angle), 17 + radius * math.sin(angle)))
    fill_shape(image, polygon(points), AMBER)
    inner = [(16 + (x - 16) * 0.55, 17 + (y - 17) * 0.55 - 0.6) for x, y in points]
    fill_shape(image, polygon(inner), (255, 226, 140))


def icon_talk(image):
    fill_shape(image, rounded_rect(4, 6, 20, 17, 3), GLYPH)
    fill_shape(image, polygon([(7, 16), (11, 16), (6, 21)]), GLYPH)
    fill_shape(image, rounded_rect(12, 13, 28, 24, 3), ACCENT)
    fill_shape(image, polygon([(21, 23), (25, 23), (26, 28)]), ACCENT)
    for x in (16.5, 20, 23.5):
        fill_shape(image, circle(x, 18.5, 1.3), BODY)


def icon_globe(image):
    fill_shape(image, circle(16, 16, 11), CYAN)
    fill_shape(image, circle(16, 16, 9.6), (24, 70, 110))
    blue_line = (120, 214, 245)
    fill_shape(image, both(circle(16, 16, 9.6), stroke([(5, 16), (27, 16)], 1.3)), blue_line)
    fill_shape(image, both(circle(16, 16, 9.6), stroke([(16, 5), (16, 27)], 1.3)), blue_line)
    fill_shape(image, both(circle(16, 16, 9.6), ring(16, 16 - 14.5, 16.6, 15.4)), blue_line)
    fill_shape(image, both(circle(16, 16, 9.6), ring(16, 16 + 14.5, 16.6, 15.4)), blue_line)
    fill_shape(image, both(circle(16, 16, 9.6),
                           lambda x, y: abs(((x - 16) / 5.3) ** 2 + ((y - 16) / 10) ** 2 - 1)
                           < 0.13), blue_line)


def icon_lightning(image):
    fill_shape(image, polygon([(19, 4), (8, 18), (15, 18), (12, 28), (24, 13), (17, 13), (21, 4)]),
               AMBER)
    fill_shape(image, polygon([(18.6, 6), (10.5, 16.5), (13.5, 16.5), (17.5, 9)]),
               (255, 232, 150))


def icon_heart(image):
    fill_shape(image, circle(11.5, 12.5, 5.5), RED)
    fill_shape(image, circle(20.5, 12.5, 5.5), RED)
    fill_shape(image, polygon([(6.3, 14.5), (25.7, 14.5), (16, 26)]), RED)
    fill_shape(image, circle(10.5, 11, 2), RED_LIGHT)


def icon_cup(image):
    fill_shape(image, rounded_rect(8, 12, 21, 25, 3), GLYPH)
    fill_shape(image, ring(21.5, 17.5, 4.2, 2.4), GLYPH)
    fill_shape(image, rounded_rect(9.5, 13.5, 19.5, 16, 0.5), (110, 70, 40))
    fill_shape(image, rounded_rect(6, 25, 24, 27, 1), GLYPH)
    for x in (12, 16):
        fill_shape(image, stroke([(x, 9.5), (x + 1.2, 7.5), (x, 5.5), (x + 1.2, 3.5)], 1.2),
                   VIOLET)


USER_ICONS = [icon_envelope, icon_person, icon_monitor, icon_bell, icon_star, icon_talk,
              icon_globe, icon_lightning, icon_heart, icon_cup]


def user_icons():
    icons = []
    for draw in USER_ICONS:
        image = tile()
        draw(image)
        icons.append(image)
    return icons


# ---------------------------------------------------------------------------------------------
# Strips and PNG files.


def strip(cells):
    width, height = cells[0].width, cells[0].height
    image = Image(width * len(cells), height)
    for index, cell in enumerate(cells):
        image.paste(cell, index * width, 0)
    return image


def raw_rows(image, alpha):
    data = bytearray()
    for row in image.pixels:
        data.append(0)  # no filter
        for pixel in row:
            data += bytes(pixel if alpha else pixel[:3])
    return bytes(data)


def png_header(image, alpha):
    return struct.pack(">IIBBBBB", image.width, image.height, 8, 6 if alpha else 2, 0, 0, 0)


def chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def write_png(image, path, alpha):
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", png_header(image, alpha))
            + chunk(b"IDAT", zlib.compress(raw_rows(image, alpha), 9)) + chunk(b"IEND", b""))
    Path(path).write_bytes(data)


def read_png(path):
    """The header and the uncompressed rows of a PNG file written by write_png."""
    data = Path(path).read_bytes()
    position, header, compressed = 8, None, b""
    while position < len(data):
        (length,) = struct.unpack(">I", data[position:position + 4])
        kind = data[position + 4:position + 8]
        body = data[position + 8:position + 8 + length]
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            compressed += body
        position += 12 + length
    return header, zlib.decompress(compressed)


def drawings():
    return {
        "tray_icons.png": (strip(tray_images()), True),
        "receive_animation.png": (strip(receive_animation()), True),
        "menu_bitmaps.png": (strip(menu_bitmaps()), False),
        "user_icons.png": (strip(user_icons()), True),
    }


def main(arguments):
    if arguments[:1] == ["--check"]:
        directory = Path(arguments[1])
        different = [
            name for name, (image, alpha) in drawings().items()
            if read_png(directory / name) != (png_header(image, alpha), raw_rows(image, alpha))
        ]
        for name in different:
            print(f"make_tray_art.py: {name} differs from what is drawn", file=sys.stderr)
        return 1 if different else 0
    directory = Path(arguments[0] if arguments else ".")
    for name, (image, alpha) in drawings().items():
        write_png(image, directory / name, alpha)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
