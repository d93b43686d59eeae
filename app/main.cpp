// Start-up of the orvek program: the decimal point, the shipped files, the eleven windows in
// their order, the main window shown.
//
// usage: orvek [--screenshot FILE] [IMAGE... | FOLDER]
//   IMAGE...  files listed and the first one shown, as the Open command does;
//   FOLDER    every image file of the folder (BMP, FITS, ORV), in natural name order;
//   --screenshot FILE  saves a PNG picture of the main window once it is shown, then quits.

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
#include "ui/QtPrompter.h"
#include "ui/Resources.h"
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
  QString screenshot;
  const int shotAt = args.indexOf("--screenshot");
  if (shotAt >= 0) {
    if (shotAt + 1 >= args.size()) {
      std::fprintf(stderr, "usage: orvek [--screenshot FILE] [IMAGE... | FOLDER]\n");
      return 2;
    }
    screenshot = args[shotAt + 1];
    args.remove(shotAt, 2);
  }

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

  if (!screenshot.isEmpty()) {
    QTimer::singleShot(1500, &main, [&main, screenshot] {
      QPixmap shot;
      if (QScreen* screen = main.screen()) shot = screen->grabWindow(main.winId());
      if (shot.isNull() || shot.width() < main.width() / 2) shot = main.grab();
      const bool saved = shot.save(screenshot, "PNG");
      std::fprintf(stderr, "orvek: screenshot %s %s\n", qPrintable(screenshot),
                   saved ? "saved" : "NOT saved");
      QApplication::exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}
