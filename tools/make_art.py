#!/usr/bin/env python3
"""Draws Lumova's own artwork: the preview picture and the icon.

The outputs are committed (res/preview.bmp, res/lumova.ico); run this again
only to change them. Standard library only.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.join(HERE, "..", "res")


def scene(w, h, x, y):
    """A small landscape in a frame: dusk sky, sun, two hills, a lake."""
    u, v = x / (w - 1), y / (h - 1)
    # Sky: deep blue at the top to warm orange at the horizon.
    top, horizon = (24, 38, 92), (250, 168, 92)
    t = min(1.0, v / 0.62)
    r, g, b = (int(top[i] + (horizon[i] - top[i]) * t) for i in range(3))
    # Sun.
    sx, sy, sr = 0.66, 0.50, 0.13
    d = math.hypot((u - sx) * w / h, v - sy)
    if d < sr:
        r, g, b = 255, 236, 170
    elif d < sr + 0.06:
        k = 1 - (d - sr) / 0.06
        r, g, b = (int(c + (255 - c) * 0.5 * k) for c in (r, g, b))
    # Hills.
    hill1 = 0.60 + 0.08 * math.sin(u * 5.0 + 0.6)
    hill2 = 0.68 + 0.05 * math.sin(u * 9.0 + 2.0)
    if v > hill1:
        r, g, b = 54, 70, 110
    if v > hill2:
        r, g, b = 30, 44, 70
    # Lake with the sun's reflection.
    if v > 0.80:
        r, g, b = 40, 70, 120
        if abs(u - sx) < 0.05 * (1.2 - (v - 0.8) * 2) and int(y) % 3 != 0:
            r, g, b = 240, 200, 130
    return r, g, b


def framed(w, h, x, y):
    if x < 3 or y < 3 or x >= w - 3 or y >= h - 3:
        return (235, 235, 228) if (x in (1,) or y in (1,) or x == w - 2 or y == h - 2) else (120, 104, 82)
    return scene(w - 6, h - 6, x - 3, y - 3)


def write_bmp24(path, w, h, pixel):
    row = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):  # bottom-up
        line = bytearray()
        for x in range(w):
            r, g, b = pixel(w, h, x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def icon_pixel(size, x, y):
    """A rounded picture frame holding the little landscape."""
    radius = size * 0.18
    cx = min(max(x + 0.5, radius), size - radius)
    cy = min(max(y + 0.5, radius), size - radius)
    if math.hypot(x + 0.5 - cx, y + 0.5 - cy) > radius:
        return (0, 0, 0, 0)
    border = max(1, size // 12)
    if x < border or y < border or x >= size - border or y >= size - border:
        return (70, 58, 44, 255)
    r, g, b = scene(size - 2 * border, size - 2 * border, x - border, y - border)
    return (r, g, b, 255)


def write_ico(path, sizes):
    images = []
    for s in sizes:
        xor = bytearray()
        for y in range(s - 1, -1, -1):
            for x in range(s):
                r, g, b, a = icon_pixel(s, x, y)
                xor += bytes((b, g, r, a))
        mask_row = ((s + 31) // 32) * 4
        and_mask = bytearray()
        for y in range(s - 1, -1, -1):
            bits = bytearray(mask_row)
            for x in range(s):
                if icon_pixel(s, x, y)[3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            and_mask += bits
        info = struct.pack("<IiiHHIIiiII", 40, s, s * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
        images.append((s, info + xor + and_mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, blob in images:
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for _, blob in images:
        out += blob
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    write_bmp24(os.path.join(RES, "preview.bmp"), 151, 119, framed)
    write_ico(os.path.join(RES, "lumova.ico"), [16, 24, 32, 48])
