#!/usr/bin/env python3
"""Writes the lighting page's colour spectrum: 448x64, every row alike, hue falling
linearly from 360 deg (red) at the left edge through magenta, blue, cyan, green and
yellow to 0 deg (red) at the right edge, full saturation and value. The two edge
columns carry alpha 238, the rest are opaque. Standard library only."""
import colorsys
import struct
import sys
import zlib

WIDTH, HEIGHT = 448, 64
EDGE_ALPHA = 238


def pixel(x):
    hue = 1.0 - x / (WIDTH - 1)  # 1.0 at the left edge, 0.0 at the right edge
    r, g, b = colorsys.hsv_to_rgb(hue % 1.0, 1.0, 1.0)
    a = EDGE_ALPHA if x in (0, WIDTH - 1) else 255
    return bytes((round(r * 255), round(g * 255), round(b * 255), a))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main(path):
    row = b"\x00" + b"".join(pixel(x) for x in range(WIDTH))
    raw = row * HEIGHT
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main(sys.argv[1])
