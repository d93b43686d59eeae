// Start-up of the orvek program: the decimal point, the shipped files, the eleven windows in
// their order, the main window shown.
//
// usage: orvek [--language F|E|S|I] [--tour] [--screenshot FILE] [IMAGE... | FOLDER]
//   IMAGE...  files listed and the first one shown, as the Open command does;
//   FOLDER    every image file of the folder (BMP, FITS, ORV), in natural name order;
//   --language L       the interface language, written to the settings file as the menu
//                      "Langage" does;
//   --tour             the screenshots' scripted sequence on the first image: zoom to fit,
//                      A and B of its brightest pair measured and entered, the table open;
//   --screenshot FILE  saves PNG pictures once the window is shown: FILE of the main window,
//                      FILE-screen of the whole screen (with --tour also FILE-pending and
//                      FILE-pending-screen, A entered and the pointer on B), then quits.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>
#include <clocale>
#include <cstdio>

#include "core/Folders.h"
#include "core/Memory.h"
#include "core/Utils.h"
#include "core/WorkerPool.h"
#include "ui/DocumentOpener.h"
#include "ui/Langue.h"
#include "ui/QtPrompter.h"
#include "ui/Resources.h"
#include "ui/ScriptedTour.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"
#include "wording/Wording.h"

namespace {

bool IsImageName(const QString& name) {
  const QString lower = name.toLower();
  return lower.endsWith(".bmp") || lower.endsWith(".fit") || lower.endsWith(".fits") ||
         lower.endsWith(".fts") || lower.contains(QRegularExpression("\\.orv[a-z]?$"));
}

QStringList FilesOfArguments(const QStringList& args) {
  QStringList files;
  for (const QString& arg : args) {
    const QFileInfo info(arg);
    if (info.isDir()) {
      QString folder = info.absoluteFilePath();
      if (!folder.endsWith('/')) folder += '/';
      for (const std::string& name : orvek::ListFiles(folder.toStdString(), "*")) {
        const QString n = QString::fromStdString(name);
        if (IsImageName(n)) files << folder + n;
      }
    } else {
      files << info.absoluteFilePath();
    }
  }
  return files;
}

}  // namespace

int main(int argc, char* argv[]) {
  orvek::PrepareMemoryForFrames();
  QApplication app(argc, argv);
  // Numbers are written and read with "." whatever the desktop's regional settings
  // (QApplication has just adopted them for the C library).
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
  QApplication::setApplicationName("ORVEK");

  QStringList args = QApplication::arguments().mid(1);
  auto usage = [] {
    std::fprintf(stderr,
                 "usage: orvek [--language F|E|S|I] [--tour] [--screenshot FILE] "
                 "[IMAGE... | FOLDER]\n");
    return 2;
  };
  QString screenshot;
  const int shotAt = args.indexOf("--screenshot");
  if (shotAt >= 0) {
    if (shotAt + 1 >= args.size()) return usage();
    screenshot = args[shotAt + 1];
    args.remove(shotAt, 2);
  }
  QString language;
  const int languageAt = args.indexOf("--language");
  if (languageAt >= 0) {
    if (languageAt + 1 >= args.size()) return usage();
    language = args[languageAt + 1];
    args.remove(languageAt, 2);
    if (!QStringList{"F", "E", "S", "I"}.contains(language)) return usage();
  }
  const bool tour = args.removeAll("--tour") > 0;

  // First start: the settings file in the locale's language, then (beside an unpacked
  // program) the help pages and cursor files; an installed program reads them from its share
  // folder.
  orvek::InitResources();
  const orvek::ProgramFolders folders = orvek::CurrentFolders();
  QFile shippedFile(":/install/orvek.ini");
  const QByteArray shipped = shippedFile.open(QIODevice::ReadOnly) ? shippedFile.readAll() : "";
  const orvek::Status prepared =
      orvek::PrepareFolders(folders, shipped.constData(), static_cast<size_t>(shipped.size()),
                            orvek::CurrentLocaleLanguage());
  QStringList errors;
  if (prepared && !folders.installed)
    orvek::InstallResources(QString::fromStdString(folders.resources), &errors);
  for (const QString& e : errors) std::fprintf(stderr, "orvek: %s\n", qPrintable(e));

  // The program's one pool of worker threads, shared by every command; it outlives the windows.
  orvek::WorkerPool pool(orvek::DefaultThreads());
  if (!language.isEmpty()) orvek::SetLangue(language);

  orvek::QtPrompter prompter;
  orvek::DesktopOpener opener;
  std::unique_ptr<orvek::Workbench> workbench = orvek::CreateWorkbench(prompter, opener, &pool);
  orvek::TFormMain& main = *workbench->FormMain;
  prompter.SetParent(&main);
  if (!prepared) {
    const std::string text = orvek::Describe(prepared);
    std::fprintf(stderr, "orvek: %s\n", text.c_str());
    prompter.Error(QString::fromStdString(text));
  }
  QObject::connect(&main, &orvek::TFormMain::Closed, &app, &QApplication::quit,
                   Qt::QueuedConnection);
  main.show();

  const QStringList files = FilesOfArguments(args);
  if (!files.isEmpty()) main.OpenFiles(files);

  // The main window as it draws itself, and the whole screen (the main window with the table
  // window) beside it as FILE-screen.png.
  auto grab = [&main](const QString& file) {
    QString screenFile = file;
    screenFile.insert(file.endsWith(".png") ? file.size() - 4 : file.size(), "-screen");
    QPixmap screenShot;
    if (QScreen* screen = main.screen()) screenShot = screen->grabWindow(0);
    const bool saved = main.grab().save(file, "PNG") &&
                       (screenShot.isNull() || screenShot.save(screenFile, "PNG"));
    std::fprintf(stderr, "orvek: screenshot %s %s\n", qPrintable(file),
                 saved ? "saved" : "NOT saved");
    return saved;
  };
  if (tour || !screenshot.isEmpty()) {
    QTimer::singleShot(1500, &main, [&] {
      bool ok = true;
      if (tour) {
        QString why;
        const orvek::TourSnapshot snapshot = [&](const QString& stage) {
          if (screenshot.isEmpty() || stage == "done") return;
          QString file = screenshot;
          file.insert(file.endsWith(".png") ? file.size() - 4 : file.size(), "-" + stage);
          ok = grab(file) && ok;
        };
        if (!orvek::RunTour(*workbench, snapshot, &why)) {
          std::fprintf(stderr, "orvek: tour: %s\n", qPrintable(why));
          ok = false;
        }
      }
      if (!screenshot.isEmpty()) {
        // The windows placed and painted before the picture is taken.
        QTimer::singleShot(500, &main,
                           [&, ok] { QApplication::exit(grab(screenshot) && ok ? 0 : 1); });
      }
    });
  }
  return app.exec();
}
