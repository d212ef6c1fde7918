#!/usr/bin/env python3
"""Draws Qelvo's icon (a pointer arrow over a rounded blue tile, with a small
green run mark) and writes it as a multi-size .ico with 32-bit BMP images.

Usage: python3 app/make_icon.py app/qelvo.ico
The result is committed; run this again only to change the picture."""
import struct
import sys

SIZES = (16, 24, 32, 48)
SS = 4  # supersampling per axis


def inside_round_rect(x, y, r):
    # unit square, corner radius r
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def inside_poly(x, y, pts):
    n, c = len(pts), False
    for i in range(n):
        x1, y1 = pts[i]
        x2, y2 = pts[(i + 1) % n]
        if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
            c = not c
    return c


# The classic pointer arrow, in unit coordinates.
ARROW = [(0.24, 0.14), (0.24, 0.80), (0.39, 0.66), (0.50, 0.90), (0.60, 0.85),
         (0.49, 0.62), (0.69, 0.62)]
OUTLINE = 0.045
RUN_MARK = [(0.66, 0.12), (0.66, 0.44), (0.90, 0.28)]


def near_arrow(x, y):
    for dx in (-OUTLINE, 0, OUTLINE):
        for dy in (-OUTLINE, 0, OUTLINE):
            if inside_poly(x + dx, y + dy, ARROW):
                return True
    return False


def colour(x, y):
    """RGBA of one sample point (y grows downwards)."""
    if inside_poly(x, y, ARROW):
        return (255, 255, 255, 255)
    if near_arrow(x, y):
        return (20, 30, 60, 255)
    if inside_poly(x, y, RUN_MARK):
        return (70, 200, 90, 255)
    if inside_round_rect(x, y, 0.2):
        t = y  # top-to-bottom gradient
        return (int(40 + 20 * t), int(110 - 40 * t), int(220 - 60 * t), 255)
    return (0, 0, 0, 0)


def render(size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SS):
                for sx in range(SS):
                    r, g, b, a = colour((px + (sx + 0.5) / SS) / size, (py + (sy + 0.5) / SS) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SS * SS
            a = acc[3] / n
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(acc[i] / acc[3]) for i in range(3)) + (int(a),))
        rows.append(row)
    return rows


def bmp_entry(size):
    pixels = render(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(pixels):  # bottom-up
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    and_mask = bytes(mask_row * size)  # alpha decides; mask all opaque
    return header + bytes(xor) + and_mask


def main(path):
    images = [bmp_entry(s) for s in SIZES]
    out = bytearray(struct.pack('<HHH', 0, 1, len(SIZES)))
    offset = 6 + 16 * len(SIZES)
    for s, data in zip(SIZES, images):
        out += struct.pack('<BBBBHHII', s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1])
