#!/usr/bin/env python3
"""Draws the installer's icon: two beamed notes on a round record-blue disc,
and writes it as a 32x32 .ico with one image at 8 bits per pixel (256
colours). The palette holds only the colours the drawing uses (biClrUsed)."""
import math
import struct
import sys

SIZE = 32
# Palette: 0 transparent (masked), then the colours the drawing uses.
PALETTE = [(0, 0, 0), (24, 48, 112), (40, 80, 168), (70, 120, 210), (250, 250, 250),
           (255, 200, 40), (16, 24, 56)]
CLEAR, DEEP, BLUE, LIGHT, WHITE, GOLD, EDGE = range(7)


def draw():
    px = [[CLEAR] * SIZE for _ in range(SIZE)]
    c = (SIZE - 1) / 2
    for y in range(SIZE):
        for x in range(SIZE):
            r = math.hypot(x - c, y - c)
            if r <= 15.5:
                px[y][x] = EDGE if r > 14.5 else (LIGHT if (x + y) < 22 and r > 11 else
                                                  (BLUE if r > 6 else DEEP))
            if 2.0 < r < 3.2:
                px[y][x] = GOLD  # the record's label
    # Two note heads (ellipses), stems and a double beam.
    for cx, cy in ((10, 22), (21, 19)):
        for y in range(SIZE):
            for x in range(SIZE):
                if ((x - cx) / 3.2) ** 2 + ((y - cy) / 2.3) ** 2 <= 1.0:
                    px[y][x] = WHITE
    for y in range(7, 23):
        px[y][12] = px[y][13] = WHITE
    for y in range(5, 20):
        px[y][23] = px[y][24] = WHITE
    for x in range(12, 25):
        top = 7 - (x - 12) * 2 // 12
        for y in (top, top + 1, top + 3, top + 4):
            px[y][x] = WHITE
    return px


def ico(px):
    xor = b"".join(bytes(px[y]) for y in range(SIZE - 1, -1, -1))
    mask = b""
    for y in range(SIZE - 1, -1, -1):
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if px[y][x] == CLEAR else 0)
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 8, 0, len(xor) + len(mask), 0, 0,
                         len(PALETTE), 0)
    image = header + palette + xor + mask
    # bColorCount 0: 256 colours or more.
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 8,
                                                          len(image), 22)
    return directory + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "tunewrangler.ico"
    with open(out, "wb") as f:
        f.write(ico(draw()))
