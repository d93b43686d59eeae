// "Measure close pair" driven through the main window on synthetic speckle series written as
// FITS frames: the pair found through the table's calibration, and "Enter in table".

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/Utils.h"
#include "measure/ReductionTable.h"
#include "speckle/SpeckleTestSupport.h"
#include "ui/AnalysisCommands.h"
#include "ui/InterferometryCommands.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmClosePair.h"
#include "ui/UiFixture.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;
using speckletest::SpeckleScene;

class ClosePairUi : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    QAction* option = Main().Action("MenuInterfromtrie1");
    if (!option->isChecked()) option->trigger();
  }

  // `count` frames of the scene (96 x 80, cropped to 64 by the measurement) opened and ticked.
  void OpenScene(const SpeckleScene& scene, int count) {
    QStringList files;
    int k = 0;
    for (const OTrame& f : speckletest::SceneFrames(scene, count)) {
      ASSERT_LE(f.MaxValue, 32767);  // written unscaled as 16-bit FITS
      files << QData("speckle" + std::to_string(k++) + ".fit");
      WriteFits(f, files.back().toStdString());
    }
    Main().OpenFiles(files);
    ASSERT_EQ(Main().ItemCount(), count);
  }

  TfrmClosePair* Measure() {
    QAction* item = Main().Action("ClosePair1");
    EXPECT_TRUE(item->isEnabled());
    item->trigger();
    return Wb().analysisCommands->Interferometry().ClosePairWindow();
  }

  ReductionTable& Table() { return Wb().formCentroid->Table(); }
};

SpeckleScene Scene(double dx, double dy, double dm) {
  SpeckleScene s;
  s.dx = dx;
  s.dy = dy;
  s.dm = dm;
  s.dOverR0 = 4;
  s.fluxA = 1.5e5;
  s.seed = 7;
  return s;
}

TEST_F(ClosePairUi, PairFoundThroughTheTableCalibrationAndEnteredAsItsOwnRow) {
  // B 6 px right and 3 px up of A. North up, east left: theta = 360 - atan2(6, 3) =
  // 296.565 degrees less Delta 10; rho = sqrt(45) = 6.708 px, times Epsilon 0.5 = 3.354".
  OpenScene(Scene(6, -3, 0.8), 40);
  Wb().formCentroid->EditField(ReductionField::txtDelta, "10");
  Wb().formCentroid->EditField(ReductionField::txtEps, "0.5");
  TfrmClosePair* window = Measure();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(m_prompter.Calls().size(), 0u) << m_prompter.Calls()[0].text.toStdString();
  ASSERT_TRUE(window->isVisible());
  ASSERT_TRUE(window->Entry().has_value());
  const ClosePairEntry shown = *window->Entry();
  EXPECT_TRUE(window->Result().resolved);
  EXPECT_NEAR(static_cast<double>(shown.reduced.thetaDeg), 286.565, 2.0);
  EXPECT_NEAR(static_cast<double>(shown.reduced.separationPx), 6.708, 0.3);
  EXPECT_NEAR(static_cast<double>(shown.reduced.rho), 3.354, 0.15);
  EXPECT_EQ(window->Result().framesUsed + window->Result().framesRejected, 40);

  window->EnterButton()->click();
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
  ASSERT_EQ(Table().DataRows(), 1);
  EXPECT_EQ(Table().RowKind(1), PairKind::Speckle);
  const Result<Reduction> table = Table().ComputeReduction();
  ASSERT_TRUE(table.ok());
  EXPECT_EQ(table->pairs[0].thetaDeg, shown.reduced.thetaDeg);
  EXPECT_EQ(table->pairs[0].rho, shown.reduced.rho);
  // The row keeps the measured magnitude difference, unlike a correlation row.
  ASSERT_TRUE(table->pairs[0].dM.has_value());
  EXPECT_NEAR(static_cast<double>(*table->pairs[0].dM), window->Result().dm, 1e-9);
  // The row refers to the autocorrelation its positions were measured on.
  EXPECT_TRUE(FileExists(Table().Pair(1)->frame));
}

TEST_F(ClosePairUi, EqualPairIsAmbiguousAndEnteredModulo180OnlyWhenTheUserAgrees) {
  // B 7 px left and 2 px down: theta 360 - atan2(-7, -2) = 105.95 + 180 = 285.95, or 105.95
  // modulo 180.
  OpenScene(Scene(-7, 2, 0), 40);
  TfrmClosePair* window = Measure();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->Entry().has_value());
  EXPECT_FALSE(window->Result().resolved);
  EXPECT_NEAR(static_cast<double>(window->Entry()->reduced.thetaDeg), 105.95, 2.0);

  // An open row (A waiting for its B) is not completed by the pair.
  rStarPos a;
  a.X = a.Y = 10;
  Table().SaveCentroid(a, Data("f.fit"));
  EXPECT_FALSE(window->EnterInTable());
  EXPECT_EQ(m_prompter.Count(Kind::Error), 1);
  Wb().formCentroid->RAZ();

  m_prompter.QueueYesNo(false);
  EXPECT_FALSE(window->EnterInTable());
  EXPECT_EQ(Table().DataRows(), 0);
  m_prompter.QueueYesNo(true);
  EXPECT_TRUE(window->EnterInTable());
  ASSERT_EQ(Table().DataRows(), 1);
  EXPECT_EQ(Table().ComputeReduction()->pairs[0].thetaDeg, window->Entry()->reduced.thetaDeg);
}

}  // namespace
}  // namespace orvek::test
