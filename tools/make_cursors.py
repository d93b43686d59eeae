#!/usr/bin/env python3
"""Draws Orvek's pointer pictures and writes them into resources/.

- red0.cur .. red3.cur and blu0.cur .. blu3.cur: Windows cursor files, 32 x 32,
  hot spot (16, 16). Four designs (thin cross, cross with a gap, cross with a
  circle, cross with a square), in red and in blue.
- MONCU1.png .. MONCU3.png: the three built-in pointers, 32 x 32 RGBA PNG,
  black and white, to be used with the hot spot (16, 16): a fine cross, a circle
  with a centre dot, a bull's eye.

Only the standard library is used: the cursor container and the PNG chunks are
written by hand.

Cursor file layout (all numbers little-endian):
  ICONDIR        6 bytes   reserved 0, type 2 (cursor), count 1
  ICONDIRENTRY  16 bytes   width 32, height 32, colours 0, reserved 0,
                           hot spot x (u16), hot spot y (u16),
                           image size in bytes (u32), image offset 22 (u32)
  BITMAPINFOHEADER 40 bytes  width 32, height 64 (colour rows + mask rows),
                           1 plane, 32 bits per pixel, no compression
  colour rows   32 x 32 x 4 bytes, B G R A, bottom row first
  AND mask      32 rows x 4 bytes, 1 bit per pixel (1 = transparent),
                bottom row first
"""

import math
import os
import struct
import sys
import zlib

SIZE = 32
HOT_X = 16
HOT_Y = 16


def blank():
    """A transparent picture: rows of (r, g, b, a)."""
    return [[(0, 0, 0, 0) for _ in range(SIZE)] for _ in range(SIZE)]


def put(img, x, y, rgba):
    if 0 <= x < SIZE and 0 <= y < SIZE:
        img[y][x] = rgba


def stroke_mask(design):
    """The set of (x, y) pixels that form one of the four cross-hair designs."""
    c = HOT_X
    pts = set()

    def arms(r0, r1):
        for r in range(r0, r1 + 1):
            pts.update({(c + r, c), (c - r, c), (c, c + r), (c, c - r)})

    if design == 0:  # thin cross through the centre
        arms(0, 14)
    elif design == 1:  # cross with an open centre and a centre dot
        arms(5, 14)
        pts.add((c, c))
    elif design == 2:  # cross with a circle of radius 7
        arms(10, 14)
        pts.add((c, c))
        for y in range(SIZE):
            for x in range(SIZE):
                if abs(math.hypot(x - c, y - c) - 7.0) < 0.5:
                    pts.add((x, y))
    elif design == 3:  # cross with a square of half-side 6
        arms(9, 14)
        pts.add((c, c))
        for k in range(-6, 7):
            pts.update({(c + k, c - 6), (c + k, c + 6), (c - 6, c + k), (c + 6, c + k)})
    else:
        raise ValueError(design)
    return pts


def halo(pts):
    """Pixels next to a stroke but not on it: a faint dark edge keeps the pointer
    visible on a bright star."""
    out = set()
    for (x, y) in pts:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                q = (x + dx, y + dy)
                if q not in pts and 0 <= q[0] < SIZE and 0 <= q[1] < SIZE:
                    out.add(q)
    return out


def coloured_cursor(design, rgb):
    img = blank()
    pts = stroke_mask(design)
    for (x, y) in halo(pts):
        put(img, x, y, (0, 0, 0, 90))
    for (x, y) in pts:
        put(img, x, y, rgb + (255,))
    return img


def cur_bytes(img, hot_x=HOT_X, hot_y=HOT_Y):
    """A one-image cursor file with a 32-bit colour bitmap and its AND mask."""
    colour = bytearray()
    for y in range(SIZE - 1, -1, -1):
        for x in range(SIZE):
            r, g, b, a = img[y][x]
            colour += bytes((b, g, r, a))
    mask = bytearray()
    row_bytes = ((SIZE + 31) // 32) * 4
    for y in range(SIZE - 1, -1, -1):
        row = bytearray(row_bytes)
        for x in range(SIZE):
            if img[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, 2 * SIZE, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    image = header + colour + mask
    icondir = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    return icondir + entry + image


def png_bytes(img):
    """An 8-bit RGBA PNG, no interlace, filter 0 on every row."""
    raw = bytearray()
    for row in img:
        raw.append(0)
        for (r, g, b, a) in row:
            raw += bytes((r, g, b, a))

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xFFFFFFFF)

    ihdr = struct.pack('>IIBBBBB', SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', ihdr)
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))


WHITE = (255, 255, 255, 255)
BLACK = (0, 0, 0, 255)


def outlined(pts):
    """White strokes with a black outline: visible on dark sky and on a bright star."""
    img = blank()
    for (x, y) in halo(pts):
        put(img, x, y, BLACK)
    for (x, y) in pts:
        put(img, x, y, WHITE)
    return img


def ring(radius, c=HOT_X):
    return {(x, y) for y in range(SIZE) for x in range(SIZE)
            if abs(math.hypot(x - c, y - c) - radius) < 0.5}


def builtin_pointer(n):
    c = HOT_X
    if n == 1:  # fine cross with an open centre pixel
        pts = set()
        for r in range(2, 15):
            pts.update({(c + r, c), (c - r, c), (c, c + r), (c, c - r)})
        return outlined(pts)
    if n == 2:  # circle with a centre dot
        return outlined(ring(9) | {(c, c)})
    if n == 3:  # bull's eye: three rings and a centre dot
        return outlined(ring(3) | ring(8) | ring(13) | {(c, c)})
    raise ValueError(n)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, 'resources')
    os.makedirs(out, exist_ok=True)
    colours = {'red': (230, 20, 20), 'blu': (40, 110, 255)}
    for prefix, rgb in colours.items():
        for design in range(4):
            path = os.path.join(out, '%s%d.cur' % (prefix, design))
            with open(path, 'wb') as f:
                f.write(cur_bytes(coloured_cursor(design, rgb)))
    for n in (1, 2, 3):
        with open(os.path.join(out, 'MONCU%d.png' % n), 'wb') as f:
            f.write(png_bytes(builtin_pointer(n)))


if __name__ == '__main__':
    main()
