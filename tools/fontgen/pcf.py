"""Minimal reader for X11 PCF bitmap fonts (optionally gzip-compressed).

Only what a fixed-cell font needs: metrics, bitmaps, encodings and the font
ascent. Glyphs come back as lists of rows, each row a list of 0/1 pixels,
laid into the font's cell (cell height = ascent + descent) on its baseline.
"""

import gzip
import struct

PCF_PROPERTIES = 1 << 0
PCF_ACCELERATORS = 1 << 1
PCF_METRICS = 1 << 2
PCF_BITMAPS = 1 << 3
PCF_BDF_ENCODINGS = 1 << 5
PCF_BDF_ACCELERATORS = 1 << 8

PCF_COMPRESSED_METRICS = 0x100
PCF_BYTE_MSB = 1 << 2
PCF_BIT_MSB = 1 << 3


class PcfError(Exception):
    pass


class _Table:
    def __init__(self, data, offset):
        (self.format,) = struct.unpack_from("<I", data, offset)
        self.data = data
        self.pos = offset + 4
        self.order = ">" if self.format & PCF_BYTE_MSB else "<"

    def read(self, fmt):
        values = struct.unpack_from(self.order + fmt, self.data, self.pos)
        self.pos += struct.calcsize(self.order + fmt)
        return values if len(values) > 1 else values[0]


class PcfFont:
    def __init__(self, path):
        opener = gzip.open if path.endswith(".gz") else open
        with opener(path, "rb") as f:
            data = f.read()
        if data[:4] != b"\x01fcp":
            raise PcfError(f"{path}: not a PCF font (magic {data[:4]!r})")
        (count,) = struct.unpack_from("<I", data, 4)
        tables = {}
        for i in range(count):
            kind, _fmt, _size, offset = struct.unpack_from("<IIII", data, 8 + 16 * i)
            tables[kind] = offset
        for needed in (PCF_METRICS, PCF_BITMAPS, PCF_BDF_ENCODINGS):
            if needed not in tables:
                raise PcfError(f"{path}: table {needed:#x} missing")
        accel = tables.get(PCF_BDF_ACCELERATORS, tables.get(PCF_ACCELERATORS))
        if accel is None:
            raise PcfError(f"{path}: no accelerator table")
        self.path = path
        self._read_accelerators(data, accel)
        self._read_metrics(data, tables[PCF_METRICS])
        self._read_bitmaps(data, tables[PCF_BITMAPS])
        self._read_encodings(data, tables[PCF_BDF_ENCODINGS])

    def _read_accelerators(self, data, offset):
        t = _Table(data, offset)
        t.read("8B")
        self.ascent = t.read("i")
        self.descent = t.read("i")

    def _read_metrics(self, data, offset):
        t = _Table(data, offset)
        self.metrics = []
        if t.format & PCF_COMPRESSED_METRICS:
            n = t.read("H")
            for _ in range(n):
                lb, rb, w, asc, desc = (v - 0x80 for v in t.read("5B"))
                self.metrics.append((lb, rb, w, asc, desc))
        else:
            n = t.read("I")
            for _ in range(n):
                lb, rb, w, asc, desc, _attr = t.read("5hH")
                self.metrics.append((lb, rb, w, asc, desc))

    def _read_bitmaps(self, data, offset):
        t = _Table(data, offset)
        n = t.read("I")
        offsets = [t.read("I") for _ in range(n)]
        sizes = [t.read("I") for _ in range(4)]
        fmt = t.format
        self.row_pad = 1 << (fmt & 3)
        self.scan_unit = 1 << ((fmt >> 4) & 3)
        blob = data[t.pos:t.pos + sizes[fmt & 3]]
        if (fmt & PCF_BYTE_MSB) != (fmt & PCF_BIT_MSB) and self.scan_unit > 1:
            swapped = bytearray(blob)
            u = self.scan_unit
            for i in range(0, len(swapped) - u + 1, u):
                swapped[i:i + u] = swapped[i:i + u][::-1]
            blob = bytes(swapped)
        self.bit_msb = bool(fmt & PCF_BIT_MSB)
        self.bitmap_offsets = offsets
        self.bitmap_data = blob

    def _read_encodings(self, data, offset):
        t = _Table(data, offset)
        self.min2, self.max2, self.min1, self.max1, self.default_char = t.read("5h")
        n = (self.max2 - self.min2 + 1) * (self.max1 - self.min1 + 1)
        self.encoding = [t.read("H") for _ in range(n)]

    def glyph_index(self, code):
        b1, b2 = code >> 8, code & 0xFF
        if not (self.min1 <= b1 <= self.max1 and self.min2 <= b2 <= self.max2):
            return None
        index = self.encoding[(b1 - self.min1) * (self.max2 - self.min2 + 1) + b2 - self.min2]
        return None if index == 0xFFFF else index

    def cell(self, code):
        """Rows (ascent + descent) of the glyph for code on its baseline, or None."""
        index = self.glyph_index(code)
        if index is None:
            return None
        lb, rb, width, asc, desc = self.metrics[index]
        rows = [[0] * width for _ in range(self.ascent + self.descent)]
        glyph_width = rb - lb
        stride = (glyph_width + 7) // 8
        stride = (stride + self.row_pad - 1) // self.row_pad * self.row_pad
        base = self.bitmap_offsets[index]
        for gy in range(asc + desc):
            y = self.ascent - asc + gy
            if not 0 <= y < len(rows):
                continue
            for gx in range(glyph_width):
                byte = self.bitmap_data[base + gy * stride + gx // 8]
                bit = 7 - gx % 8 if self.bit_msb else gx % 8
                x = lb + gx
                if byte >> bit & 1 and 0 <= x < width:
                    rows[y][x] = 1
        return rows
