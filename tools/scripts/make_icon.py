#!/usr/bin/env python3
"""Draws the program icon, src/resources/setup.ico: one 32x32 image in 16
colours (4 bits a pixel), a floppy disk. Run once; the .ico is committed."""
import struct
import sys

# The standard 16-colour palette, as RGB.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, SILVER, GREY, BLUE, WHITE = 0, 4, 7, 8, 12, 15
SIZE = 32


def draw():
    """Rows top to bottom; None is transparent."""
    px = [[None] * SIZE for _ in range(SIZE)]

    def fill(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = colour

    fill(2, 2, 29, 29, BLACK)          # outline
    fill(3, 3, 28, 28, BLUE)           # body
    for y in range(2, 6):              # cut corner, top right
        for x in range(26, 30):
            if x - y > 24:
                px[y][x] = None
            elif x - y == 24:
                px[y][x] = BLACK
    fill(8, 3, 23, 11, SILVER)         # shutter
    fill(18, 4, 21, 10, GREY)          # shutter window
    fill(7, 16, 24, 28, WHITE)         # label
    for y in (19, 22, 25):             # lines on the label
        fill(9, y, 22, y, NAVY)
    fill(3, 28, 28, 28, NAVY)          # shade along the bottom
    return px


def ico(px):
    xor = bytearray()
    mask = bytearray()
    for row in reversed(px):           # bitmaps run bottom-up
        for x in range(0, SIZE, 2):
            hi = row[x] if row[x] is not None else 0
            lo = row[x + 1] if row[x + 1] is not None else 0
            xor.append(hi << 4 | lo)
        bits = 0
        for x in range(SIZE):
            bits = bits << 1 | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    out = sys.argv[1] if len(sys.argv) > 1 else "src/resources/setup.ico"
    with open(out, "wb") as f:
        f.write(ico(draw()))
