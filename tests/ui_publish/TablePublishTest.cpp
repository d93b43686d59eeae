// The publication commands of the measurement table and the log window, driven through their
// menus with scripted dialogs.

#include <QAction>
#include <QLineEdit>
#include <QPushButton>

#include "core/Utils.h"
#include "ui/UfrmCentroid.h"
#include "ui/UiFixture.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

class TablePublish : public UiTest {
 protected:
  TformCentroid& Window() { return *Wb().formCentroid; }
  QString Text(const char* name) { return Window().findChild<QLineEdit*>(name)->text(); }
  QAction* Action(const char* name) { return Window().findChild<QAction*>(name); }
  /// A row of the table: A at (10, 10), B at (10 + dx, 10 + dy), the frame taken at `time`.
  void AddRow(double dx, double dy, const std::optional<FrameTime>& time = std::nullopt) {
    ReductionTable& table = Window().Table();
    const std::string frame = "f" + std::to_string(table.DataRows() + 1) + ".fits";
    table.SaveCentroid(Point(10, 10), frame, PairKind::Direct, time);
    table.SaveCentroid(Point(10 + dx, 10 + dy), frame, PairKind::Direct, time);
    Window().UpdateView();
  }
  std::vector<unsigned char> SettingsBytes() { return ReadBytes(SettingsPath()); }
};

FrameTime At(int hour, int minute, double second) {
  FrameTime t;
  t.utc = {2024, 7, 1, hour, minute, second};
  return t;
}

TEST_F(TablePublish, KnownPairFillsTheKnownValuesAtTheRowsEpochAndCancelChangesNothing) {
  ASSERT_FALSE(Window().OpenKnownPair());  // measurement mode: no known values to fill
  Window().SetMode(ReductionMode::Etalonnage);
  // B2024.5 is JD(TT) 2415020.31352 + 124.5 x 365.242198781 = 2460492.967268, that is
  // 2024-07-01 11:11:42.791 UTC (TT - UTC = 69.184 s): two rows an hour either side.
  AddRow(3, 4, At(10, 11, 42.791));
  AddRow(3, 4, At(12, 11, 42.791));
  const QString theta = Text("txtTheta"), rho = Text("txtRho");
  const std::vector<unsigned char> settings = SettingsBytes();

  Action("CoupleConnu1")->trigger();
  QWidget* form = Window().KnownPairWindow();
  ASSERT_NE(form, nullptr);
  ASSERT_TRUE(form->isVisible());
  EXPECT_EQ(form->findChild<QLineEdit*>("txtKnownEpoch")->text(), "2024.5000");
  form->findChild<QLineEdit*>("txtGaiaA")
      ->setText("316.7485\t38.7494\t4164.2\t3249.6\t285.99\t-65.9");
  form->findChild<QLineEdit*>("txtGaiaB")
      ->setText("316.753, 38.7418, 4105.8, 3155.9, 286.0, -64.1");
  form->findChild<QPushButton*>("btnKnownPairCancel")->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(Text("txtTheta"), theta);
  EXPECT_EQ(Text("txtRho"), rho);
  EXPECT_EQ(SettingsBytes(), settings);

  Action("CoupleConnu1")->trigger();
  form->findChild<QPushButton*>("btnKnownPair")->click();
  EXPECT_FALSE(form->isVisible());
  // 61 Cyg A and B at B2024.5 (astropy, as in tests/publish/KnownPairTest.cpp).
  EXPECT_NEAR(Text("txtTheta").toDouble(), 156.686465540, 0.001);
  EXPECT_NEAR(Text("txtRho").toDouble(), 30.6594295, 0.0001);
  // The calibration follows: both rows have a separation of 5 pixels.
  EXPECT_NEAR(Text("txtEps").toDouble(), 30.6594295 / 5, 1e-5);
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0)
      << m_prompter.Texts(Kind::Error).join("|").toStdString();
}

}  // namespace
}  // namespace orvek::test
