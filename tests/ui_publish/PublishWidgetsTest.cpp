// The plot of the measures, the known-pair form and the export dialog, with scripted
// dialogs.

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/ExportDialog.h"
#include "ui/KnownPairForm.h"
#include "ui/Langue.h"
#include "ui/MeasurePlot.h"
#include "ui/UiFixture.h"

namespace orvek::test {
namespace {

using PublishWidgets = UiTest;
using Kind = ScriptedPrompter::Kind;

int PixelsOf(const QImage& image, QRgb colour) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == colour;
  }
  return n;
}

TEST_F(PublishWidgets, PlotMarksRejectedFramesAndSavesAPng) {
  PlotData data;
  data.points = {{1, 359.5, 2.0, false}, {2, 0.5, 2.2, false}, {3, 10.0, 2.9, true}};
  data.meanThetaDeg = 0;
  data.sdThetaDeg = 0.7;
  data.meanRhoArcsec = 2.1;
  data.sdRhoArcsec = 0.14;
  PlotWindow window(m_prompter, [&] { return data; });
  window.Refresh();
  const QRgb red = qRgb(220, 0, 0);
  EXPECT_GT(PixelsOf(window.Plot().Render({400, 300}), red), 0);
  data.points[2].rejected = false;
  window.Refresh();
  EXPECT_EQ(PixelsOf(window.Plot().Render({400, 300}), red), 0);

  // Saved where the dialog says (it asked before replacing); cancelled: nothing written.
  m_prompter.QueueSave(QData("plot.png"));
  ASSERT_TRUE(window.SavePng());
  const QImage saved(QData("plot.png"));
  EXPECT_GE(saved.width(), 640);
  EXPECT_GE(saved.height(), 480);
  EXPECT_FALSE(window.SavePng());
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0);
}

// Filled through the table window in TablePublishTest; here what the form refuses.
TEST_F(PublishWidgets, KnownPairFormRefusesValuesOutOfRangeAndAMissingEpoch) {
  std::optional<PairGeometry> filled;
  KnownPairForm form(m_prompter, [&](const PairGeometry& g) { filled = g; });
  form.findChild<QLineEdit*>("txtGaiaB")->setText("316.753, 38.7418, 4105.8, 3155.9, 286.0, -64.1");
  form.SetEpoch(2024.5);
  form.findChild<QLineEdit*>("txtGaiaA")->setText("316.7485, 91, 4164.2, 3249.6");
  EXPECT_FALSE(form.Apply());
  EXPECT_FALSE(filled.has_value());
  ASSERT_EQ(m_prompter.Count(Kind::Error), 1);
  EXPECT_EQ(m_prompter.Texts(Kind::Error)[0],
            Worded(Error(ErrorCode::OutOfRange).Field("A.dec").Values({91, -90, 90})));
  // Rows without a time leave the epoch to be typed.
  form.SetEpoch(std::nullopt);
  form.findChild<QLineEdit*>("txtGaiaA")->setText("316.7485, 38.7494, 4164.2, 3249.6");
  EXPECT_FALSE(form.Apply());
  EXPECT_EQ(m_prompter.Texts(Kind::Error)[1],
            Worded(Error(ErrorCode::BadNumber).Field("epoch").Text("")));
}

TEST_F(PublishWidgets, ExportPreviewFollowsTheFieldsAndSavesWhatItShows) {
  ExportInput input;
  input.frames.resize(1);
  input.frames[0] = {"a.fits", "", {123.4, 12.34, {}}, 1, 2, 3, 4, {}, 0, 0};
  input.summary.all = {1, {}, 123.4, 12.34, {}, {}, {}, {}};
  input.summary.nights = {input.summary.all};
  ExportDialog dialog(m_prompter, [&]() -> Result<ExportInput> { return input; });
  dialog.SetFormat(ExportFormat::Wds);
  dialog.SetDetails({"STF 1234AB", "12345+6789", 7.5, 8.1, 20, "C", "XyZ", ""});
  EXPECT_EQ(dialog.Preview(), "12345+6789STF1234AB     no epoch 123.4  12.340   1  0.20 C  XyZ\n");
  dialog.findChild<QComboBox*>("cmbMethod")->setCurrentText("S");
  EXPECT_EQ(dialog.Preview(), "12345+6789STF1234AB     no epoch 123.4  12.340   1  0.20 S  XyZ\n");

  dialog.findChild<QLineEdit*>("txtMags")->setText("7.5, x");
  EXPECT_EQ(dialog.Preview(), Worded(Error(ErrorCode::BadNumber).Field("mags").Text("x")));
  EXPECT_FALSE(dialog.Save());
  EXPECT_EQ(m_prompter.Count(Kind::Save), 0);

  dialog.findChild<QLineEdit*>("txtMags")->setText("7.5");
  dialog.SetFormat(ExportFormat::Csv);
  m_prompter.QueueSave(QData("m.csv"));
  ASSERT_TRUE(dialog.Save());
  const std::vector<unsigned char> bytes = ReadBytes(Data("m.csv"));
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), dialog.Preview().toStdString());
}

}  // namespace
}  // namespace orvek::test
