#!/usr/bin/env python3
"""Draws the Strandex icon: three braided strands on a rounded square.

The strands and colours are those of the window's logo (src/app/logo). Each
strand is a wave a third of a turn behind the one before; where two cross,
the one nearer the viewer lies on top. The depth goes as the sine of twice
the phase, so a strand passes over at one crossing and under at the next:
a plait, not a twisted rope. Writes icons/strandex-48.png and
icons/strandex-128.png beside this script; every pixel is sampled 4 x 4 times.
"""
import math
import os
import struct
import zlib

SIZES = (48, 128)
SUB = 4  # samples per pixel along each axis
BACK_TOP, BACK_BOTTOM = (12, 32, 58), (30, 62, 98)
COLOURS = [(240, 180, 60), (90, 200, 230), (230, 90, 120)]
EDGE = (8, 20, 38)


def sample(u, v):
    """Colour and coverage at (u, v), both 0..1 across the icon."""
    # Rounded square: corner radius a sixth of the side, 1/32 margin.
    m, r = 1 / 32, 1 / 6
    cx = min(max(u, m + r), 1 - m - r)
    cy = min(max(v, m + r), 1 - m - r)
    if math.hypot(u - cx, v - cy) > r:
        return (0, 0, 0), 0.0
    colour = tuple(int(a + (b - a) * v) for a, b in zip(BACK_TOP, BACK_BOTTOM))

    # Three strands across the square, 1.25 waves each.
    width, amplitude, turns = 0.075, 0.25, 1.25
    best = None
    for k, strand in enumerate(COLOURS):
        phase = (u - 0.1) / 0.8 * turns * 2 * math.pi + k * 2 * math.pi / 3
        y = 0.5 + amplitude * math.sin(phase)
        slope = amplitude * math.cos(phase) * turns * 2 * math.pi / 0.8
        distance = abs(v - y) / math.sqrt(1 + slope * slope)
        if distance > width:
            continue
        depth = math.sin(2 * phase)
        if best is None or depth > best[0]:
            best = (depth, distance, strand)
    if best is not None:
        _, distance, strand = best
        if distance > width * 0.78:  # a dark rim sets the upper strand off
            colour = EDGE
        else:
            shade = 0.72 + 0.28 * (1 - (distance / (width * 0.78)) ** 2)
            colour = tuple(min(255, int(c * shade + 40 * (1 - distance / width) ** 4)) for c in strand)
    return colour, 1.0


def render(size):
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            acc, alpha = [0.0, 0.0, 0.0], 0.0
            for sy in range(SUB):
                for sx in range(SUB):
                    (r, g, b), a = sample((x + (sx + 0.5) / SUB) / size, (y + (sy + 0.5) / SUB) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    alpha += a
            if alpha > 0:
                row += bytes(int(round(c / alpha)) for c in acc)
            else:
                row += b"\0\0\0"
            row.append(int(round(255 * alpha / (SUB * SUB))))
        rows.append(bytes(row))
    return rows


def write_png(path, size, rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\0" + row for row in rows)  # filter type 0 on every line
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))  # 8-bit RGBA
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


here = os.path.dirname(os.path.abspath(__file__))
os.makedirs(os.path.join(here, "icons"), exist_ok=True)
for size in SIZES:
    write_png(os.path.join(here, "icons", "strandex-%d.png" % size), size, render(size))
