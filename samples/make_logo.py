#!/usr/bin/env python3
"""Draws samples/logo.png: a dark, stepped arrow on white paper, the kind of
picture `kestrel trace` turns into an extruded object. Standard library only.
Its edges run along the pixel rows and columns, so the traced outline has one
point per corner.

    python3 samples/make_logo.py [OUT.png]
"""
import struct
import sys
import zlib
from pathlib import Path

WIDTH, HEIGHT = 266, 343          # the path dialog's drawing area
PAPER = (255, 255, 255)
INK = (24, 40, 96)                # dark blue: luminance well below 128

# An arrow pointing up: a head of four steps on a stem. Corners in pixels,
# clockwise on screen; the last row and column of ink are one less.
ARROW = [(113, 40), (153, 40), (153, 70), (183, 70), (183, 100), (213, 100),
         (213, 130), (243, 130), (243, 160), (168, 160), (168, 300), (98, 300),
         (98, 160), (23, 160), (23, 130), (53, 130), (53, 100), (83, 100),
         (83, 70), (113, 70)]


def inside(x, y, poly):
    """Even-odd rule at the pixel's centre."""
    cx, cy, hit = x + 0.5, y + 0.5, False
    for (x1, y1), (x2, y2) in zip(poly, poly[1:] + poly[:1]):
        if (y1 > cy) != (y2 > cy):
            if cx < x1 + (cy - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
    return hit


def png(width, height, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("logo.png")
    rows = [[INK if inside(x, y, ARROW) else PAPER for x in range(WIDTH)]
            for y in range(HEIGHT)]
    out.write_bytes(png(WIDTH, HEIGHT, rows))
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
