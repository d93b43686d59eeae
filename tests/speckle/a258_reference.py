#!/usr/bin/env python3
"""Independent reference for the close-pair test on the real series a258_f0001..0012.fit.

Plain Python (no Orvek code, no numpy): reads the 16-bit FITS frames, cuts 128 x 128 round the
brightest 5 x 5 mean of each frame (the median outside the frame), sums the power spectra with
its own radix-2 FFT, transforms back to the autocorrelation, subtracts the 13 x 13 box mean,
and prints the offset of the strongest secondary maximum between 3 and 32 pixels of the
centre, refined by the centroid of the 3 x 3 pixels round it. Run it with the folder of the
frames:  python3 a258_reference.py ../shared/realdata/speckles-interferometry/images
The test of the real series compares its result with the numbers printed here.
"""
import cmath
import math
import struct
import sys

N = 128
BOX = 6


def read_fits(path):
    data = open(path, "rb").read()
    cards, i = {}, 0
    while True:
        card = data[i:i + 80].decode("ascii")
        i += 80
        key = card[:8].strip()
        if card[8:10] == "= ":
            cards[key] = card[10:].split("/")[0].strip()
        if key == "END":
            break
    i = (i + 2879) // 2880 * 2880
    w, h = int(cards["NAXIS1"]), int(cards["NAXIS2"])
    zero = float(cards.get("BZERO", "0"))
    raw = struct.unpack(">%dh" % (w * h), data[i:i + 2 * w * h])
    return w, h, [[raw[y * w + x] + zero for x in range(w)] for y in range(h)]


def fft(a, sign):
    n = len(a)
    if n == 1:
        return a
    even, odd = fft(a[0::2], sign), fft(a[1::2], sign)
    out = [0j] * n
    for k in range(n // 2):
        t = cmath.exp(sign * 2j * math.pi * k / n) * odd[k]
        out[k], out[k + n // 2] = even[k] + t, even[k] - t
    return out


def fft2(rows, sign):
    rows = [fft(r, sign) for r in rows]
    cols = [fft([rows[y][x] for y in range(N)], sign) for x in range(N)]
    return [[cols[x][y] for x in range(N)] for y in range(N)]


def main(folder):
    power = [[0.0] * N for _ in range(N)]
    for k in range(1, 13):
        w, h, img = read_fits("%s/a258_f%04d.fit" % (folder, k))
        best, bx, by = -1, 0, 0
        for y in range(2, h - 2):
            for x in range(2, w - 2):
                s = sum(img[y + j][x + i] for i in range(-2, 3) for j in range(-2, 3))
                if s > best:
                    best, bx, by = s, x, y
        values = sorted(v for row in img for v in row)
        median = values[len(values) // 2]
        crop = [[complex(img[y][x]) if 0 <= x < w and 0 <= y < h else complex(median)
                 for x in range(bx - N // 2, bx + N // 2)]
                for y in range(by - N // 2, by + N // 2)]
        f = fft2(crop, -1)
        for y in range(N):
            for x in range(N):
                power[y][x] += abs(f[y][x]) ** 2
    acf = fft2([[complex(v) for v in row] for row in power], 1)
    # Centred: zero shift at (N/2, N/2).
    a = [[acf[(y + N // 2) % N][(x + N // 2) % N].real for x in range(N)] for y in range(N)]
    c = N // 2
    # The zero shift holds the noise of every pixel: take the mean of its four neighbours.
    a[c][c] = (a[c - 1][c] + a[c + 1][c] + a[c][c - 1] + a[c][c + 1]) / 4
    sub = [[0.0] * N for _ in range(N)]
    for y in range(BOX, N - BOX):
        for x in range(BOX, N - BOX):
            box = sum(a[y + j][x + i] for i in range(-BOX, BOX + 1) for j in range(-BOX, BOX + 1))
            sub[y][x] = a[y][x] - box / (2 * BOX + 1) ** 2
    best, px, py = -1e300, 0, 0
    for y in range(c - 32, c + 33):
        for x in range(c - 32, c + 33):
            r = math.hypot(x - c, y - c)
            if r < 3 or r > 32:
                continue
            v = sub[y][x]
            if all(v > sub[y + j][x + i] for i in (-1, 0, 1) for j in (-1, 0, 1) if i or j) and v > best:
                best, px, py = v, x, y
    weights = [(sub[py + j][px + i], px + i, py + j) for i in (-1, 0, 1) for j in (-1, 0, 1)]
    floor = min(wt for wt, _, _ in weights)
    total = sum(wt - floor for wt, _, _ in weights)
    dx = sum((wt - floor) * x for wt, x, _ in weights) / total - c
    dy = sum((wt - floor) * y for wt, _, y in weights) / total - c
    print("peak at dx %.2f dy %.2f: rho %.2f px, angle %.1f deg (mod 180)"
          % (dx, dy, math.hypot(dx, dy), math.degrees(math.atan2(dy, dx)) % 180))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "../shared/realdata/speckles-interferometry/images")
