// The measurement table as the adapter between its texts and the reduction: entry of pairs,
// the texts a recomputation writes (roundings, "-999", the caption), what it refuses and
// leaves unchanged, sorting, rejection, deletion, calibration mode, orientation, binning,
// cameras and stored settings. The numbers themselves are checked on the values in
// ReductionTest.cpp; expected texts are worked out by hand in the comments beside them.

#include <gtest/gtest.h>

#include "core/IniFile.h"
#include "core/Rounding.h"
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
  EXPECT_FALSE(r.ran);  // an A alone recomputes nothing
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
  EXPECT_TRUE(r.status.ok) << DebugText(r.status.error);
  EXPECT_TRUE(r.ran);
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

// ---- Binning by name, magnitudes, single-precision residuals ----------------------------------

TEST_F(TableTest, FileNamePrefixGivesTheBinning) {
  AddPair(table, 10, 20, 10, 12, "/d/quad_quad_x.fit");
  AddPair(table, 10, 20, 10, 12, "/d/quad_x.fit");
  AddPair(table, 10, 20, 10, 12, "/d/x_quad_.fit");
  EXPECT_EQ(table.Cell(1, kColBin), "4");
  EXPECT_EQ(table.Cell(2, kColBin), "2");
  EXPECT_EQ(table.Cell(3, kColBin), "1");
  EXPECT_EQ(table.ResultCell(1, kResRho), "2");  // 8 px / 4
}

TEST_F(TableTest, MagnitudeDifferenceOverTheRowsThatHaveOne) {
  // 2.5 |ln(1000 / 100)| / ln 10 = 2.5
  AddRhoRow(5, 1000, 100);
  EXPECT_EQ(table.ResultCell(1, kResDm), "2.5");
  EXPECT_EQ(F(ReductionField::txtDm), "2.5");
  // intA = 0: no dM for the row, and the row stays out of the overall value.
  AddRhoRow(5, 0, 100);
  EXPECT_EQ(table.ResultCell(2, kResDm), "-999");
  EXPECT_EQ(F(ReductionField::txtDm), "2.5");
  // A row entered from a correlation image has none either, whatever its peaks.
  table.SaveCentroid(Meas(128, 128, 900), "/d/c.fit", PairKind::Correlation);
  table.SaveCentroid(Meas(140, 120, 300), "/d/c.fit", PairKind::Correlation);
  EXPECT_EQ(table.RowKind(3), PairKind::Correlation);
  EXPECT_EQ(table.ResultCell(3, kResDm), "-999");
  EXPECT_EQ(F(ReductionField::txtDm), "2.5");
  // No row with one: "-999".
  table.CutFrom(1);
  AddRhoRow(5, 0, 100);
  EXPECT_EQ(F(ReductionField::txtDm), "-999");
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

// ---- What the table refuses -------------------------------------------------------------------

struct Unreadable {
  const char* name;
  void (*spoil)(ReductionTable&);  ///< makes the table unreadable, then recomputes
  ErrorCode code;
  long long row;
  const char* field;
  const char* text;
};

void PrintTo(const Unreadable& c, std::ostream* out) {
  *out << c.name;
}

class TableRefusal : public TableTest, public ::testing::WithParamInterface<Unreadable> {};

// A recomputation that meets a cell or field it cannot use stops, names it, and changes
// nothing: results, means, dispersions, caption, and the calibration fields stay.
TEST_P(TableRefusal, NamesTheCellOrFieldAndChangesNothing) {
  const Unreadable& c = GetParam();
  AddRhoRow(2);
  AddRhoRow(4);
  const auto results = table.ResultRows();
  const std::string caption = table.Caption();
  std::vector<std::string> fields;
  const ReductionField shown[] = {ReductionField::txtTheta, ReductionField::txtRho,
                                  ReductionField::sigTh,    ReductionField::sigRh,
                                  ReductionField::txtDm,    ReductionField::txtDelta};
  for (ReductionField f : shown) fields.push_back(F(f));
  c.spoil(table);
  const RecomputeResult r = table.Recompute();
  ASSERT_FALSE(r.status.ok);
  EXPECT_EQ(r.status.error.code, c.code);
  EXPECT_EQ(r.status.error.row, c.row);
  EXPECT_EQ(r.status.error.field, c.field);
  EXPECT_EQ(r.status.error.text, c.text);
  EXPECT_TRUE(r.status.message.empty());  // worded by the window, not here
  EXPECT_EQ(table.ResultRows(), results);
  EXPECT_EQ(table.Caption(), caption);
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(F(shown[i]), fields[i]) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TableRefusal,
    ::testing::Values(
        Unreadable{"LetterInACell", [](ReductionTable& t) { t.SetCell(2, kColXB, "abc"); },
                   ErrorCode::NotANumber, 2, "xB", "abc"},
        // An open row: its B cells are still empty.
        Unreadable{"OpenRow",
                   [](ReductionTable& t) { t.SaveCentroid(test::Meas(1, 1), "/d/x.fit"); },
                   ErrorCode::NotANumber, 3, "xB", ""},
        Unreadable{"FieldHoldingOnlyAPoint",
                   [](ReductionTable& t) { t.EditField(ReductionField::txtEps, "."); },
                   ErrorCode::BadNumber, -1, "txtEps", "."},
        Unreadable{"ZeroBinning", [](ReductionTable& t) { t.SetCell(1, kColBin, "0"); },
                   ErrorCode::ZeroBinning, 1, "Bin", ""},
        Unreadable{"ZeroPixelHeight",
                   [](ReductionTable& t) { t.EditField(ReductionField::HPix, "0"); },
                   ErrorCode::ZeroPixel, -1, "HPix", ""},
        // Calibration mode with B on A: the row gives no scale.
        // The known rho and theta are the means shown, numbers both.
        Unreadable{"CalibrationRowWithoutSeparation",
                   [](ReductionTable& t) {
                     t.SetCell(1, kColYB, "5000");
                     t.SetMode(ReductionMode::Etalonnage);
                   },
                   ErrorCode::SamePlace, 1, "", ""}),
    [](const ::testing::TestParamInfo<Unreadable>& info) { return std::string(info.param.name); });

// ---- Field edits ------------------------------------------------------------------------------

TEST_F(TableTest, EditFieldRecomputesOnlyOnARealNumberChange) {
  AddRhoRow(2);
  EXPECT_FALSE(table.EditField(ReductionField::txtEps, "1").ran);  // same text
  EXPECT_FALSE(table.EditField(ReductionField::txtEps, "").ran);   // empty
  EXPECT_FALSE(table.EditField(ReductionField::txtEps, "-").ran);  // a sign alone
  auto r = table.EditField(ReductionField::txtEps, "0,5");         // comma typed
  EXPECT_EQ(F(ReductionField::txtEps), "0.5");
  EXPECT_TRUE(r.ran);
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

// ---- The table as values -----------------------------------------------------------------------

TEST_F(TableTest, TypedAccessorsReadWhatTheCellsAndFieldsHold) {
  table.EditField(ReductionField::txtDelta, "2.5");
  table.ToggleEW();
  AddPair(table, 10.5, 20.25, 14, 20.25, "/d/quad_a.fit", 800, 200, 7, 4);
  const auto pair = table.Pair(1);
  ASSERT_TRUE(pair.ok());
  EXPECT_EQ(pair->xA, 10.5L);
  EXPECT_EQ(pair->yB, 20.25L);
  EXPECT_EQ(pair->intB, 200);
  EXPECT_EQ(pair->nA, 7);
  EXPECT_EQ(pair->bin, 2);
  EXPECT_EQ(pair->frame, "/d/quad_a.fit");
  EXPECT_FALSE(pair->time.has_value());
  EXPECT_EQ(table.Pair(2).error().code, ErrorCode::NoTableRow);
  const auto calibration = table.CurrentCalibration();
  ASSERT_TRUE(calibration.ok());
  EXPECT_EQ(calibration->deltaDeg, 2.5L);
  EXPECT_TRUE(calibration->northUp);
  EXPECT_FALSE(calibration->eastLeft);
  // The reduction gives the digits the grids show: B 3.5 px right of A with east on the
  // right is at 90, minus Delta 87.5; the separation 3.5 / binning 2 = 1.75.
  const auto reduction = table.ComputeReduction();
  ASSERT_TRUE(reduction.ok());
  EXPECT_EQ(FormatGeneral(RoundTo(static_cast<double>(reduction->pairs[0].thetaDeg), 2)),
            table.ResultCell(1, kResTheta));
  EXPECT_EQ(table.ResultCell(1, kResTheta), "87.5");
  EXPECT_EQ(table.ResultCell(1, kResRho), "1.75");
  table.SetCell(1, kColNB, "x");
  EXPECT_EQ(table.Pairs().error().field, "nB");
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
  // Without a dispersion nothing stands out: green, whatever the residual.
  EXPECT_EQ(ReductionTable::ResidualColourFor(0, 0), kResidualGood);
  EXPECT_EQ(ReductionTable::ResidualColourFor(0.004L, 0), kResidualGood);
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
  EXPECT_EQ(table.ResidualColour(1, kResRThe), kResidualGood);  // theta: sigma 0
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
  ASSERT_TRUE(rep.status.ok) << DebugText(rep.status.error);
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
  ASSERT_TRUE(rep.status.ok) << DebugText(rep.status.error);
  ASSERT_EQ(rep.rows.size(), 1u);
  EXPECT_EQ(rep.rows[0].Text(),
            "comp A : nb pixels faible (2)\r\ncomp B : signal insuffisant\r\n"
            "Rho < Echantillonnage !!!\r\n");
  EXPECT_EQ(rep.rows[0].image, "a.fit");
  EXPECT_EQ(rep.removed, 1);
  EXPECT_EQ(table.DataRows(), 0);
  EXPECT_EQ(table.Caption(), "Reduction (0 images)");
  // The table is empty: no mean and no dispersion stay on show.
  for (ReductionField f : {ReductionField::txtTheta, ReductionField::txtRho, ReductionField::sigTh,
                           ReductionField::sigRh, ReductionField::txtDm})
    EXPECT_EQ(F(f), "");
  EXPECT_EQ(F(ReductionField::txtEps), "1");  // the calibration stays
}

TEST(RejectReasonText, TheTableWordsEveryReasonAsItAlwaysHas) {
  EXPECT_EQ(RejectReasonText({RejectCode::FewPixelsA, 2, 3}), "comp A : nb pixels faible (2)");
  EXPECT_EQ(RejectReasonText({RejectCode::FewPixelsB, 0, 3}), "comp B : nb pixels faible (0)");
  EXPECT_EQ(RejectReasonText({RejectCode::NoSignalA, -1, 0}), "comp A : signal insuffisant");
  EXPECT_EQ(RejectReasonText({RejectCode::NoSignalB, 0, 0}), "comp B : signal insuffisant");
  EXPECT_EQ(RejectReasonText({RejectCode::ZeroRho, 0, 0}), "Rho = 0 !");
  EXPECT_EQ(RejectReasonText({RejectCode::BelowSampling, 0.5L, 1}), "Rho < Echantillonnage !!!");
  EXPECT_EQ(RejectReasonText({RejectCode::ThetaResidual, 9, 3}), "Résidu Theta > 3*sigma");
  EXPECT_EQ(RejectReasonText({RejectCode::RhoResidual, 9, 3}), "Résidu Rho > 3*sigma");
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
  // Separations 10 and 30 px to the left (raw angle 90): Epsilon 10 / 20 = 0.5 and Delta
  // 90 - 270 = -180 are written, rounded to 5 and 2 decimals; the rho column holds each
  // row's own scale; the known values stay.
  AddPair(table, 100, 100, 90, 100);
  AddPair(table, 100, 100, 70, 100);
  EXPECT_EQ(F(ReductionField::txtEps), "0.5");
  EXPECT_EQ(F(ReductionField::txtDelta), "-180");
  EXPECT_EQ(table.ResultCell(2, kResRho), "0.333");
  EXPECT_EQ(F(ReductionField::txtRho), "10");
  EXPECT_EQ(F(ReductionField::txtTheta), "270");
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
