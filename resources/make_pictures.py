#!/usr/bin/env python3
"""Draws the set-up program's pictures: the banner of the completion dialog
and the program's icons.

    python3 make_pictures.py [output folder]

writes banner.bmp (240 x 54), quarvel.ico (32 x 32 and 16 x 16) and
quarvel_small.ico (16 x 16), all of 16 colours, into the output folder
(by default the folder of this script). The files are committed, so the
build never runs this script; run it again only to change the pictures.
The output is the same on every run. Python 3 standard library only.
"""

import os
import struct
import sys

# ---------------------------------------------------------------------------
# The one 16-colour palette of all pictures (R, G, B). Index 0 is black:
# the transparent pixels of an icon hold it, so that the icon's AND mask
# leaves the screen unchanged there.
PALETTE = [
    (0, 0, 0),        # 0  black
    (6, 14, 44),      # 1  night blue
    (10, 26, 76),     # 2  deep blue
    (16, 40, 108),    # 3  royal blue
    (24, 58, 142),    # 4  blue
    (36, 80, 176),    # 5  bright blue
    (60, 108, 206),   # 6  sky blue
    (104, 148, 230),  # 7  light blue
    (170, 196, 244),  # 8  pale blue
    (255, 255, 255),  # 9  white
    (255, 244, 204),  # 10 cream
    (255, 214, 96),   # 11 light gold
    (236, 172, 36),   # 12 gold
    (176, 112, 16),   # 13 dark gold
    (96, 56, 8),      # 14 bronze
    (132, 140, 160),  # 15 grey
]

BLACK, NIGHT, DEEP, ROYAL, BLUE, BRIGHT, SKY, LIGHT, PALE = range(9)
WHITE, CREAM, GOLD_LIGHT, GOLD, GOLD_DARK, BRONZE, GREY = range(9, 16)

# Background ramp, dark to light, for dithered gradients.
BLUE_RAMP = [NIGHT, DEEP, ROYAL, BLUE, BRIGHT, SKY]
# The icon tile's face, top to bottom.
TILE_RAMP = [BRIGHT, BLUE, ROYAL, DEEP]

# 4 x 4 ordered-dither thresholds in [0, 1).
BAYER4 = [[(v + 0.5) / 16.0 for v in row] for row in (
    (0, 8, 2, 10),
    (12, 4, 14, 6),
    (3, 11, 1, 9),
    (15, 7, 13, 5),
)]


def ramp_index(ramp, t, x, y):
    """Colour of a gradient at position t (0 = first, 1 = last entry of the
    ramp), dithered between neighbouring entries."""
    t = min(max(t, 0.0), 1.0) * (len(ramp) - 1)
    base = int(t)
    if base >= len(ramp) - 1:
        return ramp[-1]
    return ramp[base + 1] if (t - base) > BAYER4[y % 4][x % 4] else ramp[base]


def nearest(rgb):
    """Palette index nearest to an RGB colour (weighted distance)."""
    best, best_d = 0, None
    for i, (r, g, b) in enumerate(PALETTE):
        d = 3 * (r - rgb[0]) ** 2 + 4 * (g - rgb[1]) ** 2 + 2 * (b - rgb[2]) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


# ---------------------------------------------------------------------------
# The word "Quarvel" in the program's own bold pixel font. '#' is ink; each
# glyph stands on the base line (row 9 of 11; the Q's tail goes below it).
GLYPHS = {
    'Q': [
        "..######..",
        ".########.",
        "###....###",
        "##......##",
        "##......##",
        "##......##",
        "##...##.##",
        "###...####",
        ".########.",
        "..######.#",
        ".......##.",
    ],
    'u': [
        "",
        "",
        "",
        "##...##",
        "##...##",
        "##...##",
        "##...##",
        "##..###",
        "#######",
        ".###.##",
    ],
    'a': [
        "",
        "",
        "",
        ".#####.",
        ".....##",
        ".######",
        "##...##",
        "##..###",
        "#######",
        ".###.##",
    ],
    'r': [
        "",
        "",
        "",
        "##.###",
        "######",
        "###...",
        "##....",
        "##....",
        "##....",
        "##....",
    ],
    'v': [
        "",
        "",
        "",
        "##...##",
        "##...##",
        "##...##",
        ".##.##.",
        ".##.##.",
        "..###..",
        "..###..",
    ],
    'e': [
        "",
        "",
        "",
        ".#####.",
        "##...##",
        "#######",
        "#######",
        "##.....",
        "##...##",
        ".#####.",
    ],
    'l': [
        "##.",
        "##.",
        "##.",
        "##.",
        "##.",
        "##.",
        "##.",
        "##.",
        "###",
        ".##",
    ],
}

# A small 3 x 5 font for the banner's second line.
SMALL_GLYPHS = {
    'S': ["###", "#..", "###", "..#", "###"],
    'E': ["###", "#..", "##.", "#..", "###"],
    'T': ["###", ".#.", ".#.", ".#.", ".#."],
    'U': ["#.#", "#.#", "#.#", "#.#", "###"],
    'P': ["###", "#.#", "###", "#..", "#.."],
    ' ': ["...", "...", "...", "...", "..."],
}


def word_mask(word, glyphs, scale, spacing):
    """Ink of a word as a set of (x, y) pixels, with its width and height."""
    ink = set()
    x0 = 0
    height = 0
    for ch in word:
        rows = glyphs[ch]
        width = max(len(r) for r in rows)
        for gy, row in enumerate(rows):
            for gx, c in enumerate(row):
                if c == '#':
                    for sy in range(scale):
                        for sx in range(scale):
                            ink.add((x0 + gx * scale + sx, gy * scale + sy))
        height = max(height, len(rows) * scale)
        x0 += (width + spacing) * scale
    return ink, x0 - spacing * scale, height


# ---------------------------------------------------------------------------
# Banner: 240 x 54, the product's name on a blue band.

BANNER_W, BANNER_H = 240, 54


def draw_emblem(pixels, cx, cy, outer, inner):
    """A gold ring with a tail, the program's "Q" mark, drawn with
    4 x 4 samples per pixel into an index picture."""
    for y in range(int(cy - outer - 8), int(cy + outer + 10)):
        for x in range(int(cx - outer - 8), int(cx + outer + 10)):
            if not (0 <= x < len(pixels[0]) and 0 <= y < len(pixels)):
                continue
            colour = emblem_sample(x, y, cx, cy, outer, inner)
            if colour is not None:
                pixels[y][x] = colour


def emblem_colour(px, py, cx, cy, outer, inner):
    """RGB of the emblem at a point, or None outside it."""
    dx, dy = px - cx, py - cy
    r2 = dx * dx + dy * dy
    in_ring = inner * inner <= r2 <= outer * outer
    # The tail: a thick stroke from inside the ring out to the lower right.
    tx0, ty0 = cx + inner * 0.35, cy + inner * 0.35
    tx1, ty1 = cx + outer * 0.85, cy + outer * 0.85
    vx, vy = tx1 - tx0, ty1 - ty0
    t = ((px - tx0) * vx + (py - ty0) * vy) / (vx * vx + vy * vy)
    t = min(max(t, 0.0), 1.0)
    qx, qy = tx0 + t * vx - px, ty0 + t * vy - py
    thickness = (outer - inner) * 0.5
    in_tail = qx * qx + qy * qy <= thickness * thickness
    if not (in_ring or in_tail):
        return None
    # Light from the upper left: bright gold there, deep gold below right.
    shade = ((dx + dy) / (2.0 * outer) + 1.0) / 2.0
    top = PALETTE[GOLD_LIGHT]
    mid = PALETTE[GOLD]
    low = PALETTE[GOLD_DARK]
    if shade < 0.5:
        a, b, s = top, mid, shade / 0.5
    else:
        a, b, s = mid, low, (shade - 0.5) / 0.5
    return tuple(a[i] + (b[i] - a[i]) * s for i in range(3))


def emblem_sample(x, y, cx, cy, outer, inner):
    """Palette index of the emblem over one pixel, or None where less than
    half of the pixel is covered."""
    hits = []
    for sy in range(4):
        for sx in range(4):
            c = emblem_colour(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4,
                              cx, cy, outer, inner)
            if c is not None:
                hits.append(c)
    if len(hits) < 8:
        return None
    avg = tuple(sum(c[i] for c in hits) / len(hits) for i in range(3))
    return nearest(avg)


def make_banner():
    px = [[0] * BANNER_W for _ in range(BANNER_H)]

    # Band: dark at the top and bottom edges, lighter across the middle.
    for y in range(BANNER_H):
        v = 1.0 - abs((y - 20.0) / 34.0)
        for x in range(BANNER_W):
            h = 0.55 + 0.45 * (x / (BANNER_W - 1.0))
            px[y][x] = ramp_index(BLUE_RAMP, v * h * 0.95, x, y)
    for x in range(BANNER_W):
        px[0][x] = LIGHT
        px[BANNER_H - 3][x] = GOLD_LIGHT
        px[BANNER_H - 2][x] = GOLD
        px[BANNER_H - 1][x] = GOLD_DARK

    # The mark on the left.
    draw_emblem(px, 26.0, 24.0, 17.0, 11.0)

    # The name: shadow, dark outline, then a fill from white to gold.
    ink, width, height = word_mask("Quarvel", GLYPHS, 3, 1)
    ox, oy = 54, 4
    for (x, y) in ink:
        for sx, sy in ((2, 2), (3, 3)):
            X, Y = ox + x + sx, oy + y + sy
            if 0 <= X < BANNER_W and 0 <= Y < BANNER_H - 3:
                px[Y][X] = NIGHT
    for (x, y) in ink:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                X, Y = ox + x + dx, oy + y + dy
                if 0 <= X < BANNER_W and 0 <= Y < BANNER_H - 3:
                    px[Y][X] = BLACK
    fill = [WHITE, WHITE, CREAM, GOLD_LIGHT, GOLD]
    for (x, y) in ink:
        t = y / 27.0
        px[oy + y][ox + x] = ramp_index(fill, t, x, y)

    # "SETUP" in small letters under the name, right-aligned with it.
    small, sw, sh = word_mask("SETUP", SMALL_GLYPHS, 1, 1)
    sx0, sy0 = ox + width - sw, oy + height + 4
    for (x, y) in small:
        px[sy0 + y][sx0 + x] = PALE
    return px


# ---------------------------------------------------------------------------
# Icon: the gold "Q" mark on a rounded blue tile.

def icon_colour(px, py, size):
    """Layer (0 tile, 1 mark) and RGB of the icon at a point of a
    size x size icon, or None where the icon is transparent."""
    s = size / 32.0
    # Rounded square tile with a darker rim.
    m, r = 0.5 * s, 6.0 * s
    lo, hi = m, size - m
    qx = min(max(px, lo + r), hi - r)
    qy = min(max(py, lo + r), hi - r)
    d = ((px - qx) ** 2 + (py - qy) ** 2) ** 0.5
    if px < lo or px > hi or py < lo or py > hi or d > r:
        return None
    gold = emblem_colour(px, py, 15.0 * s, 14.5 * s, 11.0 * s, 6.5 * s)
    if gold is not None:
        return 1, gold
    if r - d < 1.2 * max(s, 0.75):
        return 0, PALETTE[NIGHT]
    return 0, PALETTE[BLUE]


def make_icon(size):
    """Index picture and transparency of one icon image. Each pixel takes
    4 x 4 samples; it is transparent when most of them are, and otherwise
    shows the layer (mark or tile) that covers most of it, so that no edge
    blends the gold with the blue into a muddy colour."""
    px = [[0] * size for _ in range(size)]
    clear = [[True] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            hits = [[], []]
            for sy in range(4):
                for sx in range(4):
                    c = icon_colour(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4, size)
                    if c is not None:
                        hits[c[0]].append(c[1])
            if len(hits[0]) + len(hits[1]) < 8:
                continue
            layer = hits[1] if len(hits[1]) >= len(hits[0]) else hits[0]
            avg = tuple(sum(c[i] for c in layer) / len(layer) for i in range(3))
            px[y][x] = nearest(avg)
            if layer is hits[0] and px[y][x] != NIGHT:
                # The tile's face: a fall from bright to deep blue, dithered
                # on the large image; plain bands keep the small one calm.
                t = (y + 0.5) / size
                if size >= 32:
                    px[y][x] = ramp_index(TILE_RAMP, t, x, y)
                else:
                    px[y][x] = TILE_RAMP[min(int(t * len(TILE_RAMP)), len(TILE_RAMP) - 1)]
            clear[y][x] = False
    return px, clear


# ---------------------------------------------------------------------------
# File formats.

def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)


def pack_4bpp(pixels):
    """Rows bottom-up, two pixels a byte (high nibble first), each row padded
    to a multiple of four bytes."""
    width = len(pixels[0])
    stride = ((width * 4 + 31) // 32) * 4
    out = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, v in enumerate(row):
            line[x // 2] |= (v << 4) if x % 2 == 0 else v
        out += line
    return bytes(out)


def pack_mask(clear):
    width = len(clear[0])
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for row in reversed(clear):
        line = bytearray(stride)
        for x, c in enumerate(row):
            if c:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def info_header(width, height, image_size):
    # BITMAPINFOHEADER: 4 bits per pixel, BI_RGB, 16 palette entries.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0,
                       image_size, 2835, 2835, 16, 16)


def bmp_file(pixels):
    bits = pack_4bpp(pixels)
    info = info_header(len(pixels[0]), len(pixels), len(bits)) + palette_bytes()
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return header + info + bits


def ico_file(images):
    """images: list of (pixels, clear) pairs, largest first."""
    blobs = []
    for pixels, clear in images:
        size = len(pixels)
        xor = pack_4bpp(pixels)
        mask = pack_mask(clear)
        # In an icon the header's height covers both the colours and the mask.
        blobs.append((size, info_header(size, size * 2, len(xor) + len(mask))
                      + palette_bytes() + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for size, blob in blobs:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blob for _, blob in blobs)


def main(argv):
    folder = argv[1] if len(argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    files = {
        "banner.bmp": bmp_file(make_banner()),
        "quarvel.ico": ico_file([make_icon(32), make_icon(16)]),
        "quarvel_small.ico": ico_file([make_icon(16)]),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("wrote", os.path.join(folder, name), len(data), "bytes")


if __name__ == "__main__":
    main(sys.argv)
