#!/usr/bin/env python3
"""Draws Tavro's application icon and writes it as src/ui/tavro.ico.

The icon is a clipboard: an orange board with a dark outline, an olive metal
clip at the top and a sheet of paper carrying a few blue text lines.  The file
holds four classic BMP-style images, in this order:

    32x32, 256 colours (8 bpp, palette)
    16x16, 256 colours (8 bpp, palette)
    16x16, 16 colours  (4 bpp, palette)
    32x32, 16 colours  (4 bpp, palette)

Each image is a BITMAPINFOHEADER (height doubled), its palette, the XOR
bitmap stored bottom-up and the 1-bpp AND mask (1 = transparent), every row
padded to a multiple of four bytes.  The 16x16 images are hand-drawn pixel
maps; the 32x32 ones are drawn with a few simple primitives.  Only the Python
standard library is used and the output is byte-for-byte deterministic.

With --hicolor FOLDER it writes the same icon as the PNG files a Linux
desktop's menus and docks use instead, FOLDER/NxN/apps/<id>.png for N = 16,
32, 48, 64 and 128: the 256-colour pictures, the 16x16 one at 16 and at 48
(three times), the 32x32 one at 32, 64 and 128 (two and four times).  Whole
multiples of the hand-placed pixels keep every edge sharp.

Usage: scripts/make_icon.py [output.ico]
       scripts/make_icon.py --hicolor FOLDER
"""

import os
import struct
import sys
import zlib

# --------------------------------------------------------------------------
# Colours.  Keys are the one-letter codes used by the pixel maps; '.' means
# transparent.  Khaki, olive, blue and orange come from the main window's
# palette.
# --------------------------------------------------------------------------
COLOURS = {
    "K": (40, 34, 18),     # outline, nearly black brown
    "O": (220, 128, 3),    # board, orange
    "h": (246, 172, 66),   # board highlight
    "s": (166, 90, 0),     # board shade
    "d": (122, 66, 4),     # shadow cast by the paper onto the board
    "W": (253, 253, 246),  # paper
    "k": (220, 222, 194),  # khaki: paper edge, clip highlight
    "B": (71, 108, 158),   # blue text lines
    "M": (115, 114, 70),   # olive: clip metal
    "m": (78, 76, 42),     # dark olive: clip shade
}

# Extra shades only the 256-colour images use (a soft gradient on the board
# and the paper).
COLOURS_256 = {
    "o": (232, 146, 28),   # board, a touch lighter (upper part)
    "w": (243, 244, 230),  # paper, faint shade (lower part)
    "b": (104, 136, 178),  # light blue (line ends)
}


# --------------------------------------------------------------------------
# 16x16, hand-drawn.
# --------------------------------------------------------------------------
ICON16 = [
    "......KKKK......",
    ".....KkKKmK.....",
    ".KKKKkkkkkmKKKK.",
    "KhhhKkMMMMmKhhhK",
    "KhOOKkmmmmmKOOsK",
    "KhOWKKKKKKKKWOsK",
    "KhOWWWWWWWWWkOsK",
    "KhOWBBBBBBBWkOsK",
    "KhOWWWWWWWWWkOsK",
    "KhOWBBBBBWWWkOsK",
    "KhOWWWWWWWWWkOsK",
    "KhOWBBBBBBBWkOsK",
    "KhOWWWWWWWWWkOsK",
    "KhOkkkkkkkkkkOsK",
    "KhsssssssssssssK",
    ".KKKKKKKKKKKKKK.",
]


def icon16(rich):
    rows = [list(r) for r in ICON16]
    if rich:
        # Line ends fade a little, which softens the text without blurring it.
        for y in (7, 9, 11):
            xs = [x for x, c in enumerate(rows[y]) if c == "B"]
            rows[y][xs[-1]] = "b"
    return rows


# --------------------------------------------------------------------------
# 32x32, drawn with primitives.
# --------------------------------------------------------------------------
class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [["." for _ in range(w)] for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        """Filled rectangle, inclusive corners."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, c)

    def hline(self, x0, x1, y, c):
        self.rect(x0, y, x1, y, c)

    def vline(self, x, y0, y1, c):
        self.rect(x, y0, x, y1, c)

    def frame(self, x0, y0, x1, y1, c):
        self.hline(x0, x1, y0, c)
        self.hline(x0, x1, y1, c)
        self.vline(x0, y0, y1, c)
        self.vline(x1, y0, y1, c)

    def rows(self):
        return [row[:] for row in self.px]


def icon32(rich):
    cv = Canvas(32, 32)

    # Board: outlined rectangle with rounded corners and a bevel.
    bx0, by0, bx1, by1 = 1, 4, 30, 31
    cv.rect(bx0, by0, bx1, by1, "K")
    cv.rect(bx0 + 1, by0 + 1, bx1 - 1, by1 - 1, "O")
    if rich:
        cv.rect(bx0 + 1, by0 + 1, bx1 - 1, by0 + 12, "o")
    cv.hline(bx0 + 1, bx1 - 1, by0 + 1, "h")
    cv.vline(bx0 + 1, by0 + 1, by1 - 1, "h")
    cv.vline(bx1 - 1, by0 + 2, by1 - 1, "s")
    cv.hline(bx0 + 2, bx1 - 1, by1 - 1, "s")
    for (x, y) in ((bx0, by0), (bx1, by0), (bx0, by1), (bx1, by1)):
        cv.put(x, y, ".")
    for (x, y) in ((bx0 + 1, by0 + 1), (bx1 - 1, by0 + 1),
                   (bx0 + 1, by1 - 1), (bx1 - 1, by1 - 1)):
        cv.put(x, y, "K")

    # Paper, with a shadow cast down and to the right onto the board.
    px0, py0, px1, py1 = 5, 8, 25, 28
    cv.rect(px0 + 1, py0 + 1, px1 + 1, py1 + 1, "d")
    cv.rect(px0, py0, px1, py1, "K")
    cv.rect(px0 + 1, py0 + 1, px1 - 1, py1 - 1, "W")
    if rich:
        cv.rect(px0 + 1, py0 + 13, px1 - 1, py1 - 1, "w")
    cv.vline(px1 - 1, py0 + 1, py1 - 1, "k")
    cv.hline(px0 + 1, px1 - 1, py1 - 1, "k")
    # Bottom-right corner cut off along a diagonal, a dog-ear.
    for t in range(5):
        x, y = px1 - t, py1 - 4 + t
        cv.hline(x + 1, px1, y, "d")
        cv.put(x, y, "K")
        if t < 4:
            cv.put(x - 1, y, "k")

    # Text lines.
    for y, x1 in ((14, 21), (17, 18), (20, 21), (23, 16)):
        cv.hline(px0 + 3, x1, y, "B")
        cv.hline(px0 + 3, x1, y + 1, "B")
        if rich:
            cv.put(x1, y, "b")
            cv.put(x1, y + 1, "b")

    # Clip: a ring on top of a wide clamp.
    # Ring.
    rx0, ry0, rx1, ry1 = 11, 0, 20, 6
    cv.rect(rx0, ry0, rx1, ry1, "K")
    cv.rect(rx0 + 1, ry0 + 1, rx1 - 1, ry1, "M")
    cv.put(rx0, ry0, ".")
    cv.put(rx1, ry0, ".")
    cv.hline(rx0 + 1, rx1 - 2, ry0 + 1, "k")
    cv.vline(rx0 + 1, ry0 + 1, ry1, "k")
    cv.vline(rx1 - 1, ry0 + 2, ry1, "m")
    cv.rect(rx0 + 3, ry0 + 3, rx1 - 3, ry0 + 4, "K")  # the hole
    # Clamp, slightly wider at the bottom.
    cx0, cy0, cx1, cy1 = 8, 5, 23, 11
    cv.rect(cx0, cy0, cx1, cy1, "K")
    cv.rect(cx0 + 1, cy0 + 1, cx1 - 1, cy1 - 1, "M")
    cv.put(cx0, cy0, "K")
    cv.hline(cx0 + 1, cx1 - 1, cy0 + 1, "k")
    cv.vline(cx0 + 1, cy0 + 1, cy1 - 1, "k")
    cv.vline(cx1 - 1, cy0 + 2, cy1 - 1, "m")
    cv.hline(cx0 + 2, cx1 - 1, cy1 - 1, "m")
    # Join the ring into the clamp: no outline between them.
    cv.hline(rx0 + 1, rx1 - 1, cy0, "M")
    cv.put(rx0 + 1, cy0, "k")
    cv.put(rx1 - 1, cy0, "m")
    return cv.rows()


# --------------------------------------------------------------------------
# ICO writer.
# --------------------------------------------------------------------------
def palette_for(images, colours, size):
    """Index 0 is black (used under transparent pixels); the colours follow
    in a fixed order.  Padded with black up to `size` entries."""
    used = []
    for rows in images:
        for row in rows:
            for c in row:
                if c != "." and c not in used:
                    used.append(c)
    order = [c for c in colours if c in used]
    if len(order) + 1 > size:
        raise SystemExit("too many colours for a %d-entry palette" % size)
    pal = [(0, 0, 0)] + [colours[c] for c in order]
    index = {".": 0}
    for i, c in enumerate(order):
        index[c] = i + 1
    pal += [(0, 0, 0)] * (size - len(pal))
    return pal, index


def pad4(b):
    return b + b"\0" * (-len(b) % 4)


def bmp_entry(rows, bpp, pal, index):
    h = len(rows)
    w = len(rows[0])
    assert all(len(r) == w for r in rows)
    header = struct.pack("<IiiHHIIiiII",
                         40, w, h * 2, 1, bpp, 0, 0, 0, 0, 0, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal)
    xor = b""
    mask = b""
    for row in reversed(rows):  # bottom-up
        idx = [index[c] for c in row]
        if bpp == 8:
            line = bytes(idx)
        elif bpp == 4:
            line = bytes((idx[i] << 4) | (idx[i + 1] if i + 1 < w else 0)
                         for i in range(0, w, 2))
        else:
            raise ValueError(bpp)
        xor += pad4(line)
        bits = bytearray((w + 7) // 8)
        for x, c in enumerate(row):
            if c == ".":
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += pad4(bytes(bits))
    return header + palette + xor + mask


def build():
    colours_256 = dict(COLOURS)
    colours_256.update(COLOURS_256)

    big8, small8 = icon32(True), icon16(True)
    big4, small4 = icon32(False), icon16(False)

    pal8, idx8 = palette_for([big8, small8], colours_256, 256)
    pal4, idx4 = palette_for([big4, small4], COLOURS, 16)

    images = [
        (big8, 8, pal8, idx8),
        (small8, 8, pal8, idx8),
        (small4, 4, pal4, idx4),
        (big4, 4, pal4, idx4),
    ]
    blobs = [bmp_entry(*img) for img in images]

    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (rows, bpp, _pal, _idx), blob in zip(images, blobs):
        w, h = len(rows[0]), len(rows)
        ncolours = 0 if bpp >= 8 else 1 << bpp
        out += struct.pack("<BBBBHHII", w, h, ncolours, 0, 1, bpp,
                           len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


# --------------------------------------------------------------------------
# PNG writer (RGBA, 8 bits a channel) for the desktop's icon theme.
# --------------------------------------------------------------------------
DESKTOP_ID = "io.github.tavro.Tavro"

# Size in pixels -> (picture, how many times each pixel is repeated).
HICOLOR_SIZES = {16: ("16", 1), 32: ("32", 1), 48: ("16", 3), 64: ("32", 2),
                 128: ("32", 4)}


def png_chunk(kind, data):
    body = kind + data
    return (struct.pack(">I", len(data)) + body
            + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF))


def png(rows, colours, scale):
    size = len(rows) * scale
    raw = b""
    for row in rows:
        line = b"".join(
            (bytes(colours[c]) + b"\xff" if c != "." else b"\0\0\0\0") * scale
            for c in row)
        raw += (b"\0" + line) * scale  # filter type 0 on every scanline
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def write_hicolor(folder):
    colours = dict(COLOURS)
    colours.update(COLOURS_256)
    pictures = {"16": icon16(True), "32": icon32(True)}
    for size, (picture, scale) in sorted(HICOLOR_SIZES.items()):
        path = os.path.join(folder, "%dx%d" % (size, size), "apps", DESKTOP_ID + ".png")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png(pictures[picture], colours, scale))
        print("wrote %s" % os.path.normpath(path))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--hicolor":
        write_hicolor(sys.argv[2])
        return
    here = os.path.dirname(os.path.abspath(__file__))
    default = os.path.join(here, os.pardir, "src", "ui", "tavro.ico")
    path = sys.argv[1] if len(sys.argv) > 1 else default
    data = build()
    with open(path, "wb") as f:
        f.write(data)
    print("wrote %s (%d bytes)" % (os.path.normpath(path), len(data)))


if __name__ == "__main__":
    main()
