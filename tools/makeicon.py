#!/usr/bin/env python3
"""Builds data/gfx/icon.png, the game's 32x32 window icon: a stone tower with a barred
window and a vault door with a golden keyhole, under a night sky's moon.

The picture is the table below, one character per pixel, in the 16 EGA colours the game
uses. Run: python3 tools/makeicon.py [--out PATH] [--desktop DIR]

With --desktop it also writes the icon the desktop shows in its menus, DIR/tvk-N.png for N
of 32, 64, 128 and 256 pixels: the same picture, every pixel a square of N/32 pixels.
"""

import argparse
import os

from makefont import write_png

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_OUT = os.path.join(HERE, "..", "data", "gfx", "icon.png")
DESKTOP_SIZES = (32, 64, 128, 256)

# character: (red, green, blue, alpha)
PALETTE = {
    ".": (0x00, 0x00, 0x00, 0x00),  # transparent
    "k": (0x00, 0x00, 0x00, 0xFF),  # black
    "d": (0x55, 0x55, 0x55, 0xFF),  # dark grey: outline and mortar
    "g": (0xAA, 0xAA, 0xAA, 0xFF),  # light grey: stone
    "w": (0xFF, 0xFF, 0xFF, 0xFF),  # white: lit stone edges
    "b": (0xAA, 0x55, 0x00, 0xFF),  # brown: vault door
    "y": (0xFF, 0xFF, 0x55, 0xFF),  # yellow: keyhole plate and moon
    "u": (0x00, 0x00, 0xAA, 0xFF),  # blue: night behind the window bars
}

PICTURE = [
    "...........................yyy..",
    "..........................yy....",
    "..........................yy....",
    "........ddd...ddddd...ddd.yy....",
    "........dwd...dwggd...dwd..yyy..",
    "........dgd...dgggd...dgd.......",
    "........dgdddddgggdddddgd.......",
    ".......ddddddddddddddddddd......",
    ".......dwggggggggggggggggd......",
    ".......ddddddddddddddddddd......",
    "........dwgggdwggggdwgggd.......",
    "........dggggdddddddggggd.......",
    "........dddddddududdddddd.......",
    "........dgdwggdududgggdgd.......",
    "........dgdgggdududgggdgd.......",
    "........dddddddwwwddddddd.......",
    "........dwgggdwggggdwgggd.......",
    "........dggggdgggggdggggd.......",
    "........ddddddddddddddddd.......",
    "........dgdwgdddddddggdgd.......",
    "........dgdgdbbbbbbbdgdgd.......",
    "........ddddbbbbbbbbbdddd.......",
    "........dwgdbbyyyyybbdggd.......",
    "........dggdbbykkkybbdggd.......",
    "........ddddbbykkkybbdddd.......",
    "........dgddbbyykyybbddgd.......",
    "........dgddbbyykyybbddgd.......",
    "........ddddbbyyyyybbdddd.......",
    "......ddddddddddddddddddddd.....",
    "......dwgggggggggggggggggwd.....",
    "......ddddddddddddddddddddd.....",
    "................................",
]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=DEFAULT_OUT)
    parser.add_argument("--desktop", metavar="DIR", help="also write the desktop's icon sizes here")
    args = parser.parse_args()

    assert len(PICTURE) == 32 and all(len(row) == 32 for row in PICTURE)
    rows = [b"".join(bytes(PALETTE[c]) for c in row) for row in PICTURE]
    write_png(args.out, 32, 32, rows)
    print(f"wrote {os.path.normpath(args.out)}")
    if args.desktop:
        for size in DESKTOP_SIZES:
            scale = size // 32
            scaled = [b"".join(bytes(PALETTE[c]) * scale for c in row) for row in PICTURE
                      for _ in range(scale)]
            path = os.path.join(args.desktop, f"tvk-{size}.png")
            write_png(path, size, size, scaled)
            print(f"wrote {os.path.normpath(path)}")


if __name__ == "__main__":
    main()
