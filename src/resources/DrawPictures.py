#!/usr/bin/env python3
"""Draws the player's button bitmaps and icons, and an enlarged preview of them.

The pictures are described here as shapes in pixel coordinates, so that changing one is a
matter of editing numbers and running this script again:

    python3 src/resources/DrawPictures.py            # rewrites src/resources/*.bmp, *.ico
                                                     # and docs/resource-pictures.png
    python3 src/resources/DrawPictures.py --out DIR  # writes everything into DIR instead

Only the standard library is used; the output is the same byte for byte on every run.
"""

import argparse
import math
import os
import struct
import zlib

# ---------------------------------------------------------------------------------------------
# Shapes: each answers whether a point (x, y) lies inside it. Pixel (i, j) covers the square
# from (i, j) to (i + 1, j + 1); the button bitmaps are sampled 5 x 5 times per pixel.


def polygon(*points):
    def inside(x, y):
        hit = False
        n = len(points)
        for k in range(n):
            (x1, y1), (x2, y2) = points[k], points[(k + 1) % n]
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
        return hit
    return inside


def rounded_rect(left, top, right, bottom, radius=0.0):
    def inside(x, y):
        if not (left <= x < right and top <= y < bottom):
            return False
        cx = min(max(x, left + radius), right - radius)
        cy = min(max(y, top + radius), bottom - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(shape, hole):
    return lambda x, y: shape(x, y) and not hole(x, y)


# ---------------------------------------------------------------------------------------------
# Pictures as rows of (r, g, b) tuples.

def blend(under, over, alpha):
    return tuple(round(u + (o - u) * alpha) for u, o in zip(under, over))


def vertical(top_colour, bottom_colour, height):
    return lambda y: blend(top_colour, bottom_colour, y / max(1, height - 1))


def canvas(width, height, background):
    return [[background(y) for _ in range(width)] for y in range(height)]


def paint(picture, shape, colour, samples=5):
    """Covers the picture with the shape, anti-aliased; colour is a function of y."""
    for j, row in enumerate(picture):
        for i in range(len(row)):
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    if shape(i + (sx + 0.5) / samples, j + (sy + 0.5) / samples):
                        hits += 1
            if hits:
                row[i] = blend(row[i], colour(j + 0.5), hits / (samples * samples))


# The buttons: a soft face from white to light grey, with dark slate glyphs that lighten
# slightly towards the top, like light falling on them.
BUTTON = 20
FACE = vertical((252, 252, 252), (226, 228, 232), BUTTON)
INK_TOP, INK_BOTTOM = (74, 88, 106), (32, 40, 52)
INK = lambda y: blend(INK_TOP, INK_BOTTOM, min(1.0, max(0.0, (y - 3) / 14)))
ACCENT = lambda y: blend((70, 170, 90), (28, 118, 52), min(1.0, max(0.0, (y - 3) / 14)))


def button(*layers):
    picture = canvas(BUTTON, BUTTON, FACE)
    for shape, colour in layers:
        paint(picture, shape, colour)
    return picture


def play():
    return button((polygon((6.5, 4.0), (6.5, 16.0), (16.0, 10.0)), ACCENT))


def pause():
    return button((rounded_rect(5.0, 4.5, 8.5, 15.5, 0.8), INK),
                  (rounded_rect(11.5, 4.5, 15.0, 15.5, 0.8), INK))


def stop():
    return button((rounded_rect(5.0, 5.0, 15.0, 15.0, 1.2), INK))


def segments():
    rows = []
    for top in (4.5, 9.0, 13.5):
        rows.append(rounded_rect(3.5, top, 6.0, top + 2.5, 0.5))
        rows.append(rounded_rect(7.5, top + 0.25, 16.5, top + 2.25, 0.4))
    return button((union(*rows), INK))


def previous():
    return button((union(rounded_rect(4.0, 5.0, 6.5, 15.0, 0.5),
                         polygon((15.5, 5.0), (15.5, 15.0), (7.0, 10.0))), INK))


def following():
    return button((union(rounded_rect(13.5, 5.0, 16.0, 15.0, 0.5),
                         polygon((4.5, 5.0), (4.5, 15.0), (13.0, 10.0))), INK))


def full_screen():
    arm, thick, inset = 5.0, 2.0, 3.5
    lo, hi = inset, BUTTON - inset
    corners = union(
        rounded_rect(lo, lo, lo + arm, lo + thick), rounded_rect(lo, lo, lo + thick, lo + arm),
        rounded_rect(hi - arm, lo, hi, lo + thick), rounded_rect(hi - thick, lo, hi, lo + arm),
        rounded_rect(lo, hi - thick, lo + arm, hi), rounded_rect(lo, hi - arm, lo + thick, hi),
        rounded_rect(hi - arm, hi - thick, hi, hi), rounded_rect(hi - thick, hi - arm, hi, hi))
    return button((corners, INK))


def velocity():
    """The speed slider's thumb: on the thumb's own grey, three grip ridges, each a dark line
    with a light one beside it."""
    picture = canvas(14, 14, lambda y: (224, 224, 224))
    for x in (3, 6, 9):
        paint(picture, rounded_rect(x, 3, x + 1, 11), lambda y: (112, 118, 128))
        paint(picture, rounded_rect(x + 1, 3, x + 2, 11), lambda y: (255, 255, 255))
    return picture


BITMAPS = [  # file name, resource name, drawing
    ("play.bmp", "PLAYBMP", play),
    ("pause.bmp", "PAUSEBMP", pause),
    ("stop.bmp", "STOPBMP", stop),
    ("segments.bmp", "SEGMENTSBMP", segments),
    ("prev.bmp", "PREVBMP", previous),
    ("next.bmp", "NEXTBMP", following),
    ("fullscreen.bmp", "FULLSCREENBMP", full_screen),
    ("velocity.bmp", "VELOCITYBMP", velocity),
]

# ---------------------------------------------------------------------------------------------
# Icons: 32 x 32 in the 16 standard colours, drawn without anti-aliasing (there are no
# in-between colours to blend with). None marks a transparent pixel.

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DGREY, LGREY, WHITE = 0, 8, 7, 15
NAVY, BLUE, CYAN, TEAL, GREEN, LIME, YELLOW = 4, 12, 14, 6, 2, 10, 11


def icon_canvas():
    return [[None] * 32 for _ in range(32)]


def fill(icon, shape, index):
    for j in range(32):
        for i in range(32):
            if shape(i + 0.5, j + 0.5):
                icon[j][i] = index


def player_icon():
    """The window's icon: a monitor showing a play triangle."""
    icon = icon_canvas()
    fill(icon, rounded_rect(1, 3, 31, 25, 2), BLACK)               # bezel outline
    fill(icon, rounded_rect(2, 4, 30, 24, 1.5), LGREY)             # bezel
    fill(icon, rounded_rect(2, 20, 30, 24, 1.5), DGREY)            # its shaded lower edge
    fill(icon, rounded_rect(2, 4, 30, 20), LGREY)
    fill(icon, rounded_rect(4, 6, 28, 19), BLACK)                  # screen frame
    fill(icon, rounded_rect(5, 7, 27, 18), NAVY)                   # screen
    fill(icon, rounded_rect(5, 7, 27, 10), BLUE)                   # glow at the top
    fill(icon, polygon((12, 8.5), (12, 17.5), (20.5, 13)), WHITE)  # play
    fill(icon, rounded_rect(13, 25, 19, 27), DGREY)                # neck
    fill(icon, rounded_rect(8, 27, 24, 30, 1), BLACK)              # foot outline
    fill(icon, rounded_rect(9, 27, 23, 29), DGREY)
    fill(icon, rounded_rect(26, 21, 28, 22), LIME)                 # power light
    return icon


def file_icon():
    """The executable's icon: a strip of film with a play triangle on its frame."""
    icon = icon_canvas()
    fill(icon, rounded_rect(3, 2, 29, 30, 1.5), BLACK)
    fill(icon, rounded_rect(4, 3, 28, 29, 1), DGREY)
    for top in range(4, 28, 4):                                    # sprocket holes
        fill(icon, rounded_rect(5, top + 0.5, 7, top + 2.5), WHITE)
        fill(icon, rounded_rect(25, top + 0.5, 27, top + 2.5), WHITE)
    fill(icon, rounded_rect(8, 5, 24, 27), BLACK)                  # the frame
    fill(icon, rounded_rect(9, 6, 23, 26), TEAL)
    fill(icon, rounded_rect(9, 6, 23, 11), CYAN)
    fill(icon, polygon((12, 10), (12, 22), (21.5, 16)), YELLOW)
    return icon


ICONS = [("pmain.ico", "PMAINICON", player_icon), ("main.ico", "MAINICON", file_icon)]

# ---------------------------------------------------------------------------------------------
# File formats.


def bmp_bytes(picture):
    """A 24-bit Windows bitmap, rows bottom-up, each padded to four bytes."""
    height, width = len(picture), len(picture[0])
    stride = (width * 3 + 3) // 4 * 4
    rows = b""
    for row in reversed(picture):
        line = b"".join(struct.pack("<BBB", b, g, r) for r, g, b in row)
        rows += line + b"\0" * (stride - len(line))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info))
    return head + info + rows


def ico_bytes(icon):
    """One 32 x 32 image of 16 colours: colour bits and a transparency mask, bottom-up."""
    xor = b""
    mask = b""
    for row in reversed(icon):
        nibbles = [0 if p is None else p for p in row]
        xor += bytes((nibbles[k] << 4) | nibbles[k + 1] for k in range(0, 32, 2))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is None else 0)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in VGA)
    info = struct.pack("<IiiHHIIiiII", 40, 32, 64, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def png_bytes(picture):
    height, width = len(picture), len(picture[0])
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in picture)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------------------------
# The preview: every picture enlarged eight times, and the buttons as the panel shows them.

SCALE = 8
PAPER = (255, 255, 255)


def blit(target, picture, left, top, scale=1):
    for j, row in enumerate(picture):
        for i, p in enumerate(row):
            for dy in range(scale):
                for dx in range(scale):
                    target[top + j * scale + dy][left + i * scale + dx] = p


def checker(width, height, cell=8):
    light, dark = (236, 236, 236), (210, 210, 210)
    return [[light if (i // cell + j // cell) % 2 == 0 else dark for i in range(width)]
            for j in range(height)]


def icon_picture(icon):
    back = checker(32, 32, 2)
    return [[back[j][i] if icon[j][i] is None else VGA[icon[j][i]] for i in range(32)]
            for j in range(32)]


def thumb(bitmap):
    """The slider's 16 x 16 thumb: grey outline, the bitmap inside."""
    t = [[(136, 128, 128)] * 16 for _ in range(16)]
    blit(t, bitmap, 1, 1)
    return t


def panel(pictures):
    """A 200 x 40 strip of the bottom panel: 24 x 24 buttons at the panel's places."""
    strip = [[PAPER] * 200 for _ in range(40)]
    places = [8, 36, 72, 100, 128, 164]
    order = ["PLAYBMP", "STOPBMP", "SEGMENTSBMP", "PREVBMP", "NEXTBMP", "FULLSCREENBMP"]
    for left, name in zip(places, order):
        for j in range(24):
            for i in range(24):
                edge_light = i == 0 or j == 0
                edge_dark = i == 23 or j == 23
                inner_dark = i == 22 or j == 22
                colour = (255, 255, 255) if edge_light else (64, 64, 64) if edge_dark else \
                    (160, 160, 160) if inner_dark else (240, 240, 240)
                strip[8 + j][left + i] = colour
        blit(strip, pictures[name], left + 2, 10)
    return strip


def preview(pictures, icons):
    gap = 16
    cell = BUTTON * SCALE
    width = gap + 4 * (cell + gap)
    rows_top = [gap, gap * 2 + cell, gap * 3 + cell * 2]
    panel_scale = 3
    height = rows_top[2] + 32 * SCALE + gap + 40 * panel_scale + gap
    out = [[PAPER] * width for _ in range(height)]
    names = [name for _, name, _ in BITMAPS]
    for k, name in enumerate(names):
        picture = pictures[name]
        if name == "VELOCITYBMP":
            picture = thumb(picture)
        row, col = divmod(k, 4)
        size = len(picture) * SCALE
        left = gap + col * (cell + gap) + (cell - size) // 2
        blit(out, picture, left, rows_top[row] + (cell - size) // 2, SCALE)
    for k, (_, name, _) in enumerate(ICONS):
        blit(out, icon_picture(icons[name]), gap + k * (32 * SCALE + gap), rows_top[2], SCALE)
    small_left = gap * 3 + 2 * 32 * SCALE
    for k, (_, name, _) in enumerate(ICONS):
        blit(out, icon_picture(icons[name]), small_left + k * 40, rows_top[2])
        blit(out, icon_picture(icons[name]), small_left + k * 40, rows_top[2] + 40, 1)
    strip_top = rows_top[2] + 32 * SCALE + gap
    strip = panel(pictures)
    blit(out, strip, gap, strip_top, panel_scale)
    slider_left = gap + 200 * panel_scale + gap
    blit(out, thumb(pictures["VELOCITYBMP"]), slider_left, strip_top + 12 * panel_scale,
         panel_scale)
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", help="folder for every output (default: the repository)")
    args = parser.parse_args()
    resources = args.out or here
    docs = args.out or os.path.join(here, "..", "..", "docs")
    os.makedirs(resources, exist_ok=True)
    os.makedirs(docs, exist_ok=True)

    pictures = {}
    for file_name, name, draw in BITMAPS:
        pictures[name] = draw()
        with open(os.path.join(resources, file_name), "wb") as f:
            f.write(bmp_bytes(pictures[name]))
    icons = {}
    for file_name, name, draw in ICONS:
        icons[name] = draw()
        with open(os.path.join(resources, file_name), "wb") as f:
            f.write(ico_bytes(icons[name]))
    with open(os.path.join(docs, "resource-pictures.png"), "wb") as f:
        f.write(png_bytes(preview(pictures, icons)))


if __name__ == "__main__":
    main()
