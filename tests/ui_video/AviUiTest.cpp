// The video import window (TDlgAVI) driven as a user would: the menu item "AVI", "Select Avi",
// "Convert", the progress text painted after every frame, the numbered BMP files and the
// messages. The videos are made by the ffmpeg program from frames of known colours; the BMP
// files are read back with Qt's own BMP reader.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/OTrame.h"
#include "core/Utils.h"
#include "ui/UdlgAVI.h"
#include "ui/UfrmMain.h"
#include "ui/UiFixture.h"

namespace orvek::test {
namespace {

constexpr int kW = 24;
constexpr int kH = 16;

// The colour of frame k (B, G, R), distinct for each frame.
QRgb FrameColour(int k) {
  return qRgb(40 + 60 * k, 200 - 50 * k, 30 + 25 * k);
}

std::string Quoted(const std::string& s) {
  return "'" + s + "'";
}

// Records Label2's text each time it is painted, and runs a hook at each new text.
class PaintWatcher : public QObject {
 public:
  explicit PaintWatcher(QLabel* label) : m_label(label) { label->installEventFilter(this); }
  ~PaintWatcher() override { m_label->removeEventFilter(this); }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == m_label && event->type() == QEvent::Paint) {
      const QString text = m_label->text();
      if (!text.isEmpty() && (texts.isEmpty() || texts.back() != text)) {
        texts << text;
        eventsRanBefore << timerFired;
        if (onText) onText(text);
      }
    }
    return false;
  }
  QStringList texts;
  QList<bool> eventsRanBefore;  ///< a zero timer set before the conversion had fired
  bool timerFired = false;
  std::function<void(const QString&)> onText;

 private:
  QLabel* m_label;
};

class AviUi : public UiTest {
 protected:
  TDlgAVI& Dialog() { return *Wb().DlgAVI; }
  template <class T>
  T* Child(const char* name) {
    T* w = Dialog().findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QLabel* Label1() { return Child<QLabel>("Label1"); }
  QLabel* Label2() { return Child<QLabel>("Label2"); }
  QPushButton* Select() { return Child<QPushButton>("btnSelectAvi"); }
  QPushButton* Convert() { return Child<QPushButton>("btnConvert"); }

  // A 3-frame AVI of solid colours, uncompressed, made by the ffmpeg program.
  std::string MakeAvi(const std::string& name, int frames = 3) {
    std::vector<char> raw;
    for (int k = 0; k < frames; ++k) {
      for (int i = 0; i < kW * kH; ++i) {
        raw.push_back(static_cast<char>(qBlue(FrameColour(k))));
        raw.push_back(static_cast<char>(qGreen(FrameColour(k))));
        raw.push_back(static_cast<char>(qRed(FrameColour(k))));
      }
    }
    const std::string rawPath = Data(name + ".bgr");
    std::ofstream(rawPath, std::ios::binary)
        .write(raw.data(), static_cast<std::streamsize>(raw.size()));
    const std::string out = Data(name);
    const std::string command =
        "/usr/bin/ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo "
        "-pix_fmt bgr24 -s " +
        std::to_string(kW) + "x" + std::to_string(kH) + " -r 10 -i " + Quoted(rawPath) +
        " -c:v rawvideo -pix_fmt bgr24 " + Quoted(out) + " 2>&1";
    int status = -1;
    const std::string said = Capture(command, &status);
    EXPECT_EQ(status, 0) << said;
    return out;
  }

  void OpenFromMenu() {
    QAction* avi = Main().Action("avi");
    ASSERT_NE(avi, nullptr);
    ASSERT_TRUE(avi->isEnabled());
    avi->trigger();
    QApplication::processEvents();
    ASSERT_TRUE(Dialog().isVisible());
  }

  void Choose(const std::string& video) {
    m_prompter.QueueOpen({QString::fromStdString(video)});
    Select()->click();
  }
};

TEST_F(AviUi, WindowLooksAsDesigned) {
  EXPECT_EQ(Dialog().windowTitle(), "Orvek : AVI -> BMP");
  EXPECT_EQ(Dialog().size(), QSize(529, 75));
  EXPECT_EQ(Select()->text(), "Select Avi");
  EXPECT_EQ(Convert()->text(), "Convert");
  EXPECT_EQ(Label2()->font().pixelSize(), 19);
  OpenFromMenu();
  EXPECT_FALSE(Dialog().isModal());
  EXPECT_FALSE(Convert()->isVisible());
  EXPECT_TRUE(Label1()->text().isEmpty());
  EXPECT_TRUE(Label2()->text().isEmpty());
}

TEST_F(AviUi, OpenFilterAcceptsAviAndSer) {
  OpenFromMenu();
  Select()->click();  // nothing queued: the dialog is cancelled
  ASSERT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Open), 1);
  const QString filter = m_prompter.Calls().back().filter;
  EXPECT_TRUE(filter.contains("*.avi"));
  EXPECT_TRUE(filter.contains("*.ser"));
  EXPECT_FALSE(m_prompter.Calls().back().multi);
  // Cancelled: still nothing chosen.
  EXPECT_FALSE(Convert()->isVisible());
  EXPECT_TRUE(Label1()->text().isEmpty());
}

TEST_F(AviUi, ConvertDoesNothingUntilAVideoIsChosen) {
  OpenFromMenu();
  Convert()->click();
  EXPECT_EQ(m_prompter.Calls().size(), 0u);
  EXPECT_TRUE(Dialog().isVisible());
}

TEST_F(AviUi, ThreeFramesBecomeNumberedBmpFilesWithTheirProgress) {
  const std::string video = MakeAvi("jup.avi");
  OpenFromMenu();
  Choose(video);
  EXPECT_EQ(Label1()->text().toStdString(), video);
  EXPECT_TRUE(Convert()->isVisible());

  PaintWatcher watcher(Label2());
  QTimer::singleShot(0, &Dialog(), [&watcher] { watcher.timerFired = true; });
  const std::string base = Data("out/jup");
  ASSERT_TRUE(std::filesystem::create_directories(Data("out")));
  m_prompter.QueueSave(QString::fromStdString(base));
  Convert()->click();

  // The save dialog has no filter and proposes the video's own name beside it.
  ASSERT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Save), 1);
  EXPECT_TRUE(m_prompter.Calls().back().filter.isEmpty());
  EXPECT_EQ(m_prompter.Calls().back().text.toStdString(), Data("jup"));
  // Every step was painted, and events ran during the conversion.
  EXPECT_EQ(watcher.texts, (QStringList{"0/3", "1/3", "2/3", "3/3"}));
  ASSERT_EQ(watcher.eventsRanBefore.size(), 4);
  EXPECT_TRUE(watcher.eventsRanBefore[1]) << "the window's events run between frames";
  // jup0000.bmp .. jup0002.bmp, each with its frame's colour; no fourth.
  for (int k = 0; k < 3; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "jup%04d.bmp", k);
    const QImage image(QString::fromStdString(Data("out/") + name));
    ASSERT_FALSE(image.isNull()) << name;
    EXPECT_EQ(image.size(), QSize(kW, kH));
    EXPECT_EQ(image.pixel(0, 0), FrameColour(k)) << name;
    EXPECT_EQ(image.pixel(kW - 1, kH - 1), FrameColour(k)) << name;
  }
  EXPECT_FALSE(FileExists(Data("out/jup0003.bmp")));
  EXPECT_EQ(Dialog().LastResult().framesWritten, 3);
  // No message, and the window closed.
  EXPECT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Info), 0);
  EXPECT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Error), 0);
  EXPECT_FALSE(Dialog().isVisible());
}

TEST_F(AviUi, CancellingTheSaveDialogKeepsTheWindowOpen) {
  const std::string video = MakeAvi("m57.avi");
  OpenFromMenu();
  Choose(video);
  Convert()->click();  // no answer queued: the save dialog is cancelled
  EXPECT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Save), 1);
  EXPECT_TRUE(Dialog().isVisible());
  EXPECT_TRUE(Label2()->text().isEmpty());
  EXPECT_FALSE(FileExists(Data("m570000.bmp")));
}

TEST_F(AviUi, ABaseNameWithAnExtensionIsKeptAsTyped) {
  const std::string video = MakeAvi("m57.avi", 1);
  OpenFromMenu();
  Choose(video);
  m_prompter.QueueSave(QString::fromStdString(Data("m57.bmp")));
  Convert()->click();
  EXPECT_TRUE(FileExists(Data("m57.bmp0000.bmp")));
}

TEST_F(AviUi, MissingVideoSaysSoAndWritesNothing) {
  OpenFromMenu();
  Choose(Data("nowhere.avi"));
  m_prompter.QueueSave(QString::fromStdString(Data("frame")));
  Convert()->click();
  EXPECT_EQ(m_prompter.Texts(ScriptedPrompter::Kind::Info),
            QStringList{"A disk error occurred while opening the file."});
  EXPECT_FALSE(FileExists(Data("frame0000.bmp")));
  EXPECT_FALSE(Dialog().isVisible());
}

TEST_F(AviUi, UnreadableVideoSaysSo) {
  const std::string bad = Data("bad.avi");
  std::ofstream(bad) << "this is not a video, only a few words of text in a file\n";
  OpenFromMenu();
  Choose(bad);
  m_prompter.QueueSave(QString::fromStdString(Data("frame")));
  Convert()->click();
  EXPECT_EQ(m_prompter.Texts(ScriptedPrompter::Kind::Info),
            QStringList{"The file couldn't be read"});
  EXPECT_FALSE(FileExists(Data("frame0000.bmp")));
}

TEST_F(AviUi, MalformedSerSaysWhy) {
  const std::string bad = Data("cut.ser");
  std::ofstream(bad, std::ios::binary) << "LUCAM-RECORDER and then too few bytes";
  OpenFromMenu();
  Choose(bad);
  m_prompter.QueueSave(QString::fromStdString(Data("frame")));
  Convert()->click();
  ASSERT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Error), 1);
  EXPECT_FALSE(m_prompter.Texts(ScriptedPrompter::Kind::Error).first().isEmpty());
  EXPECT_EQ(Dialog().LastResult().error, VideoError::MalformedSer);
  EXPECT_FALSE(FileExists(Data("frame0000.bmp")));
}

TEST_F(AviUi, FramesThatCannotBeWrittenAreCountedAtTheEnd) {
  const std::string video = MakeAvi("sat.avi");
  OpenFromMenu();
  Choose(video);
  // A folder that does not exist: no frame file can be written.
  m_prompter.QueueSave(QString::fromStdString(Data("no_such_folder/sat")));
  Convert()->click();
  ASSERT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Error), 1);
  // The counts and the first file, in the interface language (French by default).
  const QString said = m_prompter.Texts(ScriptedPrompter::Kind::Error).first();
  EXPECT_TRUE(said.startsWith("3 image(s) sur 3")) << said.toStdString();
  EXPECT_TRUE(said.contains(QString::fromStdString(Data("no_such_folder/sat0000.bmp"))));
  EXPECT_EQ(Dialog().LastResult().failedWrites, 3);
}

TEST_F(AviUi, FitsFramesKeepTheirNumbersAndTimesAndTheDroppedOneIsNamed) {
  // 7 frames at 10 a second recorded from 2023-09-07 22:22:39 UTC; frame 3 was dropped.
  const std::string rawPath = Data("drop.gray");
  std::ofstream(rawPath, std::ios::binary) << std::string(7 * kW * kH, '\x50');
  const std::string video = Data("drop.avi");
  int status = -1;
  const std::string said = Capture(
      "/usr/bin/ffmpeg -hide_banner -loglevel error -nostdin -y -f rawvideo -pix_fmt gray -s " +
          std::to_string(kW) + "x" + std::to_string(kH) + " -r 10 -i " + Quoted(rawPath) +
          " -vf 'select=not(eq(n\\,3))' -fps_mode passthrough -frames:v 6 -c:v rawvideo "
          "-pix_fmt gray -metadata date=2023-09-07T22:22:39 " +
          Quoted(video) + " 2>&1",
      &status);
  ASSERT_EQ(status, 0) << said;
  OpenFromMenu();
  Choose(video);
  auto* format = Child<QComboBox>("cboFormat");
  ASSERT_NE(format, nullptr);
  format->setCurrentText("FITS");
  PaintWatcher watcher(Label2());
  m_prompter.QueueSave(QString::fromStdString(Data("drop")));
  Convert()->click();

  EXPECT_EQ(watcher.texts.back(), "7/7");
  EXPECT_EQ(
      m_prompter.Texts(ScriptedPrompter::Kind::Info),
      QStringList{QString::fromStdString("L'image 3 sur 7 manque dans la vidéo " + video + ".")});
  EXPECT_FALSE(FileExists(Data("drop0003.fits")));
  for (int k : {0, 1, 2, 4, 5, 6}) {
    const std::string file = Data("drop000" + std::to_string(k) + ".fits");
    OTrame frame;
    ASSERT_TRUE(frame.LoadFile(file).ok()) << file;
    ASSERT_TRUE(frame.Time.has_value()) << file;
    EXPECT_NEAR(*SecondsBetween(UtcTime{2023, 9, 7, 22, 22, 39}, frame.Time->utc), 0.1 * k, 0.0005);
  }
}

TEST_F(AviUi, FramesAlreadyThereAreNotReplaced) {
  const std::string video = MakeAvi("m57.avi", 2);
  const std::string users = Data("m570001.bmp");
  std::ofstream(users) << "the user's own file";
  OpenFromMenu();
  Choose(video);
  m_prompter.QueueSave(QString::fromStdString(Data("m57")));
  Convert()->click();
  ASSERT_EQ(m_prompter.Count(ScriptedPrompter::Kind::Error), 1);
  EXPECT_TRUE(m_prompter.Texts(ScriptedPrompter::Kind::Error)
                  .first()
                  .contains(QString::fromStdString(users)));
  EXPECT_FALSE(FileExists(Data("m570000.bmp")));
  std::ifstream in(users);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's own file");
  // The window stays for another base name.
  EXPECT_TRUE(Dialog().isVisible());
}

TEST_F(AviUi, ClosingTheWindowStopsTheConversion) {
  const std::string video = MakeAvi("long.avi", 5);
  OpenFromMenu();
  Choose(video);
  PaintWatcher watcher(Label2());
  // The user closes the window once the first frame is written.
  watcher.onText = [this](const QString& text) {
    if (text == "1/5") Dialog().close();
  };
  m_prompter.QueueSave(QString::fromStdString(Data("long")));
  Convert()->click();
  EXPECT_TRUE(FileExists(Data("long0000.bmp")));
  EXPECT_FALSE(FileExists(Data("long0001.bmp")));
  EXPECT_EQ(Dialog().LastResult().error, VideoError::Cancelled);
  EXPECT_EQ(m_prompter.Calls().size(), 2u) << "no message after a stop the user asked for";
  EXPECT_FALSE(Dialog().isVisible());
}

TEST_F(AviUi, ShowingTheWindowAgainStartsAfresh) {
  const std::string video = MakeAvi("again.avi", 1);
  OpenFromMenu();
  Choose(video);
  Dialog().close();
  OpenFromMenu();
  EXPECT_FALSE(Convert()->isVisible());
  EXPECT_TRUE(Label1()->text().isEmpty());
}

}  // namespace
}  // namespace orvek::test
