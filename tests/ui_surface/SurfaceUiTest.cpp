// The surface fit driven through the main window: "Surface" on a synthetic pair measured and
// captured with the mouse, the log window shown modally, the pair entered into the
// measurement table, the model image written and shown by "Math Image", the faint pair that
// needs a second pass, the failure message, and the help text in the interface language.
// The window's results are compared with the library run on the same file; the pair's
// positions are also checked against the positions the frame was drawn with.

#include <gtest/gtest.h>

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <string>

#include "core/IniFile.h"
#include "core/Rounding.h"
#include "core/Utils.h"
#include "fit/PairFrames.h"
#include "fit/SurfaceFit.h"
#include "measure/ReductionTable.h"
#include "ui/SurfaceCommands.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/UfrmSurface.h"
#include "ui/UiFixture.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

// Closes the surface window with its "Ok" as soon as it is shown (it is modal: the test
// cannot reach it otherwise), after noting what its two text boxes held.
class SurfaceWindowAnswer : public QObject {
 public:
  explicit SurfaceWindowAnswer(TformSurface* window) : m_window(window) {
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, [this] {
      if (!m_window->isVisible()) return;
      m_timer.stop();
      shown = true;
      modal = m_window->isModal();
      log = m_window->Memo1()->toPlainText();
      help = m_window->Memo2()->toPlainText();
      m_window->Button1()->click();
    });
    m_timer.start();
  }
  bool shown = false;
  bool modal = false;
  QString log;
  QString help;

 private:
  TformSurface* m_window;
  QTimer m_timer;
};

QString Joined(const std::vector<std::string>& lines) {
  QStringList list;
  for (const std::string& line : lines) list << QString::fromStdString(line);
  return list.join("\n");
}

class SurfaceUiTest : public UiTest {
 protected:
  TformSurface& Window() { return *Wb().formSurface; }
  TformCentroid& TableWindow() { return *Wb().formCentroid; }
  const ReductionTable& Table() { return Wb().formCentroid->Table(); }
  std::string ModelFile() { return Home() + "temps/surface.orvc"; }

  // The pair saved as ORV (values kept exactly) and opened in the main window.
  std::string ShowPair(const PairSpec& s, int width = 300, int height = 300) {
    const OTrame f = PairFrame(width, height, s);
    const std::string path = Data("pair.orv");
    EXPECT_TRUE(f.SaveOrv(0, 0, f.LastX, f.LastY, path).ok);
    Main().OpenFiles({QString::fromStdString(path)});
    EXPECT_EQ(Main().CurrentFrame().FileName, path);
    return path;
  }

  // A left click on each star, each followed by its capture button, as the user does.
  void CaptureWithTheMouse(int ax, int ay, int bx, int by) {
    Main().ImageClick(Qt::LeftButton, ax, ay);
    QTest::mouseClick(Find<QPushButton>("Capture_A"), Qt::LeftButton);
    Main().ImageClick(Qt::LeftButton, bx, by);
    QTest::mouseClick(Find<QPushButton>("Capture_B"), Qt::LeftButton);
    // The captured positions are the measured centroids, near the stars.
    EXPECT_NEAR(static_cast<double>(Main().CapturedA().X), ax, 3);
    EXPECT_NEAR(static_cast<double>(Main().CapturedB().Y), by, 3);
  }

  // The library on the frame of the same file, from the same captured positions.
  SurfaceFitResult LibraryFit(const std::string& path) {
    OTrame frame;
    EXPECT_TRUE(frame.LoadFile(path).ok());
    return SurfaceFit(frame, Main().CapturedA(), Main().CapturedB());
  }

  static PairSpec BrightPair() {
    PairSpec s;
    s.ax = 100.3;
    s.ay = 100.6;
    s.bx = 118.8;
    s.by = 115.2;
    return s;
  }
};

TEST_F(SurfaceUiTest, SurfaceCommandsAreWired) {
  for (const char* name : {"Surface1", "SurfaceImage1"}) {
    EXPECT_FALSE(Main().IsPending(name)) << name;
    EXPECT_TRUE(Main().Action(name)->isEnabled()) << name;
  }
}

TEST_F(SurfaceUiTest, SurfaceShowsTheLogThenEntersThePairIntoTheTable) {
  const PairSpec s = BrightPair();
  const std::string path = ShowPair(s);
  CaptureWithTheMouse(100, 101, 119, 115);
  const SurfaceFitResult library = LibraryFit(path);
  ASSERT_TRUE(library.ok()) << DebugText(library.error);

  SurfaceWindowAnswer answer(&Window());
  Main().Action("Surface1")->trigger();
  ASSERT_TRUE(answer.shown);
  EXPECT_TRUE(answer.modal);
  EXPECT_TRUE(answer.log.startsWith("Nb passes : 1\nINIT\nxA: ")) << answer.log.toStdString();
  EXPECT_EQ(answer.log, Joined(library.log));
  // Closing the window empties its log.
  EXPECT_FALSE(Window().isVisible());
  EXPECT_TRUE(Window().Memo1()->toPlainText().isEmpty());
  EXPECT_EQ(m_prompter.Calls().size(), 0u);

  // The table window is shown with the pair as one new row: A then B, in fit coordinates
  // (pixel + 1), the heights as intensities, 9 pixels each.
  EXPECT_TRUE(TableWindow().isVisible());
  ASSERT_EQ(Table().DataRows(), 1);
  const auto& row = Table().RawRows()[1];
  Extended xA = 0, yA = 0, xB = 0, yB = 0;
  ASSERT_TRUE(ParseNumber(row[kColXA], xA) && ParseNumber(row[kColYA], yA));
  ASSERT_TRUE(ParseNumber(row[kColXB], xB) && ParseNumber(row[kColYB], yB));
  EXPECT_NEAR(static_cast<double>(xA), s.ax + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(yA), s.ay + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(xB), s.bx + 1, 0.006);
  EXPECT_NEAR(static_cast<double>(yB), s.by + 1, 0.006);
  EXPECT_EQ(row[kColXA], FormatGeneral(RoundTo(static_cast<double>(library.fit.xA), 3)));
  EXPECT_EQ(row[kColYB], FormatGeneral(RoundTo(static_cast<double>(library.fit.yB), 3)));
  EXPECT_EQ(row[kColIntA], FormatGeneral(static_cast<double>(library.fit.hA)));
  EXPECT_EQ(row[kColIntB], FormatGeneral(static_cast<double>(library.fit.hB)));
  EXPECT_EQ(row[kColNA], "9");
  EXPECT_EQ(row[kColNB], "9");
  EXPECT_EQ(row[kColImage], "pair.orv");
  EXPECT_FALSE(Table().LastRowOpen());

  // The model image: the window's size, row and column 0 empty.
  const int w = library.window.Width(), h = library.window.Height();
  EXPECT_EQ(ReadBytes(ModelFile()).size(), 10u * (static_cast<size_t>(w) * h + 2));
  OTrame model;
  ASSERT_TRUE(model.LoadFile(ModelFile()).ok());
  EXPECT_EQ(model.Px(0, 5), 0);
  EXPECT_EQ(model.Px(5, 0), 0);
  EXPECT_EQ(model.Px(5, 5), library.Model(5, 5));

  // "Math Image" now shows the model.
  Main().Action("SurfaceImage1")->trigger();
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
  EXPECT_EQ(Main().CurrentFrame().FileName, ModelFile());
  EXPECT_EQ(Main().CurrentFrame().Width(), w);
  EXPECT_EQ(Main().CurrentFrame().Height(), h);
}

TEST_F(SurfaceUiTest, FaintPairNeedsASecondPassAndLeavesTheImageAsItWas) {
  // Stars of height 12 on a floor of 2: the first pass ends at the floor of 20 heights.
  PairSpec s;
  s.ax = 100;
  s.ay = 100;
  s.bx = 125;
  s.by = 110;
  s.heightA = s.heightB = 12;
  const std::string path = ShowPair(s);
  Main().SetCapturedA(100, 100);
  Main().SetCapturedB(125, 110);
  const SurfaceFitResult library = LibraryFit(path);
  ASSERT_TRUE(library.ok());
  ASSERT_EQ(library.iterationsPerPass.size(), 2u);
  const Extended pixel = Main().CurrentFrame().Px(100, 100);

  SurfaceWindowAnswer answer(&Window());
  Main().Action("Surface1")->trigger();
  ASSERT_TRUE(answer.shown);
  const QString first = answer.log.section('\n', 0, 0);
  EXPECT_TRUE(first.startsWith("Nb passes : 2 {")) << first.toStdString();
  EXPECT_EQ(first, QString("Nb passes : 2 {%1}").arg(library.iterationsPerPass[0]));
  // The image shown keeps its values: the passes double a copy.
  EXPECT_EQ(Main().CurrentFrame().Px(100, 100), pixel);
  EXPECT_EQ(Table().DataRows(), 1);
}

TEST_F(SurfaceUiTest, StarsTooFarApartGiveTheSurfaceMessageAndNothingElse) {
  PairSpec s = BrightPair();
  s.bx = 200.3;  // 100 pixels from A: a window of 201 points
  ShowPair(s);
  Main().SetCapturedA(100, 101);
  Main().SetCapturedB(200, 115);
  SurfaceWindowAnswer answer(&Window());
  Main().Action("Surface1")->trigger();
  QApplication::processEvents();
  EXPECT_FALSE(answer.shown);
  // The message is the main window's "msgErrSurface" of the shipped French texts.
  const std::string expected =
      IniFile(Home() + "orvek.ini").ReadString("FMain", "msgErrSurface", "<missing>");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(m_prompter.Texts(Kind::Info), QStringList{QString::fromStdString(expected)});
  EXPECT_EQ(Table().DataRows(), 0);
  EXPECT_FALSE(FileExists(ModelFile()));
}

TEST_F(SurfaceUiTest, PositionsNotTakenOrTakenOnAnotherFrameSizeAreSaidSo) {
  // Nothing captured (no image either): the user is told to take comp A and comp B.
  SurfaceWindowAnswer answer(&Window());
  Main().Action("Surface1")->trigger();
  EXPECT_EQ(m_prompter.Texts(Kind::Info),
            QStringList{QString::fromStdString(
                IniFile(Home() + "orvek.ini").ReadString("FMain", "srfNotTaken", "<missing>"))});
  // Captured on a 300 x 300 frame, then a 120 x 80 frame shown: its sizes and the frame's are
  // named, not "components too far apart".
  ShowPair(BrightPair());
  CaptureWithTheMouse(100, 101, 119, 115);
  const OTrame other = PairFrame(120, 80, BrightPair());
  ASSERT_TRUE(other.SaveOrv(0, 0, other.LastX, other.LastY, Data("other.orv")).ok);
  ASSERT_TRUE(Main().LoadAndShow(QData("other.orv")));
  m_prompter.ClearCalls();
  Main().Action("Surface1")->trigger();
  const QStringList info = m_prompter.Texts(Kind::Info);
  ASSERT_EQ(info.size(), 1);
  EXPECT_TRUE(info[0].contains(QString::fromUtf8("300 × 300"))) << info[0].toStdString();
  EXPECT_TRUE(info[0].contains(QString::fromUtf8("120 × 80"))) << info[0].toStdString();
  EXPECT_NE(info[0], Main().MessageText("msgErrSurface"));
  EXPECT_FALSE(answer.shown);
  EXPECT_EQ(Table().DataRows(), 0);
  EXPECT_FALSE(FileExists(ModelFile()));
}

TEST_F(SurfaceUiTest, MathImageBeforeAnyFitIsNotAvailable) {
  Main().Action("SurfaceImage1")->trigger();
  EXPECT_EQ(m_prompter.Texts(Kind::Info), QStringList{"Not avalaible"});
  EXPECT_TRUE(Main().CurrentFrame().Empty());
}

TEST_F(SurfaceUiTest, WindowControls) {
  EXPECT_EQ(Window().windowTitle(), "Orvek / SURFACE");
  EXPECT_TRUE(Window().Memo1()->isReadOnly());
  EXPECT_TRUE(Window().Memo1()->font().bold());
  EXPECT_EQ(Window().Memo1()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(Window().Memo2()->frameShape(), QFrame::NoFrame);
  EXPECT_TRUE(Window().Memo2()->font().bold());
  EXPECT_EQ(Window().Button1()->text(), "Ok");
  // Hiding the window clears its log.
  Window().SetLog({"Nb passes : 1", "INIT"});
  Window().show();
  EXPECT_EQ(Window().Memo1()->toPlainText(), "Nb passes : 1\nINIT");
  Window().hide();
  EXPECT_TRUE(Window().Memo1()->toPlainText().isEmpty());
}

TEST_F(SurfaceUiTest, HelpTextFollowsTheInterfaceLanguage) {
  // Expected lines read from the shipped settings file: "L1_lines" lines "L1".."Ln".
  auto helpOf = [this](const std::string& letter) {
    const IniFile ini(Home() + "orvek.ini");
    const std::string section = letter + "Surface";
    const long long n = ini.ReadInteger(section, "L1_lines", 0);
    QStringList lines;
    for (long long i = 1; i <= n; ++i) {
      lines << QString::fromStdString(ini.ReadString(section, "L" + std::to_string(i), ""));
    }
    return lines.join("\n");
  };
  EXPECT_EQ(Window().Memo2()->toPlainText(), helpOf("F"));
  EXPECT_TRUE(Window().Memo2()->toPlainText().startsWith("Ajustement"));
  Main().SelectLanguage("I");
  EXPECT_EQ(Window().Memo2()->toPlainText(), helpOf("I"));
  EXPECT_TRUE(Window().Memo2()->toPlainText().startsWith(
      "Fit ai minimi quadrati di due stelle con lo stesso profilo su un fondo costante."));
  // A language without its section leaves the help text empty ("L1_lines" reads 0).
  IniFile ini(Home() + "orvek.ini");
  ASSERT_TRUE(ini.WriteString("Langage", "Langue", "X").ok);
  Window().ChangeLangue();
  EXPECT_TRUE(Window().Memo2()->toPlainText().isEmpty());
}

}  // namespace
}  // namespace orvek::test
