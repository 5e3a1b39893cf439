#!/usr/bin/env python3
"""Draws the settings UI's icons and bitmaps and writes them into resources/.

  folder.ico      501  16 x 16  folder of the host-folder tree
  mailaddr.ico    502  18 x 16  white-list entry that is a mail address (envelope)
  domain.ico      503  18 x 16  white-list entry that is a domain (globe)
  sortup.bmp      510  14 x 14  list-header mark: ascending
  sortdown.bmp    511  14 x 14  list-header mark: descending

Icons are 24-bit colour with a 1-bit mask; the bitmaps are 24-bit and drawn in the grey
shades that LoadImage's LR_LOADMAP3DCOLORS maps to the system's 3D colours (192 = face,
128 = shadow, 255 = highlight), so they blend into any header. Plain Python, no modules
beyond the standard library; run it from anywhere: python3 tools/make-ui-images.py
"""
import math
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources")

T = None  # transparent pixel


def ico(width, height, pixels):
    """One-image .ico: BITMAPINFOHEADER, 24-bit XOR rows, 1-bit AND mask rows (bottom-up)."""
    xor_stride = (width * 3 + 3) & ~3
    and_stride = ((width + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        bits = 0
        mrow = bytearray()
        for x in range(width):
            p = pixels[y][x]
            if p is T:
                row += b"\x00\x00\x00"
                bits = (bits << 1) | 1
            else:
                r, g, b = p
                row += bytes((b, g, r))
                bits = bits << 1
            if x % 8 == 7:
                mrow.append(bits)
                bits = 0
        if width % 8:
            mrow.append(bits << (8 - width % 8))
        row += b"\x00" * (xor_stride - len(row))
        mrow += b"\x00" * (and_stride - len(mrow))
        xor += row
        mask += mrow
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 24, 0,
                         len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, 1, 24, len(image), 6 + 16)
    return directory + entry + image


def bmp(width, height, pixels):
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixels[y][x]
            row += bytes((b, g, r))
        row += b"\x00" * (stride - len(row))
        data += row
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(data), 0, 0, 14 + len(info))
    return head + info + bytes(data)


def canvas(width, height, fill=T):
    return [[fill for _ in range(width)] for _ in range(height)]


def rect(px, x0, y0, x1, y1, color):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            px[y][x] = color


def folder():
    px = canvas(16, 16)
    edge = (128, 96, 0)
    back = (230, 180, 40)
    front = (255, 214, 90)
    light = (255, 240, 170)
    # tab and back panel
    rect(px, 1, 3, 6, 4, back)
    rect(px, 1, 4, 14, 13, back)
    for x in range(1, 7):
        px[2][x] = edge
    px[3][0] = px[3][7] = edge
    for x in range(7, 15):
        px[4][x] = edge
    # front panel, slightly lower
    rect(px, 1, 6, 14, 13, front)
    for x in range(1, 15):
        px[6][x] = light
    for y in range(3, 14):
        px[y][0] = edge
    for y in range(4, 14):
        px[y][15] = edge
    for x in range(0, 16):
        px[14][x] = edge
    return px


def envelope():
    px = canvas(18, 16)
    edge = (60, 60, 110)
    paper = (250, 250, 240)
    fold = (150, 150, 190)
    rect(px, 1, 3, 16, 12, paper)
    for x in range(1, 17):
        px[3][x] = edge
        px[12][x] = edge
    for y in range(3, 13):
        px[y][1] = edge
        px[y][16] = edge
    # the flap: two lines from the top corners to the middle
    for i in range(8):
        y = 4 + i * 5 // 8 + (1 if i > 5 else 0)
        if y < 12:
            px[y][2 + i] = fold
            px[y][15 - i] = fold
    # the "@" hint: a small red stamp in the corner
    rect(px, 13, 5, 14, 6, (200, 40, 40))
    return px


def globe():
    px = canvas(18, 16)
    cx, cy, r = 8.5, 7.5, 6.6
    sea = (40, 110, 210)
    land = (60, 170, 80)
    grid = (220, 235, 255)
    edge = (20, 50, 120)
    for y in range(16):
        for x in range(18):
            d = math.hypot(x - cx, y - cy)
            if d <= r:
                color = sea
                # a few blobs of land
                if (x - 6) ** 2 + (y - 5) ** 2 < 6 or (x - 11) ** 2 + (y - 10) ** 2 < 5:
                    color = land
                # meridian and equator lines
                if abs(y - cy) < 0.5 or abs(x - cx) < 0.5:
                    color = grid
                ell = ((x - cx) / 3.2) ** 2 + ((y - cy) / r) ** 2
                if abs(ell - 1.0) < 0.18:
                    color = grid
                if d > r - 1.0:
                    color = edge
                px[y][x] = color
    return px


def sort_mark(up):
    face, shadow, light = (192, 192, 192), (128, 128, 128), (255, 255, 255)
    px = canvas(14, 14, face)
    # a triangle 9 pixels wide, 5 high, centred
    for i in range(5):
        y = (4 + i) if up else (9 - i)
        for x in range(7 - i - 1, 7 + i + 1):
            if 2 <= x <= 11:
                px[y][x] = shadow
    # a highlight along the lower (up) or upper (down) edge gives it the 3D look
    base = 9 if up else 4
    for x in range(3, 11):
        px[base + (1 if up else -1)][x] = light
    return px


def main():
    files = {
        "folder.ico": ico(16, 16, folder()),
        "mailaddr.ico": ico(18, 16, envelope()),
        "domain.ico": ico(18, 16, globe()),
        "sortup.bmp": bmp(14, 14, sort_mark(True)),
        "sortdown.bmp": bmp(14, 14, sort_mark(False)),
    }
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
        print("wrote", os.path.normpath(os.path.join(OUT, name)), len(data), "bytes")


if __name__ == "__main__":
    main()
