// Entering pairs from the main window: right click, left click on B, right click again; the
// interferometric fast measurement on a frame that is not a centred spectrum and on one
// that is.

#include <QAction>
#include <QTableView>
#include <QtTest/QTest>

#include "ReductionUiSupport.h"
#include "ui/Controls.h"
#include "ui/UfrmMain.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

// A star of the StarFrame pattern (centre, sides, diagonals) added at (x, y).
void AddPattern(OTrame& f, int x, int y, Extended centre, Extended side, Extended diagonal) {
  f.Px(x, y) = centre;
  for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}}) f.Px(x + dx, y + dy) = side;
  for (auto [dx, dy] : {std::pair{-1, -1}, {1, -1}, {-1, 1}, {1, 1}}) {
    f.Px(x + dx, y + dy) = diagonal;
  }
}

class PairEntryTest : public ReductionUiTest {};

TEST_F(PairEntryTest, RightLeftRightMakesOneCompleteRow) {
  // A: 1000 at (20, 20) with sides 500 and diagonals 300; B: 600 at (32, 27) with sides 300
  // and diagonals 200, on a background of 100 (the frame's median). With the window of
  // 13 x 13 and the half-height threshold only each centre pixel is used: A at (20, 20) with
  // the value 1000 - 100 = 900 and 1 pixel, B at (32, 27) with 500 and 1 pixel.
  OTrame f = MakeFrame(60, 50, 100);
  AddPattern(f, 20, 20, 1000, 500, 300);
  AddPattern(f, 32, 27, 600, 300, 200);
  WriteFits(f, Data("pair.fit"));
  ASSERT_TRUE(Main().LoadAndShow(QData("pair.fit")));
  EXPECT_FALSE(Win().isVisible());

  QTest::mouseClick(Main().Image1(), Qt::RightButton, {}, QPoint(5, 5));  // A, measured at load
  EXPECT_TRUE(Win().isVisible());
  ASSERT_EQ(Table().DataRows(), 1);
  EXPECT_TRUE(Table().LastRowOpen());
  QTest::mouseClick(Main().Image1(), Qt::LeftButton, {}, QPoint(31, 28));  // on B
  EXPECT_EQ(Text("CentroidX"), "32");
  EXPECT_EQ(Text("CentroidY"), "27");
  QTest::mouseClick(Main().Image1(), Qt::RightButton, {}, QPoint(5, 5));

  ASSERT_EQ(Table().DataRows(), 1);
  EXPECT_FALSE(Table().LastRowOpen());
  const std::vector<std::string> row = {"20",       "20",           "900", "32", "27", "500",
                                        "pair.fit", m_data->Path(), "1",   "1",  "1"};
  EXPECT_EQ(Table().RawRows()[1], row);
  auto* grid = W<QTableView>("StringGrid1");
  ASSERT_EQ(grid->model()->rowCount(), 1);
  for (int c = 0; c < kRawColumnCount; ++c) {
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, c)).toString().toStdString(),
              row[static_cast<size_t>(c)])
        << c;
  }
  // dx = 12, dy = 7 (B right of and below A): 360 - atan2(12, -7) = 239.74 degrees;
  // rho = sqrt(144 + 49) = 13.892; dM = 2.5 log10(900 / 500) = 0.64.
  EXPECT_EQ(Res(1, kResTheta), "239.74");
  EXPECT_EQ(Res(1, kResRho), "13.892");
  EXPECT_EQ(Res(1, kResDm), "0.64");
  EXPECT_EQ(Text("txtTheta"), "239.74");
  EXPECT_EQ(Text("txtRho"), "13.892");
  EXPECT_EQ(Text("txtDm"), "0.64");
  EXPECT_EQ(Text("sigTh"), "0");
  EXPECT_EQ(Win().windowTitle(), "Reduction (1 images)");
  // A third right click opens row 2.
  QTest::mouseClick(Main().Image1(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_EQ(Table().DataRows(), 2);
  EXPECT_TRUE(Table().LastRowOpen());
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0);
}

class FastMeasurementTest : public ReductionUiTest {
 protected:
  void LoadSquare(int side, int starX, int starY) {
    OTrame f = MakeFrame(side, side, 100);
    AddPattern(f, starX, starY, 1000, 500, 300);
    WriteFits(f, Data("spectrum.fit"));
    ASSERT_TRUE(Main().LoadAndShow(QData("spectrum.fit")));
    Main().Action("InterferometryFastmeasurement1")->setChecked(true);
    ASSERT_TRUE(Main().FastMeasurement());
  }
};

TEST_F(FastMeasurementTest, TwoHundredPixelsIsRefused) {
  LoadSquare(200, 150, 60);
  QTest::mouseClick(Main().Image1(), Qt::RightButton, {}, QPoint(150, 60));
  EXPECT_EQ(m_prompter.Texts(Kind::Error),
            QStringList{QString::fromUtf8(
                "Interferometric Fast Measurement inutilisable, le pic n'est pas centré")});
  EXPECT_EQ(Table().DataRows(), 0);
  EXPECT_FALSE(Win().isVisible());
}

TEST_F(FastMeasurementTest, FiveHundredTwelvePixelsEntersTheCentreAsA) {
  LoadSquare(512, 300, 200);
  // The secondary peak measured at load: (300, 200), value 900, 1 pixel.
  QTest::mouseClick(Main().Image1(), Qt::LeftButton, {}, QPoint(301, 199));
  QTest::mouseClick(Main().Image1(), Qt::RightButton, {}, QPoint(301, 199));
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0);
  EXPECT_TRUE(Win().isVisible());
  ASSERT_EQ(Table().DataRows(), 1);
  EXPECT_EQ(Raw(1, kColXA), "256");
  EXPECT_EQ(Raw(1, kColYA), "256");
  EXPECT_EQ(Raw(1, kColXB), "300");
  EXPECT_EQ(Raw(1, kColYB), "200");
  // Value and count of both entries are those of the last measurement.
  EXPECT_EQ(Raw(1, kColIntA), "900");
  EXPECT_EQ(Raw(1, kColIntB), "900");
  EXPECT_EQ(Raw(1, kColNA), "1");
  EXPECT_EQ(Raw(1, kColNB), "1");
  EXPECT_EQ(Main().CurrentPoint().X, 300);
  // dx = 44, dy = -56 (up and right): 360 - atan2(44, 56) = 321.84 degrees.
  EXPECT_EQ(Res(1, kResTheta), "321.84");
  // The peaks of a correlation image give no magnitude difference, for the row or overall.
  EXPECT_EQ(Res(1, kResDm), "-999");
  EXPECT_EQ(Text("txtDm"), "-999");
}

}  // namespace
}  // namespace orvek::test
