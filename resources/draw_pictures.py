#!/usr/bin/env python3
"""Writes the application icon (vantrel.ico) and the logo bitmap (logo.bmp)
from the pixel pictures below. Both files are committed, so the build needs
no Python; run this again after changing a picture:

    python3 resources/draw_pictures.py

The icon is one 32x32 image of 16 colours (744 bytes of image data). The
logo is 229x22 at 8 bits per pixel; palette entry 1, RGB(128, 0, 0), is the
key colour that the program turns into the button face when it draws the
logo, so the picture sits in columns 1..33 and rows 1..20 (from the top
left) on a field of key colour, a one-pixel border included.
"""

import os
import struct

# The sixteen colours of the classic VGA palette: the icon's palette and the
# first sixteen entries of the logo's. Entry 1 is the logo's key colour.
VGA_COLOURS = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
KEY_INDEX = 1

# One letter per pixel. '.' is transparent in the icon and the key colour in
# the logo.
PIXEL_INDEX = {
    '.': KEY_INDEX,
    'k': 0,     # black outline
    'n': 4,     # navy: the arrow's edge
    's': 7,     # silver: the printer's body
    'g': 8,     # grey: shading
    'G': 10,    # green: the ready lamp
    'b': 12,    # blue: the arrow
    'w': 15,    # white: paper and highlights
}

# A sheet going down into a printer.
ICON_PICTURE = [
    "................................",
    ".......kkkkkkkkkkkkkkkkkk.......",
    ".......kwwwwwnbbbbnwwwwwk.......",
    ".......kwwwwwnbbbbnwwwwwk.......",
    ".......kwssssnbbbbnsssswk.......",
    ".......kwwwwwnbbbbnwwwwwk.......",
    ".......kwssssnbbbbnsssswk.......",
    ".......kwwwwwnbbbbnwwwwwk.......",
    ".......kwssssnbbbbnsssswk.......",
    ".......kwnbbbbbbbbbbbbnwk.......",
    ".......kwsnbbbbbbbbbbnswk.......",
    ".......kwwwnbbbbbbbbnwwwk.......",
    ".......kwsssnbbbbbbnssswk.......",
    ".......kwwwwwnbbbbnwwwwwk.......",
    ".......kwwwwwwnbbnwwwwwwk.......",
    ".kkkkkkkkkkkkkknnkkkkkkkkkkkkkk.",
    ".kwwwwwwwwwwwwwwwwwwwwwwwwwwwwk.",
    ".kwssssssssssssssssssssssssssgk.",
    ".kwssggggggggggggggggggggggssgk.",
    ".kwssgkkkkkkkkkkkkkkkkkkkkgssgk.",
    ".kwssggggggggggggggggggggggssgk.",
    ".kwssssssssssssssssssssssssssgk.",
    ".kwssssssssssssssssssssssssssgk.",
    ".kwsssssssssssssssssssnnsGGssgk.",
    ".kwsssssssssssssssssssnnsGGssgk.",
    ".kwssssssssssssssssssssssssssgk.",
    ".kggggggggggggggggggggggggggggk.",
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.",
    "....kssssssssssssssssssssssk....",
    "....kggggggggggggggggggggggk....",
    "....kkkkkkkkkkkkkkkkkkkkkkkk....",
    "................................",
]

# The same picture, smaller, for the logo's left end.
LOGO_PICTURE = [
    "........kkkkknbbbbnkkkkk.........",
    "........kwwwwnbbbbnwwwwk.........",
    "........kwsssnbbbbnssswk.........",
    "........kwwwwnbbbbnwwwwk.........",
    "........kwnbbbbbbbbbbnwk.........",
    "........kwwnbbbbbbbbnwwk.........",
    "........kwssnbbbbbbnsswk.........",
    "........kwwwwnbbbbnwwwwk.........",
    "........kwwwwwnbbnwwwwwk.........",
    ".kkkkkkkkkkkkkknnkkkkkkkkkkkkkkk.",
    ".kwwwwwwwwwwwwwwwwwwwwwwwwwwwwwk.",
    ".ksssgggggggggggggggggggggggsssk.",
    ".ksssgkkkkkkkkkkkkkkkkkkkkkgsssk.",
    ".ksssgggggggggggggggggggggggsssk.",
    ".ksssssssssssssssssssssssssssssk.",
    ".kssssssssssssssssssssssnnsGGssk.",
    ".kgggggggggggggggggggggggggggggk.",
    ".kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk.",
    "....ksssssssssssssssssssssssk....",
    "....kkkkkkkkkkkkkkkkkkkkkkkkk....",
]

LOGO_WIDTH, LOGO_HEIGHT = 229, 22
LOGO_PICTURE_LEFT, LOGO_PICTURE_TOP = 1, 1


def check_picture(rows, width, height):
    assert len(rows) == height, "picture must have %d rows" % height
    for row in rows:
        assert len(row) == width, "row %r must be %d pixels" % (row, width)
        for pixel in row:
            assert pixel in PIXEL_INDEX, "unknown pixel %r" % pixel


def bitmap_info_header(width, height, bits, image_size):
    # biSize, biWidth, biHeight, biPlanes, biBitCount, biCompression (BI_RGB),
    # biSizeImage, biXPelsPerMeter, biYPelsPerMeter, biClrUsed, biClrImportant
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0,
                       image_size, 0, 0, 0, 0)


def palette(colours, entries):
    data = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in colours)
    return data + b'\0' * (4 * (entries - len(colours)))


def row_stride(width, bits):
    return (width * bits + 31) // 32 * 4


def icon_image():
    check_picture(ICON_PICTURE, 32, 32)
    colour = b''
    mask = b''
    for row in reversed(ICON_PICTURE):      # bottom-up
        indices = [0 if p == '.' else PIXEL_INDEX[p] for p in row]
        colour += bytes((indices[x] << 4) | indices[x + 1] for x in range(0, 32, 2))
        bits = 0
        for p in row:
            bits = (bits << 1) | (p == '.')
        mask += struct.pack('>I', bits)
    # The height counts the colour and the mask halves.
    image = (bitmap_info_header(32, 64, 4, len(colour) + len(mask))
             + palette(VGA_COLOURS, 16) + colour + mask)
    assert len(image) == 744
    return image


def icon_file():
    image = icon_image()
    directory = struct.pack('<HHH', 0, 1, 1)
    # width, height, colour count, reserved, planes, bit count, size, offset
    entry = struct.pack('<BBBBHHII', 32, 32, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def logo_file():
    check_picture(LOGO_PICTURE, 33, 20)
    field = [[KEY_INDEX] * LOGO_WIDTH for _ in range(LOGO_HEIGHT)]
    for y, row in enumerate(LOGO_PICTURE):
        for x, p in enumerate(row):
            field[LOGO_PICTURE_TOP + y][LOGO_PICTURE_LEFT + x] = PIXEL_INDEX[p]
    stride = row_stride(LOGO_WIDTH, 8)
    pixels = b''.join(bytes(row) + b'\0' * (stride - LOGO_WIDTH)
                      for row in reversed(field))   # bottom-up
    info = (bitmap_info_header(LOGO_WIDTH, LOGO_HEIGHT, 8, len(pixels))
            + palette(VGA_COLOURS, 256))
    assert len(info) + len(pixels) == 6168
    offset = 14 + len(info)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return header + info + pixels


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, data in (('vantrel.ico', icon_file()), ('logo.bmp', logo_file())):
        with open(os.path.join(here, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
