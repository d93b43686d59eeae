// The log window: opened from the table with the series name, "Ajouter au log" by button
// and by the Enter key, the three save dialogs with CR LF files, the logs-saved flag and the
// main window's close question, a file that cannot be written.
//
// The table of these tests has three rows (A at (50, 40), B 10 px left, 10 left and 10 up,
// 10 left and 5 up): thetas 90, 45 and 63.43, mean 198.43 / 3 = 66.14; separations 10,
// 14.142 and 11.180, mean 11.774; theta residuals 23.86, -21.14, -2.71, sigma 22.62; rho
// residuals -1.774, 2.368, -0.594, sigma 2.134 (hand computation); every A of 1000 and B of
// 500 gives dM = 2.5 log10(2) = 0.75. Medians: theta 63.43, rho 11.18.

#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest/QTest>

#include "ReductionUiSupport.h"
#include "ui/UfrmMain.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

class LogWindowTest : public ReductionUiTest {
 protected:
  void ThreeRows() {
    LoadFrame();
    for (auto [dx, dy] : {std::pair{-10, 0}, {-10, -10}, {-10, -5}})
      EnterPair(Star(50, 40, 1000), Star(50 + dx, 40 + dy, 500));
    ASSERT_EQ(Text("txtTheta"), "66.14");
    ASSERT_EQ(Text("txtRho"), "11.774");
    ASSERT_EQ(Text("sigTh"), "22.62");
    ASSERT_EQ(Text("sigRh"), "2.134");
    ASSERT_EQ(Text("txtDm"), "0.75");
  }
  void Fill(const char* name, const QString& text) { L<QLineEdit>(name)->setText(text); }
  QString Memo(const char* name) { return L<QPlainTextEdit>(name)->toPlainText(); }
  QByteArray FileBytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    if (!f.open(QIODevice::ReadOnly)) return "<missing>";
    return f.readAll();
  }
  /// The table's menu item, as the user opens the log from the table.
  void OpenFromTable() {
    Main().SetCaptionFolder("orv1");
    Act("AjouterauLog1")->trigger();
  }
  void FillDetails() {
    Fill("lDat", "2024-05-01");
    Fill("WDSid", "STF 1234");
    Fill("MG1", "7.1");
    Fill("MG2", "8.3");
    Fill("lnot", "seeing 2");
  }
  // The lines of one entry, written out from the layout of each log.
  const QString kData =
      "ORV1           ;2024-05-01  ;   66.14;  11.774;0.75;3;22.62 / 2.134;seeing 2";
  const QString kReport =
      "STF 1234       ORV1              7.1   8.3     2024-05-01     66.14  "
      "11.774     3     seeing 2";
};

TEST_F(LogWindowTest, TheTableOpensTheLogWithTheSeriesNameOnTheFirstPage) {
  EXPECT_FALSE(Log().isVisible());
  L<QTabWidget>("Notebook1")->setCurrentIndex(2);
  OpenFromTable();
  EXPECT_TRUE(Log().isVisible());
  EXPECT_TRUE(Log().windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_EQ(L<QLineEdit>("lSys")->text(), "ORV1");
  EXPECT_EQ(Log().ActivePage(), 0);
  // The hidden camera line is filled at the show: camera 0 of the shipped list.
  EXPECT_EQ(L<QLineEdit>("lCam")->text(),
            QString::fromUtf8("Pixels carrés 5.6 µm      (pixels : 5.6 x 5.6)"));
  EXPECT_FALSE(L<QLineEdit>("lCam")->isVisible());
  // Pages and captions of the French texts.
  auto* pages = L<QTabWidget>("Notebook1");
  ASSERT_EQ(pages->count(), 4);
  EXPECT_EQ(pages->tabText(0), "AutoInfo");
  EXPECT_EQ(pages->tabText(1), "Log Texte");
  EXPECT_EQ(pages->tabText(2), "Log Data");
  EXPECT_EQ(pages->tabText(3), "EZReport");
  EXPECT_EQ(Log().windowTitle(), "Log Infos");
  EXPECT_EQ(L<QPushButton>("Button1")->text(), "Ajouter au log");
  // "&Masquer" hides it; the main window's "&Log" shows it again.
  L<QAction>("Masquer1")->trigger();
  EXPECT_FALSE(Log().isVisible());
  Main().Action("Rapport1")->trigger();
  EXPECT_TRUE(Log().isVisible());
}

TEST_F(LogWindowTest, AjouterAuLogComposesTheThreeLogs) {
  ThreeRows();
  OpenFromTable();
  FillDetails();
  EXPECT_TRUE(Log().LogsSaved());
  QTest::mouseClick(L<QPushButton>("Button1"), Qt::LeftButton);
  EXPECT_FALSE(Log().LogsSaved());
  EXPECT_EQ(Log().ActivePage(), 2);  // "Log Data" in front
  EXPECT_EQ(Memo("Memo2"), kData);
  EXPECT_EQ(Memo("Memo3"), kReport);
  const QStringList log = Memo("Memo1").split('\n');
  ASSERT_GT(log.size(), 20);
  EXPECT_EQ(log[0], QString(80, '*'));
  EXPECT_EQ(log[1], "Date : 2024-05-01  ");
  // Place, conditions, instrument, optics and acquisition are empty: no lines; the camera is
  // the shown camera line.
  EXPECT_EQ(log[2], QString::fromUtf8("Caméra : Pixels carrés 5.6 µm      (pixels : 5.6 x 5.6)"));
  EXPECT_EQ(log[3], "Echantillonnage (arcsec/pixel) : 1");
  EXPECT_EQ(log[4], QString::fromUtf8("Delta (degrés) : 0"));
  EXPECT_EQ(log[5], "");
  EXPECT_EQ(log[6], "-=-= ORV1 =-=-");
  EXPECT_EQ(log[7], "   66.14  (sigma theta : 22.62)  Med: 63.43");
  EXPECT_EQ(log[8], "  11.774  (sigma rho : 2.134)  Med: 11.18");
  EXPECT_EQ(log[9], "deltaM=0.75");
  EXPECT_EQ(log[10], "Nb : 3");
  EXPECT_EQ(log[11], "seeing 2");
  EXPECT_EQ(log[13], QString::fromUtf8("Détail des mesures : "));
  // The results table dumped with its header: each cell right-aligned on 8 columns + space.
  EXPECT_EQ(log[15], "   Theta      Rho       dM     rThe     rRho    Image ");
  EXPECT_TRUE(log.contains("Mesures brutes : "));
}

TEST_F(LogWindowTest, TheEnterKeyAnywhereAddsToTheLog) {
  ThreeRows();
  OpenFromTable();
  FillDetails();
  QTest::keyClick(L<QLineEdit>("lDat"), Qt::Key_Return);
  EXPECT_EQ(Memo("Memo2"), kData);
  QTest::keyClick(L<QPlainTextEdit>("Memo1"), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(Memo("Memo2"), kData + "\n" + kData);
  EXPECT_EQ(Memo("Memo3"), kReport + "\n" + kReport);
}

TEST_F(LogWindowTest, EnregistrerWritesTheThreeFilesWithCrLf) {
  ThreeRows();
  OpenFromTable();
  FillDetails();
  L<QPushButton>("Button1")->click();
  L<QPushButton>("Button1")->click();
  m_prompter.ClearCalls();
  m_prompter.QueueSave(QData("log.txt"));
  m_prompter.QueueSave(QData("dat.txt"));
  m_prompter.QueueSave(QData("ez.txt"));
  L<QAction>("Enregistrer1")->trigger();
  // Three dialogs with the proposed names and filters, each asking before replacing a file.
  const auto& calls = m_prompter.Calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].text, "OrvekLog.txt");
  EXPECT_EQ(calls[0].filter, QString::fromUtf8("Log texte (*.txt)|*.txt"));
  EXPECT_EQ(calls[1].text, "OrvekDat.txt");
  EXPECT_EQ(calls[1].filter, QString::fromUtf8("Log données (*.txt)|*.txt"));
  EXPECT_EQ(calls[2].text, "OrvekEZReport.txt");
  EXPECT_EQ(calls[2].filter, "");
  EXPECT_TRUE(Log().LogsSaved());
  const QByteArray data = (kData + "\r\n" + kData + "\r\n").toUtf8();
  EXPECT_EQ(FileBytes(Data("dat.txt")), data);
  EXPECT_EQ(FileBytes(Data("ez.txt")), (kReport + "\r\n" + kReport + "\r\n").toUtf8());
  QByteArray log = Memo("Memo1").toUtf8();
  log.replace("\n", "\r\n");
  EXPECT_EQ(FileBytes(Data("log.txt")), log + "\r\n");
  // Saved: the main window closes without asking.
  EXPECT_TRUE(Main().close());
  EXPECT_EQ(m_prompter.Count(Kind::YesNo), 0);
}

TEST_F(LogWindowTest, ACancelledDialogKeepsTheCloseQuestion) {
  ThreeRows();
  OpenFromTable();
  FillDetails();
  L<QPushButton>("Button1")->click();
  m_prompter.ClearCalls();
  m_prompter.QueueSave(QData("log.txt"));
  m_prompter.QueueSave(QString());  // the data dialog is cancelled
  m_prompter.QueueSave(QData("ez.txt"));
  L<QAction>("Enregistrer1")->trigger();
  EXPECT_EQ(m_prompter.Count(Kind::Save), 3);
  EXPECT_EQ(m_prompter.Count(Kind::Error), 0);
  EXPECT_NE(FileBytes(Data("log.txt")), "<missing>");
  EXPECT_EQ(FileBytes(Data("dat.txt")), "<missing>");
  EXPECT_EQ(FileBytes(Data("ez.txt")), (kReport + "\r\n").toUtf8());
  // Not every log is on disk: the close question is still asked.
  EXPECT_FALSE(Log().LogsSaved());
  m_prompter.QueueYesNo(false);
  EXPECT_FALSE(Main().close());
  EXPECT_EQ(m_prompter.Texts(Kind::YesNo), QStringList{Main().MessageText("msgWng")});
  EXPECT_TRUE(Main().isVisible());
}

TEST_F(LogWindowTest, AFileThatCannotBeWrittenIsReported) {
  ThreeRows();
  OpenFromTable();
  L<QPushButton>("Button1")->click();
  m_prompter.ClearCalls();
  const QString nowhere = QData("no such folder/log.txt");
  m_prompter.QueueSave(nowhere);
  m_prompter.QueueSave(QData("dat.txt"));
  m_prompter.QueueSave(QData("ez.txt"));
  L<QAction>("Enregistrer1")->trigger();
  ASSERT_EQ(m_prompter.Count(Kind::Error), 1);
  EXPECT_TRUE(m_prompter.Texts(Kind::Error).first().contains(nowhere));
  EXPECT_FALSE(Log().LogsSaved());
  EXPECT_NE(FileBytes(Data("dat.txt")), "<missing>");
}

TEST_F(LogWindowTest, TextTypedIntoALogIsKeptAndSaved) {
  ThreeRows();
  OpenFromTable();
  FillDetails();
  L<QPushButton>("Button1")->click();
  auto* memo = L<QPlainTextEdit>("Memo2");
  memo->moveCursor(QTextCursor::End);
  memo->insertPlainText("\nmy note");
  L<QPushButton>("Button1")->click();
  EXPECT_EQ(Memo("Memo2"), kData + "\nmy note\n" + kData);
  m_prompter.QueueSave(QString());
  m_prompter.QueueSave(QData("dat.txt"));
  m_prompter.QueueSave(QString());
  L<QAction>("Enregistrer1")->trigger();
  EXPECT_EQ(FileBytes(Data("dat.txt")), (kData + "\r\nmy note\r\n" + kData + "\r\n").toUtf8());
}

}  // namespace
}  // namespace orvek::test
