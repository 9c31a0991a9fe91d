#!/usr/bin/env python3
"""Writes the deterministic inputs of the card script into a folder: two
HuCard ROMs, a CD image set (disc.img, disc.sub, disc.ccd with a data and an
audio track, and disc.cue, a cue sheet of the same sectors) and a backup RAM
file.

    make_inputs.py FOLDER
    make_inputs.py FOLDER --disc NAME DATA_SECTORS AUDIO_SECTORS   one CD image set only
"""
import random
import sys


def crc16(data):
    crc = 0
    for b in data:
        crc ^= b << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) if crc & 0x8000 else crc << 1
            crc &= 0xFFFF
    return ~crc & 0xFFFF


def bcd(v):
    return (v // 10) << 4 | v % 10


def msf(frames):
    return [bcd(frames // 4500), bcd(frames // 75 % 60), bcd(frames % 75)]


def q_position(control, track, relative, absolute):
    q = [control | 1, bcd(track), 1] + msf(relative) + [0] + msf(absolute)
    crc = crc16(bytes(q))
    return bytes(q + [crc >> 8, crc & 0xFF])


def entry(i, point, control, pmin, psec, pframe):
    return (f"[Entry {i}]\nSession=1\nPoint=0x{point:02x}\nADR=0x01\nControl=0x{control:02x}\n"
            f"TrackNo=0\nAMin=0\nASec=0\nAFrame=0\nALBA=-150\nZero=0\nPMin={pmin}\n"
            f"PSec={psec}\nPFrame={pframe}\nPLBA=0\n")


def make_cd(prefix, data_sectors, audio_sectors):
    img, sub = bytearray(), bytearray()
    tracks = [(0x40, 1, 150, data_sectors, 1), (0x00, 2, 150 + data_sectors, audio_sectors, 0x81)]
    for control, track, start, count, fill in tracks:
        for i in range(count):
            img += bytes([(fill + i) & 0xFF]) * 2352
            sub += bytes(12) + q_position(control, track, i, start + i) + bytes(72)
    end = 150 + data_sectors + audio_sectors
    mid = 150 + data_sectors
    toc = [(0xA0, 4, 1, 0, 0), (0xA1, 0, 2, 0, 0), (0xA2, 0, end // 4500, end // 75 % 60, end % 75),
           (1, 4, 0, 2, 0), (2, 0, mid // 4500, mid // 75 % 60, mid % 75)]
    text = "[CloneCD]\nVersion=3\n[Disc]\nTocEntries=5\nSessions=1\n"
    text += "".join(entry(i, *e) for i, e in enumerate(toc))
    with open(prefix + ".img", "wb") as f:
        f.write(img)
    with open(prefix + ".sub", "wb") as f:
        f.write(sub)
    with open(prefix + ".ccd", "w") as f:
        f.write(text)
    name = prefix.rsplit("/", 1)[-1]
    with open(prefix + ".cue", "w") as f:
        f.write(f'FILE "{name}.img" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n'
                f"  TRACK 02 AUDIO\n    INDEX 01 {data_sectors // 4500:02d}:{data_sectors // 75 % 60:02d}:"
                f"{data_sectors % 75:02d}\n")


def write_random(name, size, seed):
    r = random.Random(seed)
    with open(name, "wb") as f:
        f.write(bytes(r.getrandbits(8) for _ in range(size)))


def main():
    out = sys.argv[1]
    if len(sys.argv) == 6 and sys.argv[2] == "--disc":
        make_cd(out + "/" + sys.argv[3], int(sys.argv[4]), int(sys.argv[5]))
        return
    write_random(out + "/first.pce", 0x40000, 1)
    write_random(out + "/second.pce", 0x60000, 2)
    make_cd(out + "/disc", 300, 200)
    write_random(out + "/save.sav", 2048, 3)


main()
