#!/usr/bin/env python3
"""Draws the map's moving marker (resource 196) and writes it as a 24 x 24 8-bit RGBA PNG.

The marker is an orange disc with a white rim and a dark outline, holding a white running figure.
Every pixel is sampled 4 x 4 times for smooth edges; the output is the same on every run.

Usage: scripts/make_marker_png.py [OUTPUT]   (default: resources/marker_196.png)
"""
import math
import os
import struct
import sys
import zlib

SIZE = 24
SAMPLES = 4
CENTRE = 11.5  # the disc's centre, in pixel coordinates
OUTLINE = (40, 40, 40)
RIM = (255, 255, 255)
DISC = (255, 112, 16)
FIGURE = (255, 255, 255)

# The running figure: a head and limbs as thick segments, in pixel coordinates.
HEAD = (13.6, 6.2, 1.7)
LIMBS = [
    ((12.8, 8.6), (11.2, 12.8)),   # body
    ((11.2, 12.8), (13.6, 15.0)),  # front thigh
    ((13.6, 15.0), (12.6, 17.8)),  # front shin
    ((11.2, 12.8), (9.8, 15.6)),   # back thigh
    ((9.8, 15.6), (7.4, 15.8)),    # back shin
    ((12.6, 9.6), (15.2, 11.4)),   # front arm
    ((12.2, 9.6), (9.4, 10.8)),    # back arm
]
LIMB_HALF_WIDTH = 0.85


def segment_distance(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def sample(px, py):
    """Colour and coverage (0 or 1) of one sample point."""
    r = math.hypot(px - CENTRE, py - CENTRE)
    if r > 11.5:
        return None
    if r > 10.5:
        return OUTLINE
    if r > 9.0:
        return RIM
    hx, hy, hr = HEAD
    if math.hypot(px - hx, py - hy) <= hr:
        return FIGURE
    if any(segment_distance(px, py, a, b) <= LIMB_HALF_WIDTH for a, b in LIMBS):
        return FIGURE
    return DISC


def pixel(x, y):
    """Average of the samples inside pixel (x, y), with straight (not premultiplied) alpha."""
    total = [0, 0, 0]
    covered = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            colour = sample(x + (sx + 0.5) / SAMPLES, y + (sy + 0.5) / SAMPLES)
            if colour is None:
                continue
            covered += 1
            for i in range(3):
                total[i] += colour[i]
    if covered == 0:
        return (0, 0, 0, 0)
    rgb = tuple((t + covered // 2) // covered for t in total)
    return rgb + ((covered * 255 + SAMPLES * SAMPLES // 2) // (SAMPLES * SAMPLES),)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png_bytes():
    rows = bytearray()
    for y in range(SIZE):
        rows.append(0)  # filter type none
        for x in range(SIZE):
            rows.extend(pixel(x, y))
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8-bit RGBA, no interlace
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "marker_196.png")
    with open(out, "wb") as f:
        f.write(png_bytes())


if __name__ == "__main__":
    main()
