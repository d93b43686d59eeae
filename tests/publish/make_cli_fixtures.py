#!/usr/bin/python3
"""Computes the expected values of PublishCliTest.cpp with astropy: the Besselian epochs (TT)
of the synthetic frames' mid-exposure times, and theta and rho of the calibration pair at
the mean epoch of its frames (both stars moved with SkyCoord.apply_space_motion from J2016.0).

Run: /usr/bin/python3 tests/publish/make_cli_fixtures.py
"""
import astropy.units as u
import numpy as np
from astropy.coordinates import Distance, SkyCoord
from astropy.time import Time

# Frames of the first night: starts 60 s apart from 21:00:00 UTC, 2 s exposures (mid +1 s).
NIGHT1 = [Time("2024-03-10T21:00:01", scale="utc") + k * 60 * u.s for k in range(5)]
# The second night: one frame.
NIGHT2 = [Time("2024-03-20T22:30:01", scale="utc")]


def star(ra, dec, pmra, pmdec, plx, rv):
    return SkyCoord(ra=ra * u.deg, dec=dec * u.deg, pm_ra_cosdec=pmra * u.mas / u.yr,
                    pm_dec=pmdec * u.mas / u.yr, distance=Distance(parallax=plx * u.mas),
                    radial_velocity=rv * u.km / u.s,
                    obstime=Time(2016.0, format="jyear", scale="tt"))


night1 = np.mean([t.tt.byear for t in NIGHT1])
print(f"first frame epoch {NIGHT1[0].tt.byear!r}")
print(f"night 1 epoch {night1!r}")
print(f"night 2 epoch {NIGHT2[0].tt.byear!r}")
a = star(150.0, 30.0, -250.0, 180.0, 40.0, 12.0)
b = star(150.0014, 30.0011, -240.0, 175.0, 40.0, 10.0)
at = Time(night1, format="byear", scale="tt")
a, b = a.apply_space_motion(new_obstime=at), b.apply_space_motion(new_obstime=at)
print(f"theta {a.position_angle(b).deg!r} rho {a.separation(b).arcsec!r}")
