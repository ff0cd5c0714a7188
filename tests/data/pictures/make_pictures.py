#!/usr/bin/env python3
"""Writes the golden pictures of the picture-file tests: one 9 x 7 picture in every kind of
PNG and Netpbm file the readers take, each beside NAME.txt, its exact pixels as the readers
must give them (one row per line, RRGGBB per pixel), and a few broken files. The PNG and
Netpbm encoders here are written from the formats' definitions and share nothing with the
readers. JPEG and WebP files are made with ImageMagick's convert; the pixels of a lossy one
are what convert decodes (through the same libjpeg-turbo and libwebp as the readers, with
their default settings), those of a lossless one the pixels written.
Run it from anywhere; it replaces the files it writes."""

import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
W, H = 9, 7


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def write_expected(name, pixels):
    lines = [" ".join("%02X%02X%02X" % pixels[y][x] for x in range(W)) for y in range(H)]
    with open(os.path.join(HERE, name + ".txt"), "w") as f:
        f.write("\n".join(lines) + "\n")


def grid(f):
    return [[f(x, y) for x in range(W)] for y in range(H)]


# --- The picture in its kinds: stored samples and the pixels a reader must give ---------

def grey8(x, y):
    return (x * 31 + y * 37) % 256


def rgb8(x, y):
    return ((x * 29 + y * 53) % 256, (x * x * 7 + y * 31) % 256, (x * y * 13 + 200) % 256)


def alpha8(x, y):
    a = (x * 41 + y * 67) % 256
    return 0 if (x + y) % 5 == 0 else 255 if (x + y) % 5 == 1 else a


def over_white(c, a):
    return (c * a + 255 * (255 - a) + 127) // 255


def widen(s8, x, y):
    """A 16-bit sample that scales back to s8 or, for some, to s8 + 1."""
    extra = (0, 100, 200)[(x + 2 * y) % 3]
    if s8 == 255:
        extra = 0
    return s8 * 257 + extra


def narrow(s16):
    return (s16 * 255 + 32767) // 65535


PALETTE = [((i * 37) % 256, (i * 91 + 7) % 256, (255 - i * 13) % 256) for i in range(16)]
PALETTE_ALPHA = [255, 0, 128, 64, 200, 10, 255, 255]  # entries past the list are opaque


def index(x, y):
    return (x + 2 * y) % 16


# --- PNG --------------------------------------------------------------------------------

def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def pack_row(samples, depth):
    """Packs one row of samples (ints) of depth bits into bytes."""
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = acc << depth | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png(colour_type, depth, samples, palette=None, trns=None, interlaced=False, filters=(0,)):
    """samples(x, y) gives the list of a pixel's samples; rows use the filters in turn
    (0 none, 1 sub, 2 up) so that the reader's unfiltering is exercised."""
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    bpp = max(1, channels * depth // 8)

    def encode(xs, ys):
        raw, prior = b"", None
        for n, y in enumerate(ys):
            row = pack_row([s for x in xs for s in samples(x, y)], depth)
            kind = filters[n % len(filters)]
            if kind == 1:
                row = bytes((row[i] - (row[i - bpp] if i >= bpp else 0)) % 256 for i in range(len(row)))
            elif kind == 2:
                row = bytes((row[i] - (prior[i] if prior else 0)) % 256 for i in range(len(row)))
            prior = pack_row([s for x in xs for s in samples(x, y)], depth)
            raw += bytes([kind]) + row
        return raw

    if interlaced:
        raw = b""
        for sx, sy, dx, dy in ADAM7:
            xs, ys = list(range(sx, W, dx)), list(range(sy, H, dy))
            if xs and ys:
                raw += encode(xs, ys)
    else:
        raw = encode(list(range(W)), list(range(H)))
    out = b"\x89PNG\r\n\x1a\n"
    out += chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, depth, colour_type, 0, 0, 1 if interlaced else 0))
    if palette:
        out += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        out += chunk(b"tRNS", trns)
    data = zlib.compress(raw, 9)
    # Two IDAT chunks: the reader must join them.
    out += chunk(b"IDAT", data[: len(data) // 2]) + chunk(b"IDAT", data[len(data) // 2 :])
    out += chunk(b"IEND", b"")
    return out


def grey_pixel(v):
    return (v, v, v)


def png_pictures():
    write("grey8.png", png(0, 8, lambda x, y: [grey8(x, y)], filters=(0, 1, 2)))
    write_expected("grey8.png", grid(lambda x, y: grey_pixel(grey8(x, y))))

    bit = lambda x, y: (x * 3 + y) % 4 == 0
    write("grey1.png", png(0, 1, lambda x, y: [0 if bit(x, y) else 1]))
    write_expected("grey1.png", grid(lambda x, y: (0, 0, 0) if bit(x, y) else (255, 255, 255)))

    write("grey4.png", png(0, 4, lambda x, y: [grey8(x, y) >> 4]))
    write_expected("grey4.png", grid(lambda x, y: grey_pixel((grey8(x, y) >> 4) * 17)))

    write("grey16.png", png(0, 16, lambda x, y: [widen(grey8(x, y), x, y)], filters=(1,)))
    write_expected("grey16.png", grid(lambda x, y: grey_pixel(narrow(widen(grey8(x, y), x, y)))))

    # A grey picture whose one transparent level reads as white.
    clear = grey8(2, 1)
    write("grey8-trns.png", png(0, 8, lambda x, y: [grey8(x, y)], trns=struct.pack(">H", clear)))
    write_expected("grey8-trns.png", grid(lambda x, y: grey_pixel(255 if grey8(x, y) == clear else grey8(x, y))))

    write("grey-alpha8.png", png(4, 8, lambda x, y: [grey8(x, y), alpha8(x, y)], filters=(2, 1)))
    write_expected("grey-alpha8.png", grid(lambda x, y: grey_pixel(over_white(grey8(x, y), alpha8(x, y)))))

    write("palette4.png", png(3, 4, lambda x, y: [index(x, y)], palette=PALETTE))
    write_expected("palette4.png", grid(lambda x, y: PALETTE[index(x, y)]))

    def palette_pixel(x, y):
        i = index(x, y)
        a = PALETTE_ALPHA[i] if i < len(PALETTE_ALPHA) else 255
        return tuple(over_white(c, a) for c in PALETTE[i])

    write("palette8-trns.png", png(3, 8, lambda x, y: [index(x, y)], palette=PALETTE, trns=bytes(PALETTE_ALPHA)))
    write_expected("palette8-trns.png", grid(palette_pixel))

    write("rgb8.png", png(2, 8, lambda x, y: list(rgb8(x, y)), filters=(1, 2, 0)))
    write_expected("rgb8.png", grid(rgb8))

    clear_rgb = rgb8(4, 3)
    write("rgb8-trns.png", png(2, 8, lambda x, y: list(rgb8(x, y)), trns=struct.pack(">HHH", *clear_rgb)))
    write_expected("rgb8-trns.png", grid(lambda x, y: (255, 255, 255) if rgb8(x, y) == clear_rgb else rgb8(x, y)))

    write("rgb16.png", png(2, 16, lambda x, y: [widen(c, x, y) for c in rgb8(x, y)]))
    write_expected("rgb16.png", grid(lambda x, y: tuple(narrow(widen(c, x, y)) for c in rgb8(x, y))))

    write("rgba8.png", png(6, 8, lambda x, y: list(rgb8(x, y)) + [alpha8(x, y)], filters=(0, 2)))
    write_expected("rgba8.png", grid(lambda x, y: tuple(over_white(c, alpha8(x, y)) for c in rgb8(x, y))))

    def rgba16_pixel(x, y):
        a = narrow(widen(alpha8(x, y), x, y))
        return tuple(over_white(narrow(widen(c, x, y)), a) for c in rgb8(x, y))

    write("rgba16.png", png(6, 16, lambda x, y: [widen(c, x, y) for c in rgb8(x, y)] + [widen(alpha8(x, y), x, y)]))
    write_expected("rgba16.png", grid(rgba16_pixel))

    write("rgb8-interlaced.png", png(2, 8, lambda x, y: list(rgb8(x, y)), interlaced=True, filters=(1, 2)))
    write_expected("rgb8-interlaced.png", grid(rgb8))

    write("grey1-interlaced.png", png(0, 1, lambda x, y: [0 if bit(x, y) else 1], interlaced=True))
    write_expected("grey1-interlaced.png", grid(lambda x, y: (0, 0, 0) if bit(x, y) else (255, 255, 255)))

    # Broken files, each refused with a reason.
    good = png(2, 8, lambda x, y: list(rgb8(x, y)))
    idat = good.index(b"IDAT")
    write("bad-cut-in-pixels.png", good[: idat + 20])
    write("bad-no-end.png", good[: good.index(b"IEND") - 4])
    bad_crc = bytearray(good)
    bad_crc[29] ^= 0x55  # a byte of the IHDR's CRC
    write("bad-header-crc.png", bytes(bad_crc))
    huge = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 100000, 100000, 8, 2, 0, 0, 0))
    write("bad-huge.png", huge + chunk(b"IDAT", zlib.compress(b"\0" * 1000)) + chunk(b"IEND", b""))
    bad_depth = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 3, 2, 0, 0, 0))
    write("bad-depth.png", bad_depth + good[good.index(b"IDAT") - 4 :])


# --- Netpbm -----------------------------------------------------------------------------

def pnm_pictures():
    bit = lambda x, y: (x * 3 + y) % 4 == 0
    bits_text = "\n".join(" ".join("1" if bit(x, y) else "0" for x in range(W)) for y in range(H))
    write("bitmap.pbm", ("P1\n# a comment\n%d %d\n" % (W, H) + bits_text + "\n").encode())
    write_expected("bitmap.pbm", grid(lambda x, y: (0, 0, 0) if bit(x, y) else (255, 255, 255)))

    # Plain bits may run together without white space.
    packed = "".join("".join("1" if bit(x, y) else "0" for x in range(W)) + "\n" for y in range(H))
    write("bitmap-packed.pbm", ("P1 %d %d\n" % (W, H) + packed).encode())
    write_expected("bitmap-packed.pbm", grid(lambda x, y: (0, 0, 0) if bit(x, y) else (255, 255, 255)))

    raw = b"".join(pack_row([1 if bit(x, y) else 0 for x in range(W)], 1) for y in range(H))
    write("bitmap-raw.pbm", b"P4\n#comment\n%d#another\n %d\n" % (W, H) + raw)
    write_expected("bitmap-raw.pbm", grid(lambda x, y: (0, 0, 0) if bit(x, y) else (255, 255, 255)))

    # maxval 1000: samples are scaled to 8 bits and rounded.
    def grey1000(x, y):
        return (grey8(x, y) * 1000 + 127) // 255 + (1 if (x + y) % 2 else 0)

    text = "\n".join(" ".join(str(grey1000(x, y)) for x in range(W)) for y in range(H))
    write("grey-plain.pgm", ("P2\n%d %d\n# comment before maxval\n1000\n" % (W, H) + text + "\n").encode())
    write_expected("grey-plain.pgm", grid(lambda x, y: grey_pixel((grey1000(x, y) * 255 + 500) // 1000)))

    write("grey-raw.pgm", b"P5 %d %d 255\n" % (W, H) + bytes(grey8(x, y) for y in range(H) for x in range(W)))
    write_expected("grey-raw.pgm", grid(lambda x, y: grey_pixel(grey8(x, y))))

    write("grey-raw15.pgm", b"P5\n%d %d\n15\n" % (W, H) + bytes(grey8(x, y) >> 4 for y in range(H) for x in range(W)))
    write_expected("grey-raw15.pgm", grid(lambda x, y: grey_pixel(((grey8(x, y) >> 4) * 255 + 7) // 15)))

    samples16 = [widen(grey8(x, y), x, y) for y in range(H) for x in range(W)]
    write("grey-raw16.pgm", b"P5\n%d %d\n65535\n" % (W, H) + b"".join(struct.pack(">H", s) for s in samples16))
    write_expected("grey-raw16.pgm", grid(lambda x, y: grey_pixel((widen(grey8(x, y), x, y) * 255 + 32767) // 65535)))

    text = "\n".join("  ".join("%d %d %d" % rgb8(x, y) for x in range(W)) for y in range(H))
    write("rgb-plain.ppm", ("P3\n# made by hand\n%d %d\n255\n" % (W, H) + text + "\n").encode())
    write_expected("rgb-plain.ppm", grid(rgb8))

    write("rgb-raw.ppm", b"P6\n%d %d\n255\n" % (W, H) + bytes(c for y in range(H) for x in range(W) for c in rgb8(x, y)))
    write_expected("rgb-raw.ppm", grid(rgb8))

    raw16 = b"".join(struct.pack(">H", widen(c, x, y)) for y in range(H) for x in range(W) for c in rgb8(x, y))
    write("rgb-raw16.ppm", b"P6\n%d %d\n65535\n" % (W, H) + raw16)
    write_expected("rgb-raw16.ppm", grid(lambda x, y: tuple((widen(c, x, y) * 255 + 32767) // 65535 for c in rgb8(x, y))))

    # A picture without ink, for readers of text.
    write("blank.pbm", b"P1\n%d %d\n" % (W, H) + b"0" * (W * H) + b"\n")
    write_expected("blank.pbm", grid(lambda x, y: (255, 255, 255)))

    # Broken files.
    full = b"P6\n%d %d\n255\n" % (W, H) + bytes(c for y in range(H) for x in range(W) for c in rgb8(x, y))
    write("bad-cut.ppm", full[:-1])
    write("bad-above-maximum.pgm", b"P2 2 1 10 5 11\n")
    write("bad-maximum-0.pgm", b"P5 2 1 0\n\0\0")
    write("bad-maximum-too-large.pgm", b"P5 2 1 65536\n\0\0\0\0")
    write("bad-huge.pgm", b"P5 100000 100000 255\n" + b"\0" * 100)
    write("bad-plain-letter.ppm", b"P3 1 1 255 1 x 3\n")
    write("bad-no-size.pbm", b"P1\n# nothing else\n")
    write("bad-empty.pgm", b"P5 0 3 255\n")


# --- .BMP -------------------------------------------------------------------------------

def bmp(bits, rows, palette=(), top_down=False):
    """An uncompressed .BMP file with a 40-byte header; rows are lists of pixel values
    (palette indexes, or (r, g, b) for 24 and 32 bits), top row first."""
    stride = (W * bits + 31) // 32 * 4
    data = b""
    for row in (rows if top_down else reversed(rows)):
        if bits == 24:
            line = b"".join(bytes((b, g, r)) for r, g, b in row)
        elif bits == 32:
            line = b"".join(bytes((b, g, r, 0)) for r, g, b in row)
        else:
            line = pack_row(row, bits)
        data += line + b"\0" * (stride - len(line))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    header = b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, W, -H if top_down else H, 1, bits, 0, len(data), 0, 0, len(palette), 0)
    return header + info + table + data


def bmp_pictures():
    write("rgb24.bmp", bmp(24, grid(rgb8)))
    write_expected("rgb24.bmp", grid(rgb8))
    write("rgb32-top-down.bmp", bmp(32, grid(rgb8), top_down=True))
    write_expected("rgb32-top-down.bmp", grid(rgb8))
    write("palette8.bmp", bmp(8, grid(index), PALETTE))
    write_expected("palette8.bmp", grid(lambda x, y: PALETTE[index(x, y)]))
    bit = lambda x, y: (x * 3 + y) % 4 == 0
    write("bitmap1.bmp", bmp(1, grid(lambda x, y: 0 if bit(x, y) else 1), [(0, 0, 0), (255, 255, 255)]))
    write_expected("bitmap1.bmp", grid(lambda x, y: (0, 0, 0) if bit(x, y) else (255, 255, 255)))


# --- JPEG and WebP ----------------------------------------------------------------------

def convert(source, target, *options):
    subprocess.run(["convert", source, *options, os.path.join(HERE, target)], check=True)


def decoded(name, channels):
    """The pixels convert decodes from NAME, as rows of tuples of channels 8-bit samples."""
    raw = subprocess.run(["convert", os.path.join(HERE, name), "-depth", "8", "rgba:-" if channels == 4 else "rgb:-"],
                         check=True, stdout=subprocess.PIPE).stdout
    w, h = size_of(name)
    assert len(raw) == w * h * channels, name
    return [[tuple(raw[(y * w + x) * channels:(y * w + x + 1) * channels]) for x in range(w)] for y in range(h)]


def size_of(name):
    out = subprocess.run(["identify", "-format", "%w %h", os.path.join(HERE, name)], check=True,
                         stdout=subprocess.PIPE).stdout.split()
    return int(out[0]), int(out[1])


def write_rows(name, rows):
    with open(os.path.join(HERE, name + ".txt"), "w") as f:
        f.write("\n".join(" ".join("%02X%02X%02X" % p[:3] for p in row) for row in rows) + "\n")


def with_exif_orientation(jpeg, orientation):
    """The JPEG with an Exif segment right after its start marker that says to turn the
    picture (6: 90 degrees clockwise)."""
    tiff = b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", 1)
    tiff += struct.pack("<HHII", 0x0112, 3, 1, orientation) + struct.pack("<I", 0)
    segment = b"Exif\0\0" + tiff
    return jpeg[:2] + b"\xFF\xE1" + struct.pack(">H", len(segment) + 2) + segment + jpeg[2:]


def compressed_pictures():
    with tempfile.TemporaryDirectory() as work:
        rgb_png = os.path.join(work, "rgb.png")
        with open(rgb_png, "wb") as f:
            f.write(png(2, 8, lambda x, y: list(rgb8(x, y))))
        rgba_png = os.path.join(work, "rgba.png")
        with open(rgba_png, "wb") as f:
            f.write(png(6, 8, lambda x, y: list(rgb8(x, y)) + [alpha8(x, y)]))
        grey_png = os.path.join(work, "grey.png")
        with open(grey_png, "wb") as f:
            f.write(png(0, 8, lambda x, y: [grey8(x, y)]))

        # JPEG: baseline colour (4:2:0), grey, progressive, and the baseline file with an Exif
        # orientation that the readers leave alone.
        convert(rgb_png, "rgb-baseline.jpg", "-quality", "90", "-sampling-factor", "2x2")
        write_rows("rgb-baseline.jpg", decoded("rgb-baseline.jpg", 3))
        convert(grey_png, "grey.jpg", "-quality", "90", "-colorspace", "Gray", "-type", "Grayscale")
        write_rows("grey.jpg", decoded("grey.jpg", 3))
        convert(rgb_png, "rgb-progressive.jpg", "-quality", "80", "-interlace", "Plane")
        write_rows("rgb-progressive.jpg", decoded("rgb-progressive.jpg", 3))
        with open(os.path.join(HERE, "rgb-baseline.jpg"), "rb") as f:
            baseline = f.read()
        write("rgb-exif-rotated.jpg", with_exif_orientation(baseline, 6))
        write_rows("rgb-exif-rotated.jpg", decoded("rgb-baseline.jpg", 3))
        # CMYK (stored inverted, as Adobe's files are) in flat blocks, which a JPEG keeps
        # exactly: full cyan, and half black. Each pixel is its inks' share of white.
        subprocess.run(["convert", "-size", "8x8", "xc:#00FFFF", "-size", "8x8", "xc:#808080", "+append",
                        "-colorspace", "CMYK", "-quality", "100", "-sampling-factor", "1x1",
                        os.path.join(HERE, "cmyk.jpg")], check=True)
        inks = subprocess.run(["convert", os.path.join(HERE, "cmyk.jpg"), "-depth", "8", "cmyk:-"], check=True,
                              stdout=subprocess.PIPE).stdout
        white = lambda ink, k: ((255 - ink) * (255 - k) + 127) // 255
        write_rows("cmyk.jpg", [[tuple(white(inks[4 * (y * 16 + x) + c], inks[4 * (y * 16 + x) + 3]) for c in range(3))
                                 for x in range(16)] for y in range(8)])
        write("bad-cut.jpg", baseline[: len(baseline) * 2 // 3])

        # WebP: lossy and lossless, with and without alpha.
        convert(rgb_png, "rgb-lossy.webp", "-quality", "80")
        write_rows("rgb-lossy.webp", decoded("rgb-lossy.webp", 3))
        convert(rgba_png, "rgba-lossy.webp", "-quality", "80")
        write_rows("rgba-lossy.webp", [[tuple(over_white(c, p[3]) for c in p[:3]) for p in row]
                                      for row in decoded("rgba-lossy.webp", 4)])
        convert(rgb_png, "rgb-lossless.webp", "-define", "webp:lossless=true")
        write_expected("rgb-lossless.webp", grid(rgb8))
        convert(rgba_png, "rgba-lossless.webp", "-define", "webp:lossless=true", "-define", "webp:exact=true")
        write_expected("rgba-lossless.webp", grid(lambda x, y: tuple(over_white(c, alpha8(x, y)) for c in rgb8(x, y))))
        with open(os.path.join(HERE, "rgb-lossy.webp"), "rb") as f:
            lossy = f.read()
        write("bad-cut.webp", lossy[: len(lossy) * 2 // 3])

        # Small files of large white pictures, for running out of memory.
        for name in ("white-1000.png", "white-1000.jpg", "white-1000.webp"):
            subprocess.run(["convert", "-size", "1000x1000", "xc:white", os.path.join(HERE, name)], check=True)


png_pictures()
pnm_pictures()
bmp_pictures()
compressed_pictures()
