#!/usr/bin/python3
"""Computes the expected values of ObsTimeTest.cpp with astropy (and Python's datetime for
the 100 ns tick counts of SER files), and prints them as the C++ table rows pasted there.

Run: /usr/bin/python3 tests/time/make_time_fixtures.py
"""
from datetime import datetime, timedelta

from astropy.time import Time

# UTC instants: ordinary dates, J2000, the leap second at the end of 2016 (inside it and just
# after), the leap second of mid-1985, a leap day.
INSTANTS = [
    "2023-09-07T22:22:39.131",
    "2000-01-01T12:00:00.000",
    "2016-12-31T23:59:60.500",
    "2017-01-01T00:00:00.000",
    "1985-06-30T23:59:60.000",
    "2024-02-29T06:30:15.250",
    "1972-01-01T00:00:00.000",
]

# The Besselian epoch is that of the TT date (astropy gives a UTC Time's byear on its UTC date).
print("// instant, JD(UTC), JD(TT), Besselian epoch of TT")
for iso in INSTANTS:
    t = Time(iso, format="isot", scale="utc", precision=3)
    print('    EpochCase{"%s", %.9f, %.9f, %.12f},' % (iso, t.jd, t.tt.jd, t.tt.byear))

# SER time stamps: 100 ns ticks since 0001-01-01T00:00, days of 86400 s.
print("// SER ticks and the instant they stand for")
for stamp in ["2023-09-07T22:22:39.131697", "2016-12-31T23:59:59.999999", "0001-01-01T00:00:00.0001"]:
    dt = datetime.strptime(stamp, "%Y-%m-%dT%H:%M:%S.%f")
    ticks = (dt - datetime(1, 1, 1)) // timedelta(microseconds=1) * 10
    print('    TickCase{%dLL, "%s"},' % (ticks, stamp))

# Seconds between instants across the 2016 leap second (TAI difference).
a = Time("2016-12-31T23:59:59", scale="utc")
b = Time("2017-01-01T00:00:01", scale="utc")
print("// seconds from 2016-12-31T23:59:59 to 2017-01-01T00:00:01: %.6f" % ((b - a).sec))
