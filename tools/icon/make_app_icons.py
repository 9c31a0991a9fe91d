#!/usr/bin/env python3
"""Draws the program's menu icon, an SD card with a disc on it, as PNGs of the
hicolor theme: OUTDIR/<n>x<n>/apps/vellumark.png for each usual size.

The picture is a set of shapes in a unit square, sampled 4 x 4 times per
pixel so every size is drawn sharp and not scaled from another.
Usage: make_app_icons.py OUTDIR
"""
import os
import struct
import sys
import zlib

SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def in_round_rect(x, y, x0, y0, x1, y1, r):
    if not (x0 <= x <= x1 and y0 <= y <= y1):
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_card(x, y):
    # An SD card: a rounded body with its top-right corner cut off.
    if not in_round_rect(x, y, 0.16, 0.06, 0.84, 0.94, 0.06):
        return False
    return x - 0.62 <= y - 0.06 + 0.0 or x < 0.62


def colour_at(x, y):
    """The RGBA colour of the point (x, y) of the unit square, or None."""
    if not in_card(x, y):
        return None
    if 0.26 <= x <= 0.70 and 0.10 <= y <= 0.24 and int((x - 0.26) / 0.075) % 2 == 0:
        return (250, 205, 70, 255)          # the contacts
    d2 = (x - 0.50) ** 2 + (y - 0.60) ** 2
    if d2 <= 0.004:
        return (40, 50, 70, 255)            # the disc's hole
    if d2 <= 0.012:
        return (225, 230, 240, 255)         # the hub
    if d2 <= 0.075:
        return (120, 170, 230, 255) if x + y < 1.05 else (200, 120, 220, 255)
    return (45, 60, 90, 255)                # the card's body


def render(n):
    rows = []
    sub = 4
    for py in range(n):
        row = bytearray([0])
        for px in range(n):
            acc = [0, 0, 0, 0]
            for sy in range(sub):
                for sx in range(sub):
                    c = colour_at((px + (sx + 0.5) / sub) / n, (py + (sy + 0.5) / sub) / n)
                    if c:
                        for i in range(3):
                            acc[i] += c[i] * c[3]
                        acc[3] += c[3]
            a = acc[3]
            if a:
                row += bytes([acc[0] // a, acc[1] // a, acc[2] // a, a // (sub * sub)])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return png(n, n, b"".join(rows))


def png(w, h, raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    out = sys.argv[1]
    for n in SIZES:
        folder = os.path.join(out, f"{n}x{n}", "apps")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "vellumark.png"), "wb") as f:
            f.write(render(n))


if __name__ == "__main__":
    main()
