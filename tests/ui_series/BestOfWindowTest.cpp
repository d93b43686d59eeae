// "BestOf (S/N)" and "BestOf (Max)" through the main window: the list reordered best first
// with the ticks following their items, STOP, the progress in the counter; and the series
// commands read each frame once, the window showing the frame they read.

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <map>

#include <sys/inotify.h>
#include <unistd.h>

#include "SeriesUiSupport.h"
#include "ui/SeriesCommands.h"
#include "ui/UdlgAlign.h"
#include "ui/UfrmVisu.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

// How many times each file of a folder is opened, as the kernel reports it (inotify). Closes
// are watched too: the kernel merges identical events that follow each other, and an open
// of a file just closed would otherwise not be counted.
class OpenCounter {
 public:
  explicit OpenCounter(const std::string& folder) : m_fd(inotify_init1(IN_NONBLOCK)) {
    EXPECT_GE(m_fd, 0);
    EXPECT_GE(inotify_add_watch(m_fd, folder.c_str(), IN_OPEN | IN_CLOSE_NOWRITE), 0);
  }
  ~OpenCounter() { close(m_fd); }
  OpenCounter(const OpenCounter&) = delete;
  OpenCounter& operator=(const OpenCounter&) = delete;
  /// The opens since the last call, by file name.
  std::map<std::string, int> Take() {
    std::map<std::string, int> counts;
    alignas(inotify_event) char buffer[16384];
    for (ssize_t n; (n = read(m_fd, buffer, sizeof buffer)) > 0;) {
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        if (e->len > 0 && (e->mask & IN_OPEN) != 0) ++counts[e->name];
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
      }
    }
    return counts;
  }

 private:
  int m_fd;
};

class BestOfWindowTest : public SeriesUiTest {
 protected:
  // Four frames on a black background whose stars peak at 5, 9, 1 and 9 hundred. The cross
  // sample of the statistics (middle row 32 and middle column 32) holds only zeros, so
  // Mean + Sigma = 0 and the S/N score is the star's peak above the background alone:
  // 500, 900, 100, 900 for a1 ... a4.
  void WriteFiveNineOneNine() {
    WriteData("a1.fit", PlusStar(64, 64, 12, 14, 500));
    WriteData("a2.fit", PlusStar(64, 64, 20, 44, 900));
    WriteData("a3.fit", PlusStar(64, 64, 45, 10, 100));
    WriteData("a4.fit", PlusStar(64, 64, 50, 50, 900));
    ListData("a*.fit");
    // a1 and a3 ticked, a2 and a4 not: the ticks must travel with their names.
    Main().SetTicked(1, false);
    Main().SetTicked(3, false);
    Main().RefreshSelection();
  }
};

TEST_F(BestOfWindowTest, ScoresOfTheFramesAreTheirPeaks) {
  // The premise of the sort tests below, read from the window after each load.
  WriteFiveNineOneNine();
  const double peaks[] = {500, 900, 100, 900};
  for (int i = 0; i < 4; ++i) {
    Main().SelectItem(i);
    ASSERT_TRUE(Main().LoadAndShow(Main().CurrentItemPath()));
    EXPECT_EQ(Main().CurrentFrame().Mean + Main().CurrentFrame().Sigma, 0);
    EXPECT_EQ(static_cast<double>(Main().CurrentPoint().Value), peaks[i]) << i;
  }
}

TEST_F(BestOfWindowTest, SignalToNoiseSortsFiveNineOneNineAsNineNineFiveOne) {
  WriteFiveNineOneNine();
  Main().Action("BestOfsn")->trigger();
  // By hand: gap 2 exchanges nothing (1 < 5, 9 = 9); gap 1 passes give 9 5 1 9, 9 5 9 1,
  // then 9 9 5 1; the 9 of a2 stays ahead of the 9 of a4, as it was.
  EXPECT_EQ(Names(), (QStringList{"a2.fit", "a4.fit", "a1.fit", "a3.fit"}));
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, true, true}));
  // The best frame is selected and shown; the counter counts the same two ticks.
  EXPECT_EQ(Main().SelectedIndex(), 0);
  EXPECT_EQ(Main().CurrentFrame().FileName, Data("a2.fit"));
  EXPECT_EQ(Counter(), "Sel : 2");
  EXPECT_FALSE(Find<QPushButton>("btnSTOP")->isVisible());
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
}

// The window shows each frame a command reads as it was read: every frame is opened once by
// the loop, plus the loads the commands make of their own after it (the best-of shows its new
// first item; the visual selection shows the first item before its window opens and again
// when it closes; the alignment shows the current frame before its dialog).
TEST_F(BestOfWindowTest, SeriesCommandsReadEachFrameOnce) {
  WriteFiveNineOneNine();
  OpenCounter opens(m_data->Path());
  opens.Take();
  Main().Action("BestOfsn")->trigger();
  EXPECT_EQ(opens.Take(), (std::map<std::string, int>{
                              {"a1.fit", 1}, {"a2.fit", 2}, {"a3.fit", 1}, {"a4.fit", 1}}));
  {
    ModalDriver driver(&Visu(), [&] { Visu().close(); });
    Main().Action("SlectionManuelle1")->trigger();
    ASSERT_TRUE(driver.Ran());
  }
  EXPECT_EQ(opens.Take(), (std::map<std::string, int>{
                              {"a1.fit", 1}, {"a2.fit", 3}, {"a3.fit", 1}, {"a4.fit", 1}}));
  Main().CheckAllClick(true);
  {
    ModalDriver driver(&Dialog(), [&] {
      Dialog().SetCropSizeText("32");
      Dialog().Button1Click();
    });
    Main().Action("Retailler1")->trigger();
    ASSERT_TRUE(driver.Ran());
  }
  EXPECT_EQ(opens.Take(), (std::map<std::string, int>{
                              {"a1.fit", 1}, {"a2.fit", 2}, {"a3.fit", 1}, {"a4.fit", 1}}));
}

TEST_F(BestOfWindowTest, PercentageAfterTheSortKeepsTheBest) {
  WriteFiveNineOneNine();
  Main().Action("BestOfsn")->trigger();
  // 50 % of 4 items ticks the first 2: the two 9s.
  Main().PercentageChanged("50");
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, false, false}));
}

TEST_F(BestOfWindowTest, MaxSortsByTheStarScoreOfTheFrame) {
  // b1: peak 900 on black: S/N 900; star score 4 x 450 + 0.8 x 4 x 225 = 2520.
  // b2: peak 700 on a background of 100: S/N 700 / (100 + 0) = 7; star score (raw values)
  //     4 x 450 + 0.8 x 4 x 275 = 2680.
  WriteData("b1.fit", PlusStar(64, 64, 12, 14, 900));
  WriteData("b2.fit", PlusStar(64, 64, 20, 44, 700, 100));
  ListData("b*.fit");
  Main().Action("BestOfMax1")->trigger();
  EXPECT_EQ(Names(), (QStringList{"b2.fit", "b1.fit"}));
  Main().Action("BestOfsn")->trigger();
  EXPECT_EQ(Names(), (QStringList{"b1.fit", "b2.fit"}));
}

TEST_F(BestOfWindowTest, OneItemDoesNothing) {
  WriteData("c1.fit", PlusStar(64, 64, 12, 14, 900));
  ListData("c*.fit");
  QLineEdit* counter = Find<QLineEdit>("Auto_Nb");
  QStringList texts;
  QObject::connect(counter, &QLineEdit::textChanged, [&](const QString& t) { texts << t; });
  Main().Action("BestOfsn")->trigger();
  Main().Action("BestOfMax1")->trigger();
  EXPECT_EQ(Names(), QStringList{"c1.fit"});
  EXPECT_TRUE(texts.isEmpty());
}

TEST_F(BestOfWindowTest, StopDuringScoringLeavesTheOrder) {
  WriteFiveNineOneNine();
  QPushButton* stop = Find<QPushButton>("btnSTOP");
  bool visibleWhenClicked = false;
  // The click arrives while the loop lets pending events run after its first frame.
  QTimer::singleShot(0, stop, [&] {
    visibleWhenClicked = stop->isVisible();
    stop->click();
  });
  Main().Action("BestOfsn")->trigger();
  EXPECT_TRUE(visibleWhenClicked);
  EXPECT_EQ(Names(), (QStringList{"a1.fit", "a2.fit", "a3.fit", "a4.fit"}));
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, true, false}));
  EXPECT_FALSE(stop->isVisible());
  EXPECT_FALSE(Main().StopFlag());
  // The last frame loaded stays on screen: the first one.
  EXPECT_EQ(Main().CurrentFrame().FileName, Data("a1.fit"));
  EXPECT_EQ(Counter(), "Sel : 2");
}

TEST_F(BestOfWindowTest, CounterShowsTheProgressFrameByFrame) {
  WriteFiveNineOneNine();
  QLineEdit* counter = Find<QLineEdit>("Auto_Nb");
  QStringList texts;
  QObject::connect(counter, &QLineEdit::textChanged, [&](const QString& t) { texts << t; });
  Main().Action("BestOfsn")->trigger();
  ASSERT_GE(texts.size(), 5);
  EXPECT_EQ(texts.mid(0, 4), (QStringList{"1/4", "2/4", "3/4", "4/4"}));
  EXPECT_EQ(texts.back(), "Sel : 2");
}

TEST_F(BestOfWindowTest, TicksChangedDuringScoringTravelWithTheirItems) {
  WriteFiveNineOneNine();
  // a4 (unticked, a 9) is ticked while the frames are being scored.
  QTimer::singleShot(0, &Main(), [&] { Main().SetTicked(3, true); });
  Main().Action("BestOfsn")->trigger();
  EXPECT_EQ(Names(), (QStringList{"a2.fit", "a4.fit", "a1.fit", "a3.fit"}));
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, true, true}));
  EXPECT_EQ(Counter(), "Sel : 3");
}

TEST_F(BestOfWindowTest, UnreadableFrameIsReportedAndSortsLast) {
  WriteFiveNineOneNine();
  QFile::remove(QData("a2.fit"));
  Main().Action("BestOfsn")->trigger();
  // The missing file is named once the frames are scored; the rest is sorted.
  const QStringList errors = m_prompter.Texts(Kind::Error);
  ASSERT_EQ(errors.size(), 1);
  EXPECT_TRUE(errors[0].contains("a2.fit")) << errors[0].toStdString();
  EXPECT_EQ(m_prompter.Count(Kind::Info), 0);
  EXPECT_EQ(Names(), (QStringList{"a4.fit", "a1.fit", "a3.fit", "a2.fit"}));
}

}  // namespace
}  // namespace orvek::test
