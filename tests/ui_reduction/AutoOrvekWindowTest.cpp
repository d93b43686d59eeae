// AutoOrvek through the main window on the bundled synthetic series: comp A and comp B
// captured on the first frame, the button pressed, and the table compared cell for cell with
// the library's run (RunAutoOrvek) and with `orvek-cli reduce` given the same positions.

#include <QPushButton>
#include <QtTest/QTest>
#include <cstdio>
#include <fstream>
#include <map>
#include <ostream>
#include <sstream>

#include "ReductionUiSupport.h"
#include "core/Utils.h"
#include "measure/AutoOrvek.h"
#include "measure/LogComposer.h"
#include "ui/Controls.h"
#include "ui/Langue.h"
#include "ui/ReductionCommands.h"
#include "ui/UfrmMain.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

std::map<std::string, std::string> ReadTruth(const std::string& path) {
  std::map<std::string, std::string> out;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const auto eq = line.find('=');
    if (eq != std::string::npos) out[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return out;
}

class AutoOrvekWindowTest : public ReductionUiTest {
 protected:
  std::string Folder() const { return SourceDir() + "samples/ORV1/"; }

  /// The series listed, its first frame shown, A captured at the frame's star and B at the
  /// companion clicked where the sample's truth puts it.
  void CaptureOnFirstFrame() {
    truth = ReadTruth(Folder() + "truth.txt");
    ASSERT_TRUE(truth.count("theta") && truth.count("rho")) << Folder();
    Main().FillList(QString::fromStdString(Folder() + "*.fit"));
    ASSERT_EQ(std::to_string(Main().ItemCount()), truth["frames"]);
    ASSERT_TRUE(Main().LoadAndShow(Main().CurrentItemPath()));
    QTest::mouseClick(Find<QPushButton>("Capture_A"), Qt::LeftButton);
    // North up, east left: B lies rho sin(theta) to the left of A and rho cos(theta) above.
    const double theta = std::stod(truth["theta"]) * 3.14159265358979323846 / 180;
    const double rho = std::stod(truth["rho"]);
    const int bx = static_cast<int>(
        std::lround(static_cast<double>(Main().CapturedA().X) - rho * std::sin(theta)));
    const int by = static_cast<int>(
        std::lround(static_cast<double>(Main().CapturedA().Y) - rho * std::cos(theta)));
    QTest::mouseClick(Main().Image1(), Qt::LeftButton, {}, QPoint(bx, by));
    QTest::mouseClick(Find<QPushButton>("Capture_B"), Qt::LeftButton);
    ASSERT_GT(Main().CurrentPoint().Count, 0);
  }

  std::vector<std::string> Files() {
    std::vector<std::string> files;
    for (int i = 0; i < Main().ItemCount(); ++i)
      files.push_back(Folder() + Main().ItemText(i).toStdString());
    return files;
  }

  /// Runs `orvek-cli reduce` on the listed files with `options` and expects it to print the
  /// window's raw and results tables first, each followed by an empty line. Returns what it
  /// printed.
  std::string CommandLineTable(const std::string& options) {
    std::string command = BuildDir() + "cli/orvek-cli reduce";
    for (const std::string& f : Files()) command += " '" + f + "'";
    int status = -1;
    const std::string out = Capture(command + options + " 2>&1", &status);
    EXPECT_EQ(status, 0) << out;
    std::string expected;
    for (const auto& row : Table().RawRows()) expected += LogComposer::DumpRow(row) + "\n";
    expected += "\n";
    for (const auto& row : Table().ResultRows()) expected += LogComposer::DumpRow(row) + "\n";
    expected += "\n";
    EXPECT_EQ(out.substr(0, expected.size()), expected);
    return out;
  }

  std::map<std::string, std::string> truth;
};

TEST_F(AutoOrvekWindowTest, TheWindowRunGivesTheTableOfTheLibraryAndOfTheCommandLine) {
  CaptureOnFirstFrame();
  // What the library run needs, read from the main window before the button is pressed.
  AutoOrvekSettings settings;
  settings.context.bias = Main().BiasFrame();
  settings.context.fits = Main().CurrentFitsOptions();
  settings.context.measure = Main().CurrentMeasureSettings();
  settings.capturedAX = Main().CapturedA().X;
  settings.capturedAY = Main().CapturedA().Y;
  settings.capturedBX = Main().CapturedB().X;
  settings.capturedBY = Main().CapturedB().Y;
  settings.sizeA = Main().SizeA();
  settings.sizeB = Main().SizeB();

  auto* button = Find<QPushButton>("AutoOrvek");
  ASSERT_TRUE(button->isEnabled());
  QTest::mouseClick(button, Qt::LeftButton);
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0);
  EXPECT_EQ(m_prompter.Count(Kind::Info), 0);
  EXPECT_TRUE(button->isEnabled());
  // Afterwards the first image is shown again, with the table.
  EXPECT_EQ(Main().SelectedIndex(), 0);
  EXPECT_EQ(Main().CurrentFrame().FileName, Files().front());
  EXPECT_TRUE(Win().isVisible());
  ASSERT_EQ(std::to_string(Table().DataRows()), truth["frames"]);

  // The library on the same files, into a table started as the window's was.
  ReductionTable library(SettingsPath());
  library.Initialise();
  const AutoOrvekResult run = RunAutoOrvek(Files(), library, settings);
  ASSERT_TRUE(run.recompute.ok) << run.recompute.message;
  EXPECT_EQ(Table().RawRows(), library.RawRows());
  EXPECT_EQ(Table().ResultRows(), library.ResultRows());
  for (ReductionField f : {ReductionField::txtTheta, ReductionField::txtRho, ReductionField::sigTh,
                           ReductionField::sigRh, ReductionField::txtDm}) {
    EXPECT_EQ(Table().Field(f), library.Field(f));
  }
  EXPECT_EQ(Main().HalfSize(), run.half);

  // The window's result is the sample's truth (north up, east left, 1 arc-second per pixel).
  EXPECT_NEAR(std::stod(Text("txtTheta").toStdString()), std::stod(truth["theta"]), 0.3);
  EXPECT_NEAR(std::stod(Text("txtRho").toStdString()), std::stod(truth["rho"]),
              std::stod(truth["rho"]) * 0.01);

  // orvek-cli reduce with the captured positions (17 significant digits) and sizes prints
  // the raw and results tables first, each followed by an empty line.
  char a[96], b[96];
  std::snprintf(a, sizeof a, "%.17g,%.17g", static_cast<double>(settings.capturedAX),
                static_cast<double>(settings.capturedAY));
  std::snprintf(b, sizeof b, "%.17g,%.17g", static_cast<double>(settings.capturedBX),
                static_cast<double>(settings.capturedBY));
  const std::string out = CommandLineTable(std::string(" --a ") + a + " --b " + b + " --half-a " +
                                           std::to_string(settings.sizeA) + " --half-b " +
                                           std::to_string(settings.sizeB));
  EXPECT_NE(out.find("theta = " + Text("txtTheta").toStdString() + "  (sigma " +
                     Text("sigTh").toStdString() + ")"),
            std::string::npos)
      << out;
}

TEST_F(AutoOrvekWindowTest, WithNoTickedImageOnlyTheFirstIsShownAgainWithTheTable) {
  CaptureOnFirstFrame();
  for (int i = 0; i < Main().ItemCount(); ++i) Main().SetTicked(i, false);
  Main().SelectItem(5);
  // No ticked item disables the series commands; the command itself still runs as designed.
  Wb().reductionCommands->AutoOrvekClick();
  EXPECT_EQ(Table().DataRows(), 0);
  EXPECT_EQ(Main().SelectedIndex(), 0);
  EXPECT_EQ(Main().CurrentFrame().FileName, Files().front());
  EXPECT_TRUE(Win().isVisible());
}

// ---- Without usable captured positions ---------------------------------------------------------

/// What is captured before "AutoOrvek" is pressed on the sample series.
struct Captured {
  const char* name;
  bool otherSize;  ///< comp A and comp B taken on a 100 x 80 frame; else nothing captured
};

void PrintTo(const Captured& c, std::ostream* out) {
  *out << c.name;
}

class AutoOrvekWithoutCapture : public AutoOrvekWindowTest,
                                public ::testing::WithParamInterface<Captured> {};

// The pair is found on the first frame as `orvek-cli reduce` finds it without --a/--b, and
// the rows are those of the command line; none has a separation of 0.
TEST_P(AutoOrvekWithoutCapture, FindsThePairAsTheCommandLineDoes) {
  if (GetParam().otherSize) {
    LoadFrame();  // 100 x 80, a star at (50, 40)
    Main().Capture_AClick();
    Main().ImageClick(Qt::LeftButton, 60, 30);
    Main().Capture_BClick();
  }
  Main().FillList(QString::fromStdString(Folder() + "*.fit"));
  ASSERT_GT(Main().ItemCount(), 0);
  Wb().reductionCommands->AutoOrvekClick();
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0);
  ASSERT_EQ(Table().DataRows(), Main().ItemCount());
  for (int r = 1; r <= Table().DataRows(); ++r) EXPECT_NE(Res(r, kResRho), "0") << r;
  CommandLineTable("");
}

INSTANTIATE_TEST_SUITE_P(Cases, AutoOrvekWithoutCapture,
                         ::testing::Values(Captured{"NothingCaptured", false},
                                           Captured{"CapturedOnAFrameOfAnotherSize", true}),
                         [](const ::testing::TestParamInfo<Captured>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(AutoOrvekWindowTest, WithoutAPairToFindItStopsWithAMessageAndEntersNothing) {
  // Two frames of one star on a noisy sky (+-3): no companion stands out of the noise.
  for (int k = 0; k < 2; ++k) {
    OTrame f = MakeFrame(64, 64, 100);
    uint32_t seed = 7 + k;
    for (Extended& v : f.Data()) {
      seed = seed * 1664525u + 1013904223u;
      v += static_cast<Extended>((seed >> 8) % 7) - 3;
    }
    AddMoffat(f, 30.2 + k, 31.7, 10000, 3.5);
    WriteFits(f, Data("single_" + std::to_string(k) + ".fit"));
  }
  Main().FillList(QString::fromStdString(m_data->Path() + "single_*.fit"));
  ASSERT_EQ(Main().ItemCount(), 2);
  Wb().reductionCommands->AutoOrvekClick();
  EXPECT_EQ(Table().DataRows(), 0);
  ASSERT_EQ(m_prompter.Count(Kind::Error), 1);
  const QString message = m_prompter.Texts(Kind::Error).first();
  EXPECT_TRUE(message.startsWith(LangText("Reduction", "msgAutoNoPair").section("{", 0, 0)))
      << message.toStdString();
  EXPECT_TRUE(message.contains("single_0.fit")) << message.toStdString();
  EXPECT_TRUE(Find<QPushButton>("AutoOrvek")->isEnabled());
}

}  // namespace
}  // namespace orvek::test
