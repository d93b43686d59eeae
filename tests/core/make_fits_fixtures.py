#!/usr/bin/python3
"""Writes FITS fixtures with astropy, and dumps the pixel values astropy reads from any FITS
file, so that Orvek's reader can be checked against an independent implementation.

  make_fits_fixtures.py write FOLDER        writes the fixtures into FOLDER
  make_fits_fixtures.py dump FILE OUT       writes OUT: width, height, bitpix, then the first
                                            plane of the primary image as float64 values
                                            (row after row, x fastest), little-endian
"""
import sys

import numpy as np
from astropy.io import fits


def write(folder):
    rng = np.random.default_rng(2011)
    w, h = 13, 7
    y, x = np.mgrid[0:h, 0:w]
    base = (x * 17 + y * 101).astype(np.int64)

    fits.PrimaryHDU((base % 256).astype(np.uint8)).writeto(f"{folder}/u8.fits", overwrite=True)
    # uint16: astropy writes BITPIX 16 with BZERO 32768.
    fits.PrimaryHDU((base * 97 % 65536).astype(np.uint16)).writeto(f"{folder}/u16.fits", overwrite=True)
    fits.PrimaryHDU((base * 1000003 - 5000000).astype(np.int32)).writeto(f"{folder}/i32.fits", overwrite=True)
    fits.PrimaryHDU(rng.normal(500.0, 80.0, (h, w)).astype(np.float32)).writeto(f"{folder}/f32.fits", overwrite=True)
    fits.PrimaryHDU(rng.normal(-3.0, 2.0, (h, w)).astype(np.float64)).writeto(f"{folder}/f64.fits", overwrite=True)
    # Signed 16-bit with a scale, and a header spread over several blocks.
    hdu = fits.PrimaryHDU((base - 300).astype(np.int16))
    hdu.header["BSCALE"] = 0.25
    hdu.header["BZERO"] = 10.5
    for i in range(80):
        hdu.header[f"HIST{i:04d}"] = (i, "filler card to spread the header over blocks")
    hdu.writeto(f"{folder}/scaled_i16_blocks.fits", overwrite=True, output_verify="silentfix")


def dump(path, out):
    with fits.open(path, do_not_scale_image_data=True) as hdul:
        hdr = hdul[0].header
        raw = hdul[0].data
        bitpix = hdr["BITPIX"]
        while raw.ndim > 2:
            raw = raw[0]
        bscale = float(hdr.get("BSCALE", 1.0))
        bzero = float(hdr.get("BZERO", 0.0))
        values = raw.astype(np.float64)
        if bitpix != 8:
            values = values * bscale + bzero
        h, w = values.shape
        with open(out, "wb") as f:
            np.array([w, h, bitpix], dtype="<i8").tofile(f)
            np.ascontiguousarray(values, dtype="<f8").tofile(f)


if __name__ == "__main__":
    if sys.argv[1] == "write":
        write(sys.argv[2])
    else:
        dump(sys.argv[2], sys.argv[3])
