#!/usr/bin/env python3
"""Draws the updater's icon and writes it as a Windows .ico file.

The design is ours: a blue rounded square with a white arrow pointing down onto a white
bar ("download, then install"). Every size is drawn from the same shapes with 4x4
supersampling, so the output is the same bytes on every run and every machine.

The file holds seven images: 48, 32 and 16 pixels at 8 bits per pixel (a fixed palette),
and 48, 32, 24 and 16 pixels at 32 bits per pixel (with alpha).

Usage: make_icon.py <output.ico>
"""
import struct
import sys

SAMPLES = 4
BLUE_TOP = (0x2F, 0x80, 0xED)
BLUE_BOTTOM = (0x15, 0x4F, 0xB0)
WHITE = (0xFF, 0xFF, 0xFF)


def inside_rounded_square(x, y):
    """Unit coordinates (0..1); corner radius 0.2, margin 0.03."""
    lo, hi, r = 0.03, 0.97, 0.2
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return lo <= x <= hi and lo <= y <= hi and (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def inside_arrow(x, y):
    shaft = 0.42 <= x <= 0.58 and 0.16 <= y <= 0.50
    head = 0.46 <= y <= 0.70 and abs(x - 0.5) <= (0.70 - y) * 1.15
    return shaft or head


def inside_bar(x, y):
    return 0.22 <= x <= 0.78 and 0.76 <= y <= 0.85


def shade(size, px, py):
    """Average colour and coverage of one pixel; y grows downward."""
    r = g = b = cover = 0.0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            x = (px + (sx + 0.5) / SAMPLES) / size
            y = (py + (sy + 0.5) / SAMPLES) / size
            if not inside_rounded_square(x, y):
                continue
            if inside_arrow(x, y) or inside_bar(x, y):
                colour = WHITE
            else:
                colour = tuple(t + (u - t) * y for t, u in zip(BLUE_TOP, BLUE_BOTTOM))
            r, g, b, cover = r + colour[0], g + colour[1], b + colour[2], cover + 1
    n = SAMPLES * SAMPLES
    if cover == 0:
        return (0, 0, 0), 0
    return tuple(round(c / cover) for c in (r, g, b)), round(255 * cover / n)


def palette():
    """A fixed 256-colour palette: a 6x7x6 colour cube, then greys."""
    colours = []
    for r in range(6):
        for g in range(7):
            for b in range(6):
                colours.append((r * 255 // 5, g * 255 // 6, b * 255 // 5))
    while len(colours) < 256:
        v = (len(colours) - 252) * 255 // 3
        colours.append((v, v, v))
    return colours


def nearest(colours, rgb):
    return min(range(len(colours)),
               key=lambda i: sum((a - b) ** 2 for a, b in zip(colours[i], rgb)))


def row_bytes(bits):
    return (bits + 31) // 32 * 4


def and_mask(size, pixels):
    """1 bit a pixel, set where transparent; rows bottom-up, 4-byte aligned."""
    out = bytearray()
    for py in reversed(range(size)):
        row = bytearray(row_bytes(size))
        for px in range(size):
            if pixels[py][px][1] < 128:
                row[px // 8] |= 0x80 >> (px % 8)
        out += row
    return bytes(out)


def bitmap_header(size, bits, colours):
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, colours, 0)


def image_8bit(size, pixels, colours):
    out = bytearray(bitmap_header(size, 8, 256))
    for r, g, b in colours:
        out += bytes((b, g, r, 0))
    cache = {}
    for py in reversed(range(size)):
        row = bytearray(row_bytes(size * 8))
        for px in range(size):
            rgb, alpha = pixels[py][px]
            if alpha < 128:
                continue
            if rgb not in cache:
                cache[rgb] = nearest(colours, rgb)
            row[px] = cache[rgb]
        out += row
    return bytes(out + and_mask(size, pixels))


def image_32bit(size, pixels):
    out = bytearray(bitmap_header(size, 32, 0))
    for py in reversed(range(size)):
        for px in range(size):
            (r, g, b), alpha = pixels[py][px]
            out += bytes((b, g, r, alpha))
    return bytes(out + and_mask(size, pixels))


def render(size):
    return [[shade(size, px, py) for px in range(size)] for py in range(size)]


def main():
    colours = palette()
    images = []
    for size in (48, 32, 16):
        images.append((size, 8, image_8bit(size, render(size), colours)))
    for size in (48, 32, 24, 16):
        images.append((size, 32, image_32bit(size, render(size))))

    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
