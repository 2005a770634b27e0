#!/usr/bin/env python3
"""Draws the product's icons and writes them as .ico files into resources/.

app.ico     the application icon group: 32x32 in 16 and in 256 colours
symbol.ico  the symbol dialog's icon: 32x32 in 16 colours

Both show the symbol: a large green ring, a smaller oval ring inside it and an
open arc across them, drawn analytically so the result is the same every run.
"""
import math
import os
import struct
import sys

SIZE = 32

# The 16 colours of the standard VGA palette, in the usual order.
VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def palette256():
    colours = list(VGA16)
    for i in range(120):  # greens from dark to light for shading
        g = 40 + i * 215 // 119
        colours.append((g // 5, g, g // 4))
    for i in range(120):  # greys and pale tones for the oval and arc
        v = 40 + i * 215 // 119
        colours.append((v, v, min(255, v + 20)))
    return colours[:256]


def ring_shade(dist, radius, half_width):
    """Light on a torus tube seen from the front: 1 at the tube's crest, 0 at its edges."""
    d = abs(dist - radius) / half_width
    return max(0.0, 1.0 - d * d) if d < 1.0 else None


def draw():
    """Returns a SIZE x SIZE grid of (r, g, b) or None for transparent pixels."""
    c = (SIZE - 1) / 2.0
    pixels = [[None] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            dx, dy = x - c, y - c
            colour = None
            outer = ring_shade(math.hypot(dx, dy), 12.5, 3.0)
            if outer is not None:
                g = int(90 + 165 * outer)
                colour = (g // 5, g, g // 4)
            inner = ring_shade(math.hypot(dx / 1.6, dy), 5.2, 1.5)
            if inner is not None:
                v = int(130 + 125 * inner)
                colour = (v, v, min(255, v + 20))
            angle = math.degrees(math.atan2(dy, dx))
            arc = ring_shade(math.hypot(dx, dy * 2.2), 9.0, 1.6)
            if arc is not None and -160 < angle < -20:
                v = int(110 + 145 * arc)
                colour = (v, v, min(255, v + 20))
            pixels[y][x] = colour
    return pixels


def nearest(colour, palette):
    return min(range(len(palette)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(colour, palette[i])))


def icon_image(pixels, bits):
    palette = VGA16 if bits == 4 else palette256()
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE * 2, 1, bits, 0, 0, 0, 0,
                         len(palette), 0)
    pal = b''.join(struct.pack('BBBB', b, g, r, 0) for r, g, b in palette)
    xor_rows, and_rows = [], []
    for y in reversed(range(SIZE)):  # bottom-up, as in every DIB
        row = pixels[y]
        idx = [0 if p is None else nearest(p, palette) for p in row]
        if bits == 4:
            data = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, SIZE, 2))
        else:
            data = bytes(idx)
        xor_rows.append(data + b'\0' * (-len(data) % 4))
        mask = 0
        for x, p in enumerate(row):
            if p is None:
                mask |= 1 << (SIZE - 1 - x)
        and_rows.append(struct.pack('>I', mask))
    return header + pal + b''.join(xor_rows) + b''.join(and_rows), len(palette)


def write_ico(path, images):
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for data, colours, bits in images:
        out += struct.pack('<BBBBHHII', SIZE, SIZE, colours if colours < 256 else 0, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
        blobs.append(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(blobs))


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', 'resources')
    pixels = draw()
    img16, n16 = icon_image(pixels, 4)
    img256, n256 = icon_image(pixels, 8)
    write_ico(os.path.join(out_dir, 'app.ico'), [(img16, n16, 4), (img256, n256, 8)])
    write_ico(os.path.join(out_dir, 'symbol.ico'), [(img16, n16, 4)])


if __name__ == '__main__':
    main()
