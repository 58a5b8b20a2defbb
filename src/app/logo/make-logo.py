#!/usr/bin/env python3
"""Draws the Strandex logo (125 x 31): three braided strands and the name.

Writes logo.ppm; make-logo.sh turns it into the JPEG the program embeds.
"""
import math

W, H = 125, 31
FONT = {  # 5 x 7 capitals
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'X': ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
}

img = [[(0, 0, 0)] * W for _ in range(H)]
for y in range(H):
    for x in range(W):
        t = y / (H - 1)
        img[y][x] = (int(12 + 18 * t), int(32 + 30 * t), int(58 + 40 * t))

def blend(x, y, colour, alpha):
    if 0 <= x < W and 0 <= y < H:
        r, g, b = img[y][x]
        img[y][x] = tuple(int(c0 * (1 - alpha) + c1 * alpha) for c0, c1 in zip((r, g, b), colour))

# Three strands crossing each other, phase-shifted sine waves.
colours = [(240, 180, 60), (90, 200, 230), (230, 90, 120)]
for k, colour in enumerate(colours):
    for sx in range(0, 26 * 8):
        x = sx / 8.0
        y = 15 + 9 * math.sin(x / 26 * 2 * math.pi * 1.5 + k * 2 * math.pi / 3)
        for dy in (-1, 0, 1):
            blend(int(x) + 2, int(round(y)) + dy, colour, 1.0 if dy == 0 else 0.45)

# The name, each font pixel drawn 2 x 2, with a soft shadow.
x0, y0 = 31, 8  # letters 10 px wide, 1 px apart
for i, ch in enumerate("STRANDEX"):
    for row, bits in enumerate(FONT[ch]):
        for col, bit in enumerate(bits):
            if bit == '1':
                for dx in range(2):
                    for dy in range(2):
                        px, py = x0 + i * 11 + col * 2 + dx, y0 + row * 2 + dy
                        blend(px + 1, py + 1, (0, 0, 0), 0.5)
                        blend(px, py, (245, 245, 250), 1.0)

with open("logo.ppm", "wb") as f:
    f.write(b"P6\n%d %d\n255\n" % (W, H))
    for row in img:
        for r, g, b in row:
            f.write(bytes((r, g, b)))
