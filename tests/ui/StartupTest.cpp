// Start-up, the shipped files, the interface language (Qt's own texts and the menus'
// mnemonics included), help and its window, the about box and closing.

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <set>

#include "UiFixture.h"
#include "core/IniFile.h"
#include "core/Utils.h"
#include "ui/Resources.h"
#include "ui/UdlgAVI.h"
#include "ui/UdlgAlign.h"
#include "ui/UdlgSynthDrift.h"
#include "ui/UfrmAbout.h"
#include "ui/UfrmCam.h"
#include "ui/UfrmCentroid.h"
#include "ui/UfrmFitsHeader.h"
#include "ui/UfrmHelp.h"
#include "ui/UfrmInfosLog.h"
#include "ui/UfrmSurface.h"
#include "ui/UfrmVisu.h"

namespace orvek::test {
namespace {

using Kind = ScriptedPrompter::Kind;

std::string ReadParam(const std::string& home, const std::string& key) {
  return IniFile(home + "orvek.ini").ReadString("PARAMS", key, "<missing>");
}

// ---- Start-up ---------------------------------------------------------------------------------

TEST_F(UiTest, StartupCaptionsOfTheElevenWindows) {
  // Captions as the windows are designed; the translated ones come from the shipped French
  // texts (tTIT of FLog, DlgAlign of FDlgAlign). The table's is the one its first
  // computation (RAZ, last of its creation order) sets.
  EXPECT_EQ(Main().windowTitle(), "Orvek V4.6");
  EXPECT_EQ(Wb().formCentroid->windowTitle(), "Reduction (0 images)");
  EXPECT_EQ(Wb().frmAbout->windowTitle(), "?");
  EXPECT_EQ(Wb().frmInfosLog->windowTitle(), "Log Infos");
  EXPECT_EQ(Wb().DlgAlign->windowTitle(), "Alignement et Recadrage");
  EXPECT_EQ(Wb().dlgSynthDrift->windowTitle(), "Drift Orientation Please !");
  EXPECT_EQ(Wb().formSurface->windowTitle(), "Orvek / SURFACE");
  EXPECT_EQ(Wb().formCam->windowTitle(), "CAMERA");
  EXPECT_EQ(Wb().DlgAVI->windowTitle(), "Orvek : AVI -> BMP");
  EXPECT_EQ(Wb().frmVisu->windowTitle(), "BestOf Visual");
  EXPECT_EQ(Wb().frmFitsHeader->windowTitle(), "FITS Header");
  // Only the main window is shown.
  EXPECT_TRUE(Main().isVisible());
  EXPECT_FALSE(Wb().formCentroid->isVisible());
  EXPECT_FALSE(Wb().frmFitsHeader->isVisible());
}

TEST_F(UiTest, StartupStateOfTheMainWindow) {
  ASSERT_NE(Main().BiasFrame(), nullptr);
  EXPECT_TRUE(Main().BiasFrame()->Empty());
  EXPECT_TRUE(Main().BiasFrame()->FileName.empty());
  EXPECT_TRUE(Main().SeriesName().isEmpty());
  EXPECT_TRUE(Main().ListeFic().Dossier.empty());
  EXPECT_TRUE(Wb().frmInfosLog->LogsSaved());
  EXPECT_FALSE(Find<QWidget>("Image1")->isVisible());
  EXPECT_FALSE(Find<QWidget>("darkfile")->isVisible());
  EXPECT_FALSE(Find<QWidget>("btnSTOP")->isVisible());
  // The menus that are never shown.
  EXPECT_FALSE(Main().Menu("mask1")->menuAction()->isVisible());
  EXPECT_FALSE(Main().Menu("Outils1")->menuAction()->isVisible());
  EXPECT_FALSE(Main().Action("SpeckleMask1")->isVisible());
  // The shipped settings tick "Menu Interférométrie": its menu is shown.
  EXPECT_TRUE(Main().Action("MenuInterfromtrie1")->isChecked());
  EXPECT_TRUE(Main().Menu("Interfromtrie1")->menuAction()->isVisible());
  // Empty list: nothing ticked, the series commands are disabled.
  EXPECT_FALSE(Main().Menu("Sauvegarder1")->menuAction()->isEnabled());
  EXPECT_EQ(Find<QLineEdit>("Auto_Nb")->text(), "Sel : 0");
}

TEST_F(UiTest, EveryCommandExistsUnderItsNameWithItsCaption) {
  const std::vector<std::pair<const char*, const char*>> items = {
      {"Ouvrir", "&Ouvrir"},
      {"ChargerRp1", "Charger Rép."},
      {"avi", "AVI"},
      {"FITS1", "&FITS"},
      {"BMP1", "&BMP"},
      {"ORV1", "ORV"},
      {"FITS2", "FITS ....."},
      {"BMP2", "BMP......"},
      {"ORV2", "ORV......"},
      {"Quitter", "&Quitter"},
      {"BestOfsn", "BestOf (S/N)"},
      {"BestOfMax1", "BestOf (Max)"},
      {"SlectionManuelle1", "BestOf (Vis)"},
      {"Dcoupage1", "Découpage"},
      {"Retailler1", "&Aligner Liste"},
      {"Additioner1", "A&dditionner Liste"},
      {"Compositageautomatique1", "Composita&ge automatique"},
      {"AdditionnerReductions1", "Compositer &Reductions"},
      {"Quad1", "QuadPx"},
      {"Surface1", "Surface"},
      {"SurfaceImage1", "Math Image"},
      {"FFT1", "FFT directe, partie réelle"},
      {"FFTdirecteargument1", "FFT directe, module"},
      {"AutoCorrlation1", "Auto Corrélation"},
      {"InterCorrlation1", "Inter Corrélation"},
      {"SoustractionFond1", "Soustraction Fond"},
      {"DV01", "DVA"},
      {"InterferometryFastmeasurement1", "Interferometry Fast measurement"},
      {"AutocorrlationetSoustractionFond1", "AutoCorrelation"},
      {"InterCorrlationetSoustractionFond1", "Cross-Correlation"},
      {"PuissanceRfrence1", "Reference Power Spectrum"},
      {"PuissanceDouble1", "Target Power Spectrum"},
      {"DivisionetRetourSpatial1", "Result"},
      {"LibrairieInterfromtrie1", "Interferometry Folder"},
      {"SpeckleMask1", "Speckle Mask"},
      {"EnhancedPowerSpectrum1", "Enhanced Power Spectrum"},
      {"Div1", "Div"},
      {"Mult1", "Mult"},
      {"LowPass1", "LowPass"},
      {"Conv1", "Conv"},
      {"supprPic1", "suppr Pic"},
      {"supprautour1", "suppr +1"},
      {"suppr21", "suppr +2"},
      {"fftd1", "test"},
      {"CentroideMenuitem", "R&éduction"},
      {"Rapport1", "&Log"},
      {"SwapVert", "Swap Vertical (fits)"},
      {"SwapHoriz", "Swap Horizontal (fits)"},
      {"ShowFITSHeader1", "FITS Header"},
      {"Franais1", "Français"},
      {"English1", "English"},
      {"Espanol1", "Español"},
      {"Italian1", "Italiano"},
      {"MenuInterfromtrie1", "Menu Interférométrie"},
      {"Aide2", "Aide"},
      {"About1", "About ..."},
      {"Stretch1", "Max >>"},
      {"N9", "<< Max"},
      {"N13", "|<-- Max"},
      {"N10", "Min >>"},
      {"N11", "<< Min"},
      {"N12", "Min -->|"}};
  for (const auto& [name, caption] : items) {
    QAction* a = Main().Action(name);
    ASSERT_NE(a, nullptr) << name;
    EXPECT_EQ(a->text(), QString::fromUtf8(caption)) << name;
  }
  for (const char* name : {"cu0", "cu1", "cu2", "cu3", "cur0", "cur1", "cur2", "cur3", "cub0",
                           "cub1", "cub2", "cub3", "MaxMin1"}) {
    EXPECT_NE(Main().Action(name), nullptr) << name;
  }
  const std::vector<std::pair<const char*, const char*>> menus = {
      {"Fichier1", "&Fichier"},
      {"Sauvegarder1", "&Sauvegarder"},
      {"raitement1", "&Traitement"},
      {"Spcial1", "Special"},
      {"mask1", "DEBUG"},
      {"Interfromtrie1", "Interférométrie"},
      {"Outils1", "Maths"},
      {"Aide1", "Fe&nêtre"},  // Alt+F opens "Fichier" alone
      {"Options1", "Options"},
      {"Cursor1", "Cursor"},
      {"Langage1", "Langage"},
      {"Apropos1", "&?"}};
  for (const auto& [name, caption] : menus) {
    QMenu* m = Main().Menu(name);
    ASSERT_NE(m, nullptr) << name;
    EXPECT_EQ(m->title(), QString::fromUtf8(caption)) << name;
  }
  for (const char* name : {"Image1",
                           "Image0",
                           "lblFormatImage",
                           "Label4",
                           "darkfile",
                           "TrackBar1",
                           "TrackBar2",
                           "niv1",
                           "niv2",
                           "TrackBarsMax",
                           "TrackBarsMin",
                           "VisuAuto",
                           "VisuLog",
                           "VisuColor",
                           "lut",
                           "UpDown1",
                           "Label1",
                           "HScroll1",
                           "RadioGroup1",
                           "Cadrage",
                           "CtlAdj",
                           "Capture_A",
                           "Capture_B",
                           "AutoOrvek",
                           "SubPixellaire",
                           "Image2",
                           "Image3",
                           "Image4",
                           "lblTipFastMeasurement",
                           "CheckListBox",
                           "CheckBox2",
                           "Auto_Nb",
                           "ComboBox1",
                           "Label3",
                           "Button1",
                           "btnSTOP",
                           "Button2",
                           "btnDriftSingle",
                           "btnDriftMulti",
                           "hQuadPx",
                           "btnListeInter",
                           "FileListBoxInter",
                           "ScrollBox1",
                           "Label2",
                           "CheckBox1"}) {
    EXPECT_NE(Main().findChild<QWidget*>(name), nullptr) << name;
  }
}

TEST_F(UiTest, CommandsOfLaterFeaturesStayDisabledUntilWired) {
  // A list with a ticked item enables the series commands that exist...
  Main().SetItems({"a.fit"}, {true});
  Main().RefreshSelection();
  EXPECT_TRUE(Main().Menu("Sauvegarder1")->menuAction()->isEnabled());
  EXPECT_TRUE(Find<QWidget>("Capture_A")->isEnabled());
  EXPECT_TRUE(Main().Action("Retailler1")->isEnabled());
  EXPECT_TRUE(Find<QWidget>("AutoOrvek")->isEnabled());
  // ...but not those whose feature is not built: they must not pretend to work. "test" of
  // the hidden menu "Maths" (fftd1) has no action and stays unbuilt for good.
  ASSERT_NE(Main().Action("fftd1"), nullptr);
  EXPECT_TRUE(Main().IsPending("fftd1"));
  int pending = 0;
  for (QAction* action : Main().findChildren<QAction*>()) {
    if (action->objectName().isEmpty() || !Main().IsPending(action->objectName())) continue;
    ++pending;
    EXPECT_FALSE(action->isEnabled()) << action->objectName().toStdString();
  }
  for (QAbstractButton* button : Main().findChildren<QAbstractButton*>()) {
    if (button->objectName().isEmpty() || !Main().IsPending(button->objectName())) continue;
    ++pending;
    EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
  }
  EXPECT_GE(pending, 1);
  // Wiring one lets it follow the enabling rule.
  int calls = 0;
  Main().InstallCommand(MainCommand::fftd1, [&] { ++calls; });
  EXPECT_FALSE(Main().IsPending(MainCommand::fftd1));
  EXPECT_TRUE(Main().Action("fftd1")->isEnabled());
  Main().Action("fftd1")->trigger();
  EXPECT_EQ(calls, 1);
  // Every command a feature can wire is a menu item or a button of the window.
  for (MainCommand c : {
#define ORVEK_TEST_COMMAND(name) MainCommand::name,
           ORVEK_MAIN_COMMANDS(ORVEK_TEST_COMMAND)
#undef ORVEK_TEST_COMMAND
       }) {
    QObject* o = Main().findChild<QObject*>(CommandName(c));
    EXPECT_TRUE(qobject_cast<QAction*>(o) != nullptr ||
                qobject_cast<QAbstractButton*>(o) != nullptr)
        << CommandName(c).toStdString();
  }
}

TEST_F(UiTest, ResourcesAreInstalledOnceAndTheSettingsFileIsNeverOverwritten) {
  for (const QString& name : InstalledFileNames()) {
    EXPECT_TRUE(QFile::exists(QHome() + name)) << name.toStdString();
  }
  // The installed settings file is the shipped one, byte for byte.
  QFile shipped(QString::fromStdString(SourceDir()) + "resources/orvek.ini");
  QFile installed(QHome() + "orvek.ini");
  ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
  ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
  EXPECT_EQ(shipped.readAll(), installed.readAll());
  installed.close();

  ASSERT_TRUE(IniFile(Home() + "orvek.ini").WriteString("PARAMS", "Delta", "12.5").ok);
  QFile::remove(QHome() + "red2.cur");
  const QStringList again = InstallResources(QHome());
  EXPECT_EQ(again, QStringList{"red2.cur"});
  EXPECT_EQ(IniFile(Home() + "orvek.ini").ReadString("PARAMS", "Delta", ""), "12.5");
}

// ---- Language ---------------------------------------------------------------------------------

TEST_F(UiTest, SwitchingToItalianWritesTheLetterAndReloadsTheTexts) {
  Main().Action("Italian1")->trigger();
  EXPECT_EQ(IniFile(Home() + "orvek.ini").ReadString("Langage", "Langue", ""), "I");
  // Every text comes from section IMain of the shipped file, by its key.
  const IniFile shipped(SourceDir() + "resources/orvek.ini");
  auto italian = [&](const char* key) {
    return QString::fromStdString(shipped.ReadString("IMain", key, "<missing>"));
  };
  EXPECT_EQ(Main().Menu("Fichier1")->title(), italian("m4"));
  EXPECT_EQ(Main().Action("Ouvrir")->text(), italian("m5"));
  EXPECT_EQ(Main().Action("Quitter")->text(), italian("m6"));
  EXPECT_EQ(Main().Menu("Aide1")->title(), italian("m1"));
  EXPECT_EQ(Main().Action("Retailler1")->text(), italian("Retailler1"));
  EXPECT_EQ(Main().MessageText("msgExtInc"), italian("msgExtInc"));
  EXPECT_EQ(Find<QWidget>("Cadrage")->property("title").toString(), italian("r1"));
  EXPECT_EQ(Find<QLabel>("lblTipFastMeasurement")->text(), italian("lblTipFastMeasurement"));
  EXPECT_NE(italian("m5"), QString::fromUtf8("&Ouvrir"));  // the texts did change
  EXPECT_TRUE(Main().Action("Italian1")->isChecked());
  EXPECT_FALSE(Main().Action("Franais1")->isChecked());
  // The other translated windows follow.
  EXPECT_EQ(Wb().formCentroid->windowTitle(),
            QString::fromStdString(shipped.ReadString("IReduction", "tTIT", "")));
  EXPECT_EQ(Wb().frmAbout->B1()->text(),
            QString::fromStdString(shipped.ReadString("IAbout", "B1", "")));
  EXPECT_EQ(Wb().DlgAlign->windowTitle(),
            QString::fromStdString(shipped.ReadString("IDlgAlign", "DlgAlign", "")));
}

TEST_F(UiTest, EnglishTextsAtStartComeFromSectionEMain) {
  m_wb.reset();
  ASSERT_TRUE(IniFile(Home() + "orvek.ini").WriteString("Langage", "Langue", "E").ok);
  m_wb = CreateWorkbench(m_prompter, m_opener);
  EXPECT_EQ(Main().Menu("Fichier1")->title(), "&File");
  EXPECT_EQ(Main().Action("CentroideMenuitem")->text(), "&Reduction");
  EXPECT_TRUE(Main().Action("English1")->isChecked());
}

TEST_F(UiTest, MissingSettingsFileGivesEmptyCaptions) {
  m_wb.reset();
  QFile::remove(QHome() + "orvek.ini");
  m_wb = CreateWorkbench(m_prompter, m_opener);
  EXPECT_TRUE(Main().Menu("Fichier1")->title().isEmpty());
  EXPECT_TRUE(Main().MessageText("msgWng").isEmpty());
  // Captions that are not translated keep their text.
  EXPECT_EQ(Main().Action("FITS1")->text(), "&FITS");
}

// ---- Help and about ---------------------------------------------------------------------------

TEST_F(UiTest, HelpOpensThePageOfTheLanguage) {
  const std::vector<std::pair<const char*, const char*>> cases = {{"F", "tutoriel.htm"},
                                                                  {"E", "tutorial.htm"},
                                                                  {"S", "manual.htm"},
                                                                  {"I", "Tutoriit.htm"},
                                                                  {"X", "tutorial.htm"}};
  for (const auto& [letter, page] : cases) {
    ASSERT_TRUE(IniFile(Home() + "orvek.ini").WriteString("Langage", "Langue", letter).ok);
    m_opener.opened.clear();
    Main().Action("Aide2")->trigger();
    ASSERT_EQ(m_opener.opened.size(), 1);
    EXPECT_EQ(m_opener.opened.first(), QHome() + page) << letter;
  }
}

// Without a desktop viewer the help page opens in the program's own help window (F1 as
// well), whose links lead to the other pages; a page that cannot be read is named in a
// message. The about box's second button takes the same road.
TEST_F(UiTest, HelpWithoutADesktopViewerOpensTheHelpWindowElseSaysWhy) {
  m_opener.canOpen = false;
  Main().activateWindow();
  QApplication::setActiveWindow(&Main());
  QTest::keyClick(&Main(), Qt::Key_F1);
  ASSERT_EQ(m_opener.opened, QStringList{QHome() + "tutoriel.htm"});
  ASSERT_TRUE(Wb().frmHelp);
  TfrmHelp& help = *Wb().frmHelp;
  EXPECT_TRUE(help.isVisible());
  EXPECT_EQ(help.Browser()->source().toLocalFile(), QHome() + "tutoriel.htm");
  // The page itself, not an empty browser: it names the menu item that loads a series.
  EXPECT_TRUE(help.Browser()->toPlainText().contains(QString::fromUtf8("Charger Rép.")));
  emit help.Browser()->anchorClicked(QUrl("pixel.htm"));
  EXPECT_EQ(help.Browser()->source().toLocalFile(), QHome() + "pixel.htm");
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
  help.hide();
  m_opener.opened.clear();
  Wb().frmAbout->B2()->click();
  EXPECT_EQ(m_opener.opened, QStringList{TfrmAbout::MakersPage()});
  EXPECT_TRUE(help.isVisible());
  // Neither the desktop nor the window can show a missing page: a message names it.
  ASSERT_TRUE(QFile::remove(QHome() + "tutoriel.htm"));
  Main().Action("Aide2")->trigger();
  const QStringList info = m_prompter.Texts(Kind::Info);
  ASSERT_EQ(info.size(), 1);
  EXPECT_TRUE(info[0].contains(QHome() + "tutoriel.htm")) << info[0].toStdString();
}

// In every language: Qt's standard buttons speak it (Qt's own translations), and no two items
// of a menu bar, or of one menu, share a mnemonic.
TEST_F(UiTest, QtTextsAndMenuMnemonicsFollowEveryLanguage) {
  const std::vector<std::pair<const char*, const char*>> languages = {
      {"F", "&Oui"}, {"E", "&Yes"}, {"S", "&Sí"}, {"I", "&Sì"}};
  for (const auto& [letter, yes] : languages) {
    Main().SelectLanguage(letter);
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QString::fromUtf8(yes)) << letter;
    std::vector<QWidget*> menuHolders;
    for (QWidget* w :
         {static_cast<QWidget*>(&Main()), static_cast<QWidget*>(Wb().formCentroid.get()),
          static_cast<QWidget*>(Wb().frmInfosLog.get())}) {
      for (QMenuBar* bar : w->findChildren<QMenuBar*>()) menuHolders.push_back(bar);
      for (QMenu* menu : w->findChildren<QMenu*>()) menuHolders.push_back(menu);
    }
    ASSERT_GE(menuHolders.size(), 10u);
    for (QWidget* holder : menuHolders) {
      std::set<int> seen;
      for (QAction* a : holder->actions()) {
        if (!a->isVisible() || a->isSeparator()) continue;
        const QString caption = a->menu() != nullptr ? a->menu()->title() : a->text();
        const QKeySequence key = QKeySequence::mnemonic(caption);
        if (key.isEmpty()) continue;
        EXPECT_TRUE(seen.insert(key[0].toCombined()).second)
            << letter << ": " << holder->objectName().toStdString() << " \""
            << caption.toStdString() << "\" repeats a mnemonic";
      }
    }
  }
}

TEST_F(UiTest, AboutBoxShowsItsPictureAndTexts) {
  TfrmAbout& about = *Wb().frmAbout;
  // The JPEG picture decodes (Qt's JPEG support).
  ASSERT_FALSE(about.Image1()->pixmap().isNull());
  EXPECT_GT(about.Image1()->pixmap().width(), 10);
  EXPECT_EQ(about.B1()->text(), "Fermer");
  // M1_lines = 5 gives the six lines M1_0 .. M1_5 of FAbout.
  const QStringList lines = about.Memo1()->text().split('\n');
  ASSERT_EQ(lines.size(), 6);
  EXPECT_EQ(lines[4], QString::fromUtf8("Réalisé par les développeurs d'Orvek."));
  Main().Action("About1")->trigger();
  EXPECT_TRUE(about.isVisible());
  EXPECT_TRUE(about.isModal());
  about.B2()->click();
  EXPECT_EQ(m_opener.opened, QStringList{TfrmAbout::MakersPage()});
  about.B1()->click();
  EXPECT_FALSE(about.isVisible());
}

// ---- Closing ----------------------------------------------------------------------------------

class QuitTest : public UiTest {
 protected:
  void MakeWorkingFolders() {
    for (const QString& name : TFormMain::QuitFolders()) {
      const std::string folder = WorkFolder(name.toStdString());
      QFile f(QString::fromStdString(folder) + "result.orvc");
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write("x");
    }
  }
  bool AllFoldersExist() const {
    for (const QString& name : TFormMain::QuitFolders()) {
      if (!QFile::exists(QHome() + name + "/result.orvc")) return false;
    }
    return true;
  }
  bool NoFolderExists() const {
    for (const QString& name : TFormMain::QuitFolders()) {
      if (QDir(QHome() + name).exists()) return false;
    }
    return true;
  }
};

TEST_F(QuitTest, RefusedCloseKeepsTheWorkingFoldersAndStillSavesTheParameters) {
  MakeWorkingFolders();
  Main().Action("SwapVert")->setChecked(true);
  Main().SetHalfSize(9);
  Wb().frmInfosLog->SetLogsSaved(false);
  m_prompter.QueueYesNo(false);
  EXPECT_FALSE(Main().QuitterClick());
  ASSERT_EQ(m_prompter.Texts(Kind::YesNo), QStringList{Main().MessageText("msgWng")});
  EXPECT_FALSE(Main().MessageText("msgWng").isEmpty());
  EXPECT_TRUE(Main().isVisible());
  // The folders still hold what the running program lists and shows.
  EXPECT_TRUE(AllFoldersExist());
  EXPECT_EQ(ReadParam(Home(), "FitsSwapV"), "1");
  EXPECT_EQ(ReadParam(Home(), "HScroll1"), "9");
}

TEST_F(QuitTest, QuitThatClosesEmptiesAndRemovesTheSixFolders) {
  MakeWorkingFolders();
  WorkFolder("tempspmask");  // not one of the six
  Wb().frmInfosLog->SetLogsSaved(false);
  Main().Action("SwapHoriz")->setChecked(true);
  m_prompter.QueueYesNo(true);
  EXPECT_TRUE(Main().QuitterClick());
  EXPECT_FALSE(Main().isVisible());
  EXPECT_TRUE(NoFolderExists());
  EXPECT_TRUE(QDir(QHome() + "tempspmask").exists());
  EXPECT_EQ(ReadParam(Home(), "FitsSwapH"), "1");
}

TEST_F(QuitTest, NoQuestionWhenTheLogsAreSaved) {
  MakeWorkingFolders();
  EXPECT_TRUE(Main().QuitterClick());
  EXPECT_EQ(m_prompter.Count(Kind::YesNo), 0);
  EXPECT_TRUE(NoFolderExists());
}

TEST_F(QuitTest, FolderHoldingASubFolderStays) {
  MakeWorkingFolders();
  QDir().mkpath(QHome() + "tempc/inner");
  EXPECT_TRUE(Main().QuitterClick());
  EXPECT_TRUE(QDir(QHome() + "tempc").exists());
  EXPECT_FALSE(QFile::exists(QHome() + "tempc/result.orvc"));
  EXPECT_FALSE(QDir(QHome() + "tempv").exists());
}

TEST_F(QuitTest, CloseBoxLeavesTheWorkingFolders) {
  MakeWorkingFolders();
  EXPECT_TRUE(Main().close());
  EXPECT_TRUE(AllFoldersExist());
  EXPECT_EQ(ReadParam(Home(), "HScroll1"), "6");
}

// ---- FITS header window -----------------------------------------------------------------------

TEST_F(UiTest, FitsHeaderWindowHoldsTheCardsOfTheLastLoad) {
  WriteFits(StarFrame(), Data("star.fit"));
  ASSERT_TRUE(Main().LoadAndShow(QData("star.fit")));
  const QString text = Wb().frmFitsHeader->Memo1()->toPlainText();
  // SaveFits writes SIMPLE, BITPIX, NAXIS, NAXIS1, NAXIS2 and END.
  const QStringList lines = text.split('\n');
  ASSERT_EQ(lines.size(), 6);
  // Keyword field, spaces up to column 28, the value ending in column 30.
  EXPECT_TRUE(lines[3].startsWith("NAXIS1  =" + QString(19, ' ') + "21")) << lines[3].toStdString();
  EXPECT_EQ(lines[5], "END");
  Main().Action("ShowFITSHeader1")->trigger();
  EXPECT_TRUE(Wb().frmFitsHeader->isVisible());
}

}  // namespace
}  // namespace orvek::test
