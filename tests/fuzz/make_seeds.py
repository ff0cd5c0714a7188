#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/: a few small valid files
of each kind and a few broken ones, each broken in one way a reader must refuse cleanly.
Run it from anywhere; it replaces the files it writes and leaves others alone."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(bytes(data))


# --- Length-prefixed strings ------------------------------------------------------------

def lstr(text):
    n = len(text)
    if n <= 254:
        return bytes([n]) + text
    if n <= 65533:
        return b"\xff" + struct.pack("<H", n) + text
    return b"\xff\xff\xff" + struct.pack("<I", n) + text


def lstr_utf16(text):
    units = text.encode("utf-16-le")
    return b"\xff\xfe\xff" + bytes([len(units) // 2]) + units


# --- GLF fonts --------------------------------------------------------------------------

SIGNATURE = lstr(b"GLFfile")


def glyph(width, height, seed):
    row = (width + 7) // 8
    bits = bytes(((seed * 37 + i * 11) * 2654435761 >> 13) & 0xFF for i in range(row * height))
    return bytes([width, height]) + bits


def glf(first, last, width, height, excluded=()):
    out = SIGNATURE + bytes([1, 0, first, last])
    for code in range(first, last + 1):
        out += b"\x00\x00" if code in excluded else glyph(width, height, code)
    return out


def glf_seeds():
    example = bytes.fromhex("07474C46 66696C65 0100 4142 0302A040 0000".replace(" ", ""))
    write("glf", "worked-example.GLF", example)
    small = glf(0, 40, 4, 6, excluded=range(0, 32))
    write("glf", "cell-4x6.GLF", small)
    write("glf", "wide-9x2.GLF", glf(60, 70, 9, 2))
    write("glf", "one-glyph.GLF", glf(255, 255, 16, 3))
    write("glf", "space-excluded.GLF", glf(0, 34, 5, 5, excluded=(32,)))
    write("glf", "signature-16bit.GLF", b"\xff\x07\x00GLFfile" + example[8:])
    write("glf", "signature-utf16.GLF", lstr_utf16("GLFfile") + example[8:])
    write("glf", "bad-last-below-first.GLF", SIGNATURE + bytes([1, 0, 66, 65]))
    write("glf", "bad-signature-case.GLF", lstr(b"GLFFile") + example[8:])
    write("glf", "bad-version.GLF", SIGNATURE + bytes([1, 1, 65, 66]) + example[12:])
    write("glf", "bad-cut-in-bits.GLF", small[:-3])


def string_seeds():
    write("length_string", "short", lstr(b"No user input yet!") + lstr(b""))
    write("length_string", "16bit", lstr(b"x" * 300))
    write("length_string", "32bit", b"\xff\xff\xff" + struct.pack("<I", 3) + b"abc")
    write("length_string", "utf16", lstr_utf16("Привет, мир") + lstr(b"tail"))
    write("length_string", "bad-nested-utf16", b"\xff\xfe\xff\xff\xfe\xff\x01A\x00")
    write("length_string", "bad-huge-length", b"\xff\xff\xff\xff\xff\xff\x7f" + b"a" * 16)
    write("length_string", "bad-cut", lstr(b"abcdef")[:4])


# --- .rdf documents ---------------------------------------------------------------------

def picture_block(width, height, ink=()):
    """The .rdf picture block: 1 bits are white, bit i of byte k is pixel 8k + i, and the
    bits past the width repeat the row's last pixel."""
    row_bytes = (width + 7) // 8
    out = struct.pack("<ii", width, height)
    for y in range(height):
        for k in range(row_bytes):
            byte = 0
            for i in range(8):
                x = min(8 * k + i, width - 1)
                if (x, y) not in ink:
                    byte |= 1 << i
            out += bytes([byte])
    return out


def rdf(user, space, result, picture, font, flags=(0, 0, 0, 0), line_width=3, coefficient=0.2):
    modified, present, result_picture, redraw = flags
    return (struct.pack("<i", modified) + lstr(user) + struct.pack("<i", space) + lstr(result) +
            struct.pack("<iiii", present, result_picture, redraw, line_width) + picture +
            lstr(result) + struct.pack("<d", coefficient) + font)


def font_ink(text, origin, cell):
    """The black pixels of text drawn with the glyphs of glf() of one cell size."""
    width, height = cell
    row = (width + 7) // 8
    ink = set()
    x0, y0 = origin
    for n, ch in enumerate(text):
        bits = glyph(width, height, ord(ch))[2:]
        for y in range(height):
            for x in range(width):
                if bits[y * row + x // 8] & (0x80 >> (x % 8)):
                    ink.add((x0 + n * width + x, y0 + y))
    return ink


def rdf_seeds():
    font = glf(0, 90, 4, 6, excluded=range(0, 32))
    write("rdf", "new-document.rdf",
          rdf(b"No user input yet!", 3, b"No recognition info yet!", picture_block(4, 12), font))
    text = "CAB"
    ink = font_ink(text, (2, 3), (4, 6))
    write("rdf", "text-CAB.rdf",
          rdf(text.encode(), 2, b"CAB  ", picture_block(4 * 6, 12, ink), font, flags=(0, 1, 1, 0)))
    write("rdf", "noise-coefficient-1.rdf",
          rdf(b"AB", 0, b"?", picture_block(12, 12, ink | {(0, 0), (5, 5), (11, 11)}), font,
              flags=(1, 1, 2, 0), line_width=5, coefficient=1.0))
    write("rdf", "cell-0-font.rdf",
          rdf(b"xyz", 1, b"", picture_block(9, 3), glf(0, 40, 3, 3, excluded=(32,))))
    write("rdf", "invalid-font-block.rdf",
          rdf(b"A", 1, b"", picture_block(8, 12), lstr(b"GLFfilf") + font[8:]))
    write("rdf", "font-cut-in-bits.rdf",
          rdf(b"A", 1, b"", picture_block(8, 12), font[:-2]))
    write("rdf", "bad-negative-width.rdf",
          rdf(b"A", 1, b"", struct.pack("<ii", -8, 12), font))
    write("rdf", "bad-ends-before-font.rdf",
          rdf(b"A", 1, b"", picture_block(8, 12), b""))


# --- .BMP files -------------------------------------------------------------------------

def bmp(width, height, bpp, pixels, palette=b"", compression=0, header=40, masks=b""):
    stride = (width * bpp + 31) // 32 * 4
    rows = abs(height)
    image = b"".join(pixels[r].ljust(stride, b"\x00") for r in range(rows))
    if header == 12:
        info = struct.pack("<IHHHH", 12, width, height, 1, bpp)
    else:
        colours = len(palette) // 4
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(image),
                           0, 0, colours, 0)
    offset = 14 + len(info) + len(masks) + len(palette)
    return (b"BM" + struct.pack("<IHHI", offset + len(image), 0, 0, offset) + info + masks +
            palette + image)


def rle(width, height, bpp, palette, data, compression=None):
    """A run-length encoded file: RLE8 at 8 bits per pixel, RLE4 at 4, unless told."""
    if compression is None:
        compression = 1 if bpp == 8 else 2
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(data),
                       0, 0, len(palette) // 4, 0)
    offset = 14 + len(info) + len(palette)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + palette + data


def bmp_seeds():
    rgb = [bytes([(x * 40) & 0xFF, (y * 90) & 0xFF, 0 if (x + y) % 2 else 255] * 1)
           for y in range(3) for x in range(5)]
    rows24 = [b"".join(rgb[y * 5:(y + 1) * 5]) for y in range(3)]
    write("bmp", "rgb24-5x3.bmp", bmp(5, 3, 24, rows24))
    write("bmp", "rgb32-top-down.bmp", bmp(3, -2, 32, [b"\x00\x00\x00\x00\xff\xff\xff\x00\x10\x20\x30\x00"] * 2))
    mono = b"\x00\x00\x00\x00\xff\xff\xff\x00"
    write("bmp", "mono-9x2.bmp", bmp(9, 2, 1, [b"\xa5\x80", b"\x5a\x00"], palette=mono))
    pal16 = b"".join(bytes([i * 16, i * 16, i * 16, 0]) for i in range(16))
    write("bmp", "grey4-3x2.bmp", bmp(3, 2, 4, [b"\x0f\xa0", b"\x12\x30"], palette=pal16))
    pal256 = b"".join(bytes([i, 255 - i, i, 0]) for i in range(256))
    write("bmp", "indexed8-4x1.bmp", bmp(4, 1, 8, [b"\x00\x7f\x80\xff"], palette=pal256))
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    write("bmp", "bitfields565-2x2.bmp",
          bmp(2, 2, 16, [b"\x00\xf8\xe0\x07", b"\x1f\x00\xff\xff"], compression=3, masks=masks))
    write("bmp", "core-header.bmp", bmp(2, 2, 24, [b"\x00" * 6, b"\xff" * 6], header=12))
    # Run-length seeds: runs, end of line, delta, absolute runs with their pad byte, and a
    # stream that ends without the end-of-bitmap mark.
    write("bmp", "rle8-4x1.bmp", bmp(4, 1, 8, [b"\x04\x01\x00\x01"], palette=pal256, compression=1))
    write("bmp", "rle8-escapes-5x3.bmp", rle(5, 3, 8, pal256, bytes([
        3, 7, 0, 0, 0, 3, 1, 2, 3, 0, 9, 4, 0, 0, 0, 2, 1, 1, 2, 200, 0, 1])))
    write("bmp", "rle4-escapes-7x3.bmp", rle(7, 3, 4, pal16, bytes([
        5, 0x1F, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 0, 0, 2, 2, 1, 3, 0xAB])))
    write("bmp", "bad-rle4-at-8-bits.bmp", rle(2, 2, 8, pal256, bytes([2, 1, 0, 1]), compression=2))
    write("bmp", "bad-cut-pixels.bmp", bmp(5, 3, 24, rows24)[:-10])
    write("bmp", "bad-huge-size.bmp",
          b"BM" + struct.pack("<IHHI", 70, 0, 0, 54) +
          struct.pack("<IiiHHIIiiII", 40, 0x7FFFFFFF, -0x7FFFFFFF, 1, 32, 0, 0, 0, 0, 0, 0) + b"\x00" * 16)


# --- dict.dic ---------------------------------------------------------------------------

def dict_seeds():
    write("dict", "latin", b"\x01cat\ndog\nice cream\n   spaced out   \r\nlast")
    write("dict", "cyrillic", b"\x00" + "кот\nпёс\nёж\r\n".encode("cp1251"))
    write("dict", "long-line", b"\x01" + b"  " + b"ab" * 600 + b"\nz\n")
    write("dict", "blank-lines", b"\x01\n\n   \n\r\n \r \n")
    write("dict", "no-alphabet", b"\x02ABC abc\nxyz{|}\n\x00zero\n")


# --- PNG, Netpbm, JPEG and WebP ---------------------------------------------------------

def picture_seeds():
    """The golden pictures of the picture-file tests (tests/data/pictures), one of each kind,
    and their broken files; not the large white ones."""
    folder = os.path.join(HERE, "..", "data", "pictures")
    kinds = {".png": "png", ".pbm": "pnm", ".pgm": "pnm", ".ppm": "pnm", ".jpg": "jpeg", ".webp": "webp"}
    for name in sorted(os.listdir(folder)):
        target = kinds.get(os.path.splitext(name)[1])
        if target and not name.startswith("white-"):
            with open(os.path.join(folder, name), "rb") as f:
                write(target, name, f.read())


# --- Pages ------------------------------------------------------------------------------

def page_seeds():
    """Pictures of lines of blocks, as a page of text looks to the reader, each after the byte
    that chooses the reading's options; and a screenshot of the tests as it is."""
    import random
    rng = random.Random(7)
    for name, width, height, paper, ink, choice in [("dark-lines", 90, 40, 0x10, 0xE0, 0x11),
                                                    ("light-grid", 72, 45, 0xFF, 0x00, 0x32),
                                                    ("black-rule", 60, 30, 0xFF, 0x00, 0x0B)]:
        rows = [[paper] * width for _ in range(height)]
        for top in range(2, height - 9, 9):
            for left in range(3, width - 6, 6):
                if rng.random() < 0.2:
                    continue
                for y in range(top + 1, top + 8):
                    for x in range(left, left + 5):
                        if rng.random() < 0.4:
                            rows[y][x] = ink
        if name == "black-rule":
            rows[height - 3] = [0x00] * width
        header = b"P5\n%d %d\n255\n" % (width, height)
        write("page", name, bytes([choice]) + header + bytes(v for row in rows for v in row))
    shot = os.path.join(HERE, "..", "data", "fit", "xterm-liberation-mono-10pt-dark.png")
    if os.path.exists(shot):
        with open(shot, "rb") as f:
            write("page", "xterm-shot", b"\x00" + f.read())
# --- Glyph sets -------------------------------------------------------------------------

def gset(width, height, phases, baseline, name, glyphs):
    """glyphs: (code, face, bytes of every phase's image)"""
    out = b"GSET" + struct.pack("<HHHBhH", 1, width, height, phases, baseline, len(name)) + name
    out += struct.pack("<I", len(glyphs))
    for code, face, images in glyphs:
        out += struct.pack("<IB", code, face) + images
    return out


def glyphset_seeds():
    small = gset(5, 2, 2, 1, b"ab", [(0x61, 0, bytes([0xF8, 0x08, 0x70, 0x50])),
                                      (0x416, 1, bytes([0xA8, 0x70, 0x20, 0xA8]))])
    write("glyphset", "small-2-phases.gset", small)
    cyrillic = gset(8, 3, 1, 2, "Кириллица".encode(), [(code, 0, bytes([code & 0xFF, 0x3C, 0x81]))
                                                         for code in range(0x410, 0x420)])
    write("glyphset", "cyrillic-8x3.gset", cyrillic)
    faces = gset(12, 2, 4, 0, b"", [(0x2500 + i, face, bytes(16)) for i in range(3) for face in range(4)])
    write("glyphset", "box-four-faces.gset", faces)
    write("glyphset", "bad-cut.gset", small[:-3])
    write("glyphset", "bad-version.gset", small[:4] + b"\x02\x00" + small[6:])
    write("glyphset", "bad-twice.gset", gset(5, 2, 1, 1, b"", [(0x61, 0, bytes(2)), (0x61, 0, bytes(2))]))


# --- Line fonts (.lfont) -----------------------------------------------------------------

def lfont(phases, pen, whole, name, glyphs, kerning=()):
    """glyphs: (text, look-alikes, face, advance16, script, rare, [(left, top, rows, maybe_rows)] per phase),
    rows being lists of ints of at most 64 bits, the leftmost pixel the highest bit of the width."""
    out = b"LFNT" + struct.pack("<HBBBH", 1, phases, pen, whole, len(name)) + name
    out += struct.pack("<I", len(glyphs))
    for text, alikes, face, advance, script, rare, images in glyphs:
        out += bytes([len(text)]) + b"".join(struct.pack("<I", ord(c)) for c in text)
        out += bytes([len(alikes)]) + b"".join(struct.pack("<I", ord(c)) for c in alikes)
        out += struct.pack("<BiBB", face, advance, script, rare)
        for left, top, width, rows, maybe in images:
            out += struct.pack("<hhHH", left, top, width, len(rows))
            out += b"".join(struct.pack("<Q", r << (64 - width)) for r in rows)
            out += b"".join(struct.pack("<Q", r << (64 - width)) for r in maybe)
    out += struct.pack("<I", len(kerning)) + b"".join(struct.pack("<HHi", *k) for k in kerning)
    return out


def linefont_seeds():
    blank = (0, 0, 0, [], [])
    a = (0, 5, 4, [0b0110, 0b0001, 0b0111, 0b1001, 0b0111], [0, 0, 0, 0, 0])
    a1 = (1, 5, 4, [0b0110, 0b0001, 0b0111, 0b1001, 0b0111], [0b1000, 0, 0, 0, 0])
    o = (0, 5, 4, [0b0110, 0b1001, 0b1001, 0b1001, 0b0110], [0, 0, 0, 0, 0])
    o1 = (1, 5, 3, [0b011, 0b100, 0b100, 0b100, 0b011], [0b100, 0, 0, 0, 0b100])
    small = lfont(2, 0, 0, b"made 2 phases",
                  [(" ", "", 0, 3 << 16, 0, 0, [blank, blank]),
                   ("a", "\u0430", 0, 5 << 16 | 0x4000, 0, 0, [a, a1]),
                   ("o", "\u043e", 1, 5 << 16, 0, 0, [o, o1]),
                   ("fi", "", 0, 6 << 16, 1, 0, [a, a1])],
                  kerning=[(1, 2, -(1 << 14)), (2, 1, 1 << 13)])
    write("linefont", "small-2-phases.lfont", small)
    write("linefont", "one-phase-down.lfont",
          lfont(1, 1, 1, b"", [("x", "", 0, 4 << 16, 1, 1, [(0, 3, 3, [0b101, 0b010, 0b101], [0, 0, 0])])]))
    write("linefont", "bad-cut.lfont", small[:-5])
    write("linefont", "bad-version.lfont", small[:4] + b"\x02\x00" + small[6:])
    write("linefont", "bad-kerning-order.lfont",
          lfont(1, 0, 0, b"", [("a", "", 0, 5 << 16, 1, 0, [a]), ("o", "", 0, 5 << 16, 1, 0, [o])],
                kerning=[(1, 0, 5), (0, 1, 5)]))
    write("linefont", "bad-ink-and-maybe.lfont",
          lfont(1, 0, 0, b"", [("a", "", 0, 5 << 16, 1, 0, [(0, 1, 2, [0b11], [0b10])])]))


if __name__ == "__main__":
    glf_seeds()
    string_seeds()
    rdf_seeds()
    bmp_seeds()
    dict_seeds()
    picture_seeds()
    page_seeds()
    glyphset_seeds()
    linefont_seeds()
