#!/usr/bin/env python3
"""Draws the web server's banner, a 128 x 35 GIF89a, and writes it to banner.gif.

The picture: an evening-sky gradient, a five-pointed gold star on the left,
"SKY RANKS" in a blocky pixel font with a shadow, and a row of gold chevrons
along the bottom. The program embeds banner.gif at build time; run this
script again only to change the picture.
"""
import math
import struct
import sys

WIDTH, HEIGHT = 128, 35

# Palette: 0-15 sky gradient, then fixed colours.
SKY = [(int(18 + 5 * i), int(38 + 9 * i), int(92 + 9 * i)) for i in range(16)]
WHITE, SHADOW, GOLD, GOLD_DARK, EDGE = 16, 17, 18, 19, 20
PALETTE = SKY + [(255, 255, 255), (8, 16, 40), (250, 200, 40), (176, 124, 16), (10, 22, 60)]
while len(PALETTE) < 32:
    PALETTE.append((0, 0, 0))

# 5 x 7 glyphs, '#' set.
GLYPHS = {
    "S": [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    "K": ["#   #", "#  # ", "# #  ", "##   ", "# #  ", "#  # ", "#   #"],
    "Y": ["#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "],
    "R": ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    "A": [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    "N": ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    " ": ["     "] * 7,
}


def draw():
    px = [[min(15, y * 16 // HEIGHT) for _ in range(WIDTH)] for y in range(HEIGHT)]

    def put(x, y, c):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            px[y][x] = c

    # Frame.
    for x in range(WIDTH):
        put(x, 0, EDGE)
        put(x, HEIGHT - 1, EDGE)
    for y in range(HEIGHT):
        put(0, y, EDGE)
        put(WIDTH - 1, y, EDGE)

    # Star: a point is inside when it lies in the star polygon (even-odd rule).
    cx, cy, outer, inner = 13.5, 15.0, 10.5, 4.2
    corners = []
    for k in range(10):
        r = outer if k % 2 == 0 else inner
        a = -math.pi / 2 + k * math.pi / 5
        corners.append((cx + r * math.cos(a), cy + r * math.sin(a)))

    def inside(x, y):
        hit = False
        for i in range(len(corners)):
            (x1, y1), (x2, y2) = corners[i], corners[(i + 1) % len(corners)]
            if (y1 > y) != (y2 > y) and x < x1 + (y - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
        return hit

    for y in range(HEIGHT):
        for x in range(30):
            if inside(x + 0.5, y + 0.5):
                put(x, y, GOLD if x + 0.5 <= cx else GOLD_DARK)

    # Title, two pixels per font pixel, with a shadow one pixel down and right.
    def text(s, x0, y0, colour):
        x = x0
        for ch in s:
            rows = GLYPHS[ch]
            for gy, row in enumerate(rows):
                for gx, cell in enumerate(row):
                    if cell == "#":
                        for dy in range(2):
                            for dx in range(2):
                                put(x + gx * 2 + dx, y0 + gy * 2 + dy, colour)
            x += 11 if ch != " " else 5

    text("SKY RANKS", 31, 7, SHADOW)
    text("SKY RANKS", 30, 6, WHITE)

    # Chevrons along the bottom.
    for i in range(12):
        bx = 29 + i * 8
        for d in range(4):
            put(bx + d, 30 - d, GOLD)
            put(bx + 6 - d, 30 - d, GOLD)
            put(bx + 3, 27, GOLD)
    return px


def lzw(pixels, min_code_size):
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out_bits, bit_count, data = 0, 0, bytearray()

    def emit(code, size):
        nonlocal out_bits, bit_count
        out_bits |= code << bit_count
        bit_count += size
        while bit_count >= 8:
            data.append(out_bits & 0xFF)
            out_bits >>= 8
            bit_count -= 8

    def reset():
        return {(i,): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    current = (pixels[0],)
    for p in pixels[1:]:
        candidate = current + (p,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current], size)
        if next_code == 4096:
            emit(clear, size)
            table, next_code, size = reset()
        else:
            table[candidate] = next_code
            if next_code == (1 << size) and size < 12:
                size += 1
            next_code += 1
        current = (p,)
    emit(table[current], size)
    emit(end, size)
    if bit_count:
        data.append(out_bits & 0xFF)
    return bytes(data)


def gif(px):
    bits = 5  # 32 colours
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", WIDTH, HEIGHT, 0x80 | 0x70 | (bits - 1), 0, 0)
    for r, g, b in PALETTE:
        out += bytes((r, g, b))
    out += struct.pack("<BHHHHB", 0x2C, 0, 0, WIDTH, HEIGHT, 0)
    out.append(bits)
    data = lzw([c for row in px for c in row], bits)
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out.append(len(chunk))
        out += chunk
    out += b"\x00\x3b"
    return bytes(out)


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "banner.gif"
    with open(target, "wb") as f:
        f.write(gif(draw()))
