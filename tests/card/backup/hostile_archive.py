#!/usr/bin/env python3
"""Makes a damaged or hostile variant of a backup archive.

usage: hostile_archive.py VALID.tar.zst CASE OUT.tar.zst
"""
import io
import json
import subprocess
import sys
import tarfile


def members(valid):
    raw = subprocess.run(["zstd", "-dc", valid], check=True, capture_output=True).stdout
    with tarfile.open(fileobj=io.BytesIO(raw)) as tar:
        return [(m, tar.extractfile(m).read()) for m in tar.getmembers()]


def plain(name, data):
    info = tarfile.TarInfo(name)
    info.size = len(data)
    return info, data


def special(name, kind, target=""):
    info = tarfile.TarInfo(name)
    info.type = kind
    info.linkname = target
    return info, b""


def with_manifest(items, change):
    out = []
    for info, data in items:
        if info.name == "manifest.json":
            manifest = json.loads(data)
            text = change(manifest)
            data = text.encode() if isinstance(text, str) else json.dumps(manifest).encode()
            info = tarfile.TarInfo("manifest.json")
            info.size = len(data)
        out.append((info, data))
    return out


def first_image(manifest, kind):
    return next(g for g in manifest["images"] if g["kind"] == kind)


def grow_disc(manifest):
    first_image(manifest, "cd")["sectors"] += 1


def flip_byte(items):
    out = []
    for info, data in items:
        if info.name.endswith(".img"):
            data = bytearray(data)
            data[len(data) // 2] ^= 0x01
            data = bytes(data)
        out.append((info, data))
    return out


def main():
    valid, case, out = sys.argv[1:4]
    blob = open(valid, "rb").read()
    if case == "corrupt_frame":
        middle = len(blob) // 2
        blob = blob[:middle] + bytes(b ^ 0xA5 for b in blob[middle:middle + 64]) + blob[middle + 64:]
        open(out, "wb").write(blob)
        return
    if case == "truncated":
        open(out, "wb").write(blob[: len(blob) * 2 // 3])
        return
    items = members(valid)
    first = items[0]
    cases = {
        "sha1": lambda: flip_byte(items),
        "version": lambda: with_manifest(items, lambda m: m.update(version=2)),
        "malformed": lambda: with_manifest(items, lambda m: '{"format":"card backup","version":1,'),
        "inconsistent": lambda: with_manifest(items, grow_disc),
        "missing": lambda: [i for i in items if not i[0].name.endswith(".sub")],
        "extra": lambda: items + [plain("images/extra.bin", b"x")],
        "dotdot": lambda: [plain("../escape.txt", b"x")] + items,
        "inner_dotdot": lambda: [plain("images/../../escape.txt", b"x")] + items,
        "absolute": lambda: [plain("/tmp/escape.txt", b"x")] + items,
        "symlink": lambda: [special("images/link", tarfile.SYMTYPE, "/etc/passwd")] + items,
        "hardlink": lambda: items + [special("images/hard", tarfile.LNKTYPE, first[0].name)],
        "device": lambda: [special("images/null", tarfile.CHRTYPE)] + items,
        "twice": lambda: items[:1] + items,
        "no_manifest": lambda: [i for i in items if i[0].name != "manifest.json"],
    }
    buffer = io.BytesIO()
    with tarfile.open(fileobj=buffer, mode="w", format=tarfile.PAX_FORMAT) as tar:
        for info, data in cases[case]():
            tar.addfile(info, io.BytesIO(data) if info.isreg() else None)
    packed = subprocess.run(["zstd", "-3", "-c"], input=buffer.getvalue(), check=True,
                            capture_output=True).stdout
    open(out, "wb").write(packed)


main()
