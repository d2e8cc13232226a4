#!/usr/bin/env python3
"""Writes the program's icon as a Windows .ico file (16, 32, 48 and 256 pixels).

The picture is the one of com.quorvane.Tessaport.svg and of the window icon the program
paints itself: a light rounded square with four price bars, each a high-low line with a
close tick. It is drawn here, in its 16-unit coordinates, so that packaging needs no SVG
renderer. The small sizes are 32-bit bitmaps, which every Windows shows; 256 is a PNG.

    make_icon.py OUT.ico
"""
import struct
import sys
import zlib

PAPER = (0xF4, 0xF1, 0xE6)
FRAME = (0x20, 0x30, 0x60)
BARS = (0x10, 0x60, 0x30)
# Each bar: its x, the top and bottom of its high-low line, the height of its close tick.
BAR_LIST = ((3.5, 10, 13, 12), (6.5, 7, 11, 8), (9.5, 5, 9, 6), (12.5, 3, 7, 4))
BAR_WIDTH = 1.4
TICK_LENGTH = 1.2
FRAME_WIDTH = 0.5


def rounded_square_distance(x, y):
    """Signed distance from the frame's centre line (the square 0.5..15.5, corners of 2)."""
    radius, half = 2.0, 7.5
    qx = abs(x - 8.0) - (half - radius)
    qy = abs(y - 8.0) - (half - radius)
    outside = (max(qx, 0.0) ** 2 + max(qy, 0.0) ** 2) ** 0.5
    return outside + min(max(qx, qy), 0.0) - radius


def on_bar(x, y):
    w = BAR_WIDTH / 2
    for bx, top, bottom, close in BAR_LIST:
        if bx - w <= x <= bx + w and top <= y <= bottom:
            return True
        if bx <= x <= bx + TICK_LENGTH and close - w <= y <= close + w:
            return True
    return False


def colour_at(x, y):
    """RGBA of one point of the picture, in its 16-unit coordinates."""
    if on_bar(x, y):
        return BARS + (255,)
    d = rounded_square_distance(x, y)
    if abs(d) <= FRAME_WIDTH / 2:
        return FRAME + (255,)
    if d < 0:
        return PAPER + (255,)
    return (0, 0, 0, 0)


def render(size):
    """Rows of RGBA pixels, each the mean of a grid of samples (premultiplied, then undone)."""
    grid = 8 if size <= 48 else 3
    scale = 16.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(grid):
                for sx in range(grid):
                    cr, cg, cb, ca = colour_at((px + (sx + 0.5) / grid) * scale,
                                               (py + (sy + 0.5) / grid) * scale)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a), round(a / (grid * grid))))
        rows.append(row)
    return rows


def bitmap(rows):
    """A 32-bit DIB as an icon holds it: the header with twice the height, the pixels
    bottom-up in BGRA, and the 1-bit mask that old renderers use (set where transparent)."""
    size = len(rows)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + bytes(mask)


def png(rows):
    size = len(rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_icon.py OUT.ico")
    images = [(size, bitmap(render(size)) if size < 256 else png(render(size)))
              for size in (16, 32, 48, 256)]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as out:
        out.write(directory + b"".join(data for _, data in images))


if __name__ == "__main__":
    main()
