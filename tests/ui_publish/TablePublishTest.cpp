// The publication commands of the measurement table and the log window, driven through their
// menus with scripted dialogs.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <cmath>
#include <fstream>

#include "core/Utils.h"
#include "measure/CalibrationBook.h"
#include "ui/CalibrationBookWindow.h"
#include "ui/ExportDialog.h"
#include "ui/MeasurePlot.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmInfosLog.h"
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
  /// Both stars measured on `pixels` pixels with a peak of 500.
  void AddRow(double dx, double dy, const std::optional<FrameTime>& time = std::nullopt,
              int pixels = 12) {
    ReductionTable& table = Window().Table();
    const std::string frame = "f" + std::to_string(table.DataRows() + 1) + ".fits";
    for (rStarPos p : {Point(10, 10), Point(10 + dx, 10 + dy)}) {
      p.Value = 500;
      p.Count = pixels;
      table.SaveCentroid(p, frame, PairKind::Direct, time);
    }
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

TEST_F(TablePublish, CalibrationBookFillsDeltaAndEpsilonAndKeepsNewCalibrations) {
  const std::string book = Home() + "calibrations.csv";
  const std::string before =
      "date,camera,binning,delta_deg,delta_se_deg,epsilon_arcsec_px,epsilon_se_arcsec_px,pair\n"
      "2024-03-01T22:10:05.000,CamA,1,1.0,0.1,0.5,0.001,STF 1AB\n"
      "2024-03-02T22:10:05.000,CamB,2,3.25,,0.9,,STF 2AB\n"
      "2024-03-03T22:10:05.000,CamA,1,1.6,0.2,0.52,0.002,STF 3AB\n";
  std::ofstream(book, std::ios::binary) << before;
  const std::vector<unsigned char> settings = SettingsBytes();
  const QString delta = Text("txtDelta"), eps = Text("txtEps");

  // Closed without a choice: nothing changes.
  Action("CarnetEtalonnage1")->trigger();
  CalibrationBookWindow* window = Window().BookWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->isVisible());
  EXPECT_EQ(window->findChild<QTableWidget*>("lstCalibrations")->rowCount(), 3);
  window->findChild<QPushButton*>("btnBookClose")->click();
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(Text("txtDelta"), delta);
  EXPECT_EQ(Text("txtEps"), eps);
  EXPECT_EQ(SettingsBytes(), settings);

  // One entry: its values, and its binning ticked.
  Action("CarnetEtalonnage1")->trigger();
  window->SelectEntry(1);
  window->findChild<QPushButton*>("btnUse")->click();
  EXPECT_DOUBLE_EQ(Text("txtDelta").toDouble(), 3.25);
  EXPECT_DOUBLE_EQ(Text("txtEps").toDouble(), 0.9);
  EXPECT_TRUE(Window().findChild<QCheckBox*>("Bin2x")->isChecked());

  // The mean of CamA, binning 1, weighted by 1/se^2: Delta (100 x 1.0 + 25 x 1.6) / 125 =
  // 1.12 +- 1/sqrt(125); Epsilon (1e6 x 0.5 + 2.5e5 x 0.52) / 1.25e6 = 0.504.
  Action("CarnetEtalonnage1")->trigger();
  window->SelectEntry(0);
  EXPECT_TRUE(
      window->MeanText().contains("1.120 ± " + QString::number(1 / std::sqrt(125.0), 'f', 3)))
      << window->MeanText().toStdString();
  window->findChild<QPushButton*>("btnUseMean")->click();
  EXPECT_NEAR(Text("txtDelta").toDouble(), 1.12, 1e-9);
  EXPECT_NEAR(Text("txtEps").toDouble(), 0.504, 1e-9);
  EXPECT_FALSE(Window().findChild<QCheckBox*>("Bin2x")->isChecked());

  // A calibration on a known pair goes into the book after the lines already there.
  Window().RAZ();
  Window().SetMode(ReductionMode::Etalonnage);
  Window().EditField(ReductionField::txtTheta, "100");
  Window().EditField(ReductionField::txtRho, "10");
  AddRow(3, 4);
  AddRow(4, 3);
  Action("InscrireCarnet1")->trigger();
  ASSERT_EQ(m_prompter.Count(Kind::Info), 1);
  const std::vector<unsigned char> bytes = ReadBytes(book);
  ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + before.size()), before);
  const Result<std::vector<CalibrationEntry>> entries = ReadCalibrationBook(book);
  ASSERT_TRUE(entries);
  ASSERT_EQ(entries->size(), 4u);
  const CalibrationEntry& added = entries->back();
  EXPECT_EQ(added.camera, Window().Table().CameraName());
  EXPECT_EQ(added.binning, 1);
  // Both rows are 5 pixels long: 10" / 5 px; Delta as the table's calibration mode shows it.
  EXPECT_NEAR(added.epsilon, 2.0, 1e-9);
  EXPECT_NEAR(added.deltaDeg, Text("txtDelta").toDouble(), 0.005);
  ASSERT_TRUE(added.deltaSeDeg.has_value());
  EXPECT_GT(*added.deltaSeDeg, 0);
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0)
      << m_prompter.Texts(Kind::Error).join("|").toStdString();
}

TEST_F(TablePublish, ExportFromTheLogWindowWritesTheLineAndReplacesAFileOnlyWhenTold) {
  for (auto [field, text] :
       {std::pair{ReductionField::txtDelta, "0"}, std::pair{ReductionField::txtEps, "1"},
        std::pair{ReductionField::LPix, "5.2"}, std::pair{ReductionField::HPix, "5.2"}})
    Window().EditField(field, text);
  AddRow(3, 4, At(10, 11, 42.791));  // an hour either side of B2024.5, as above
  AddRow(4, 3, At(12, 11, 42.791));
  // Square pixels: the two rows lie either side of a diagonal, their mean angle is 45 + k x 90
  // whatever the orientation, and both are 5 pixels long, 5" at 1"/px.
  const double theta = (std::stod(Window().Table().ResultCell(1, kResTheta)) +
                        std::stod(Window().Table().ResultCell(2, kResTheta))) /
                       2;
  ASSERT_NEAR(std::fmod(theta, 90.0), 45.0, 1e-9);

  TfrmInfosLog& log = *Wb().frmInfosLog;
  log.findChild<QLineEdit*>("lSys")->setText("STF 1234AB");
  log.findChild<QLineEdit*>("WDSid")->setText("12345+6789");
  log.findChild<QLineEdit*>("MG1")->setText("7,5");
  log.findChild<QLineEdit*>("MG2")->setText("8.1");
  log.findChild<QAction*>("Exporter1")->trigger();
  ExportDialog* dialog = log.findChild<ExportDialog*>("ExportDialog");
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(dialog->isVisible());
  EXPECT_EQ(dialog->findChild<QLineEdit*>("txtMags")->text(), "7.5, 8.1");
  dialog->findChild<QComboBox*>("cmbFormat")->setCurrentText("wds");
  dialog->findChild<QLineEdit*>("txtAperture")->setText("20");
  dialog->findChild<QComboBox*>("cmbMethod")->setCurrentText("C");
  dialog->findChild<QLineEdit*>("txtObserver")->setText("XyZ");
  const QString line =
      QString::asprintf("12345+6789STF1234AB     2024.500 %5.1f   5.000   1  0.20 C  XyZ\n", theta);
  EXPECT_EQ(dialog->Preview(), line);

  const auto contents = [&] {
    const std::vector<unsigned char> bytes = ReadBytes(Data("obs.txt"));
    return QString::fromStdString(std::string(bytes.begin(), bytes.end()));
  };
  QPushButton* save = dialog->findChild<QPushButton*>("btnSave");
  m_prompter.QueueSave(QData("obs.txt"));
  save->click();
  EXPECT_EQ(contents(), line);
  EXPECT_EQ(m_prompter.Count(Kind::YesNo), 0);  // a new file: nothing to ask

  // An existing file is replaced only on Yes, and no temporary file is left beside it.
  dialog->findChild<QComboBox*>("cmbFormat")->setCurrentText("jdso");
  m_prompter.QueueSave(QData("obs.txt"));
  m_prompter.QueueYesNo(false);
  save->click();
  EXPECT_EQ(contents(), line);
  m_prompter.QueueSave(QData("obs.txt"));
  m_prompter.QueueYesNo(true);
  save->click();
  EXPECT_EQ(contents(), dialog->Preview());
  EXPECT_NE(contents(), line);
  EXPECT_EQ(QDir(QString::fromStdString(FolderOf(Data("obs.txt")))).entryList(QDir::Files),
            QStringList{"obs.txt"});
  EXPECT_EQ(m_prompter.Count(Kind::YesNo), 2);
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0)
      << m_prompter.Texts(Kind::Error).join("|").toStdString();
}

TEST_F(TablePublish, PlotFollowsTheTableMarksWhatTheRejectionWouldRemoveAndSavesAPng) {
  AddRow(3, 4);
  AddRow(4, 3);
  Action("Graphique1")->trigger();
  PlotWindow* plot = Window().Plot();
  ASSERT_NE(plot, nullptr);
  ASSERT_TRUE(plot->isVisible());
  ASSERT_EQ(plot->Plot().Data().points.size(), 2u);

  // A row measured on 2 pixels, which "Rejets" removes: marked, and the table keeps it.
  AddRow(3, 4, std::nullopt, 2);
  const PlotData& data = plot->Plot().Data();
  ASSERT_EQ(data.points.size(), 3u);
  EXPECT_FALSE(data.timeAxis);
  for (int r = 1; r <= 3; ++r) {
    const PlotPoint& p = data.points[static_cast<size_t>(r - 1)];
    EXPECT_EQ(p.x, r);
    EXPECT_NEAR(p.thetaDeg, std::stod(Window().Table().ResultCell(r, kResTheta)), 0.005);
    EXPECT_EQ(p.rejected, r == 3);
  }
  EXPECT_EQ(Window().Table().DataRows(), 3);

  m_prompter.QueueSave(QData("plot.png"));
  plot->findChild<QPushButton*>("btnSavePng")->click();
  EXPECT_GE(QImage(QData("plot.png")).width(), 640);
  const std::vector<unsigned char> saved = ReadBytes(Data("plot.png"));
  Window().DeleteRow(3, false);
  m_prompter.QueueSave(QData("plot.png"));
  m_prompter.QueueYesNo(false);
  plot->findChild<QPushButton*>("btnSavePng")->click();
  EXPECT_EQ(ReadBytes(Data("plot.png")), saved);
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0)
      << m_prompter.Texts(Kind::Error).join("|").toStdString();
}

}  // namespace
}  // namespace orvek::test
