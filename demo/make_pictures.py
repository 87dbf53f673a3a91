#!/usr/bin/env python3
"""Draws the pictures of the sample news site (demo/site) as GIF and PNG files.

Run once; its output is committed. Plain standard library, no imaging package: the GIF
writer below is a small LZW encoder, the PNG writer uses zlib. A fixed pseudo-random
sequence gives the photos some grain, so the files differ in size the way real pictures
do: a spacer of a few dozen bytes, an icon of a few hundred, photos of several kilobytes.

    python3 demo/make_pictures.py demo/site
"""

import struct
import sys
import zlib
from pathlib import Path


class Grain:
    """A linear congruential sequence: the same pictures on every run and every machine."""

    def __init__(self, seed):
        self.state = seed

    def next(self, n):
        self.state = (self.state * 1103515245 + 12345) & 0x7FFFFFFF
        return (self.state >> 16) % n


class Canvas:
    def __init__(self, width, height, colour=0):
        self.width = width
        self.height = height
        self.pixels = [[colour] * width for _ in range(height)]

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y][x] = colour

    def triangle_up(self, cx, top, half, height, colour):
        for dy in range(height):
            w = half * dy // max(1, height - 1)
            self.rect(cx - w, top + dy, cx + w + 1, top + dy + 1, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(cy - r, cy + r + 1):
            for x in range(cx - r, cx + r + 1):
                if (x - cx) ** 2 + (y - cy) ** 2 <= r * r and 0 <= x < self.width and 0 <= y < self.height:
                    self.pixels[y][x] = colour

    def grain(self, grain, colours, rate):
        """Swaps some pixels for a neighbouring shade, as a scanned photo would have."""
        for row in self.pixels:
            for x, c in enumerate(row):
                if c in colours and grain.next(rate) == 0:
                    row[x] = colours[c]


def lzw(indices, min_code_size):
    clear = 1 << min_code_size
    end = clear + 1
    table = {}
    next_code = end + 1
    code_size = min_code_size + 1
    out_bits = []  # (code, size)

    def reset():
        nonlocal table, next_code, code_size
        table = {(i,): i for i in range(clear)}
        next_code = end + 1
        code_size = min_code_size + 1

    reset()
    out_bits.append((clear, code_size))
    prefix = ()
    for index in indices:
        candidate = prefix + (index,)
        if candidate in table:
            prefix = candidate
            continue
        out_bits.append((table[prefix], code_size))
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << code_size) and code_size < 12:
                code_size += 1
        else:
            out_bits.append((clear, code_size))
            reset()
        prefix = (index,)
    if prefix:
        out_bits.append((table[prefix], code_size))
    out_bits.append((end, code_size))

    data = bytearray()
    acc = 0
    nbits = 0
    for code, size in out_bits:
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            data.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
    if nbits:
        data.append(acc & 0xFF)
    return bytes(data)


def gif(canvas, palette, transparent=None):
    depth = 1
    while (1 << depth) < len(palette):
        depth += 1
    size = 1 << depth
    colours = list(palette) + [(0, 0, 0)] * (size - len(palette))
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", canvas.width, canvas.height, 0x80 | ((depth - 1) << 4) | (depth - 1), 0, 0)
    for r, g, b in colours:
        out += bytes((r, g, b))
    if transparent is not None:
        out += bytes((0x21, 0xF9, 4, 1, 0, 0, transparent, 0))
    out += b"\x2C" + struct.pack("<HHHHB", 0, 0, canvas.width, canvas.height, 0)
    min_code_size = max(2, depth)
    data = lzw([c for row in canvas.pixels for c in row], min_code_size)
    out += bytes((min_code_size,))
    for i in range(0, len(data), 255):
        chunk = data[i : i + 255]
        out += bytes((len(chunk),)) + chunk
    out += b"\x00\x3B"
    return bytes(out)


def png(canvas, palette):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = bytearray()
    for row in canvas.pixels:
        raw.append(0)
        for c in row:
            raw += bytes(palette[c])
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")


def spacer():
    return gif(Canvas(1, 1), [(255, 255, 255), (0, 0, 0)], transparent=0)


def icon_new(grain):
    # A red badge with "NEW" in 3x5 pixel letters and a shaded border, as old news sites put
    # beside a fresh headline: a few hundred bytes, between the spacer and the photos.
    c = Canvas(56, 20, 0)
    c.rect(0, 0, 56, 20, 4)
    c.rect(1, 1, 55, 19, 1)
    for y in range(1, 19):
        for x in range(1, 55):
            if (x + y) % 5 == 0 or grain.next(3) == 0:
                c.pixels[y][x] = 5
    letters = {
        "N": ["1001", "1101", "1011", "1001", "1001"],
        "E": ["111", "100", "110", "100", "111"],
        "W": ["10001", "10001", "10101", "10101", "01010"],
    }
    x = 17
    for ch in "NEW":
        rows = letters[ch]
        for dy, bits in enumerate(rows):
            for dx, bit in enumerate(bits):
                if bit == "1":
                    c.rect(x + dx, 7 + dy, x + dx + 1, 8 + dy, 2)
        x += len(rows[0]) + 2
    return gif(c, [(255, 255, 255), (204, 0, 0), (255, 255, 255), (255, 204, 0), (120, 0, 0), (225, 30, 30)])


def logo():
    c = Canvas(200, 40, 0)
    for y in range(40):
        for x in range(200):
            if y > 26 and (x + 3 * (y % 4)) % 12 < 6:
                c.pixels[y][x] = 1
    c.rect(10, 8, 30, 24, 2)
    c.rect(34, 8, 54, 24, 2)
    c.rect(58, 8, 78, 24, 2)
    c.rect(14, 12, 26, 20, 0)
    c.rect(38, 12, 50, 20, 0)
    c.rect(62, 12, 74, 20, 0)
    return gif(c, [(0, 51, 102), (51, 102, 153), (255, 255, 255), (0, 0, 0)])


def market(grain):
    # Morning market on the quay: sky, sea, three tents, a crowd.
    c = Canvas(160, 120, 0)
    c.rect(0, 60, 160, 120, 1)
    c.rect(0, 80, 160, 120, 2)
    for i, colour in enumerate((3, 4, 5)):
        x = 20 + i * 50
        c.triangle_up(x, 40, 20, 20, colour)
        c.rect(x - 18, 60, x + 19, 82, 6)
    for i in range(24):
        c.disc(8 + i * 6 + grain.next(4), 92 + grain.next(6), 2, 7)
    c.disc(140, 16, 9, 8)
    c.grain(grain, {0: 9, 1: 10, 2: 11, 6: 12}, 3)
    palette = [(150, 200, 240), (40, 90, 160), (170, 160, 140), (200, 40, 40), (40, 150, 60),
               (230, 180, 30), (240, 240, 230), (60, 50, 40), (255, 230, 120), (140, 190, 235),
               (50, 100, 170), (160, 150, 130), (225, 225, 215)]
    return png(c, palette)


def library(grain):
    c = Canvas(120, 90, 0)
    for shelf in range(4):
        y = 8 + shelf * 20
        c.rect(4, y + 16, 116, y + 19, 1)
        x = 6
        while x < 112:
            w = 3 + grain.next(4)
            c.rect(x, y + 2 + grain.next(5), x + w, y + 16, 2 + grain.next(5))
            x += w + 1
    c.grain(grain, {0: 7}, 5)
    return gif(c, [(230, 220, 200), (120, 80, 40), (160, 30, 30), (30, 60, 140), (40, 120, 60),
                   (200, 170, 60), (90, 90, 90), (220, 210, 190)])


def park_trees(grain):
    c = Canvas(120, 90, 0)
    c.rect(0, 60, 120, 90, 1)
    for i, x in enumerate((20, 60, 100)):
        c.rect(x - 3, 45, x + 4, 70, 2)
        c.disc(x, 35, 16, 3 + i % 2)
        c.disc(x - 8, 42, 9, 4 - i % 2)
    c.grain(grain, {3: 5, 4: 6, 1: 7}, 3)
    return gif(c, [(180, 210, 240), (110, 160, 80), (100, 70, 40), (210, 120, 30), (200, 60, 30),
                   (230, 160, 40), (170, 50, 20), (90, 140, 60)])


def park_pond(grain):
    c = Canvas(160, 100, 0)
    c.rect(0, 40, 160, 100, 1)
    for y in range(55, 90):
        half = int(60 * (1 - ((y - 72) / 18) ** 2) ** 0.5)
        c.rect(80 - half, y, 80 + half, y + 1, 2)
    c.disc(60, 70, 3, 3)
    c.disc(95, 78, 3, 3)
    c.grain(grain, {0: 4, 1: 5, 2: 6}, 2)
    return png(c, [(200, 220, 245), (120, 170, 90), (60, 110, 170), (250, 250, 250),
                   (190, 212, 240), (105, 155, 80), (75, 125, 185)])


def graph(grain):
    c = Canvas(200, 120, 0)
    c.rect(20, 10, 21, 110, 1)
    c.rect(20, 109, 195, 110, 1)
    for y in range(30, 110, 20):
        c.rect(21, y, 195, y + 1, 2)
    heights = (40, 52, 47, 61, 70, 78)
    for i, h in enumerate(heights):
        x = 30 + i * 27
        c.rect(x, 109 - h, x + 18, 109, 3 if i < 5 else 4)
    c.grain(grain, {3: 5, 4: 6}, 4)
    return png(c, [(255, 255, 255), (0, 0, 0), (210, 210, 210), (70, 110, 180), (220, 80, 50),
                   (80, 120, 190), (230, 95, 65)])


def goal(grain):
    c = Canvas(100, 60, 0)
    c.rect(0, 40, 100, 60, 1)
    c.rect(20, 10, 23, 45, 2)
    c.rect(77, 10, 80, 45, 2)
    c.rect(20, 10, 80, 13, 2)
    for x in range(24, 77, 4):
        c.rect(x, 13, x + 1, 42, 3)
    for y in range(16, 42, 4):
        c.rect(23, y, 77, y + 1, 3)
    c.disc(60, 48, 4, 2)
    c.grain(grain, {1: 4, 0: 5}, 3)
    return gif(c, [(150, 200, 240), (60, 150, 60), (255, 255, 255), (200, 200, 200), (70, 160, 70),
                   (140, 190, 230)])


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_pictures.py SITE_FOLDER")
    site = Path(sys.argv[1])
    grain = Grain(20241105)
    pictures = {
        "local/img/spacer.gif": spacer(),
        "local/img/icon_new.gif": icon_new(grain),
        "local/img/logo.gif": logo(),
        "local/img/asaichi.png": market(grain),
        "local/img/library.gif": library(grain),
        "local/photo/park1.gif": park_trees(grain),
        "local/photo/park2.png": park_pond(grain),
        "economy/img/graph.png": graph(grain),
        "sports/img/goal.gif": goal(grain),
    }
    for name, data in pictures.items():
        path = site / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(data)
        print(f"{len(data):6d}  {name}")


if __name__ == "__main__":
    main()
