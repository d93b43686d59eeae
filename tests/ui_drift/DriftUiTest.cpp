// The drift calibration driven through the main window: "Drift Analysis" on a trail,
// "Synthetic Drift" over a series, the orientation dialog, the question before Delta is
// replaced, and the calibration fed to the measurement table. The window's txtDelta is compared
// with the library and with orvek-cli run on the same frames; the expected angles are also worked
// out by hand from the path's slope.

#include <gtest/gtest.h>

#include "core/Output.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <string>
#include <vector>

#include "core/Rounding.h"
#include "core/Utils.h"
#include "measure/ReductionTable.h"
#include "series/Drift.h"
#include "ui/AnalysisCommands.h"
#include "ui/Controls.h"
#include "ui/DriftCommands.h"
#include "ui/UdlgSynthDrift.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/UiFixture.h"

namespace orvek::test {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A frame of background 100 with a Moffat star (peak 2000, FWHM 3) at (x, y).
OTrame StarAt(int w, int h, double x, double y) {
  OTrame f = MakeFrame(w, h, 100);
  AddMoffat(f, x, y, 2000, 3);
  return f;
}

// The table as orvek-cli prepares it from the same settings file.
void PrepareTable(ReductionTable& table) {
  table.LoadCameras();
  table.ApplySelectedCamera();
  table.LoadParams();
  table.RAZ();
}

// The measured position angle of the offset (dx, dy), north up and the stated east side,
// worked out from first principles: with north up the image row grows southwards, so the
// northward component is -dy; with east on the left the eastward component is -dx (east
// right: +dx). The angle runs from north through east.
double HandAngle(double dx, double dy, bool eastLeft) {
  const double north = -dy;
  const double east = eastLeft ? -dx : dx;
  double a = std::atan2(east, north) * 180 / kPi;
  if (a < 0) a += 360;
  return a;
}

class DriftUi : public UiTest {
 protected:
  TformCentroid& TableWindow() { return *Wb().formCentroid; }
  ReductionTable& Table() { return TableWindow().Table(); }
  std::string Field(ReductionField f) { return Table().Field(f); }
  TdlgSynthDrift& Dialog() { return *Wb().dlgSynthDrift; }

  // Writes the frames as FITS files and opens them all (ticked) in the image list.
  std::vector<std::string> OpenSeries(const std::vector<OTrame>& frames, const std::string& stem) {
    std::vector<std::string> paths;
    QStringList q;
    for (size_t k = 0; k < frames.size(); ++k) {
      paths.push_back(Data(stem + std::to_string(k) + ".fit"));
      WriteFits(frames[k], paths.back());
      q << QString::fromStdString(paths.back());
    }
    Main().OpenFiles(q);
    return paths;
  }

  void Click(const char* button) {
    auto* b = Find<QPushButton>(button);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(b->isEnabled()) << button;
    b->click();
  }

  QRgb PixelAt(int x, int y) { return Main().Image1()->Picture().pixel(x, y); }

  // The table window is shown and its controls show the model: txtDelta and the compass.
  void ExpectTableWindowShows() {
    EXPECT_TRUE(TableWindow().isVisible());
    auto* delta = TableWindow().findChild<QLineEdit*>("txtDelta");
    auto* eps = TableWindow().findChild<QLineEdit*>("txtEps");
    auto* east = TableWindow().findChild<QPushButton*>("Button2");
    auto* north = TableWindow().findChild<QPushButton*>("Button1");
    ASSERT_TRUE(delta && eps && east && north);
    EXPECT_EQ(delta->text().toStdString(), Field(ReductionField::txtDelta));
    EXPECT_EQ(eps->text().toStdString(), Field(ReductionField::txtEps));
    EXPECT_EQ(east->text().toStdString(), Table().Button2());
    EXPECT_EQ(north->text().toStdString(), Table().Button1());
  }
};

// ---- Orientation dialog ---------------------------------------------------------------------

TEST_F(DriftUi, DialogLooksAsDesigned) {
  TdlgSynthDrift& d = Dialog();
  EXPECT_EQ(d.windowTitle(), "Drift Orientation Please !");
  EXPECT_EQ(d.size(), QSize(181, 211));
  EXPECT_FALSE(d.windowFlags() & Qt::WindowCloseButtonHint);
  auto* label = d.findChild<QLabel*>("Label1");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "Orientation ?");
  EXPECT_TRUE(label->font().bold());
  d.show();
  QApplication::processEvents();
  // The 2 x 2 grid: BitBtn1 top left, BitBtn2 top right, BitBtn3 bottom left, BitBtn4 bottom right.
  QPoint place[5];
  for (int i = 1; i <= 4; ++i) {
    auto* b = d.findChild<QPushButton*>(QString("BitBtn%1").arg(i));
    ASSERT_NE(b, nullptr) << i;
    EXPECT_EQ(b->size(), QSize(65, 65));
    EXPECT_EQ(b->iconSize(), QSize(60, 60));
    EXPECT_FALSE(b->icon().isNull());
    place[i] = b->geometry().center();
  }
  EXPECT_LT(place[1].x(), place[2].x());
  EXPECT_EQ(place[1].y(), place[2].y());
  EXPECT_LT(place[1].y(), place[3].y());
  EXPECT_EQ(place[1].x(), place[3].x());
  EXPECT_EQ(place[3].y(), place[4].y());
  EXPECT_EQ(place[2].x(), place[4].x());
  d.hide();
}

TEST_F(DriftUi, CompassPicturesAreMirrorsOfEachOther) {
  // The four crosses differ only by the places of their letters: top-left and top-right
  // swap E and W, top-left and bottom-left swap N and S.
  const QImage a = TdlgSynthDrift::CompassPicture("N", "E", "W", "S").toImage();
  const QImage b = TdlgSynthDrift::CompassPicture("N", "W", "E", "S").toImage();
  const QImage c = TdlgSynthDrift::CompassPicture("S", "E", "W", "N").toImage();
  const QImage d = TdlgSynthDrift::CompassPicture("S", "W", "E", "N").toImage();
  EXPECT_EQ(a.size(), QSize(60, 60));
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  EXPECT_NE(b, d);
  EXPECT_NE(c, d);
  // The left letter's box of the first picture is the right letter's box of the second
  // mirrored back: same glyph "E" in both places.
  EXPECT_EQ(a.copy(0, 23, 13, 13), b.copy(47, 23, 13, 13));
  EXPECT_EQ(a.copy(47, 23, 13, 13), b.copy(0, 23, 13, 13));
}

struct ButtonCase {
  const char* button;
  DriftDialogResult result;
  bool eastLeft;
  bool northUp;
};

class DriftDialogButtons : public DriftUi, public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(DriftDialogButtons, EachButtonGivesItsOrientation) {
  const ButtonCase c = GetParam();
  DialogAnswer answer(&Dialog(), c.button);
  const DriftDialogResult r = Dialog().Execute();
  EXPECT_TRUE(answer.shown);
  EXPECT_EQ(r, c.result);
  EXPECT_FALSE(Dialog().isVisible());
  const DriftOrientation o = OrientationFromDialog(r);
  EXPECT_EQ(o.eastLeft, c.eastLeft);
  EXPECT_EQ(o.northUp, c.northUp);
}

// The table of the dialog: pictures N/E W/S, N/W E/S, S/E W/N, S/W E/N.
INSTANTIATE_TEST_SUITE_P(
    Four, DriftDialogButtons,
    ::testing::Values(ButtonCase{"BitBtn1", DriftDialogResult::Yes, true, true},
                      ButtonCase{"BitBtn2", DriftDialogResult::No, false, true},
                      ButtonCase{"BitBtn3", DriftDialogResult::Ok, true, false},
                      ButtonCase{"BitBtn4", DriftDialogResult::Cancel, false, false}));

TEST_F(DriftUi, ClosingTheDialogOtherwiseIsCancel) {
  // The window manager's close command.
  DialogAnswer closing(&Dialog(), "close");
  EXPECT_EQ(Dialog().Execute(), DriftDialogResult::Cancel);
  EXPECT_TRUE(closing.shown);
  // Escape, after an earlier answer Yes.
  DialogAnswer yes(&Dialog(), "BitBtn1");
  EXPECT_EQ(Dialog().Execute(), DriftDialogResult::Yes);
  DialogAnswer escape(&Dialog(), "escape");
  EXPECT_EQ(Dialog().Execute(), DriftDialogResult::Cancel);
  EXPECT_TRUE(escape.shown);
}

// ---- Drift Analysis --------------------------------------------------------------------------

TEST_F(DriftUi, CommandsAreWiredAndFollowTheTicks) {
  EXPECT_FALSE(Main().IsPending("btnDriftSingle"));
  EXPECT_FALSE(Main().IsPending("btnDriftMulti"));
  // Nothing listed: both stay disabled, as every series command.
  EXPECT_FALSE(Find<QPushButton>("btnDriftSingle")->isEnabled());
  OpenSeries({StarFrame()}, "one");
  EXPECT_TRUE(Find<QPushButton>("btnDriftSingle")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("btnDriftMulti")->isEnabled());
}

TEST_F(DriftUi, CapturedEndsInOneColumnAreImpossible) {
  OpenSeries({StarAt(60, 40, 30, 20)}, "col");
  Main().SetCapturedA(30.0L, 10.0L);
  Main().SetCapturedB(30.0L, 30.0L);
  const std::string delta = Field(ReductionField::txtDelta);
  const std::string eps = Field(ReductionField::txtEps);
  DialogAnswer answer(&Dialog(), "BitBtn1");
  Click("btnDriftSingle");
  EXPECT_EQ(m_prompter.Texts(ScriptedPrompter::Kind::Info), QStringList{"Calcul impossible"});
  EXPECT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Error), 0);
  EXPECT_FALSE(answer.shown) << "no orientation is asked when there is no line";
  EXPECT_EQ(Field(ReductionField::txtDelta), delta);
  EXPECT_EQ(Field(ReductionField::txtEps), eps);
  EXPECT_EQ(Table().DataRows(), 0);
}

TEST_F(DriftUi, TrailGivesTheLibrarysDeltaAndMarksThePicture) {
  // A trail 10 degrees below due west (rows grow downwards): y = 30 + (x - 20) tan 10.
  const double t = std::tan(10 * kPi / 180);
  OTrame f = MakeFrame(200, 90, 100);
  for (int x = 0; x < 200; ++x) {
    for (int y = 0; y < 90; ++y) {
      if (x < 20 || x > 180) continue;
      const double d = (y - (30 + (x - 20) * t)) * std::cos(10 * kPi / 180);
      f.Px(x, y) += static_cast<Extended>(std::lround(1500 * std::exp(-d * d / (2 * 1.2 * 1.2))));
    }
  }
  const auto paths = OpenSeries({f}, "trail");
  Main().SetCapturedA(25.0L, 30.0L + 5 * t);
  Main().SetCapturedB(175.0L, 30.0L + 155 * t);
  const std::string eps = Field(ReductionField::txtEps);
  const std::string rho = Field(ReductionField::txtRho);
  ASSERT_EQ(Table().Mode(), ReductionMode::Mesure);

  const QPen keptPen(QColor(10, 20, 30), 2, Qt::DashLine);
  Main().SetCrossPen(keptPen, true);
  const std::string before = Field(ReductionField::txtDelta);
  DialogAnswer answer(&Dialog(), "BitBtn1");  // north up, east left
  m_prompter.QueueYesNo(true);
  Click("btnDriftSingle");
  ASSERT_TRUE(answer.shown);
  // The question names the new Delta beside the old one.
  const QStringList asked = m_prompter.Texts(ScriptedPrompter::Kind::YesNo);
  ASSERT_EQ(asked.size(), 1);
  EXPECT_EQ(m_prompter.Calls().size(), 1u);
  EXPECT_TRUE(asked[0].contains(QString::fromStdString(Field(ReductionField::txtDelta))));
  EXPECT_TRUE(asked[0].contains(QString::fromStdString(before)));

  // The library on the same frame, measured with the same settings, fed into a table read
  // from the same settings file.
  LoadContext context;
  context.measure = Main().CurrentMeasureSettings();
  LoadedFrame loaded;
  ASSERT_TRUE(LoadAndMeasure(paths[0], context, loaded).ok());
  const DriftTrailResult lib =
      DriftTrail(loaded.frame, Main().CapturedA(), Main().CapturedB(), context.measure);
  ASSERT_TRUE(lib.status.ok);
  ReductionTable table(SettingsPath());
  PrepareTable(table);
  const FeedResult fed =
      FeedCalibration(table, lib.line, true, true, lib.lastX, lib.current, paths[0]);
  ASSERT_TRUE(fed.status.ok) << fed.status.message;
  EXPECT_EQ(Field(ReductionField::txtDelta), fed.delta);
  // By hand: the path from its east (left) end to its west end reads 270 - 10 = 260 degrees,
  // so Delta = 260 - 270 = -10 (the centroids follow the ridge to well under a tenth of a
  // degree over 150 columns).
  Extended delta = 0;
  ASSERT_TRUE(ParseNumber(Field(ReductionField::txtDelta), delta));
  EXPECT_NEAR(static_cast<double>(delta), HandAngle(150, 150 * t, true) - 270, 0.1);
  EXPECT_NEAR(static_cast<double>(delta), -10.0, 0.1);
  // Only Delta changed; the table is empty, in its former mode, east left and north up.
  EXPECT_EQ(Field(ReductionField::txtEps), eps);
  EXPECT_EQ(Field(ReductionField::txtRho), rho);
  EXPECT_EQ(Table().Mode(), ReductionMode::Mesure);
  EXPECT_EQ(Table().DataRows(), 0);
  EXPECT_EQ(Table().Button2(), "E");
  EXPECT_EQ(Table().Button1(), "N");
  ExpectTableWindowShows();

  // The marks: green crosses at the centroids, the fitted line in red from column 0.
  const std::vector<DriftPoint>& points = lib.points;
  ASSERT_GE(points.size(), 5u);
  const DriftPoint& p = points[points.size() / 2];
  EXPECT_EQ(PixelAt(Nearest32(p.x), Nearest32(p.y) - 5), qRgb(0, 128, 0));
  EXPECT_EQ(PixelAt(Nearest32(p.x), Nearest32(p.y) + 5), qRgb(0, 128, 0));
  const DriftSegment s = DriftLineSegment(lib.line, lib.lastX);
  EXPECT_EQ(PixelAt(s.x1, s.y1), qRgb(255, 0, 0));
  EXPECT_EQ(PixelAt(s.x2, s.y2), qRgb(255, 0, 0));
  // The window's pen is the one it had before: a pen of our own, exclusive-or.
  EXPECT_EQ(Main().CrossPen(), keptPen);
  EXPECT_TRUE(Main().CrossPenExclusiveOr());
}

TEST_F(DriftUi, HorizontalTrailGivesDeltaZeroWhateverTheOrientation) {
  // A horizontal path is the east-west line: once the user has said where east lies, its
  // east end goes to its west end at 270 degrees in every orientation, so Delta = 0. With
  // north down and east right the east end is the right one; reading (dx, dy) = (-L, 0) with
  // east = +dx and north = +dy gives atan2(-L, 0) = 270 degrees.
  OTrame f = MakeFrame(120, 60, 100);
  for (int x = 10; x <= 110; ++x) {
    f.Px(x, 29) += 400;
    f.Px(x, 30) += 1500;
    f.Px(x, 31) += 400;
  }
  const auto paths = OpenSeries({f}, "flat");
  Main().SetCapturedA(15.0L, 30.0L);
  Main().SetCapturedB(105.0L, 30.0L);
  // A pair in the table: the new Delta empties it, so the user is asked first; No changes
  // nothing at all: rows, fields, orientation, settings file.
  Table().SaveCentroid(Point(10, 10), paths[0]);
  Table().SaveCentroid(Point(20, 15), paths[0]);
  TableWindow().UpdateView();
  Table().EditField(ReductionField::txtDelta, "1.5");
  const ReductionTable before = Table();
  const std::vector<unsigned char> settings = ReadBytes(Home() + "orvek.ini");
  {
    DialogAnswer refuse(&Dialog(), "BitBtn4");
    m_prompter.QueueYesNo(false);
    Click("btnDriftSingle");
    ASSERT_TRUE(refuse.shown);
  }
  ASSERT_EQ(m_prompter.Count(ScriptedPrompter::Kind::YesNo), 1);
  EXPECT_TRUE(m_prompter.Texts(ScriptedPrompter::Kind::YesNo)[0].contains("1.5"));
  EXPECT_EQ(Table().RawRows(), before.RawRows());
  EXPECT_EQ(Table().ResultRows(), before.ResultRows());
  for (ReductionField f : {ReductionField::txtDelta, ReductionField::txtEps,
                           ReductionField::txtTheta, ReductionField::txtRho}) {
    EXPECT_EQ(Table().Field(f), before.Field(f));
  }
  EXPECT_EQ(Table().Button2(), before.Button2());
  EXPECT_EQ(Table().Button1(), before.Button1());
  EXPECT_EQ(ReadBytes(Home() + "orvek.ini"), settings);

  DialogAnswer answer(&Dialog(), "BitBtn4");
  m_prompter.QueueYesNo(true);
  Click("btnDriftSingle");
  ASSERT_TRUE(answer.shown);
  EXPECT_EQ(Table().DataRows(), 0);
  EXPECT_EQ(HandAngle(-119, 0, false), 270.0);
  EXPECT_EQ(Table().Button2(), "W");
  EXPECT_EQ(Table().Button1(), "S");
  ExpectTableWindowShows();
  Extended delta = 0;
  ASSERT_TRUE(ParseNumber(Field(ReductionField::txtDelta), delta));
  EXPECT_NEAR(static_cast<double>(delta), 0.0, 0.005);
}

// ---- Synthetic Drift -------------------------------------------------------------------------

TEST_F(DriftUi, SyntheticDriftMatchesLibraryAndCommandLine) {
  // Eight frames, the star moving 6 columns right and 1.5 rows up per frame (slope -0.25).
  std::vector<OTrame> frames;
  for (int k = 0; k < 8; ++k) frames.push_back(StarAt(80, 60, 12.3 + 6 * k, 44.6 - 1.5 * k));
  const auto paths = OpenSeries(frames, "syn");
  const std::string eps = Field(ReductionField::txtEps);
  const std::string before = Field(ReductionField::txtDelta);

  DialogAnswer answer(&Dialog(), "BitBtn2");  // north up, east right
  m_prompter.QueueYesNo(true);
  Click("btnDriftMulti");
  ASSERT_TRUE(answer.shown);
  EXPECT_EQ(m_prompter.Calls().size(), 1u);  // the question before Delta is replaced
  const std::string windowDelta = Field(ReductionField::txtDelta);
  EXPECT_NE(windowDelta, before);
  EXPECT_EQ(Field(ReductionField::txtEps), eps);

  // The synthetic image is written to tempc and shown, the upper threshold at the top of the
  // display range.
  const std::string image = WorkFolder("tempc") + "drift.orvc";
  EXPECT_TRUE(FileExists(image));
  EXPECT_EQ(Main().CurrentFrame().FileName, image);
  Extended top = 0;
  ASSERT_TRUE(ParseNumber(Find<QLineEdit>("TrackBarsMax")->text().toStdString(), top));
  EXPECT_EQ(Find<QSlider>("TrackBar1")->value(), Main().ValueToPosition(top));
  // Every star is a cross of 255 in the synthetic image.
  for (int k = 0; k < 8; ++k) {
    EXPECT_EQ(Main().CurrentFrame().GetPixel(static_cast<int>(std::lround(12.3 + 6 * k)),
                                             static_cast<int>(std::lround(44.6 - 1.5 * k))),
              255)
        << k;
  }

  // The library over the same list, fed with the same orientation into a table read from the
  // same settings file.
  LoadContext context;
  context.measure = Main().CurrentMeasureSettings();
  const SyntheticDriftResult lib =
      SyntheticDrift(TickedItems(paths), context, UserOutputOfFile(Data("lib_drift.orvc"), false),
                     "lib_drift.orvc");
  ASSERT_TRUE(lib.status.ok) << lib.status.message;
  EXPECT_EQ(lib.points.size(), 8u);
  ReductionTable table(SettingsPath());
  PrepareTable(table);
  const FeedResult fed =
      FeedCalibration(table, lib.line, false, true, lib.lastX, lib.shown.star.point, lib.imagePath);
  ASSERT_TRUE(fed.status.ok) << fed.status.message;
  EXPECT_EQ(windowDelta, fed.delta);

  // orvek-cli drift on the same files, with the same settings file (ORVEK_HOME).
  std::string command = std::string(ORVEK_CLI_PROGRAM) + " drift --orient ns,we --image '" +
                        Data("cli_drift.orvc") + "'";
  for (const std::string& p : paths) command += " '" + p + "'";
  int status = -1;
  const std::string out = Capture(command, &status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_NE(out.find("delta=" + windowDelta + "\n"), std::string::npos) << out;

  // By hand: east right, so the east end is the right end and the path runs leftwards and
  // downwards, (dx, dy) = (-lastX, +0.25 lastX); its angle minus 270 is Delta.
  Extended delta = 0;
  ASSERT_TRUE(ParseNumber(windowDelta, delta));
  EXPECT_NEAR(static_cast<double>(delta), HandAngle(-79, 0.25 * 79, false) - 270, 0.15);

  // The red line on the synthetic picture.
  const DriftSegment s = DriftLineSegment(lib.line, lib.lastX);
  EXPECT_EQ(PixelAt(s.x1, s.y1), qRgb(255, 0, 0));
  EXPECT_EQ(Table().Button2(), "W");
  EXPECT_EQ(Table().Button1(), "N");
  ExpectTableWindowShows();
}

TEST_F(DriftUi, FiveFramesAtOneSpotAreRefused) {
  std::vector<OTrame> frames(5, StarAt(50, 40, 20.4, 18.7));
  OpenSeries(frames, "spot");
  const std::string delta = Field(ReductionField::txtDelta);
  const std::string eps = Field(ReductionField::txtEps);
  DialogAnswer answer(&Dialog(), "BitBtn1");
  Click("btnDriftMulti");
  EXPECT_FALSE(answer.shown);
  EXPECT_EQ(m_prompter.Texts(ScriptedPrompter::Kind::Info), QStringList{"Calcul impossible"});
  EXPECT_EQ(Field(ReductionField::txtDelta), delta);
  EXPECT_EQ(Field(ReductionField::txtEps), eps);
  EXPECT_EQ(Table().DataRows(), 0);
  EXPECT_FALSE(TableWindow().isVisible());
  // The five crosses on one spot are still shown.
  EXPECT_TRUE(FileExists(WorkFolder("tempc") + "drift.orvc"));
  EXPECT_EQ(Main().CurrentFrame().GetPixel(20, 19), 255);
}

TEST_F(DriftUi, SyntheticDriftWithNothingTickedDoesNothing) {
  OpenSeries({StarFrame(), StarFrame()}, "none");
  Main().CheckAllClick(false);
  DialogAnswer answer(&Dialog(), "BitBtn1");
  EXPECT_FALSE(Find<QPushButton>("btnDriftMulti")->isEnabled());
  EXPECT_FALSE(Wb().analysisCommands->Drift().SyntheticDrift());
  EXPECT_FALSE(answer.shown);
  EXPECT_FALSE(FileExists(WorkFolder("tempc") + "drift.orvc"));
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

}  // namespace
}  // namespace orvek::test
