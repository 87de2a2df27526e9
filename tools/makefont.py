#!/usr/bin/env python3
"""Builds data/gfx/font.png, the game's 128x128 glyph sheet, from an 8x8 PSF console font.

The sheet holds 256 glyphs of 8x8 pixels in 16 rows of 16; the glyph of code c sits at
(8 * (c % 16), 8 * (c // 16)). Every pixel is white; the glyph's shape is the alpha
channel (ink 255, background 0), because the game recolours the sheet itself.

Which picture stands at each code:
  32-126   printable ASCII (32, the blank, stays fully transparent)
  185-188, 200-205, 219
           the double-line frame pieces and the full block that the game draws as map
           frames, menu boxes and bars; they take these code-page-437 positions
  128-255 otherwise
           the Latin-1 character of that code point, so translations can show é, ä, ñ, ß
  0-31, 127
           blank

Glyphs are looked up by Unicode code point through the font's own Unicode table. The
double-line frame pieces are always drawn here: a console font's table commonly maps them
onto its single-line pieces, which would turn every frame of the game into single lines.
The block is drawn here only when the font lacks it.

Run inside the build root, where console-setup-linux is installed:
  scripts/with-deps python3 tools/makefont.py [--psf PATH] [--out PATH]
"""

import argparse
import gzip
import os
import struct
import sys
import zlib

DEFAULT_PSF = "/usr/share/consolefonts/Lat15-VGA8.psf.gz"
DEFAULT_OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "gfx", "font.png")

# Code-page-437 symbols the game draws itself: code -> Unicode code point.
SYMBOLS = {
    185: 0x2563,  # double tee pointing left
    186: 0x2551,  # double vertical
    187: 0x2557,  # double corner, top right
    188: 0x255D,  # double corner, bottom right
    200: 0x255A,  # double corner, bottom left
    201: 0x2554,  # double corner, top left
    202: 0x2569,  # double tee pointing up
    203: 0x2566,  # double tee pointing down
    204: 0x2560,  # double tee pointing right
    205: 0x2550,  # double horizontal
    219: 0x2588,  # full block
}

# Which arms of a double-line piece are drawn: (up, down, left, right).
DOUBLE_LINE_ARMS = {
    0x2550: (False, False, True, True),
    0x2551: (True, True, False, False),
    0x2554: (False, True, False, True),
    0x2557: (False, True, True, False),
    0x255A: (True, False, False, True),
    0x255D: (True, False, True, False),
    0x2560: (True, True, False, True),
    0x2563: (True, True, True, False),
    0x2566: (False, True, True, True),
    0x2569: (True, False, True, True),
}


def read_psf(path):
    """Returns {code point: 8 row bytes} from a PSF1 or PSF2 font of 8x8 glyphs."""
    with open(path, "rb") as f:
        data = f.read()
    if path.endswith(".gz"):
        data = gzip.decompress(data)

    if data[:2] == b"\x36\x04":
        mode, height = data[2], data[3]
        count = 512 if mode & 0x01 else 256
        has_table = bool(mode & 0x06)
        width, glyph_size, offset = 8, height, 4
    elif data[:4] == b"\x72\xb5\x4a\x86":
        _, offset, flags, count, glyph_size, height, width = struct.unpack_from("<7I", data, 4)
        has_table = bool(flags & 0x01)
    else:
        sys.exit(f"{path}: not a PSF font")
    if width != 8 or height != 8 or glyph_size != 8:
        sys.exit(f"{path}: glyphs are {width}x{height}, the sheet needs 8x8")

    glyphs = [data[offset + i * 8: offset + i * 8 + 8] for i in range(count)]
    table_start = offset + count * glyph_size
    if not has_table:
        return {i: g for i, g in enumerate(glyphs[:256])}

    by_code_point = {}
    pos = table_start
    if data[:2] == b"\x36\x04":
        # PSF1: per glyph, 16-bit code points; 0xFFFE starts combining sequences (skipped),
        # 0xFFFF ends the glyph's entry.
        for glyph in glyphs:
            in_sequence = False
            while True:
                (cp,) = struct.unpack_from("<H", data, pos)
                pos += 2
                if cp == 0xFFFF:
                    break
                if cp == 0xFFFE:
                    in_sequence = True
                elif not in_sequence:
                    by_code_point.setdefault(cp, glyph)
    else:
        # PSF2: per glyph, UTF-8 characters; 0xFE starts sequences, 0xFF ends the entry.
        for glyph in glyphs:
            end = data.index(b"\xff", pos)
            entry, pos = data[pos:end], end + 1
            singles = entry.split(b"\xfe")[0].decode("utf-8")
            for ch in singles:
                by_code_point.setdefault(ord(ch), glyph)
    return by_code_point


def draw_double_line(code_point):
    """Draws a double-line frame piece as the outline of a 4-pixel-wide band that runs from
    the centre of the cell out along each arm; the outline's two sides are the two lines,
    and at a bend or a tee they meet without crossing."""
    up, down, left, right = DOUBLE_LINE_ARMS[code_point]

    def in_band(x, y):
        if not (0 <= x < 8 and 0 <= y < 8):
            return True  # the band goes on into the next cell: no outline at the edge
        vertical = 2 <= x <= 5 and ((up and y <= 5) or (down and y >= 2))
        horizontal = 2 <= y <= 5 and ((left and x <= 5) or (right and x >= 2))
        return vertical or horizontal

    rows = []
    for y in range(8):
        bits = 0
        for x in range(8):
            edge = any(not in_band(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1))
            if in_band(x, y) and edge:
                bits |= 0x80 >> x
        rows.append(bits)
    return bytes(rows)


def drawn_symbol(code_point):
    if code_point == 0x2588:
        return bytes([0xFF] * 8)
    return draw_double_line(code_point)


def sheet_glyphs(font):
    """Returns the 256 glyphs of the sheet (8 row bytes each) and the codes drawn here."""
    glyphs = [bytes(8)] * 256
    drawn = []
    for code in range(256):
        if code in SYMBOLS:
            cp = SYMBOLS[code]
        elif 33 <= code <= 126 or 160 <= code <= 255:
            cp = code
        else:
            continue  # controls and the blank stay empty
        glyph = None if cp in DOUBLE_LINE_ARMS else font.get(cp)
        if glyph is None and code in SYMBOLS:
            glyph = drawn_symbol(cp)
            drawn.append(code)
        if glyph is None:
            sys.exit(f"the font has no glyph for U+{cp:04X} (code {code})")
        glyphs[code] = glyph
    return glyphs, drawn


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_png(path, width, height, rgba_rows):
    """Writes 8-bit RGBA rows (bytes of width * 4) as a PNG with no timestamp, so that the
    same input always gives the same file."""
    raw = b"".join(b"\x00" + row for row in rgba_rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += png_chunk(b"IDAT", zlib.compress(raw, 9))
    png += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--psf", default=DEFAULT_PSF)
    parser.add_argument("--out", default=DEFAULT_OUT)
    args = parser.parse_args()

    glyphs, drawn = sheet_glyphs(read_psf(args.psf))
    ink, clear = b"\xff\xff\xff\xff", b"\xff\xff\xff\x00"
    rows = []
    for y in range(128):
        row = bytearray()
        for column in range(16):
            bits = glyphs[(y // 8) * 16 + column][y % 8]
            for x in range(8):
                row += ink if bits & (0x80 >> x) else clear
        rows.append(bytes(row))
    write_png(args.out, 128, 128, rows)
    note = f"; drew {', '.join(map(str, drawn))} itself" if drawn else ""
    print(f"wrote {os.path.normpath(args.out)} from {args.psf}{note}")


if __name__ == "__main__":
    main()
