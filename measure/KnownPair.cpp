#include "measure/KnownPair.h"

#include <erfa.h>
#include <erfam.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/Rounding.h"
#include "core/Types.h"

namespace orvek {

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kLightKmPerS = 299792.458;

Unexpected<Error> Outside(std::string field, double value, double low, double high) {
  return Unexpected(
      Error(ErrorCode::OutOfRange).Field(std::move(field)).Values({value, low, high}));
}

bool IsSeparator(char c) {
  return c == ',' || c == ';' || c == ' ' || c == '\t';
}

}  // namespace

Result<CatalogueStar> ParseCatalogueStar(std::string_view text, std::string_view name) {
  const auto bad = [&] {
    return Unexpected(
        Error(ErrorCode::StarValues).Field(std::string(name)).Text(std::string(text)));
  };
  std::vector<double> values;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    if (i == text.size()) break;
    size_t end = i;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    Extended v = 0;
    if (!ParseNumber(std::string(text.substr(i, end - i)), v)) return bad();
    values.push_back(static_cast<double>(v));
    i = end;
  }
  if (values.size() < 4 || values.size() > 6) return bad();
  values.resize(6, 0.0);
  const CatalogueStar star{values[0], values[1], values[2], values[3], values[4], values[5]};
  if (Result<void> ok = CheckStar(star, name); !ok) return Unexpected(ok.error());
  return star;
}

Result<void> CheckStar(const CatalogueStar& s, std::string_view name) {
  const std::string n(name);
  if (!(s.raDeg >= 0 && s.raDeg < 360)) return Outside(n + ".ra", s.raDeg, 0, 360);
  // At a pole the right ascension and its proper motion have no direction.
  if (!(s.decDeg > -90 && s.decDeg < 90)) return Outside(n + ".dec", s.decDeg, -90, 90);
  if (!std::isfinite(s.pmRaMasPerYr)) return Outside(n + ".pmra", s.pmRaMasPerYr, -kInf, kInf);
  if (!std::isfinite(s.pmDecMasPerYr)) return Outside(n + ".pmdec", s.pmDecMasPerYr, -kInf, kInf);
  if (!(s.parallaxMas >= 0 && s.parallaxMas < kInf))
    return Outside(n + ".parallax", s.parallaxMas, 0, kInf);
  if (!(std::abs(s.rvKmPerS) < kLightKmPerS))
    return Outside(n + ".rv", s.rvKmPerS, -kLightKmPerS, kLightKmPerS);
  return {};
}

namespace {

struct Moved {
  double ra = 0, dec = 0;  // radians
};

Result<Moved> Move(const CatalogueStar& s, const char* name, const double from[2],
                   const double to[2]) {
  const double dec = s.decDeg * ERFA_DD2R;
  // ERFA takes the rate of the right ascension itself, Gaia gives it times cos(dec).
  const double pmr = s.pmRaMasPerYr * ERFA_DMAS2R / std::cos(dec);
  const double pmd = s.pmDecMasPerYr * ERFA_DMAS2R;
  Moved m;
  double pmr2 = 0, pmd2 = 0, px2 = 0, rv2 = 0;
  const int status =
      eraPmsafe(s.raDeg * ERFA_DD2R, dec, pmr, pmd, s.parallaxMas / 1000.0, s.rvKmPerS, from[0],
                from[1], to[0], to[1], &m.ra, &m.dec, &pmr2, &pmd2, &px2, &rv2);
  // Status 1 and 2 say that a tiny parallax or an excessive speed was replaced by ERFA's
  // limits, which is what a zero parallax asks for; 4 and -1 leave no usable position.
  if (status < 0 || (status & 4) != 0)
    return Unexpected(Error(ErrorCode::SpaceMotion).Field(name).Values({double(status)}));
  return m;
}

}  // namespace

Result<PairGeometry> PairAtEpoch(const CatalogueStar& a, const CatalogueStar& b, double epoch,
                                 double referenceEpoch) {
  if (Result<void> ok = CheckStar(a, "A"); !ok) return Unexpected(ok.error());
  if (Result<void> ok = CheckStar(b, "B"); !ok) return Unexpected(ok.error());
  if (!std::isfinite(epoch)) return Outside("epoch", epoch, -kInf, kInf);
  if (!std::isfinite(referenceEpoch)) return Outside("ref-epoch", referenceEpoch, -kInf, kInf);

  double from[2], to[2];
  eraEpj2jd(referenceEpoch, &from[0], &from[1]);
  eraEpb2jd(epoch, &to[0], &to[1]);
  const Result<Moved> ma = Move(a, "A", from, to);
  if (!ma) return Unexpected(ma.error());
  const Result<Moved> mb = Move(b, "B", from, to);
  if (!mb) return Unexpected(mb.error());

  PairGeometry g;
  g.thetaDeg = eraAnp(eraPas(ma->ra, ma->dec, mb->ra, mb->dec)) * ERFA_DR2D;
  // eraAnp gives [0, 2 pi); a value a hair below 2 pi may still round to 360 in degrees.
  if (g.thetaDeg >= 360) g.thetaDeg -= 360;
  g.rhoArcsec = eraSeps(ma->ra, ma->dec, mb->ra, mb->dec) * ERFA_DR2AS;
  return g;
}

}  // namespace orvek
