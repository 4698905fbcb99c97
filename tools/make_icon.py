#!/usr/bin/env python3
"""Draws the program's icon (a tag with keyboard keys on it) as res/tagwedge.ico: 32x32 and 16x16, 16 colours."""
import struct
import sys
from pathlib import Path

# The standard 16-colour palette, (r, g, b).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (128, 128, 128), (192, 192, 192), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, GRAY, SILVER, YELLOW, WHITE, NAVY = 0, 7, 8, 11, 15, 4
CLEAR = None

# Per size: the tag's outline (pointing left), its hole and the keys on it, in pixels.
LAYOUTS = {
    32: dict(tag=[(1, 16), (9, 6), (31, 6), (31, 26), (9, 26)], hole=(8.5, 16, 2.3),
             keys=[(x, y, 5, 5) for y in (9, 16) for x in (12, 18, 24)] + [(12, 22, 17, 3)]),
    16: dict(tag=[(0, 8), (4, 3), (16, 3), (16, 13), (4, 13)], hole=(4, 8, 1.0),
             keys=[(x, y, 3, 3) for y in (5, 9) for x in (6, 9, 12)]),
}


def inside(poly, x, y):
    """Even-odd test of a point against a polygon."""
    result = False
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
            result = not result
    return result


def draw(size):
    layout = LAYOUTS[size]
    hx, hy, hr = layout["hole"]

    def body(px, py):
        cx, cy = px + 0.5, py + 0.5
        return inside(layout["tag"], cx, cy) and (cx - hx) ** 2 + (cy - hy) ** 2 > hr * hr

    pixels = [[CLEAR] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if not body(x, y):
                continue
            edge = any(not (0 <= x + dx < size and 0 <= y + dy < size) or not body(x + dx, y + dy)
                       for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            pixels[y][x] = BLACK if edge else YELLOW
    for kx, ky, kw, kh in layout["keys"]:
        for y in range(ky, ky + kh):
            for x in range(kx, kx + kw):
                last_col, last_row = x == kx + kw - 1, y == ky + kh - 1
                pixels[y][x] = NAVY if (last_col or last_row) and kw > 2 else WHITE
    return pixels


def image(size):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows and 1-bit mask rows, bottom up."""
    pixels = draw(size)
    colour_row = (size // 2 + 3) // 4 * 4
    mask_row = (size // 8 + 3) // 4 * 4
    colours, mask = bytearray(), bytearray()
    for row in reversed(pixels):
        line = bytearray(colour_row)
        bits = bytearray(mask_row)
        for x, p in enumerate(row):
            index = 0 if p is CLEAR else p
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if p is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        colours += line
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(colours) + len(mask), 0, 0, 16, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colours) + bytes(mask)


def icon(sizes):
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


if __name__ == "__main__":
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "res" / "tagwedge.ico"
    target.write_bytes(icon([32, 16]))
