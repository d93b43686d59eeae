// The window program's start-up up to the first frame shown, as one process that a command
// benchmark can time whole: the same start as the orvek program (decimal point, resources,
// the eleven windows, the main window shown), then the frame given is opened and the main
// window painted once, and the process ends. The time from the start of main() to that paint
// is printed in milliseconds; hyperfine adds the loading of the program and its libraries.
//
//   QT_QPA_PLATFORM=offscreen orvek_bench_window_startup FRAME

#include <QApplication>
#include <QLocale>
#include <QPixmap>
#include <chrono>
#include <clocale>
#include <cstdio>

#include "core/Memory.h"
#include "core/WorkerPool.h"
#include "ui/DocumentOpener.h"
#include "ui/QtPrompter.h"
#include "ui/Resources.h"
#include "ui/UfrmMain.h"
#include "ui/Workbench.h"

int main(int argc, char* argv[]) {
  const auto start = std::chrono::steady_clock::now();
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvek_bench_window_startup FRAME\n");
    return 2;
  }
  orvek::PrepareMemoryForFrames();
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  QLocale::setDefault(QLocale::c());
  orvek::InitResources();
  orvek::WorkerPool pool(orvek::DefaultThreads());
  orvek::QtPrompter prompter;
  orvek::DesktopOpener opener;
  std::unique_ptr<orvek::Workbench> workbench = orvek::CreateWorkbench(prompter, opener, &pool);
  orvek::TFormMain& main = *workbench->FormMain;
  prompter.SetParent(&main);
  main.show();
  main.OpenFiles({QString::fromLocal8Bit(argv[1])});
  QApplication::processEvents();
  const QPixmap shown = main.grab();  // paints the window with the frame
  const auto end = std::chrono::steady_clock::now();
  std::printf("%.1f ms to the first frame shown (%dx%d window)\n",
              std::chrono::duration<double, std::milli>(end - start).count(), shown.width(),
              shown.height());
  return shown.isNull() ? 1 : 0;
}
