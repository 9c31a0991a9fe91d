#!/usr/bin/env python3
"""Writes the starting corpus of card_open_fuzz: small cards in the input
format of card_open_fuzz.cpp (sector 0, then sector-number + sector records)."""
import os
import struct

CARD = 1 << 20
B0 = 4097
here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def mbr(p1_size=CARD - B0, type0=0x01):
    s = bytearray(512)
    s[0x1BE:0x1C6] = bytes([0x01, 0xFE, 0xFF, 0xFF, type0, 0xFE, 0xFF, 0xFF])
    s[0x1C6:0x1CE] = struct.pack("<II", 1, 4096)
    s[0x1CE:0x1D6] = bytes([0xDA, 0xFE, 0xFF, 0xFF, 0xDA, 0xFE, 0xFF, 0xFF])
    s[0x1D6:0x1DE] = struct.pack("<II", B0, p1_size)
    s[510:512] = b"\x55\xaa"
    return bytes(s)


def header(version, records, next_block, max_=12):
    h = bytearray(1024)
    h[0:16] = b"VMK" + bytes([version]) + struct.pack("<III", len(records), max_, next_block)
    for i, (off, length, flags) in enumerate(records):
        h[64 + 8 * i:72 + 8 * i] = struct.pack("<I", off) + struct.pack("<I", length)[:3] + bytes([flags])
    return bytes(h)


def sector(data):
    return bytes(data) + bytes(512 - len(data))


def block(s, discs, linked, version=3):
    """discs: (length, flags, name); returns (sectors, end)."""
    records, out, off = [], [], 2
    for length, flags, name in discs:
        records.append((off, length, flags))
        if flags & 0x80:
            out.append((s + off, sector(b"\x04\x20")))
            out.append((s + off + 1, sector(name)))
        else:
            out.append((s + off + 3, sector(name)))
        off += length
    end = s + off
    settings = bytes(range(100)) + b"".join(struct.pack("<I", 0x11) for _ in range(100))
    out.append((s + 7, sector(settings)))
    h = header(version, records, end if linked else 0)
    out.append((s, h[:512]))
    out.append((s + 1, h[512:]))
    return out, end


def write(name, sector0, sectors):
    with open(os.path.join(here, name), "wb") as f:
        f.write(sector0)
        for n, data in sectors:
            f.write(struct.pack("<I", n) + data)


os.makedirs(here, exist_ok=True)
write("formatted-empty-block", mbr(), [(B0, header(3, [], 0)[:512])])
b0, end0 = block(B0, [(1300, 0, b"IMAGE INDEX for 0-xx"), (800, 0, b"Disc"), (2, 0x80, b"Rom")], True)
b1, _ = block(end0, [(1300, 0, b"IMAGE INDEX for 1-xx"), (900, 1, b"Second")], False, version=4)
write("two-blocks-cd-and-rom", mbr(), b0 + b1)
bad, _ = block(B0, [(1300, 0, b"index"), (0xFFFFFF, 0, b"huge")], False)
write("record-past-partition-one", mbr(), bad)
loop, _ = block(B0, [(1300, 0, b"index")], False)
loop[-2] = (B0, header(3, [(2, 1300, 0)], B0)[:512])
write("link-to-itself", mbr(), loop)
