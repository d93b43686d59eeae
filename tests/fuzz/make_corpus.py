#!/usr/bin/python3
"""Writes the seed corpora of the fuzz targets into corpus/<target>/.

The FITS seeds are written by astropy, the others from their formats' published layouts, so
that no seed comes from Orvek's own writers. Run again only to rebuild the seeds; inputs that
the fuzzer found are kept beside them under their own names.
"""
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def put(target, name, data):
    folder = os.path.join(OUT, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def fits_seeds():
    import numpy as np
    from astropy.io import fits
    import io

    def write(name, array, **cards):
        hdu = fits.PrimaryHDU(array)
        for k, v in cards.items():
            hdu.header[k] = v
        buf = io.BytesIO()
        hdu.writeto(buf)
        put("fits", name, buf.getvalue())

    grid = np.arange(20).reshape(4, 5)
    write("u8.fits", grid.astype(np.uint8))
    write("i16.fits", (grid * 300 - 2000).astype(np.int16))
    write("u16_bzero.fits", (grid * 3000).astype(np.uint16))  # BZERO 32768 by astropy
    write("i32.fits", (grid * 100000 - 7).astype(np.int32))
    write("f32.fits", (grid / 7.0).astype(np.float32))
    write("f64_nan.fits", np.where(grid == 3, np.nan, grid / 3.0))
    write("i16_scaled.fits", grid.astype(np.int16), BSCALE=2.5, BZERO=-10.0)
    write("cube.fits", np.arange(24).reshape(2, 3, 4).astype(np.int16))
    write("dated.fits", grid.astype(np.int16), **{"DATE-OBS": "2011-06-18T21:04:05.250",
                                                    "EXPTIME": 0.5})


def bmp(width, height, bits, pixels, palette=b"", compression=0, top_down=False,
        masks=b"", core=False):
    if core:
        info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                           compression, len(pixels), 2835, 2835,
                           len(palette) // 4 if palette else 0, 0)
    offset = 14 + len(info) + len(masks) + len(palette)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + info + masks + palette + pixels


def rows(width, height, bits, value):
    stride = (width * bits + 31) // 32 * 4
    out = b""
    for y in range(height):
        row = bytes(value(x, y) for x in range((width * bits + 7) // 8))
        out += row + b"\0" * (stride - len(row))
    return out


def bmp_seeds():
    grey = b"".join(bytes((g, g, g, 0)) for g in range(256))
    put("bmp", "rgb24.bmp", bmp(5, 3, 24, rows(5, 3, 24, lambda x, y: (x * 40 + y) % 256)))
    put("bmp", "rgb24_topdown.bmp",
        bmp(3, 2, 24, rows(3, 2, 24, lambda x, y: x * 9 + y), top_down=True))
    put("bmp", "pal8.bmp", bmp(6, 4, 8, rows(6, 4, 8, lambda x, y: x * 30 + y), grey))
    put("bmp", "pal4.bmp", bmp(7, 3, 4, rows(7, 3, 4, lambda x, y: 0x1F), grey[:64]))
    put("bmp", "mono1.bmp",
        bmp(9, 2, 1, rows(9, 2, 1, lambda x, y: 0xA5), bytes((0, 0, 0, 0, 255, 255, 255, 0))))
    rle8 = bytes((3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 2, 2, 1, 5, 0, 1))
    put("bmp", "rle8.bmp", bmp(5, 3, 8, rle8, grey, compression=1))
    rle4 = bytes((4, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 1, 1, 2, 0x77, 0, 1))
    put("bmp", "rle4.bmp", bmp(6, 3, 4, rle4, grey[:64], compression=2))
    masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
    put("bmp", "rgb565.bmp",
        bmp(4, 2, 16, rows(4, 2, 16, lambda x, y: 0x5A), compression=3, masks=masks))
    put("bmp", "rgb555.bmp", bmp(3, 3, 16, rows(3, 3, 16, lambda x, y: x + 3 * y)))
    put("bmp", "argb32.bmp", bmp(2, 2, 32, rows(2, 2, 32, lambda x, y: 17 * x + y)))
    put("bmp", "os2.bmp", bmp(4, 2, 24, rows(4, 2, 24, lambda x, y: 99), core=True))


def extended(v):
    """The 10 bytes of an x87 80-bit value (little-endian), for whole numbers and halves."""
    if v == 0:
        return bytes(10)
    sign = 0x8000 if v < 0 else 0
    v = abs(v)
    e = math.floor(math.log2(v))
    mantissa = int(v * 2 ** (63 - e))
    return struct.pack("<QH", mantissa, sign | (e + 16383))


def orv(width, height, values):
    return extended(width) + extended(height) + b"".join(extended(v) for v in values)


def orv_seeds():
    put("orv", "3x2.orv", orv(3, 2, [0, 1, 2.5, -4, 65535, 1e9]))
    put("orv", "1x1.orv", orv(1, 1, [7]))
    put("orv", "8x8.orv", orv(8, 8, [(x * 37) % 101 for x in range(64)]))


def ser(width, height, depth, color, frames, little=0, stamps=True):
    head = b"LUCAM-RECORDER" + struct.pack("<7i", 0, color, little, width, height, depth,
                                           frames)
    head += b"observer".ljust(40, b"\0") + b"scope".ljust(40, b"\0") + b"tel".ljust(40, b" ")
    head += struct.pack("<qq", 634456000000000000, 634456000000000000)
    planes = 3 if color in (100, 101) else 1
    size = width * height * planes * (1 if depth <= 8 else 2)
    data = bytes((i * 7) % 256 for i in range(size * frames))
    trailer = b"".join(struct.pack("<q", 634456000000000000 + 400000 * i)
                       for i in range(frames)) if stamps else b""
    return head + data + trailer


def ser_seeds():
    put("ser", "mono8.ser", ser(4, 3, 8, 0, 2))
    put("ser", "rgb16_big.ser", ser(2, 2, 12, 100, 1, little=1))
    put("ser", "bayer_nostamps.ser", ser(4, 2, 8, 8, 3, stamps=False))


def png_bytes(width, height):
    raw = b"".join(b"\0" + b"".join(bytes((x * 60 % 256, y * 90 % 256, 200, 255))
                                    for x in range(width))
                   for y in range(height))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6,
                                                             0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def cursor(image, hot=(1, 2), kind=2, width=4, height=4):
    head = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, hot[0], hot[1], len(image), 22)
    return head + entry + image


def cursor_bitmap(width, height, bits, palette_count):
    info = struct.pack("<IiiHHIIiiII", 40, width, 2 * height, 1, bits, 0, 0, 0, 0,
                       palette_count, 0)
    palette = b"".join(bytes((i * 80 % 256, 0, 255 - i, 0)) for i in range(palette_count))
    colour = rows(width, height, bits, lambda x, y: (x * 13 + y * 7) % 256)
    mask = rows(width, height, 1, lambda x, y: 0x0F)
    return info + palette + colour + mask


def cursor_seeds():
    put("cursor", "bits1.cur", cursor(cursor_bitmap(16, 16, 1, 2), width=16, height=16))
    put("cursor", "bits4.cur", cursor(cursor_bitmap(8, 8, 4, 16), width=8, height=8))
    put("cursor", "bits8.cur", cursor(cursor_bitmap(4, 4, 8, 0)))
    put("cursor", "bits24.cur", cursor(cursor_bitmap(4, 2, 24, 0), width=4, height=2))
    put("cursor", "bits32.cur", cursor(cursor_bitmap(3, 3, 32, 0), hot=(9, 9), width=3, height=3))
    put("cursor", "icon.ico", cursor(cursor_bitmap(4, 4, 8, 4), kind=1))
    put("cursor", "png.cur", cursor(png_bytes(3, 2), width=3, height=2))


def text_seeds():
    put("settings", "shipped_head.ini",
        "; settings\r\n[Langage]\r\nLangue=F\r\n\r\n[FMain]\r\nm1=&Aide\r\nm4=\"&Fichier\"\r\n"
        "[EErrors]\r\nDataTruncated={path}: {v1} x {v2} pixels need {v3} bytes, {v4}\r\n"
        .encode())
    put("settings", "lf_bom.ini",
        b"\xef\xbb\xbf[PARAMS]\nDelta=0.25\nEpsilon = 0.1 \nHScroll1=x\n# note\n\n[params]\nk=v\n")
    put("settings", "odd.ini", b"key before section=1\n[ A ]\n=novalue\n[B\nk='q'\n[]\n")
    put("cameras", "cameras.ini",
        "[CUSTOMCAMERAS]\r\ncam0=Shipped\r\nlar0=5.6\r\nhau0=5.6\r\ncam1=DMK 21\r\nlar1=5.6\r\n"
        "hau1=5,6\r\ncam2=Caméra µ\r\nlar2=-\r\nhau2=\r\n[CAMERA]\r\nCamera=1\r\n".encode())
    put("cameras", "gap.ini", b"[CUSTOMCAMERAS]\ncam1=A\ncam3=C\nlar1=1e3\n")
    for i, text in enumerate(["12.5", "-3e-4", " 7 ", "1e308", "0.1", "9223372036854775807",
                              "-0", "1,5", "abc", ".5", "5.", "1e-320", "+4", "0x1F"]):
        put("numbers", "n%02d.txt" % i, text.encode())


if __name__ == "__main__":
    fits_seeds()
    bmp_seeds()
    orv_seeds()
    ser_seeds()
    cursor_seeds()
    text_seeds()
    sys.exit(0)
