// QuadPx, the hidden menu "Maths" and the hidden "Speckle Mask" item driven through the main
// window: the second image through the prompter's open dialog, the results shown and their
// files removed or listed, the peak suppression measuring again, and the messages.
// Expected images are worked out by hand or taken from the library run on the same input
// (the window must show exactly what the library computes).

#include <gtest/gtest.h>

#include "core/Output.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <cstdio>
#include <string>
#include <vector>

#include "core/Utils.h"
#include "fourier/ImageArithmetic.h"
#include "fourier/SpeckleMask.h"
#include "measure/Measurement.h"
#include "measure/ReductionTable.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmMain.h"
#include "ui/UiFixture.h"

namespace orvek::test {
namespace {

using E = long double;
using Kind = ScriptedPrompter::Kind;

const QString kFilter =
    QString::fromUtf8("Fichiers Image (*.bmp;*.fit;*.fits;*.fts)|*.bmp;*.fit;*.fits;*.fts;*.orv*");

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

class ArithmeticUi : public UiTest {
 protected:
  std::string Write(const OTrame& f, const std::string& name) {
    const std::string path = Data(name);
    EXPECT_TRUE(f.SaveOrv(0, 0, f.LastX, f.LastY, path).ok);
    return path;
  }
  void Trigger(const char* name) {
    QAction* a = Main().Action(name);
    ASSERT_NE(a, nullptr) << name;
    // An invisible item (SpeckleMask1) reads as disabled; it is reached through its action.
    if (a->isVisible()) {
      ASSERT_TRUE(a->isEnabled()) << name;
    }
    ASSERT_FALSE(Main().IsPending(name)) << name;
    a->trigger();
  }
  std::string Temp() { return Home() + "temp/"; }
  const OTrame& Current() { return Main().CurrentFrame(); }
};

TEST_F(ArithmeticUi, CommandsAreWiredAndTheHiddenMenusStayHidden) {
  for (const char* name : {"Quad1", "Div1", "Mult1", "LowPass1", "Conv1", "supprPic1",
                           "supprautour1", "suppr21", "SpeckleMask1"}) {
    EXPECT_FALSE(Main().IsPending(name)) << name;
  }
  EXPECT_TRUE(Main().Action("Quad1")->isVisible());
  EXPECT_FALSE(Main().Menu("Outils1")->menuAction()->isVisible());
  EXPECT_FALSE(Main().Action("SpeckleMask1")->isVisible());
  // "test" has no action and stays as it was.
  EXPECT_TRUE(Main().IsPending("fftd1"));
}

// ---- QuadPx ---------------------------------------------------------------------------------

TEST_F(ArithmeticUi, QuadPxShowsTheQuadFileAndAQuadQuadFileDisablesIt) {
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(StarFrame(), "star.orv"))));
  EXPECT_TRUE(Main().Action("Quad1")->isEnabled());
  Trigger("Quad1");
  // k = 0 (hQuadPx starts at "0"): each pixel (x, y) inside the border becomes the 2 x 2 block
  // at (2(x - 1), 2(y - 1)) of its own value; the star's centre (10, 10) = 1000 lands on
  // (18..19, 18..19), its side (11, 10) = 500 on (20..21, 18..19).
  EXPECT_EQ(Current().FileName, Home() + "tempc/quad_star.orvc");
  ASSERT_EQ(Current().Width(), 41);
  ASSERT_EQ(Current().Height(), 41);
  EXPECT_EQ(Current().Px(18, 18), 1000);
  EXPECT_EQ(Current().Px(19, 19), 1000);
  EXPECT_EQ(Current().Px(20, 18), 500);
  EXPECT_EQ(Current().Px(0, 5), 0);
  EXPECT_EQ(Current().Px(40, 40), 0);
  EXPECT_TRUE(Main().Action("Quad1")->isEnabled());
  // Again on the resampled image: "quad_quad_star.orvc", after which QuadPx is disabled.
  Trigger("Quad1");
  EXPECT_EQ(Current().FileName, Home() + "tempc/quad_quad_star.orvc");
  EXPECT_EQ(Current().Width(), 81);
  EXPECT_FALSE(Main().Action("Quad1")->isEnabled());
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

TEST_F(ArithmeticUi, QuadPxTakesItsWeightFromTheHiddenEdit) {
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(StarFrame(), "star.orv"))));
  const OTrame shown = Current();
  Find<QLineEdit>("hQuadPx")->setText("0,6");  // a comma is read as "."
  Trigger("Quad1");
  OTrame expected;
  ASSERT_TRUE(fourier::QuadPxFrame(shown, 0.6L, expected).ok);
  EXPECT_EQ(Current().Data(), expected.Data());
  // Something that is not a number: a message, nothing written or shown.
  Find<QLineEdit>("hQuadPx")->setText("abc");
  ASSERT_TRUE(Main().LoadAndShow(QData("star.orv")));
  ClearFolder(Home() + "tempc/", "*");
  Trigger("Quad1");
  ASSERT_EQ(m_prompter.Count(Kind::Error), 1);
  EXPECT_TRUE(m_prompter.Texts(Kind::Error)[0].contains("abc"));
  EXPECT_EQ(Current().FileName, Data("star.orv"));
  EXPECT_TRUE(ListFiles(Home() + "tempc/", "*").empty());
}

// ---- Div, Mult, LowPass ---------------------------------------------------------------------

TEST_F(ArithmeticUi, DivThroughTheOpenDialog) {
  // 9 x 9 of 7 (Median 7 on the cross sample) with 0, 100 and 3 off the cross: divided by
  // itself every non-zero pixel becomes 7, the zeros stay 0.
  OTrame f = MakeFrame(9, 9, 7);
  f.Px(1, 1) = 0;
  f.Px(2, 7) = 100;
  f.Px(6, 2) = 3;
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(f, "a.orv"))));
  m_prompter.QueueOpen({Q(Write(f, "b.orv"))});
  Trigger("Div1");
  ASSERT_EQ(m_prompter.Count(Kind::Open), 1);
  EXPECT_EQ(m_prompter.Calls()[0].filter, kFilter);
  EXPECT_FALSE(m_prompter.Calls()[0].multi);
  EXPECT_EQ(Current().FileName, Temp() + "div.orv");
  for (int x = 0; x < 9; ++x)
    for (int y = 0; y < 9; ++y) EXPECT_EQ(Current().Px(x, y), x == 1 && y == 1 ? E(0) : E(7));
  // The result was shown, then its file removed.
  EXPECT_FALSE(FileExists(Temp() + "div.orv"));
  EXPECT_EQ(m_prompter.Unscripted(), 0);
}

TEST_F(ArithmeticUi, CancelledDialogDoesNothing) {
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(StarFrame(), "a.orv"))));
  for (const char* item : {"Div1", "Mult1", "Conv1"}) {
    m_prompter.QueueOpen({});
    Trigger(item);
    EXPECT_EQ(Current().FileName, Data("a.orv")) << item;
  }
  EXPECT_EQ(m_prompter.Count(Kind::Open), 3);
  EXPECT_EQ(m_prompter.Calls().size(), 3u);
  EXPECT_TRUE(ListFiles(Temp(), "*").empty());
}

TEST_F(ArithmeticUi, SmallerSecondImageIsRefusedWithBothSizes) {
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(MakeFrame(8, 8, 5), "a.orv"))));
  m_prompter.QueueOpen({Q(Write(MakeFrame(8, 6, 2), "small.orv"))});
  Trigger("Mult1");
  ASSERT_EQ(m_prompter.Count(Kind::Error), 1);
  const QString text = m_prompter.Texts(Kind::Error)[0];
  EXPECT_TRUE(text.contains("8 x 6")) << text.toStdString();
  EXPECT_TRUE(text.contains("8 x 8")) << text.toStdString();
  EXPECT_EQ(Current().FileName, Data("a.orv"));
  EXPECT_EQ(Current().Px(3, 3), 5);
}

TEST_F(ArithmeticUi, MultAndLowPassShowTheirResultAndRemoveTheFile) {
  // 6 x 6 of 3 times 6 x 6 of 2: 6 everywhere. LowPass of that constant image: unchanged.
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(MakeFrame(6, 6, 3), "a.orv"))));
  m_prompter.QueueOpen({Q(Write(MakeFrame(6, 6, 2), "b.orv"))});
  Trigger("Mult1");
  EXPECT_EQ(Current().FileName, Temp() + "mult.orv");
  for (E v : Current().Data()) EXPECT_EQ(v, 6);
  EXPECT_FALSE(FileExists(Temp() + "mult.orv"));
  Trigger("LowPass1");
  EXPECT_EQ(Current().FileName, Temp() + "lowpass.orv");
  for (E v : Current().Data()) EXPECT_EQ(v, 6);
  EXPECT_FALSE(FileExists(Temp() + "lowpass.orv"));
  EXPECT_EQ(m_prompter.Count(Kind::Error) + m_prompter.Count(Kind::Info), 0);
}

// ---- Conv -----------------------------------------------------------------------------------

TEST_F(ArithmeticUi, ConvShowsTheFinalStageAndListsTheStages) {
  // Two points 6 apart along x in the current image, one point in the second: the centred
  // correlation peaks at (32 + dx, 32 + dy) for each point of the first relative to the second.
  OTrame a = MakeFrame(64, 64, 0);
  a.Px(20, 30) = 100;
  a.Px(26, 30) = 50;
  OTrame b = MakeFrame(64, 64, 0);
  b.Px(20, 30) = 100;
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(a, "a.orv"))));
  m_prompter.QueueOpen({Q(Write(b, "b.orv"))});
  Trigger("Conv1");
  EXPECT_EQ(Current().FileName, Temp() + "f5_final.orv");
  EXPECT_NEAR(static_cast<double>(Current().Px(32, 32)), 65535, 1e-6);
  EXPECT_NEAR(static_cast<double>(Current().Px(38, 32)), 65535.0 / 2, 1e-6);
  ASSERT_EQ(Main().ItemCount(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(Main().ItemText(i).toStdString(), fourier::kConvStageFiles[static_cast<size_t>(i)]);
    EXPECT_TRUE(Main().IsTicked(i));
  }
  EXPECT_EQ(Main().ListeFic().Dossier, Temp());
  EXPECT_EQ(m_prompter.Count(Kind::Error) + m_prompter.Count(Kind::Info), 0);
}

TEST_F(ArithmeticUi, ConvSizeMessageAndSilentMismatch) {
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(StarFrame(), "star.orv"))));
  m_prompter.QueueOpen({Q(Write(MakeFrame(64, 64, 1), "b.orv"))});
  Trigger("Conv1");
  EXPECT_EQ(m_prompter.Texts(Kind::Error),
            QStringList{"Image size = 64x64, 128x128, 256x256, 512x512"});
  // A 64 x 64 image with a second image of another width: nothing at all.
  m_prompter.ClearCalls();
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(MakeFrame(64, 64, 1), "c.orv"))));
  m_prompter.QueueOpen({Q(Write(MakeFrame(32, 64, 1), "d.orv"))});
  Trigger("Conv1");
  EXPECT_EQ(m_prompter.Calls().size(), 1u);  // the open dialog only
  EXPECT_EQ(Current().FileName, Data("c.orv"));
  // A second image of the right width but too few rows is named with both row counts.
  m_prompter.ClearCalls();
  m_prompter.QueueOpen({Q(Write(MakeFrame(64, 40, 1), "e.orv"))});
  Trigger("Conv1");
  const QStringList errors = m_prompter.Texts(Kind::Error);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains(Q(Data("e.orv")))) << errors[0].toStdString();
  EXPECT_TRUE(errors[0].contains(" 40 ") && errors[0].contains(" 64")) << errors[0].toStdString();
  EXPECT_EQ(Current().FileName, Data("c.orv"));
  EXPECT_TRUE(ListFiles(Temp(), "*").empty());
}

// ---- Peak suppression -----------------------------------------------------------------------

TEST_F(ArithmeticUi, PeakSuppressionBlanksTheCentreAndMeasuresAgain) {
  // A 64 x 64 autocorrelation-like image: a broad central peak and a secondary one.
  OTrame f = MakeFrame(64, 64, 100);
  AddMoffat(f, 32, 32, 5000, 4);
  AddMoffat(f, 36, 30, 2000, 3);
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(f, "auto.orv"))));
  const rStarPos before = Main().CurrentPoint();
  const OTrame loaded = Current();
  Trigger("suppr21");
  for (int x = 0; x < 64; ++x)
    for (int y = 0; y < 64; ++y) {
      const bool centre = x >= 30 && x <= 34 && y >= 30 && y <= 34;
      EXPECT_EQ(Current().Px(x, y), centre ? E(0) : loaded.Px(x, y)) << x << "," << y;
    }
  // Measured again at the point measured before, on the blanked frame.
  OTrame blanked = loaded;
  fourier::SuppressPeak(blanked, 2);
  OMat window;
  const MeasurePass pass = MeasureAt(blanked, window, before, Main().CurrentMeasureSettings());
  EXPECT_EQ(Main().CurrentPoint().X, pass.point.X);
  EXPECT_EQ(Main().CurrentPoint().Y, pass.point.Y);
  EXPECT_EQ(Main().CurrentPoint().Value, pass.point.Value);
  EXPECT_NE(Main().CurrentPoint().Value, before.Value);
  // The file is not changed.
  OTrame again;
  ASSERT_TRUE(again.LoadFile(Data("auto.orv")).ok());
  EXPECT_EQ(again.Data(), loaded.Data());
}

TEST_F(ArithmeticUi, PeakSuppressionRings) {
  const OTrame f = MakeFrame(64, 64, 9);
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(f, "a.orv"))));
  const auto zeros = [&] {
    int n = 0;
    for (E v : Current().Data()) n += v == 0;
    return n;
  };
  Trigger("supprPic1");
  EXPECT_EQ(zeros(), 1);
  EXPECT_EQ(Current().Px(32, 32), 0);
  Trigger("supprautour1");
  EXPECT_EQ(zeros(), 9);
  EXPECT_EQ(Current().Px(31, 33), 0);
  // A frame too narrow for the 5 x 5 block: only what lies inside is blanked.
  ASSERT_TRUE(Main().LoadAndShow(Q(Write(MakeFrame(3, 3, 9), "tiny.orv"))));
  Trigger("suppr21");
  EXPECT_EQ(zeros(), 9);
}

// ---- Speckle Mask ---------------------------------------------------------------------------

class SpeckleUi : public ArithmeticUi {
 protected:
  /// The working folder (created when missing, as the command creates it).
  std::string Folder() { return WorkFolder(fourier::kSpeckleMaskFolder); }
  void SetRow1(const char* xA, const char* yA, const char* xB, const char* yB) {
    ReductionTable& t = Wb().formCentroid->Table();
    t.AddRow();
    t.SetCell(1, kColXA, xA);
    t.SetCell(1, kColYA, yA);
    t.SetCell(1, kColXB, xB);
    t.SetCell(1, kColYB, yB);
    Wb().formCentroid->UpdateView();
  }
  OTrame Image() {
    OTrame f = MakeFrame(8, 6, 0);
    for (int x = 0; x < 8; ++x)
      for (int y = 0; y < 6; ++y) f.Px(x, y) = 1 + x + 10 * y;
    return f;
  }
};

TEST_F(SpeckleUi, WritesTheFilesOfTheTickedImagesAndListsThem) {
  // xB - xA = 0.4 and yB - yA = -0.3: a zero shift; .orvm is 0 on the visited part.
  SetRow1("10", "20", "10.4", "19.7");
  Main().OpenFiles(
      {Q(Write(Image(), "a.orv")), Q(Write(Image(), "b.orv")), Q(Write(Image(), "c.orv"))});
  ASSERT_EQ(Main().ItemCount(), 3);
  Main().SetTicked(1, false);
  WriteBytes(Folder() + "stale.orvm", {1, 2});
  Trigger("SpeckleMask1");
  ASSERT_EQ(Main().ItemCount(), 6);
  const QStringList expected = {"a.orvm", "a.orvo", "a.orvr", "c.orvm", "c.orvo", "c.orvr"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(Main().ItemText(i), expected[i]);
  EXPECT_EQ(Main().ListeFic().Dossier, Folder());
  EXPECT_EQ(Current().FileName, Folder() + "a.orvm");
  for (int x = 0; x < 7; ++x)
    for (int y = 0; y < 5; ++y) EXPECT_EQ(Current().Px(x, y), 0);
  EXPECT_EQ(Current().Px(7, 2), 1 + 7 + 20);
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
  // The same bytes as the library's command on the ticked files.
  fourier::SeriesInput in;
  in.files = {Data("a.orv"), Data("c.orv")};
  TempDir other;
  ASSERT_TRUE(fourier::SpeckleMaskCommand(in, {0, 0}, ProgramOutput(other.Path())).ok());
  for (const char* name : {"a.orvo", "a.orvm", "a.orvr", "c.orvo", "c.orvm", "c.orvr"}) {
    EXPECT_EQ(ReadBytes(Folder() + name), ReadBytes(other.File(name))) << name;
  }
}

TEST_F(SpeckleUi, CellThatIsNotANumberEndsWithAMessageAndTouchesNothing) {
  SetRow1("10", "20", "", "19");
  Main().OpenFiles({Q(Write(Image(), "a.orv"))});
  WriteBytes(Folder() + "kept.orvm", {1});
  Trigger("SpeckleMask1");
  ASSERT_EQ(m_prompter.Count(Kind::Error), 1);
  EXPECT_TRUE(m_prompter.Texts(Kind::Error)[0].contains("xB"));
  EXPECT_EQ(ListFiles(Folder(), "*"), std::vector<std::string>{"kept.orvm"});
  EXPECT_EQ(Main().ItemCount(), 1);
  EXPECT_EQ(Main().ItemText(0), "a.orv");
}

TEST_F(SpeckleUi, EmptyTableOrEmptyListEnd) {
  // No row 1 in the table: a message.
  Main().OpenFiles({Q(Write(Image(), "a.orv"))});
  Trigger("SpeckleMask1");
  EXPECT_EQ(m_prompter.Count(Kind::Error), 1);
  // An empty list: nothing at all.
  m_prompter.ClearCalls();
  Main().SetItems({}, {});
  Trigger("SpeckleMask1");
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

TEST_F(SpeckleUi, ImageThatCannotBeReadIsNamedAndTheOthersAreDone) {
  SetRow1("0", "0", "2", "1");
  Main().OpenFiles({Q(Write(Image(), "a.orv")), Q(Write(Image(), "b.orv"))});
  std::remove(Data("b.orv").c_str());
  m_prompter.ClearCalls();
  Trigger("SpeckleMask1");
  ASSERT_EQ(m_prompter.Count(Kind::Info), 1);
  EXPECT_TRUE(m_prompter.Texts(Kind::Info)[0].contains("b.orv"));
  EXPECT_EQ(Main().ItemCount(), 3);
  EXPECT_EQ(Current().FileName, Folder() + "a.orvm");
}

}  // namespace
}  // namespace orvek::test
