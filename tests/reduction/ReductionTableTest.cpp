// The measurement table: entry of pairs, the recomputation with its roundings, sorting,
// rejection, deletion, calibration mode, orientation, binning, cameras and stored settings.
// Expected values are worked out by hand in the comments beside them.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/IniFile.h"
#include "core/Utils.h"
#include "measure/ReductionTable.h"
#include "reduction/ReductionTestSupport.h"
#include "support/TestSupport.h"

namespace orvek {
namespace {

using test::AddPair;
using test::Meas;

class TableTest : public ::testing::Test {
 protected:
  test::TempHome home;  // before the table: its settings file lives here
  ReductionTable table{SettingsPath()};
  void SetUp() override { table.RAZ(); }

  const std::string& F(ReductionField f) const { return table.Field(f); }
  /// Rho rows: B straight above A (north with "ns"), so theta is 360 and rho = distance.
  void AddRhoRow(Extended distance, Extended intA = 1000, Extended intB = 1000, int nA = 10,
                 int nB = 10) {
    AddPair(table, 50, 5000, 50, 5000 - distance, "/data/f.fit", intA, intB, nA, nB);
  }
};

// ---- Entry of pairs ---------------------------------------------------------------------

TEST_F(TableTest, FirstEntryOpensRowSecondCompletesItThirdOpensNext) {
  EXPECT_EQ(table.Caption(), "Reduction (0 images)");
  EXPECT_FALSE(table.LastRowOpen());  // the header's "Image" cell counts as complete
  // 10.12345 x 1000 = 10123.45 -> 10123; 20.98765 x 1000 = 20987.65 -> 20988.
  auto r = table.SaveCentroid(Meas(10.12345, 20.98765, 1234.5, 17), "/data/a.fit");
  EXPECT_TRUE(r.status.ok);
  EXPECT_EQ(r.passes, 0);  // an A alone recomputes nothing
  ASSERT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.Cell(1, kColXA), "10.123");
  EXPECT_EQ(table.Cell(1, kColYA), "20.988");
  EXPECT_EQ(table.Cell(1, kColIntA), "1234.5");
  EXPECT_EQ(table.Cell(1, kColNA), "17");
  EXPECT_EQ(table.Cell(1, kColImage), "");
  EXPECT_TRUE(table.LastRowOpen());
  EXPECT_EQ(F(ReductionField::CentroidX), "10.123");
  EXPECT_EQ(F(ReductionField::CentroidN), "17");
  EXPECT_EQ(table.Caption(), "Reduction (0 images)");

  r = table.SaveCentroid(Meas(13.5, 16, 500, 12), "/data/sub/b.fit");
  EXPECT_TRUE(r.status.ok) << r.status.message;
  EXPECT_GE(r.passes, 1);
  ASSERT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.Cell(1, kColXB), "13.5");
  EXPECT_EQ(table.Cell(1, kColYB), "16");
  EXPECT_EQ(table.Cell(1, kColIntB), "500");
  EXPECT_EQ(table.Cell(1, kColNB), "12");
  EXPECT_EQ(table.Cell(1, kColImage), "b.fit");
  EXPECT_EQ(table.Cell(1, kColPath), "/data/sub/");
  EXPECT_EQ(table.Cell(1, kColBin), "1");
  EXPECT_EQ(table.Caption(), "Reduction (1 images)");
  ASSERT_EQ(table.ResultRowCount(), 2);
  EXPECT_EQ(table.ResultCell(1, kResImage), "b.fit");

  table.SaveCentroid(Meas(1, 2), "/data/c.fit");
  EXPECT_EQ(table.RowCount(), 3);
  EXPECT_TRUE(table.LastRowOpen());
}

TEST_F(TableTest, InvalidMeasurementEntersLikeAnyOther) {
  AddPair(table, 10, 10, 10, 5, "/d/a.fit", 1000, -1, 10, 0);
  EXPECT_EQ(table.Cell(1, kColIntB), "-1");
  EXPECT_EQ(table.Cell(1, kColNB), "0");
  EXPECT_EQ(table.ResultCell(1, kResDm), "-999");
}

TEST_F(TableTest, HeadersAndWidthsAreThoseOfTheGrids) {
  ASSERT_EQ(table.RowCount(), 1);
  EXPECT_EQ(table.Cell(0, kColXA), "xA");
  EXPECT_EQ(table.Cell(0, kColBin), "Bin");
  EXPECT_EQ(kRawWidths[kColImage], 150);
  EXPECT_EQ(kRawWidths[kColPath], 20);
  EXPECT_EQ(table.ResultCell(0, kResRRho), "rRho");
  EXPECT_EQ(kResultWidths[kResImage], 100);
  EXPECT_EQ(kResultWidths[kResTheta], 54);
}

// ---- Angles -----------------------------------------------------------------------------

TEST_F(TableTest, RawAngleFollowsTheOrientation) {
  // "ns", "ew": north up, east left.
  EXPECT_EQ(table.RawAngle(0, -5), 360.0);  // B exactly above: 360 stays 360
  EXPECT_EQ(table.RawAngle(-5, 0), 90.0);   // B to the left (east)
  EXPECT_EQ(table.RawAngle(5, 0), 270.0);   // B to the right (west)
  EXPECT_EQ(table.RawAngle(0, 5), 180.0);   // B below (south)
  EXPECT_EQ(table.RawAngle(-5, -5), 45.0);  // north-east
  table.SetOrientation("ns", "we");
  EXPECT_EQ(table.RawAngle(-5, 0), 270.0);  // east is now on the right
  table.SetOrientation("sn", "ew");
  EXPECT_EQ(table.RawAngle(0, -5), 180.0);  // north is now at the bottom
}

TEST_F(TableTest, ThetaOfBExactlyAboveIsShown360) {
  AddPair(table, 100, 100, 100, 95);
  EXPECT_EQ(table.ResultCell(1, kResTheta), "360");
  EXPECT_EQ(F(ReductionField::txtTheta), "360");
}

TEST(Normalize360, KeepsThreeSixtyAndWraps) {
  EXPECT_EQ(ReductionTable::Normalize360(360), 360);
  EXPECT_EQ(ReductionTable::Normalize360(720), 360);  // 720 - 360 = 360, which stays
  EXPECT_EQ(ReductionTable::Normalize360(0), 0);
  EXPECT_EQ(ReductionTable::Normalize360(-360), 0);
  EXPECT_EQ(ReductionTable::Normalize360(725.5L), 5.5L);
  EXPECT_EQ(ReductionTable::Normalize360(-5), 355);
  // 1e12 = 360 x 2777777777 + 280; a huge angle does not loop for ever.
  EXPECT_EQ(ReductionTable::Normalize360(1e12L), 280);
}

TEST_F(TableTest, MeanThetaSubtractsDelta) {
  table.EditField(ReductionField::txtDelta, "5");
  // B at 10 degrees: dx = -10 sin 10 = -1.736, dy = -10 cos 10 = -9.848 (3 decimals);
  // atan(1.736 / 9.848) = 9.9974 degrees, shown 10.00. Likewise 3.420 / 9.397 gives 20.00.
  AddPair(table, 100, 100, 98.264, 90.152);
  AddPair(table, 100, 100, 96.580, 90.603);
  EXPECT_EQ(table.ResultCell(1, kResTheta), "5");
  EXPECT_EQ(table.ResultCell(2, kResTheta), "15");
  EXPECT_EQ(F(ReductionField::txtTheta), "10");
  EXPECT_EQ(table.ResultCell(1, kResRThe), "-5");
  EXPECT_EQ(table.ResultCell(2, kResRThe), "5");
  // sqrt((25 + 25) / (2 - 1)) = 7.0711 -> 7.07
  EXPECT_EQ(F(ReductionField::sigTh), "7.07");
}

TEST_F(TableTest, ResidualsWrapAroundNorth) {
  // Raw angles 359 (dx = +1.745, dy = -99.985) and 1 (dx = -1.745): atan(1.745 / 99.985)
  // = 0.99986 degrees, shown 1.00 and 359.00.
  for (int i = 0; i < 4; ++i) AddPair(table, 100, 100, 101.745, 0.015);
  AddPair(table, 100, 100, 98.255, 0.015);
  // Plain mean (4 x 359 + 1) / 5 = 287.4 > 270; the 1 gives 1 + 360 - 287.4 = 73.6.
  EXPECT_EQ(F(ReductionField::txtTheta), "287.4");
  EXPECT_EQ(table.ResultCell(1, kResRThe), "71.6");
  EXPECT_EQ(table.ResultCell(5, kResRThe), "73.6");

  table.RAZ();
  for (int i = 0; i < 4; ++i) AddPair(table, 100, 100, 98.255, 0.015);
  AddPair(table, 100, 100, 101.745, 0.015);
  // Mean (4 + 359) / 5 = 72.6 < 90; the 359 gives 359 - 360 - 72.6 = -73.6.
  EXPECT_EQ(F(ReductionField::txtTheta), "72.6");
  EXPECT_EQ(table.ResultCell(1, kResRThe), "-71.6");
  EXPECT_EQ(table.ResultCell(5, kResRThe), "-73.6");
}

// ---- Rho, dispersions, binning by name, magnitudes ------------------------------------------

TEST_F(TableTest, OneRowDividesByOne) {
  AddRhoRow(5);
  EXPECT_EQ(table.ResultCell(1, kResRho), "5");
  EXPECT_EQ(table.ResultCell(1, kResRRho), "0");
  EXPECT_EQ(table.ResultCell(1, kResRThe), "0");
  EXPECT_EQ(F(ReductionField::sigTh), "0");
  EXPECT_EQ(F(ReductionField::sigRh), "0");
  EXPECT_EQ(F(ReductionField::txtRho), "5");
}

TEST_F(TableTest, DispersionDividesByNMinusOne) {
  // Rho 1, 2, 3: mean 2, residuals -1, 0, 1, sum of squares 2, / (3 - 1) = 1.
  AddRhoRow(1);
  AddRhoRow(2);
  AddRhoRow(3);
  EXPECT_EQ(F(ReductionField::txtRho), "2");
  EXPECT_EQ(F(ReductionField::sigRh), "1");
  EXPECT_EQ(table.ResultCell(1, kResRRho), "-1");
}

TEST_F(TableTest, FileNamePrefixGivesTheBinning) {
  AddPair(table, 10, 20, 10, 12, "/d/quad_quad_x.fit");  // 8 px / 4
  AddPair(table, 10, 20, 10, 12, "/d/quad_x.fit");       // 8 px / 2
  AddPair(table, 10, 20, 10, 12, "/d/x_quad_.fit");      // 8 px / 1
  EXPECT_EQ(table.Cell(1, kColBin), "4");
  EXPECT_EQ(table.Cell(2, kColBin), "2");
  EXPECT_EQ(table.Cell(3, kColBin), "1");
  EXPECT_EQ(table.ResultCell(1, kResRho), "2");
  EXPECT_EQ(table.ResultCell(2, kResRho), "4");
  EXPECT_EQ(table.ResultCell(3, kResRho), "8");
}

TEST_F(TableTest, MagnitudeDifference) {
  // 2.5 |ln(1000 / 100)| / ln 10 = 2.5
  AddRhoRow(5, 1000, 100);
  EXPECT_EQ(table.ResultCell(1, kResDm), "2.5");
  EXPECT_EQ(F(ReductionField::txtDm), "2.5");
  // intA = 0: no dM for the row; overall 2.5 log10(1000 / 200) = 1.7474 -> 1.75.
  AddRhoRow(5, 0, 100);
  EXPECT_EQ(table.ResultCell(2, kResDm), "-999");
  EXPECT_EQ(F(ReductionField::txtDm), "1.75");
}

TEST_F(TableTest, NoSignalAnywhereGivesNoOverallMagnitude) {
  AddRhoRow(5, 0, 100);
  EXPECT_EQ(F(ReductionField::txtDm), "-999");
}

TEST_F(TableTest, PixelRatioScalesHorizontalOffsets) {
  table.EditField(ReductionField::LPix, "10");
  table.EditField(ReductionField::HPix, "5");
  AddPair(table, 20, 20, 17, 20);  // 3 px left, x 10 / 5 = 6 pixel heights
  EXPECT_EQ(table.ResultCell(1, kResRho), "6");
  EXPECT_EQ(table.ResultCell(1, kResTheta), "90");
}

TEST_F(TableTest, ResidualsAreSinglePrecision) {
  // Epsilon 1.00000051; separations 0 and 2000 px: mean rho 1000.00051, residuals
  // +-1000.00051. The nearest float is 1000 + 8 x 2^-14 = 1000.000488, shown 1000 (a double
  // residual would show 1000.001).
  table.EditField(ReductionField::txtEps, "1.00000051");
  AddPair(table, 0, 2000, 0, 2000);
  AddPair(table, 0, 2000, 0, 0);
  EXPECT_EQ(table.ResultCell(2, kResRho), "2000.001");
  EXPECT_EQ(table.ResultCell(1, kResRRho), "-1000");
  EXPECT_EQ(table.ResultCell(2, kResRRho), "1000");
}

// ---- A cell or field that is not a number --------------------------------------------------

TEST_F(TableTest, BadCellStopsAndChangesNothing) {
  AddRhoRow(2);
  AddRhoRow(4);
  const auto results = table.ResultRows();
  const std::string theta = F(ReductionField::txtTheta), rho = F(ReductionField::txtRho);
  const std::string caption = table.Caption();
  ASSERT_TRUE(table.SetCell(2, kColXB, "abc"));
  auto r = table.Recompute();
  EXPECT_FALSE(r.status.ok);
  EXPECT_EQ(r.status.message, "Row 2, column \"xB\": \"abc\" is not a number");
  EXPECT_EQ(table.ResultRows(), results);
  EXPECT_EQ(F(ReductionField::txtTheta), theta);
  EXPECT_EQ(F(ReductionField::txtRho), rho);
  EXPECT_EQ(table.Caption(), caption);
}

TEST_F(TableTest, FieldHoldingOnlyAPointStopsTheRecomputation) {
  AddRhoRow(2);
  const auto results = table.ResultRows();
  auto r = table.EditField(ReductionField::txtEps, ".");
  EXPECT_FALSE(r.status.ok);
  EXPECT_EQ(r.status.message, "Field \"txtEps\": \".\" is not a number");
  EXPECT_EQ(F(ReductionField::txtEps), ".");  // the typed text stays
  EXPECT_EQ(table.ResultRows(), results);
  EXPECT_EQ(F(ReductionField::txtRho), "2");
}

TEST_F(TableTest, OpenRowStopsARecomputationNamingItsRow) {
  AddRhoRow(2);
  AddRhoRow(3);
  table.SaveCentroid(Meas(1, 1), "/d/x.fit");
  auto r = table.EditField(ReductionField::txtDelta, "1");
  EXPECT_FALSE(r.status.ok);
  EXPECT_EQ(r.status.message, "Row 3, column \"xB\": \"\" is not a number");
  EXPECT_EQ(table.ResultRowCount(), 3);
  EXPECT_EQ(F(ReductionField::txtTheta), "360");
}

TEST_F(TableTest, ZeroBinningOrPixelHeightIsRefused) {
  AddRhoRow(2);
  const auto results = table.ResultRows();
  table.SetCell(1, kColBin, "0");
  auto r = table.Recompute();
  EXPECT_FALSE(r.status.ok);
  EXPECT_NE(r.status.message.find("\"Bin\""), std::string::npos);
  EXPECT_EQ(table.ResultRows(), results);
  table.SetCell(1, kColBin, "1");
  r = table.EditField(ReductionField::HPix, "0");
  EXPECT_FALSE(r.status.ok);
  EXPECT_NE(r.status.message.find("HPix"), std::string::npos);
  EXPECT_EQ(table.ResultRows(), results);
}

// ---- Field edits and the repeated recomputation ---------------------------------------------

TEST_F(TableTest, WrittenFieldChangeTriggersOneMoreComputation) {
  AddRhoRow(2);
  table.SetCell(1, kColYB, "4996");  // rho 2 -> 4
  auto once = table.RecomputeOnce();
  EXPECT_TRUE(once.fieldsChanged);  // txtRho went from "2" to "4"
  once = table.RecomputeOnce();
  EXPECT_FALSE(once.fieldsChanged);
  table.SetCell(1, kColYB, "4995");
  auto full = table.Recompute();
  EXPECT_TRUE(full.fieldsChanged);
  EXPECT_EQ(full.passes, 2);  // the second pass writes the same texts and stops
  EXPECT_EQ(F(ReductionField::txtRho), "5");
}

TEST_F(TableTest, EditFieldRecomputesOnlyOnARealNumberChange) {
  AddRhoRow(2);
  EXPECT_EQ(table.EditField(ReductionField::txtEps, "1").passes, 0);  // same text
  EXPECT_EQ(table.EditField(ReductionField::txtEps, "").passes, 0);   // empty
  EXPECT_EQ(table.EditField(ReductionField::txtEps, "-").passes, 0);  // a sign alone
  auto r = table.EditField(ReductionField::txtEps, "0,5");            // comma typed
  EXPECT_EQ(F(ReductionField::txtEps), "0.5");
  EXPECT_GE(r.passes, 1);
  EXPECT_EQ(F(ReductionField::txtRho), "1");
}

TEST(ReductionFilter, KeysOfTheEditFields) {
  EXPECT_EQ(ReductionTable::FilterKey(ReductionField::LPix, ','), '.');
  EXPECT_EQ(ReductionTable::FilterKey(ReductionField::LPix, '7'), '7');
  EXPECT_FALSE(ReductionTable::FilterKey(ReductionField::LPix, '-').has_value());
  EXPECT_EQ(ReductionTable::FilterKey(ReductionField::txtDelta, '-'), '-');
  EXPECT_EQ(ReductionTable::FilterKey(ReductionField::txtEps, '\b'), '\b');
  EXPECT_FALSE(ReductionTable::FilterKey(ReductionField::txtTheta, 'a').has_value());
}

// ---- Residual colours -----------------------------------------------------------------------

TEST(ResidualColour, ThresholdsAtPoint674AndTwoSigma) {
  EXPECT_EQ(ReductionTable::ResidualColourFor(0.5L, 1), kResidualGood);
  EXPECT_EQ(ReductionTable::ResidualColourFor(0.674L, 1), kResidualGood);  // not above
  EXPECT_EQ(ReductionTable::ResidualColourFor(0.675L, 1), kResidualFair);
  EXPECT_EQ(ReductionTable::ResidualColourFor(-1.5L, 1), kResidualFair);
  EXPECT_EQ(ReductionTable::ResidualColourFor(1.99L, 1), kResidualFair);
  EXPECT_EQ(ReductionTable::ResidualColourFor(2, 1), kResidualBad);  // at 2 sigma already
  EXPECT_EQ(ReductionTable::ResidualColourFor(-2, -1), kResidualBad);
  EXPECT_EQ(kResidualFair, (CellColour{166, 202, 240}));
  EXPECT_EQ(kResidualBad, (CellColour{255, 0, 255}));
}

TEST_F(TableTest, ColoursOnlyResidualCellsOfDataRows) {
  // Rho 1, 2, 6: mean 3, residuals -2, -1, 3, sigma sqrt(14 / 2) = 2.646.
  AddRhoRow(1);
  AddRhoRow(2);
  AddRhoRow(6);
  EXPECT_EQ(F(ReductionField::sigRh), "2.646");
  EXPECT_FALSE(table.ResidualColour(0, kResRRho).has_value());
  EXPECT_FALSE(table.ResidualColour(1, kResRho).has_value());
  EXPECT_EQ(table.ResidualColour(1, kResRRho), kResidualFair);  // 2 > 1.783, < 5.29
  EXPECT_EQ(table.ResidualColour(2, kResRRho), kResidualGood);  // 1 <= 1.783
  EXPECT_EQ(table.ResidualColour(3, kResRRho), kResidualFair);
  EXPECT_EQ(table.ResidualColour(1, kResRThe), kResidualBad);  // 0 >= 2 x 0
}

// ---- Sorting --------------------------------------------------------------------------------

TEST_F(TableTest, SortingAnEmptyOrOneRowTableTerminates) {
  EXPECT_TRUE(table.SortGrid(kResRho, false).status.ok);
  AddRhoRow(3);
  EXPECT_TRUE(table.SortGrid(kResRho, true).status.ok);
  EXPECT_EQ(table.ResultCell(1, kResRho), "3");
}

TEST_F(TableTest, SortingTwoRowsEndsInTheRequestedOrder) {
  AddRhoRow(3);
  AddRhoRow(1);
  ASSERT_TRUE(table.SortGrid(kResRho, false).status.ok);
  EXPECT_EQ(table.Cell(1, kColYB), "4999");  // rho 1 first
  EXPECT_EQ(table.Cell(2, kColYB), "4997");
  EXPECT_EQ(table.ResultCell(1, kResRho), "1");
  ASSERT_TRUE(table.SortGrid(kResRho, true).status.ok);
  EXPECT_EQ(table.ResultCell(1, kResRho), "3");
  EXPECT_EQ(table.ResultCell(2, kResRho), "1");
}

TEST_F(TableTest, SortingFiveRowsBothWays) {
  for (int d : {5, 1, 4, 2, 3}) AddRhoRow(d);
  ASSERT_TRUE(table.SortGrid(kResRho, false).status.ok);
  for (int r = 1; r <= 5; ++r) EXPECT_EQ(table.ResultCell(r, kResRho), std::to_string(r));
  ASSERT_TRUE(table.SortGrid(kResRho, true).status.ok);
  for (int r = 1; r <= 5; ++r) EXPECT_EQ(table.ResultCell(r, kResRho), std::to_string(6 - r));
}

TEST_F(TableTest, SortingUsesMagnitudes) {
  // Rho 1, 2, 6: residuals -2, -1, 3; by |rRho| ascending: rho 2, rho 1, rho 6.
  AddRhoRow(1);
  AddRhoRow(2);
  AddRhoRow(6);
  ASSERT_TRUE(table.SortGrid(kResRRho, false).status.ok);
  EXPECT_EQ(table.ResultCell(1, kResRho), "2");
  EXPECT_EQ(table.ResultCell(2, kResRho), "1");
  EXPECT_EQ(table.ResultCell(3, kResRho), "6");
  EXPECT_EQ(table.Cell(1, kColYB), "4998");  // the raw rows moved with them
}

TEST_F(TableTest, SortingWithAnOpenRowChangesNothing) {
  AddRhoRow(3);
  AddRhoRow(1);
  table.SaveCentroid(Meas(1, 1), "/d/x.fit");
  const auto raw = table.RawRows();
  EXPECT_FALSE(table.SortGrid(kResRho, false).status.ok);
  EXPECT_EQ(table.RawRows(), raw);
}

// ---- Rejection ------------------------------------------------------------------------------

TEST_F(TableTest, ZeroDispersionRemovesNothingForResiduals) {
  for (int i = 0; i < 3; ++i) AddRhoRow(5);
  ASSERT_EQ(F(ReductionField::sigRh), "0");
  const RejectReport rep = table.RejectOutliers();
  EXPECT_TRUE(rep.status.ok);
  EXPECT_EQ(rep.removed, 0);
  EXPECT_EQ(table.DataRows(), 3);
}

TEST_F(TableTest, RowsAreJudgedAgainstTheDispersionsBeforeTheCommand) {
  // 20 rows of rho 10, one of 11, one of 14: mean 225 / 22 = 10.2273; sum of squares
  // 20 x 0.2273^2 + 0.7727^2 + 3.7727^2 = 15.864; sigma = sqrt(15.864 / 21) = 0.869.
  // Only 14 (residual 3.773 > 3 x 0.869) goes. Without it sigma would be 0.218 and 11
  // (residual 0.952 > 0.654) would go too; it stays.
  for (int i = 0; i < 20; ++i) AddRhoRow(10);
  AddRhoRow(11);
  AddRhoRow(14);
  ASSERT_EQ(F(ReductionField::sigRh), "0.869");
  const RejectReport rep = table.RejectOutliers();
  ASSERT_TRUE(rep.status.ok) << rep.status.message;
  EXPECT_EQ(rep.removed, 1);
  ASSERT_EQ(rep.rows.size(), 22u);
  EXPECT_EQ(rep.rows[21].reasons, std::vector<std::string>{"Résidu Rho > 3*sigma"});
  EXPECT_TRUE(rep.rows[20].reasons.empty());
  EXPECT_EQ(table.DataRows(), 21);
  EXPECT_EQ(table.ResultCell(21, kResRho), "11");
  EXPECT_EQ(F(ReductionField::sigRh), "0.218");
  EXPECT_EQ(table.Caption(), "Reduction (21 images)");
}

TEST_F(TableTest, RejectionReasons) {
  // nA = 2, intB = 0, rho 0.5 < Epsilon 1; one row, so both dispersions are 0 and the
  // residuals (0) are not above them.
  AddPair(table, 50, 50, 50, 49.5, "/d/a.fit", 1000, 0, 2, 10);
  const RejectReport rep = table.RejectOutliers();
  ASSERT_TRUE(rep.status.ok) << rep.status.message;
  ASSERT_EQ(rep.rows.size(), 1u);
  EXPECT_EQ(rep.rows[0].Text(),
            "comp A : nb pixels faible (2)\r\ncomp B : signal insuffisant\r\n"
            "Rho < Echantillonnage !!!\r\n");
  EXPECT_EQ(rep.rows[0].image, "a.fit");
  EXPECT_EQ(rep.removed, 1);
  EXPECT_EQ(table.DataRows(), 0);
  EXPECT_EQ(table.Caption(), "Reduction (0 images)");
}

TEST_F(TableTest, RejectionOfZeroSeparationAndInvalidMeasurement) {
  AddRhoRow(5);
  AddPair(table, 50, 50, 50, 50, "/d/same.fit");               // rho 0
  AddPair(table, 50, 50, 50, 45, "/d/bad.fit", 0, -1, 10, 0);  // intA 0, B invalid
  const RejectReport rep = table.RejectOutliers();
  ASSERT_TRUE(rep.status.ok) << rep.status.message;
  ASSERT_EQ(rep.rows.size(), 3u);
  const auto& same = rep.rows[1].reasons;
  EXPECT_NE(std::find(same.begin(), same.end(), "Rho = 0 !"), same.end());
  EXPECT_NE(std::find(same.begin(), same.end(), "Rho < Echantillonnage !!!"), same.end());
  const auto& bad = rep.rows[2].reasons;
  EXPECT_NE(std::find(bad.begin(), bad.end(), "comp A : signal insuffisant"), bad.end());
  EXPECT_NE(std::find(bad.begin(), bad.end(), "comp B : nb pixels faible (0)"), bad.end());
  EXPECT_NE(std::find(bad.begin(), bad.end(), "comp B : signal insuffisant"), bad.end());
  EXPECT_EQ(rep.removed, 2);
  ASSERT_EQ(table.DataRows(), 1);
  EXPECT_EQ(table.ResultCell(1, kResRho), "5");
}

// ---- Deletion, clearing, recall ---------------------------------------------------------------

TEST_F(TableTest, DeleteRowAndCutFrom) {
  AddRhoRow(1);
  AddRhoRow(2);
  AddRhoRow(3);
  ASSERT_TRUE(table.DeleteRow(2).status.ok);
  EXPECT_EQ(table.DataRows(), 2);
  EXPECT_EQ(table.ResultRowCount(), 3);
  EXPECT_EQ(table.ResultCell(2, kResRho), "3");
  EXPECT_EQ(F(ReductionField::txtRho), "2");
  EXPECT_EQ(table.Caption(), "Reduction (2 images)");
  EXPECT_FALSE(table.DeleteRow(0).status.ok);  // the header is never deleted
  EXPECT_FALSE(table.DeleteRow(3).status.ok);
  EXPECT_EQ(table.DataRows(), 2);

  AddRhoRow(5);
  ASSERT_TRUE(table.CutFrom(2).status.ok);  // rows 2 and 3 go
  EXPECT_EQ(table.DataRows(), 1);
  EXPECT_EQ(table.ResultRowCount(), 2);
  EXPECT_EQ(F(ReductionField::txtRho), "1");
}

TEST_F(TableTest, RazEmptiesAndShowsTheRawTab) {
  AddRhoRow(1);
  table.SelectTab(1);
  EXPECT_TRUE(table.ResultsGridVisible());
  table.RAZ();
  EXPECT_EQ(table.RowCount(), 1);
  EXPECT_EQ(table.ResultRowCount(), 1);
  EXPECT_TRUE(table.RawGridVisible());
  EXPECT_FALSE(table.ResultsGridVisible());
  EXPECT_EQ(table.Caption(), "Reduction (0 images)");
}

TEST_F(TableTest, RecallGivesPathAndCrosses) {
  AddPair(table, 10.5, 11.5, 12.5, 3.5, "/data/a.fit");
  const RecallData d = table.RecallFrame(1);
  EXPECT_TRUE(d.load);
  EXPECT_EQ(d.path, "/data/a.fit");
  ASSERT_TRUE(d.positionsValid);
  // Halves go to the even neighbour: 10.5 -> 10, 11.5 -> 12, 12.5 -> 12, 3.5 -> 4.
  EXPECT_EQ(d.crossAX, 10);
  EXPECT_EQ(d.crossAY, 12);
  EXPECT_EQ(d.crossBX, 12);
  EXPECT_EQ(d.crossBY, 4);
  EXPECT_EQ(d.xA, 10.5L);
  EXPECT_EQ(table.CurrentRow(), 1);
  EXPECT_FALSE(table.RecallFrame(0).load);
  EXPECT_FALSE(table.RecallFrame(2).load);
}

// ---- Calibration mode -------------------------------------------------------------------------

TEST_F(TableTest, CalibrationModeDerivesEpsilonAndDelta) {
  ASSERT_TRUE(table.SetMode(ReductionMode::Etalonnage).status.ok);
  EXPECT_TRUE(table.KnownValueFieldsEnabled());
  EXPECT_FALSE(table.CalibrationFieldsEnabled());
  table.EditField(ReductionField::txtRho, "10");
  table.EditField(ReductionField::txtTheta, "270");
  // Separations 10 and 30 px to the left (raw angle 90): mean 20 px, Epsilon 10 / 20 = 0.5;
  // each row's own scale 10 / 10 = 1 and 10 / 30 = 0.333; Delta = 90 - 270 = -180.
  AddPair(table, 100, 100, 90, 100);
  AddPair(table, 100, 100, 70, 100);
  EXPECT_EQ(F(ReductionField::txtEps), "0.5");
  EXPECT_EQ(F(ReductionField::txtDelta), "-180");
  EXPECT_EQ(table.ResultCell(1, kResRho), "1");
  EXPECT_EQ(table.ResultCell(2, kResRho), "0.333");
  EXPECT_EQ(table.ResultCell(1, kResTheta), "90");  // Delta is not subtracted here
  EXPECT_EQ(F(ReductionField::txtRho), "10");       // the known values stay
  EXPECT_EQ(F(ReductionField::txtTheta), "270");
}

TEST_F(TableTest, CalibrationWithDriftTowardsWestGivesDeltaZero) {
  table.SetMode(ReductionMode::Etalonnage);
  table.EditField(ReductionField::txtRho, "30");
  table.EditField(ReductionField::txtTheta, "270");
  AddPair(table, 40, 50, 100, 50);  // east end to west end, 60 px to the right
  EXPECT_EQ(F(ReductionField::txtDelta), "0");
  EXPECT_EQ(F(ReductionField::txtEps), "0.5");
}

TEST_F(TableTest, CalibrationRowWithoutSeparationIsRefused) {
  table.SetMode(ReductionMode::Etalonnage);
  table.EditField(ReductionField::txtRho, "10");
  table.EditField(ReductionField::txtTheta, "270");
  auto r = AddPair(table, 10, 10, 10, 10);
  EXPECT_FALSE(r.status.ok);
  EXPECT_EQ(F(ReductionField::txtEps), "1");
  EXPECT_EQ(table.ResultRowCount(), 1);
}

TEST_F(TableTest, CalibrationModeKeepsTheRawTab) {
  table.SelectTab(1);
  EXPECT_EQ(table.Tab(), 1);
  table.SetMode(ReductionMode::Etalonnage);
  EXPECT_EQ(table.Tab(), 0);
  table.SelectTab(1);
  EXPECT_EQ(table.Tab(), 0);
  table.SetMode(ReductionMode::Mesure);
  EXPECT_TRUE(table.CalibrationFieldsEnabled());
  table.SelectTab(1);
  EXPECT_EQ(table.Tab(), 1);
}

// ---- Orientation and binning -------------------------------------------------------------------

TEST_F(TableTest, OrientationButtonsToggle) {
  table.ShowOrientation();
  EXPECT_EQ(table.Button1(), "N");
  EXPECT_EQ(table.Button4(), "S");
  EXPECT_EQ(table.Button2(), "E");
  EXPECT_EQ(table.Button3(), "W");
  AddPair(table, 20, 20, 15, 20);  // B to the left
  EXPECT_EQ(table.ResultCell(1, kResTheta), "90");
  table.ToggleEW();
  EXPECT_EQ(table.OrientH(), "we");
  EXPECT_EQ(table.Button2(), "W");
  EXPECT_EQ(table.Button3(), "E");
  EXPECT_EQ(table.ResultCell(1, kResTheta), "270");
  table.ToggleNS();
  EXPECT_EQ(table.OrientV(), "sn");
  EXPECT_EQ(table.Button1(), "S");
  EXPECT_EQ(table.Button4(), "N");
  table.ToggleNS();
  table.ToggleEW();
  EXPECT_EQ(table.OrientV(), "ns");
  EXPECT_EQ(table.OrientH(), "ew");
}

TEST_F(TableTest, BinningDoublesEpsilonAndStoresTheUnbinnedValue) {
  table.EditField(ReductionField::txtEps, "0.7");
  AddRhoRow(10);
  ASSERT_TRUE(table.SetBinning(true).status.ok);
  EXPECT_TRUE(table.Bin2x());
  EXPECT_EQ(F(ReductionField::txtEps), "1.4");
  EXPECT_EQ(F(ReductionField::txtRho), "14");
  ASSERT_TRUE(table.SauveParams({}).ok);
  EXPECT_EQ(IniFile(SettingsPath()).ReadString("PARAMS", "Epsilon", ""), "0.7");
  EXPECT_EQ(F(ReductionField::txtEps), "1.4");  // the shown text does not change
  table.SetBinning(false);
  EXPECT_EQ(F(ReductionField::txtEps), "0.7");
  EXPECT_EQ(F(ReductionField::txtRho), "7");
}

TEST_F(TableTest, BinningRefusedWhenEpsilonIsNotANumber) {
  table.EditField(ReductionField::txtEps, "x");
  EXPECT_FALSE(table.SetBinning(true).status.ok);
  EXPECT_FALSE(table.Bin2x());
  EXPECT_EQ(F(ReductionField::txtEps), "x");
}

// ---- Settings and cameras
// -------------------------------------------------------------------------

TEST_F(TableTest, ParamsDefaultsWithoutSettingsFile) {
  const MainWindowParams p = table.LoadParams();
  EXPECT_EQ(F(ReductionField::txtDelta), "0");
  EXPECT_EQ(F(ReductionField::txtEps), "1");
  EXPECT_EQ(F(ReductionField::FacteurRejet), "3");
  EXPECT_EQ(table.OrientV(), "ns");
  EXPECT_EQ(table.OrientH(), "ew");
  EXPECT_EQ(p.halfSize, 6);
  EXPECT_FALSE(p.fitsSwapV);
  EXPECT_FALSE(p.menuInterferometry);
}

TEST_F(TableTest, ParamsReadAndWritten) {
  const IniFile ini(SettingsPath());
  ini.WriteString("PARAMS", "Delta", "1.5");
  ini.WriteString("PARAMS", "Epsilon", "0.25");
  ini.WriteString("PARAMS", "OrientV", "NS");  // not "ns": counts as "sn"
  ini.WriteString("PARAMS", "OrientH", "ew");
  ini.WriteString("PARAMS", "FacteurRejet", "2.5");
  ini.WriteString("PARAMS", "HScroll1", "9");
  ini.WriteString("PARAMS", "FitsSwapV", "1");
  ini.WriteString("PARAMS", "MenuInterfromtrie1", "1");
  MainWindowParams p = table.LoadParams();
  EXPECT_EQ(F(ReductionField::txtDelta), "1.5");
  EXPECT_EQ(F(ReductionField::txtEps), "0.25");
  EXPECT_EQ(table.OrientV(), "sn");
  EXPECT_EQ(table.Button1(), "S");
  EXPECT_EQ(F(ReductionField::FacteurRejet), "2.5");
  EXPECT_EQ(p.halfSize, 9);
  EXPECT_TRUE(p.fitsSwapV);
  EXPECT_FALSE(p.fitsSwapH);
  EXPECT_TRUE(p.menuInterferometry);

  table.EditField(ReductionField::FacteurRejet, "4");
  p.halfSize = 11;
  p.fitsSwapH = true;
  ASSERT_TRUE(table.SauveParams(p).ok);
  EXPECT_EQ(ini.ReadString("PARAMS", "OrientV", ""), "sn");
  EXPECT_EQ(ini.ReadString("PARAMS", "HScroll1", ""), "11");
  EXPECT_EQ(ini.ReadString("PARAMS", "FitsSwapH", ""), "1");
  EXPECT_EQ(ini.ReadString("PARAMS", "Delta", ""), "1.5");
  EXPECT_EQ(ini.ReadString("PARAMS", "FacteurRejet", ""), "2.5");  // never written
}

TEST_F(TableTest, CamerasFromIndexZeroAndTheStoredChoice) {
  const IniFile ini(SettingsPath());
  ini.WriteString("CUSTOMCAMERAS", "cam0", "Square");
  ini.WriteString("CUSTOMCAMERAS", "lar0", "5.6");
  ini.WriteString("CUSTOMCAMERAS", "hau0", "5.6");
  ini.WriteString("CUSTOMCAMERAS", "cam1", "Rect");
  ini.WriteString("CUSTOMCAMERAS", "lar1", "8.6");
  ini.WriteString("CUSTOMCAMERAS", "hau1", "8.3");
  ini.WriteString("CAMERA", "Camera", "1");
  table.LoadCameras();
  ASSERT_EQ(table.Cameras().size(), 2u);
  EXPECT_EQ(table.Cameras()[0].Name, "Square");
  EXPECT_EQ(table.CameraIndex(), 1);
  EXPECT_EQ(table.CameraName(), "Rect");
  EXPECT_EQ(F(ReductionField::LPix), "5.6");  // applied by SelectCamera only
  table.SelectCamera(1);
  EXPECT_EQ(F(ReductionField::LPix), "8.6");
  EXPECT_EQ(F(ReductionField::HPix), "8.3");
  table.SelectCamera(0);
  EXPECT_EQ(F(ReductionField::LPix), "5.6");
  EXPECT_EQ(ini.ReadString("CAMERA", "Camera", ""), "0");
}

TEST_F(TableTest, WithoutEntryZeroTheListIsEmpty) {
  const IniFile ini(SettingsPath());
  ini.WriteString("CUSTOMCAMERAS", "cam1", "Rect");
  ini.WriteString("CUSTOMCAMERAS", "lar1", "8.6");
  ini.WriteString("CUSTOMCAMERAS", "hau1", "8.3");
  table.LoadCameras();
  EXPECT_TRUE(table.Cameras().empty());
  EXPECT_EQ(table.CameraIndex(), -1);
  table.EditField(ReductionField::LPix, "7");
  table.SelectCamera(-1);
  EXPECT_EQ(F(ReductionField::LPix), "7");  // nothing selected: the text stays
}

TEST_F(TableTest, InitialiseFollowsTheCreationOrder) {
  const IniFile ini(SettingsPath());
  ini.WriteString("CUSTOMCAMERAS", "cam0", "Rect");
  ini.WriteString("CUSTOMCAMERAS", "lar0", "6");
  ini.WriteString("CUSTOMCAMERAS", "hau0", "3");
  ini.WriteString("PARAMS", "Epsilon", "2");
  ReductionTable t(SettingsPath());
  EXPECT_EQ(t.Caption(), "Réduction");
  t.Initialise();
  EXPECT_EQ(t.Field(ReductionField::LPix), "6");
  EXPECT_EQ(t.Field(ReductionField::txtEps), "2");
  EXPECT_EQ(t.Caption(), "Reduction (0 images)");
  AddPair(t, 10, 10, 8, 10);  // 2 px left x 6 / 3 = 4 pixel heights, x Epsilon 2 = 8
  EXPECT_EQ(t.ResultCell(1, kResRho), "8");
}

}  // namespace
}  // namespace orvek
