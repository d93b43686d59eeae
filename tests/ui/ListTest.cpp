// The image list: ticks by percentage, inversion, the all-items box and dragging; the
// counter; the commands it enables; loading a folder; the blue list of the working folder.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QtTest/QTest>

#include "UiFixture.h"
#include "core/Utils.h"
#include "ui/Controls.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

class ListTest : public UiTest {
 protected:
  void FillNames(int count) {
    QStringList names;
    for (int i = 0; i < count; ++i) names << QString("img%1.fit").arg(i);
    Main().SetItems(names, QList<bool>(count, true));
    Main().RefreshSelection();
  }
  QList<bool> Ticks() {
    QList<bool> t;
    for (int i = 0; i < Main().ItemCount(); ++i) t << Main().IsTicked(i);
    return t;
  }
  int TickedCount() {
    int n = 0;
    for (bool b : Ticks()) n += b ? 1 : 0;
    return n;
  }
  void TypePercent(const QString& text) { Find<QComboBox>("ComboBox1")->setEditText(text); }
  QString Counter() { return Find<QLineEdit>("Auto_Nb")->text(); }
  QString Percent() { return Find<QComboBox>("ComboBox1")->currentText(); }
  void DragOver(int index) {
    CheckListBox* list = Main().List();
    const QPoint p = list->visualItemRect(list->item(index)).center();
    QMouseEvent move(QEvent::MouseMove, p, list->viewport()->mapToGlobal(p), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list->viewport(), &move);
  }
};

// k = count x p / 100 to the nearest integer, halves to even.
TEST_F(ListTest, PercentageTicksTheFirstItems) {
  FillNames(5);
  TypePercent("50");  // 2.5 -> 2
  EXPECT_EQ(Ticks(), (QList<bool>{true, true, false, false, false}));
  EXPECT_EQ(Counter(), "Sel : 2");
  EXPECT_EQ(Percent(), "40");  // 2 x 100 / 5
  FillNames(6);
  TypePercent("75");  // 4.5 -> 4
  EXPECT_EQ(TickedCount(), 4);
  EXPECT_TRUE(Main().IsTicked(3));
  EXPECT_FALSE(Main().IsTicked(4));
  EXPECT_EQ(Percent(), "67");  // 66.67
  FillNames(7);
  TypePercent("50");  // 3.5 -> 4
  EXPECT_EQ(TickedCount(), 4);
  FillNames(20);
  TypePercent(" 5");  // read as 5: 1 item
  EXPECT_EQ(Ticks().first(), true);
  EXPECT_EQ(TickedCount(), 1);
  TypePercent("100%");
  EXPECT_EQ(TickedCount(), 20);
  // The box's own items.
  Find<QComboBox>("ComboBox1")->setCurrentIndex(3);  // "25"
  EXPECT_EQ(TickedCount(), 5);
}

TEST_F(ListTest, CounterAndPercentageOf37FilesWith10Ticked) {
  FillNames(37);
  for (int i = 10; i < 37; ++i) Main().SetTicked(i, false);
  EXPECT_EQ(Main().RefreshSelection(), 10);
  EXPECT_EQ(Counter(), "Sel : 10");
  EXPECT_EQ(Percent(), "27");  // 1000 / 37 = 27.03
  // Neither none nor all ticked: the all-items box keeps its state.
  EXPECT_TRUE(Find<QCheckBox>("CheckBox2")->isChecked());
}

TEST_F(ListTest, DraggingOver3443Toggles343) {
  FillNames(6);
  ASSERT_TRUE(Main().List()->isVisible());
  DragOver(3);
  EXPECT_FALSE(Main().IsTicked(3));
  DragOver(4);
  EXPECT_FALSE(Main().IsTicked(4));
  DragOver(4);  // the same item again: no toggle
  EXPECT_FALSE(Main().IsTicked(4));
  DragOver(3);
  EXPECT_TRUE(Main().IsTicked(3));
  EXPECT_EQ(Main().ListeFic().DernierIndex, 3);
  // The release recounts.
  QTest::mouseRelease(Main().List()->viewport(), Qt::LeftButton, {},
                      Main().List()->visualItemRect(Main().List()->item(3)).center());
  EXPECT_EQ(Counter(), "Sel : 5");
  // Focus leaving the list forgets the last toggled item.
  Main().List()->setFocus();
  Find<QSlider>("HScroll1")->setFocus();
  QApplication::processEvents();
  if (QApplication::focusWidget() == Find<QSlider>("HScroll1")) {
    EXPECT_EQ(Main().ListeFic().DernierIndex, -1);
  }
}

// A press on a tick box, a move of one pixel with the button held and the release change the
// tick once, at the press: the move stays on the item the press toggled.
TEST_F(ListTest, PressMoveAndReleaseOnATickBoxChangeItOnce) {
  FillNames(4);
  CheckListBox* list = Main().List();
  const QRect row = list->visualItemRect(list->item(2));
  QPoint tick(-1, -1);
  for (int x = row.left(); x < row.left() + 40 && tick.x() < 0; ++x) {
    if (list->OnTickBox(QPoint(x, row.center().y()))) tick = QPoint(x + 2, row.center().y());
  }
  ASSERT_GE(tick.x(), 0);
  QWidget* viewport = list->viewport();
  int changes = 0;
  QObject::connect(list, &QListWidget::itemChanged, [&changes] { ++changes; });
  QTest::mousePress(viewport, Qt::LeftButton, {}, tick);
  EXPECT_FALSE(Main().IsTicked(2));
  const QPoint moved = tick + QPoint(1, 0);
  QMouseEvent move(QEvent::MouseMove, moved, viewport->mapToGlobal(moved), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &move);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, moved);
  EXPECT_FALSE(Main().IsTicked(2));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(Counter(), "Sel : 3");
  // A plain click toggles it back.
  QTest::mouseClick(viewport, Qt::LeftButton, {}, tick);
  EXPECT_TRUE(Main().IsTicked(2));
  EXPECT_EQ(Counter(), "Sel : 4");
}

TEST_F(ListTest, UntickingAllDisablesTheSeriesCommands) {
  // Wire the later commands as their features would, so that only the rule decides.
  for (MainCommand c :
       {MainCommand::Retailler1, MainCommand::Additioner1, MainCommand::btnDriftSingle,
        MainCommand::btnDriftMulti, MainCommand::Dcoupage1, MainCommand::AutoOrvek}) {
    Main().InstallCommand(c, [] {});
  }
  FillNames(4);
  auto enabled = [&] {
    return std::vector<bool>{Main().Action("Retailler1")->isEnabled(),
                             Main().Action("Additioner1")->isEnabled(),
                             Find<QWidget>("btnDriftSingle")->isEnabled(),
                             Find<QWidget>("btnDriftMulti")->isEnabled(),
                             Main().Menu("Spcial1")->menuAction()->isEnabled(),
                             Main().Menu("Interfromtrie1")->menuAction()->isEnabled(),
                             Main().Menu("Sauvegarder1")->menuAction()->isEnabled(),
                             Find<QWidget>("TrackBar1")->isEnabled(),
                             Find<QWidget>("Capture_B")->isEnabled(),
                             Find<QWidget>("lut")->isEnabled()};
  };
  EXPECT_EQ(enabled(), std::vector<bool>(10, true));
  Find<QCheckBox>("CheckBox2")->click();  // untick all
  EXPECT_EQ(TickedCount(), 0);
  EXPECT_EQ(enabled(), std::vector<bool>(10, false));
  EXPECT_EQ(Counter(), "Sel : 0");
  Main().SetTicked(2, true);
  Main().RefreshSelection();
  EXPECT_EQ(enabled(), std::vector<bool>(10, true));
  // "Inv" inverts every tick.
  QTest::mouseClick(Find<QPushButton>("Button1"), Qt::LeftButton);
  EXPECT_EQ(Ticks(), (QList<bool>{true, true, false, true}));
  EXPECT_EQ(Counter(), "Sel : 3");
}

TEST_F(ListTest, AllItemsBoxFollowsTheCount) {
  FillNames(3);
  EXPECT_TRUE(Find<QCheckBox>("CheckBox2")->isChecked());
  Main().SetTicked(0, false);
  Main().RefreshSelection();
  EXPECT_TRUE(Find<QCheckBox>("CheckBox2")->isChecked());  // neither none nor all: unchanged
  Main().SetTicked(1, false);
  Main().SetTicked(2, false);
  Main().RefreshSelection();
  EXPECT_FALSE(Find<QCheckBox>("CheckBox2")->isChecked());
  Main().SetItems({}, {});
  Main().RefreshSelection();
  EXPECT_TRUE(Find<QCheckBox>("CheckBox2")->isChecked());  // an empty list leaves it ticked
}

TEST_F(ListTest, LoadingAFolderListsItsFilesInNaturalOrder) {
  const std::string folder = m_data->Path() + "serie1/";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
  for (const char* name : {"frame10.fit", "frame2.fit", "a.fit", "b.fit"}) {
    WriteFits(StarFrame(), folder + name);
  }
  WriteFits(StarFrame(), folder + "c.fts");
  m_prompter.QueueOpen({QString::fromStdString(folder + "b.fit")});
  Main().Action("ChargerRp1")->trigger();
  ASSERT_EQ(Main().ItemCount(), 4);
  EXPECT_EQ(Main().ItemText(0), "a.fit");
  EXPECT_EQ(Main().ItemText(1), "b.fit");
  EXPECT_EQ(Main().ItemText(2), "frame2.fit");
  EXPECT_EQ(Main().ItemText(3), "frame10.fit");
  EXPECT_EQ(TickedCount(), 4);
  EXPECT_EQ(Main().SelectedIndex(), 0);
  EXPECT_EQ(Main().CurrentItemPath().toStdString(), folder + "a.fit");
  EXPECT_EQ(Main().CurrentFrame().FileName, folder + "a.fit");
  EXPECT_EQ(Main().SeriesName(), "serie1");
  EXPECT_TRUE(Main().windowTitle().endsWith("  [serie1]"));
  // A click on an item shows it.
  QListWidget* list = Main().List();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(list->item(3)).center());
  EXPECT_EQ(Main().CurrentFrame().FileName, folder + "frame10.fit");
  // A click on a tick box toggles it and shows nothing new.
  const QRect row1 = list->visualItemRect(list->item(1));
  QPoint tick(-1, -1);
  for (int x = row1.left(); x < row1.left() + 40; ++x) {
    if (Main().List()->OnTickBox(QPoint(x, row1.center().y()))) {
      tick = QPoint(x + 2, row1.center().y());
      break;
    }
  }
  ASSERT_GE(tick.x(), 0);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, tick);
  EXPECT_FALSE(Main().IsTicked(1));
  EXPECT_EQ(Counter(), "Sel : 3");
  EXPECT_EQ(Main().ListeFic().DernierIndex, 1);
  EXPECT_EQ(Main().CurrentFrame().FileName, folder + "frame10.fit");
  // The keyboard moves the selection and shows the item.
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Up);
  EXPECT_EQ(Main().CurrentFrame().FileName, folder + "frame2.fit");
  EXPECT_EQ(m_prompter.Count(Kind::Info), 0);
}

TEST_F(ListTest, TheWorkingFolderTempIsShownInBlue) {
  const std::string temp = WorkFolder("temp");
  WriteFits(StarFrame(), temp + "x.fit");
  Main().FillList(QString::fromStdString(temp + "*.fit"));
  EXPECT_EQ(Main().ItemCount(), 1);
  EXPECT_TRUE(Main().ListIsBlue());
  WriteFits(StarFrame(), Data("y.fit"));
  Main().FillList(QData("*.fit"));
  EXPECT_FALSE(Main().ListIsBlue());
  EXPECT_EQ(Main().ListeFic().Dossier, m_data->Path());
  // A search with no match empties the list and keeps the folder.
  Main().FillList(QData("*.orvz"));
  EXPECT_EQ(Main().ItemCount(), 0);
  EXPECT_EQ(Main().ListeFic().Dossier, m_data->Path());
  EXPECT_FALSE(Main().Menu("Sauvegarder1")->menuAction()->isEnabled());
}

TEST_F(ListTest, FirstTickedAndStop) {
  FillNames(4);
  Main().SetTicked(0, false);
  Main().SetTicked(1, false);
  EXPECT_EQ(Main().FirstTicked(), 2);
  EXPECT_EQ(Main().SelectedIndex(), 2);
  Main().CheckAllClick(false);
  EXPECT_EQ(Main().FirstTicked(), -1);
  Main().ShowStop(true);
  EXPECT_TRUE(Find<QWidget>("btnSTOP")->isVisible());
  QTest::mouseClick(Find<QPushButton>("btnSTOP"), Qt::LeftButton);
  EXPECT_TRUE(Main().StopFlag());
  Main().ShowStop(false);
  EXPECT_FALSE(Main().StopFlag());
  EXPECT_FALSE(Find<QWidget>("btnSTOP")->isVisible());
}

TEST_F(ListTest, InterferometryListTakesThePlaceOfTheImageList) {
  Main().ShowInterList(true);
  EXPECT_TRUE(Find<QWidget>("FileListBoxInter")->isVisible());
  EXPECT_FALSE(Main().List()->isVisible());
  QTest::mouseClick(Find<QPushButton>("btnListeInter"), Qt::LeftButton);
  EXPECT_FALSE(Find<QWidget>("FileListBoxInter")->isVisible());
  EXPECT_TRUE(Main().List()->isVisible());
}

}  // namespace
}  // namespace orvek::test
