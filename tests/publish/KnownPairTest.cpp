// Theta and rho of a pair at an epoch, against astropy's space motion.

#include <gtest/gtest.h>

#include <cmath>

#include "measure/KnownPair.h"

namespace orvek {
namespace {

struct PairCase {
  CatalogueStar a, b;
  double epoch, referenceEpoch;
  double thetaDeg, rhoArcsec;  // astropy 5.2: tests/publish/make_known_pair_fixtures.py
};

class KnownPairAgainstAstropy : public ::testing::TestWithParam<PairCase> {};

TEST_P(KnownPairAgainstAstropy, AgreesToAThousandthOfADegreeAndATenthOfAMas) {
  const PairCase& c = GetParam();
  const Result<PairGeometry> g = PairAtEpoch(c.a, c.b, c.epoch, c.referenceEpoch);
  ASSERT_TRUE(g.ok()) << DebugText(g.error());
  EXPECT_NEAR(g->thetaDeg, c.thetaDeg, 0.001);
  EXPECT_NEAR(g->rhoArcsec, c.rhoArcsec, 0.0001);
}

INSTANTIATE_TEST_SUITE_P(Pairs, KnownPairAgainstAstropy,
                         ::testing::Values(
                             // nearby fast pair, 61 Cyg-like
                             PairCase{{316.7485, 38.7494, 4164.2, 3249.6, 285.99, -65.9},
                                      {316.753, 38.7418, 4105.8, 3155.9, 286.0, -64.1},
                                      2024.5,
                                      2016.0,
                                      156.686465540,
                                      30.6594295},
                             // the same pair a century back
                             PairCase{{316.7485, 38.7494, 4164.2, 3249.6, 285.99, -65.9},
                                      {316.753, 38.7418, 4105.8, 3155.9, 286.0, -64.1},
                                      1925.0,
                                      2016.0,
                                      136.383237279,
                                      26.0419525},
                             // southern, alpha Cen-like
                             PairCase{{219.902058, -60.833972, -3608.0, 686.0, 747.1, -21.4},
                                      {219.896096, -60.837528, -3614.0, 802.0, 747.1, -18.6},
                                      2023.684,
                                      2016.0,
                                      221.418771913,
                                      15.8834643},
                             // across RA 0
                             PairCase{{359.9995, 12.5, 15.0, -8.0, 4.2, 0.0},
                                      {0.0008, 12.5003, 14.0, -9.0, 4.1, 0.0},
                                      2030.0,
                                      2016.0,
                                      76.828227118,
                                      4.6781386},
                             // near the pole
                             PairCase{{37.95, 89.264, 44.2, -11.7, 7.5, -17.0},
                                      {38.5, 89.2655, 40.1, -9.9, 7.4, 0.0},
                                      2021.25,
                                      2016.0,
                                      77.696767954,
                                      25.9570083},
                             // no parallax, no radial velocity
                             PairCase{{150.0, -20.0, -5.0, 2.0, 0.0, 0.0},
                                      {150.001, -20.0005, -4.0, 3.0, 0.0, 0.0},
                                      2000.0,
                                      2015.5,
                                      118.331147570,
                                      3.8256164}));

// Values typed or pasted from a catalogue's table are read; values no star has are refused
// with the field at fault.
TEST(KnownPair, ReadsPastedValuesAndRefusesImpossibleOnes) {
  const Result<CatalogueStar> pasted =
      ParseCatalogueStar(" 316.7485\t38.7494 ; 4164.2, 3249.6 ", "A");
  ASSERT_TRUE(pasted.ok());
  EXPECT_EQ(pasted->pmDecMasPerYr, 3249.6);
  EXPECT_EQ(pasted->parallaxMas, 0);
  EXPECT_EQ(pasted->rvKmPerS, 0);

  struct Bad {
    const char* text;
    ErrorCode code;
    const char* field;
  };
  for (const Bad& bad : {Bad{"10,20,1", ErrorCode::StarValues, "B"},
                         Bad{"10,20,1,2,3,4,5", ErrorCode::StarValues, "B"},
                         Bad{"10,20,x,2", ErrorCode::StarValues, "B"},
                         Bad{"10,91,1,2", ErrorCode::OutOfRange, "B.dec"},
                         Bad{"10,-90,1,2", ErrorCode::OutOfRange, "B.dec"},
                         Bad{"360,20,1,2", ErrorCode::OutOfRange, "B.ra"},
                         Bad{"10,20,1,2,-0.3", ErrorCode::OutOfRange, "B.parallax"},
                         Bad{"10,20,1,2,3,300000", ErrorCode::OutOfRange, "B.rv"}}) {
    const Result<CatalogueStar> s = ParseCatalogueStar(bad.text, "B");
    ASSERT_FALSE(s.ok()) << bad.text;
    EXPECT_EQ(s.error().code, bad.code) << bad.text;
    EXPECT_EQ(s.error().field, bad.field) << bad.text;
  }
  CatalogueStar nan;
  nan.pmRaMasPerYr = std::nan("");
  const Result<PairGeometry> g = PairAtEpoch(CatalogueStar{}, nan, 2024.0);
  ASSERT_FALSE(g.ok());
  EXPECT_EQ(g.error().field, "B.pmra");
  EXPECT_EQ(PairAtEpoch(CatalogueStar{}, CatalogueStar{}, HUGE_VAL).error().field, "epoch");
}

}  // namespace
}  // namespace orvek
