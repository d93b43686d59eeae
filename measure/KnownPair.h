#pragma once
// Position angle and separation of a pair at an epoch, from the catalogue astrometry of both
// stars (Gaia DR3 style), each star moved with its space motion by ERFA's eraPmsafe.

#include <string_view>

#include "core/Result.h"

namespace orvek {

/// Reference epoch of Gaia DR3 astrometry, as a Julian year (J2016.0).
inline constexpr double kGaiaDr3Epoch = 2016.0;

/// One star's catalogue astrometry, in the units Gaia DR3 gives.
struct CatalogueStar {
  double raDeg = 0;          ///< right ascension (ICRS), degrees, 0 <= ra < 360
  double decDeg = 0;         ///< declination, degrees, -90 < dec < 90 (not at a pole)
  double pmRaMasPerYr = 0;   ///< proper motion in right ascension times cos(dec), mas/yr
  double pmDecMasPerYr = 0;  ///< proper motion in declination, mas/yr
  double parallaxMas = 0;    ///< parallax, mas, >= 0 (0 when unknown)
  double rvKmPerS = 0;       ///< radial velocity, km/s (0 when unknown)
};

/// Where B stands from A.
struct PairGeometry {
  double thetaDeg = 0;   ///< position angle of B from A, north through east, [0, 360)
  double rhoArcsec = 0;  ///< separation, arc-seconds
};

/// Reads "RA,DEC,PMRA,PMDEC[,PLX[,RV]]": four to six numbers separated by commas, semicolons,
/// blanks or tabs (as typed, or pasted from a catalogue's table). Missing parallax and
/// radial velocity are 0. `name` names the star in errors ("A", "B"). Fails with StarValues
/// (field = name, text = the text) when the count or a number is wrong, or as CheckStar does.
Result<CatalogueStar> ParseCatalogueStar(std::string_view text, std::string_view name);

/// Refuses values no star can have: OutOfRange (field = name + ".ra", ".dec", ".pmra",
/// ".pmdec", ".parallax" or ".rv"; values: the value and the allowed bounds) for a value
/// that is not finite, a right ascension outside [0, 360), a declination outside (-90, 90),
/// a negative parallax, a radial velocity not below the speed of light.
Result<void> CheckStar(const CatalogueStar& star, std::string_view name);

/// Theta and rho of B from A at the Besselian epoch `epoch`, both stars moved from the
/// Julian epoch `referenceEpoch` (TT) with their proper motions, parallaxes and radial
/// velocities (eraPmsafe, which also copes with a zero parallax). Fails as CheckStar does,
/// with OutOfRange (field "epoch" or "ref-epoch") for an epoch that is not finite, or with
/// SpaceMotion (field "A" or "B") when ERFA cannot move a star.
Result<PairGeometry> PairAtEpoch(const CatalogueStar& a, const CatalogueStar& b, double epoch,
                                 double referenceEpoch = kGaiaDr3Epoch);

}  // namespace orvek
