#!/usr/bin/env python3
"""Draws icon.bin: the card pages' pictures as one 96 x 112 RGBA PNG.

Cells of 16 x 16 (column, row); the window cuts 13 x 12 from a cell's corner:
  CD kinds:     (4,2) unswappable, (4,0) generic, (4,1) audio, (5,0) CD-ROM2,
                (5,1) Super CD-ROM2, (5,2) Arcade Card, (5,3) ETC
  HuCard kinds: (0,2) ROM+RAM, (0,1) generic ROM, (0,3) ROM + save
  (0,5) "icon unchanged"
The strip below row 96 holds eight 8 x 8 setting pictures, left to right in
the window's row order. Usage: make_icon_bin.py OUTPUT
"""
import struct
import sys
import zlib

W, H = 96, 112
px = [[(0, 0, 0, 0)] * W for _ in range(H)]


def put(x, y, c):
    if 0 <= x < W and 0 <= y < H:
        px[y][x] = c + (255,) if len(c) == 3 else c


def rect(x0, y0, w, h, c):
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            put(x, y, c)


def disc(col, row, ring, mark=None):
    ox, oy = col * 16, row * 16
    cx, cy = ox + 6, oy + 6
    for y in range(oy, oy + 12):
        for x in range(ox, ox + 13):
            d2 = (x - cx) ** 2 + (y - cy) ** 2
            if d2 <= 2:
                continue
            if d2 <= 30:
                put(x, y, ring if d2 > 6 else (230, 230, 230))
    if mark:
        mark(ox, oy)


def card(col, row, body, stripe):
    ox, oy = col * 16, row * 16
    rect(ox + 1, oy + 1, 11, 10, body)
    rect(ox + 1, oy + 8, 11, 3, stripe)
    rect(ox + 3, oy + 3, 2, 4, (250, 210, 60))


DARK = (40, 40, 40)

# CD kinds
disc(4, 0, (150, 170, 200))                                   # generic
disc(4, 1, (90, 180, 120), lambda x, y: rect(x + 9, y + 1, 2, 6, DARK))   # audio: a note stem
disc(4, 2, (200, 90, 80), lambda x, y: rect(x, y + 10, 13, 2, DARK))      # unswappable: a bar
disc(5, 0, (220, 170, 60))                                    # CD-ROM2
disc(5, 1, (230, 120, 40), lambda x, y: rect(x + 5, y + 5, 3, 3, (250, 250, 120)))  # Super
disc(5, 2, (170, 90, 200), lambda x, y: rect(x + 8, y + 7, 5, 4, (60, 60, 160)))    # Arcade Card
disc(5, 3, (120, 120, 120))                                   # ETC
# HuCard kinds
card(0, 1, (70, 110, 200), (40, 60, 120))    # generic ROM
card(0, 2, (200, 70, 70), (120, 40, 40))     # ROM+RAM
card(0, 3, (70, 170, 90), (40, 100, 50))     # ROM + save
# icon unchanged: an equals sign
rect(0 * 16 + 2, 5 * 16 + 3, 9, 2, (120, 120, 120))
rect(0 * 16 + 2, 5 * 16 + 7, 9, 2, (120, 120, 120))

# Setting pictures, window order: backup RAM, aspect, scanlines, side area,
# VSync, cropping, system card, CD speed.
settings = [
    lambda x, y: (rect(x + 1, y + 1, 6, 6, (220, 180, 40)), rect(x + 2, y + 2, 4, 2, DARK)),
    lambda x, y: rect(x, y + 2, 8, 4, (90, 140, 220)),
    lambda x, y: [rect(x, y + r, 8, 1, (60, 60, 60)) for r in (1, 3, 5, 7)],
    lambda x, y: (rect(x, y, 2, 8, (60, 60, 60)), rect(x + 6, y, 2, 8, (60, 60, 60))),
    lambda x, y: [put(x + i, y + (3 if i % 4 < 2 else 5), (200, 60, 60)) for i in range(8)],
    lambda x, y: (rect(x, y, 8, 1, DARK), rect(x, y + 7, 8, 1, DARK), rect(x + 2, y + 2, 4, 4, (90, 180, 120))),
    lambda x, y: (rect(x + 1, y + 1, 6, 6, (70, 110, 200)), rect(x + 2, y + 5, 4, 1, (250, 210, 60))),
    lambda x, y: [rect(x + i, y + 3 - i // 2, 2, 2 + i, (230, 120, 40)) for i in (0, 3, 6)],
]
for i, draw in enumerate(settings):
    draw(i * 8, 96)


def png(rows):
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


with open(sys.argv[1], "wb") as out:
    out.write(png(px))
